// Faults of DVD folders: IFO files damaged or missing, and a disc that goes
// away while one of its titles converts.
#include <csignal>

#include "support/titlesetsnow.h"
#include "faultfixture.h"
#include "support/testdiscs.h"

namespace faults
{
namespace
{

class DvdFaults : public FaultFixture
{
protected:
    const transcast::testdiscs::TestDiscs& discs = transcast::testdiscs::testDiscs();
    QString disc;

    void SetUp() override
    {
        FaultFixture::SetUp();
        ASSERT_TRUE(discs.ok) << discs.error;
        copyDisc();
    }

    // A copy of the authored disc, which the cases damage.
    void copyDisc()
    {
        disc = sources + QStringLiteral("/disc");
        const QString from = QString::fromStdString(discs.videoTs());
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        for (const QString& name : QDir(from).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(from + '/' + name, disc + QStringLiteral("/VIDEO_TS/") + name));
    }

    QString videoTs(const QString& name) const
    {
        return disc + QStringLiteral("/VIDEO_TS/") + name;
    }

    QStringList convertFirstTitle(const QString& folder) const
    {
        return {"convert", "--edition", "transcast-dvd", "--profile", "122",
                "--rows",  "1",         "--output",      outputs,     folder};
    }

    // Whether the process holds the file open.
    static bool holdsOpen(qint64 pid, const QString& name)
    {
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System))
            if (QFileInfo(fds + '/' + fd).symLinkTarget().endsWith(name))
                return true;
        return false;
    }
};

// The IFO the fuzzing found first: a damaged program chain table made
// libdvdread write through a null pointer while opening the title set, which
// took the whole program down. The title set is read from its backup copy
// while that is sound; with the copy damaged alike it reads as a title set
// that cannot be read. The files are left as they were.
TEST_F(DvdFaults, DamagedIfoThatCrashedLibdvdreadFallsBackToItsBackupCopy)
{
    const QString ifo = videoTs(QStringLiteral("VTS_01_0.IFO"));
    const QString damaged = QStringLiteral(TRANSCAST_TEST_DATA "/dvd/corrupt-pgcit-crash.ifo");
    const CliRun intact = cli({"dvd", disc});
    ASSERT_EQ(intact.exitCode, 0) << intact.all().toStdString();
    ASSERT_TRUE(QFile::remove(ifo));
    ASSERT_TRUE(QFile::copy(damaged, ifo));
    Snapshot before = snapshot(sources);

    transcast::testdiscs::TitleSetsNow library(transcast::testdiscs::discReader());
    EXPECT_TRUE(library.read(QFile::encodeName(ifo).toStdString()));
    CliRun listed = cli({"dvd", disc});
    EXPECT_EQ(listed.exitCode, 0) << listed.all().toStdString();
    EXPECT_EQ(listed.out, intact.out);
    EXPECT_TRUE(kept(before, snapshot(sources)));

    // Listed as a whole disc: that title set brings no rows, the others are
    // listed and numbered on.
    const QString backup = videoTs(QStringLiteral("VTS_01_0.BUP"));
    ASSERT_TRUE(QFile::remove(backup));
    ASSERT_TRUE(QFile::copy(damaged, backup));
    before = snapshot(sources);
    transcast::testdiscs::TitleSetsNow again(transcast::testdiscs::discReader());
    EXPECT_FALSE(again.read(QFile::encodeName(ifo).toStdString()));
    listed = cli({"dvd", disc});
    EXPECT_EQ(listed.exitCode, 0) << listed.all().toStdString();
    EXPECT_TRUE(listed.out.contains(ifo + QStringLiteral(" (no rows)")))
        << listed.out.toStdString();
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("1\tTitle_01\t720x576\t00:00:04\t")))
        << listed.out.toStdString();
    EXPECT_TRUE(listed.out.contains(QStringLiteral("\n3\tTitle_03\t720x576\t00:00:06\t")))
        << listed.out.toStdString();
    EXPECT_TRUE(kept(before, snapshot(sources)));
}

// The CLI, like the window, never reads title sets in a fork of itself: the
// register.dat beside it does, started as a program, once for the disc.
// Without it (or with one that cannot run) nothing is listed and the user
// learns why.
TEST_F(DvdFaults, TitleSetsAreReadByTheRegisterDatBesideTheProgram)
{
    const CliRun intact = cli({"dvd", disc});
    ASSERT_EQ(intact.exitCode, 0) << intact.all().toStdString();
    const QString program = programFolder({"transcast-cli", "profiles.pop"});
    const QString encoder = program + QStringLiteral("/register.dat");
    const QString arguments = work.filePath(QStringLiteral("arguments"));
    writeFile(encoder, "#!/bin/sh\necho \"$*\" >> '" + arguments.toUtf8() + "'\nexec '" +
                           binDir().toUtf8() + "/register.dat' \"$@\"\n");
    QFile::setPermissions(encoder, QFile::permissions(encoder) | QFileDevice::ExeOwner);
    const Snapshot before = snapshot(sources);

    const CliRun listed = cli({"dvd", disc});
    EXPECT_EQ(listed.exitCode, 0) << listed.all().toStdString();
    EXPECT_EQ(listed.out, intact.out);
    EXPECT_EQ(QString::fromUtf8(readFile(arguments)),
              QStringLiteral("--describe-disc %1/VIDEO_TS 1 %2\n")
                  .arg(disc, videoTs(QStringLiteral("VTS_01_0.IFO"))));

    ASSERT_TRUE(QFile::remove(encoder));
    const CliRun missing = cli({"dvd", disc});
    EXPECT_EQ(missing.exitCode, 1) << missing.all().toStdString();
    EXPECT_TRUE(missing.err.contains(
        QStringLiteral("Cannot start the encoder %1 to read the disc %2/VIDEO_TS: No such file "
                       "or directory")
            .arg(encoder, disc)))
        << missing.err.toStdString();
    EXPECT_FALSE(missing.out.contains(QStringLiteral("Title_"))) << missing.out.toStdString();
    EXPECT_TRUE(kept(before, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// A disc folder with its VOB files but no IFO file: nothing to convert from.
TEST_F(DvdFaults, DiscFolderWithoutIfoIsNoDisc)
{
    for (const QString& name : QDir(disc + QStringLiteral("/VIDEO_TS"))
                                   .entryList({QStringLiteral("*.IFO"), QStringLiteral("*.BUP")}))
        ASSERT_TRUE(QFile::remove(videoTs(name)));
    const Snapshot before = snapshot(sources);

    const CliRun run = cli(convertFirstTitle(disc));
    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Can't find DVD disc."))) << run.err.toStdString();
    EXPECT_TRUE(snapshot(outputs).empty());
    EXPECT_TRUE(kept(before, snapshot(sources)));
}

// The disc goes while its first title converts (register.dat, which has the
// title open, is held still meanwhile). The folder deleted: the files it holds
// open are still there to read, and the title converts whole. The files'
// contents gone as well, as a disc pulled from its drive reads nothing: the
// job fails saying which sector could not be read, leaves no partial output,
// and no encoder runs on.
TEST_F(DvdFaults, DiscGoneDuringAConversion)
{
    for (const bool contentsGone : {false, true}) {
        SCOPED_TRACE(contentsGone ? "contents gone" : "folder deleted");
        if (contentsGone)
            copyDisc();
        QProcess process;
        startCli(process, convertFirstTitle(disc));
        // Held still once its ffmpeg runs, which has then been fed the
        // title's first sectors only.
        qint64 encoder = -1;
        ASSERT_GT(waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("Title_01")}, 60000), 0);
        for (const qint64 pid : processesMentioning(work.path()))
            if (holdsOpen(pid, QStringLiteral("/VTS_01_1.VOB")) &&
                readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains("register.dat"))
                encoder = pid;
        ASSERT_GT(encoder, 0) << "no register.dat holds the title open";
        ::kill(static_cast<pid_t>(encoder), SIGSTOP);
        if (contentsGone)
            for (const QString& name :
                 QDir(disc + QStringLiteral("/VIDEO_TS")).entryList(QDir::Files))
                QFile(videoTs(name)).resize(0);
        QDir(disc).removeRecursively();
        ::kill(static_cast<pid_t>(encoder), SIGCONT);
        ASSERT_TRUE(process.waitForFinished(120000));

        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (!contentsGone) {
            EXPECT_EQ(process.exitCode(), 0) << out.toStdString();
            const transcast::ProbeResult done = transcast::testclips::readLikeTheApp(
                transcast::testclips::runRegister({"-i", outputs + QStringLiteral("/Title_01.mp4")})
                    .output);
            EXPECT_EQ(transcast::durationClock(done.durationMs), QStringLiteral("00:00:12"));
            QDir(outputs).removeRecursively();
            continue;
        }
        EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Title_01: Failed: register.dat: cannot read "
                                                "sector ")))
            << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("device name"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("0 finished, 1 failed"))) << out.toStdString();
        EXPECT_TRUE(snapshot(outputs).empty());
        EXPECT_TRUE(nothingLeftRunning());
    }
}

} // namespace
} // namespace faults
