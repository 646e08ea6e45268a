// A title set's IFO file as the title discovery reads it, through
// libdvdread: the input replaces VTS_01_0.IFO of a disc folder (its backup
// copy removed, so libdvdread cannot fall back on it), and every one of the
// nine operations is asked about every title, cell and track it reports.
// The library has the file read by register.dat, out of the fuzzer's sight;
// a file it could read is then read here as well (register.dat came
// through, so this process does too) and both readings must agree.
#include <string>
#include <vector>

#include <QDir>
#include <QFile>

#include "dvd/dvdreadifolibrary.h"
#include "encoder/discdescriber.h"
#include "fuzzinput.h"

namespace
{
QString disc;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // The disc's VIDEO_TS.IFO comes from a real authored disc, named by the
    // runner (scripts/fuzz) in TRANSCAST_FUZZ_VMG; without it the title set
    // is read on its own, as from a folder of IFO files.
    disc = fuzz::scratchFolder("disc");
    const QString videoTs = disc + QStringLiteral("/VIDEO_TS");
    QDir().mkpath(videoTs);
    const QByteArray vmg = qgetenv("TRANSCAST_FUZZ_VMG");
    if (!vmg.isEmpty()) {
        QFile::remove(videoTs + QStringLiteral("/VIDEO_TS.IFO"));
        QFile::copy(QString::fromLocal8Bit(vmg), videoTs + QStringLiteral("/VIDEO_TS.IFO"));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString ifo = disc + QStringLiteral("/VIDEO_TS/VTS_01_0.IFO");
    fuzz::writeFile(ifo, fuzz::bytes(data, size));

    transcast::dvd::DvdReadIfoLibrary library(TRANSCAST_BIN_DIR "/register.dat");
    const std::int32_t handle = library.ifoOpen(QFile::encodeName(ifo).toStdString());
    // A sound register.dat answers with a description, however damaged the
    // file: crashing on it is the file's fault, saying nonsense never.
    FUZZ_CHECK(library.readerProblem().empty());
    if (handle == 0)
        return 0;
    library.ifoGetVideoDesc(handle);
    const std::int32_t audio = library.ifoGetNumAudio(handle);
    for (std::int32_t i = -1; i <= audio && i < 16; ++i)
        library.ifoGetAudioDesc(handle, i);
    const std::int32_t subpictures = library.ifoGetNumSubPic(handle);
    for (std::int32_t i = -1; i <= subpictures && i < 40; ++i)
        library.ifoGetSubPicDesc(handle, i);
    const std::int32_t titles = library.ifoGetNumPGCI(handle);
    FUZZ_CHECK(titles >= 0);
    for (std::int32_t title = -1; title <= titles && title < 1000; ++title) {
        transcast::dvd::TitleTime time;
        const std::int32_t cells = library.ifoGetPGCIInfo(handle, title, &time);
        FUZZ_CHECK(cells >= 0);
        std::vector<transcast::dvd::CellRecord> records(static_cast<size_t>(cells) + 1);
        const std::int32_t written = library.ifoGetPGCICells(
            handle, title, records.data(), static_cast<std::int32_t>(records.size()));
        FUZZ_CHECK(written >= 0 && written <= static_cast<std::int32_t>(records.size()));
    }
    transcast::dvd::TitleSetInfo here;
    FUZZ_CHECK(transcast::describeTitleSetHere(QFile::encodeName(ifo).toStdString(), &here));
    FUZZ_CHECK(here.video == library.ifoGetVideoDesc(handle));
    FUZZ_CHECK(static_cast<std::int32_t>(here.audio.size()) == audio);
    FUZZ_CHECK(static_cast<std::int32_t>(here.subpictures.size()) == subpictures);
    FUZZ_CHECK(static_cast<std::int32_t>(here.titles.size()) == titles);
    for (std::int32_t title = 0; title < titles; ++title) {
        const transcast::dvd::TitleSetInfo::Title& expected = here.titles[title];
        std::vector<transcast::dvd::CellRecord> records(expected.cells.size() + 1);
        FUZZ_CHECK(library.ifoGetPGCICells(handle, title, records.data(),
                                           static_cast<std::int32_t>(records.size())) ==
                   static_cast<std::int32_t>(expected.cells.size()));
        for (size_t i = 0; i < expected.cells.size(); ++i)
            FUZZ_CHECK(records[i].startPos == expected.cells[i].startPos &&
                       records[i].endPos == expected.cells[i].endPos &&
                       records[i].totalMilliseconds() == expected.cells[i].totalMilliseconds());
        transcast::dvd::TitleTime time;
        library.ifoGetPGCIInfo(handle, title, &time);
        FUZZ_CHECK(time.totalMilliseconds() == expected.time.totalMilliseconds());
    }
    library.ifoClose(handle);
    return 0;
}
