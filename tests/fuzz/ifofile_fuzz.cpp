// A title set's IFO file as the title discovery reads it, through
// libdvdread: the input replaces VTS_01_0.IFO of a disc folder (its backup
// copy removed, so libdvdread cannot fall back on it), and every chapter it
// reports must lie within its title's cells.
// The library has the file read by register.dat, out of the fuzzer's sight;
// a file it could read is then read here as well (register.dat came
// through, so this process does too) and both readings must agree.
#include <string>
#include <vector>

#include <QDir>
#include <QFile>

#include "support/titlesetsnow.h"
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

    transcast::testdiscs::TitleSetsNow library(TRANSCAST_BIN_DIR "/register.dat");
    const std::shared_ptr<const transcast::dvd::TitleSet> read =
        library.read(QFile::encodeName(ifo).toStdString());
    // A sound register.dat answers with a description, however damaged the
    // file: crashing on it is the file's fault, saying nonsense never.
    FUZZ_CHECK(library.readerProblem().empty());
    if (!read)
        return 0;
    for (const transcast::dvd::Title& title : read->titles) {
        for (const transcast::dvd::Chapter& chapter : title.chapters)
            FUZZ_CHECK(chapter.firstCell <= chapter.lastCell &&
                       chapter.lastCell < static_cast<int>(title.cells.size()));
        for (const transcast::dvd::Cell& cell : title.cells)
            FUZZ_CHECK(cell.milliseconds >= 0);
    }
    transcast::dvd::TitleSet here;
    FUZZ_CHECK(transcast::describeTitleSetHere(QFile::encodeName(ifo).toStdString(), &here));
    FUZZ_CHECK(here == *read);
    return 0;
}
