// Faults of the files around a conversion: sources that cannot be read,
// output folders that cannot be used, names already taken, settings files
// that are garbage, and file names a shell would trip over.
#include <sys/stat.h>

#include "faultfixture.h"
#include "support/finishadd.h"

namespace faults
{
namespace
{

class FileFaults : public FaultFixture
{
protected:
    QStringList convert(const QString& folder, const QStringList& files) const
    {
        return QStringList{"convert", "--profile", "122", "--output", folder} + files;
    }
};

TEST_F(FileFaults, UnreadableSourceIsSkippedWithItsReasonAndTheRestConverts)
{
    const QString locked = clip(QStringLiteral("locked.avi"));
    const QString open = clip(QStringLiteral("open.avi"));
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    QFile::setPermissions(open, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QFile::setPermissions(outputs, QFile::permissions(outputs) | QFileDevice::WriteOther);
    const Snapshot library = snapshot(sources);

    const CliRun run = cli(convert(outputs, {locked, open}), true);
    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_TRUE(run.err.contains(locked) && run.err.contains(QStringLiteral("Permission denied")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("1 finished, 0 failed, 1 skipped")))
        << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/open.mp4")));
    EXPECT_FALSE(QFile::exists(outputs + QStringLiteral("/locked.mp4")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(FileFaults, MissingOutputFolderIsMade)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString folder = work.filePath(QStringLiteral("new/deeper"));
    const CliRun run = cli(convert(folder, {source}));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/clip.mp4")));
}

TEST_F(FileFaults, OutputFolderThatCannotBeMadeFailsWithTheReason)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    writeFile(work.filePath(QStringLiteral("a-file")), "in the way");
    const Snapshot library = snapshot(sources);
    const CliRun run = cli(convert(work.filePath(QStringLiteral("a-file/sub")), {source}));
    EXPECT_NE(run.exitCode, 0) << run.all().toStdString();
    EXPECT_TRUE(run.all().contains(QStringLiteral("Not a directory"))) << run.all().toStdString();
    EXPECT_EQ(readFile(work.filePath(QStringLiteral("a-file"))), QByteArray("in the way"));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(FileFaults, ReadOnlyOutputFolderFailsWithTheReason)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    QFile::setPermissions(source, QFile::permissions(source) | QFileDevice::ReadOther);
    writeFile(outputs + QStringLiteral("/earlier.mp4"), "an earlier output");
    QFile::setPermissions(outputs, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadOther | QFileDevice::ExeOther);
    const Snapshot earlier = snapshot(outputs);

    const CliRun run = cli(convert(outputs, {source}), true);
    QFile::setPermissions(outputs, QFile::permissions(outputs) | QFileDevice::WriteOwner);
    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_TRUE(run.all().contains(QStringLiteral("Permission denied"))) << run.all().toStdString();
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    EXPECT_EQ(snapshot(outputs).size(), earlier.size());
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(FileFaults, FullFileSystemFailsTheJob)
{
    const QString source = clip(QStringLiteral("long.avi"), 20);
    std::string why;
    if (!mountSmallDisk(outputs, "100k", why))
        GTEST_SKIP() << why;
    writeFile(outputs + QStringLiteral("/earlier.mp4"), QByteArray(20000, 'e'));
    const Snapshot library = snapshot(sources), earlier = snapshot(outputs);

    const CliRun run = cli(convert(outputs, {source}));
    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("0 finished, 1 failed"))) << run.out.toStdString();
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    // The failed job's partial file is gone; nothing looks finished.
    EXPECT_EQ(snapshot(outputs).size(), earlier.size());
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(FileFaults, TakenOutputNameIsNeverOverwritten)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    writeFile(outputs + QStringLiteral("/clip.mp4"), "somebody's file");
    const Snapshot earlier = snapshot(outputs);
    const CliRun run = cli(convert(outputs, {source}));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/clip_1.mp4")));
}

// Conversions at once into one folder (the CLI run side by side, as the
// README's recipe runs it): each job takes the next free name as it starts,
// so every job keeps an output of its own, somebody's file stays as it was,
// and no empty file is left.
TEST_F(FileFaults, ConversionsAtOnceIntoOneFolderKeepEveryOutput)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    writeFile(outputs + QStringLiteral("/clip.mp4"), "somebody's file");
    const Snapshot earlier = snapshot(outputs);
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 3; ++i) {
        runs.push_back(std::make_unique<QProcess>());
        startCli(*runs.back(), convert(outputs, {source}));
    }
    for (const auto& run : runs) {
        ASSERT_TRUE(run->waitForFinished(120000));
        EXPECT_EQ(run->exitCode(), 0) << run->readAll().toStdString();
    }
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    EXPECT_EQ(QDir(outputs).entryList(QDir::Files | QDir::Hidden),
              QStringList({"clip.mp4", "clip_1.mp4", "clip_2.mp4", "clip_3.mp4"}));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(secondsIn(outputs + QStringLiteral("/clip_%1.mp4").arg(n)), 1) << n;
    EXPECT_TRUE(nothingLeftRunning());
}

// A source named as long as the file system allows, whose output needs
// "_1": the output's name is cut at a character's end to fit.
TEST_F(FileFaults, LongestSourceNameConvertsUnderAShortenedName)
{
    // 250 bytes of two-byte characters, one more and ".avi": 255 bytes.
    const QString stem = QString(125, QChar(0x00FC)) + QLatin1Char('x');
    const QString source = clip(stem + QStringLiteral(".avi"));
    ASSERT_TRUE(QFile::exists(source));
    writeFile(outputs + QLatin1Char('/') + stem + QStringLiteral(".mp4"), "somebody's file");
    const Snapshot earlier = snapshot(outputs);
    const CliRun run = cli(convert(outputs, {source}));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    const QString shortened = QString(124, QChar(0x00FC)) + QStringLiteral("_1.mp4");
    EXPECT_EQ(secondsIn(outputs + QLatin1Char('/') + shortened), 1) << run.all().toStdString();
}

// Settings files the program did not write: it starts, uses its defaults
// where a value makes no sense, and converts.
TEST_F(FileFaults, GarbageHugeOrWronglyTypedSettingsStillConvert)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString settings = config + QStringLiteral("/transcast-cli.ini");
    const QString perProfile = config + QStringLiteral("/pro transcast-cli.ini");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(static_cast<char>((i * 7919 + 13) % 256));
    QByteArray huge;
    for (int i = 0; i < 200000; ++i)
        huge.append("[section" + QByteArray::number(i % 97) + "]\nkey" + QByteArray::number(i) +
                    "=" + QByteArray(40, 'v') + "\n");
    const QByteArray wronglyTyped = "[profiles]\nselcetindex=many\nselcetsubindex=-99999999999\n"
                                    "BisSingle=perhaps\nFinishSelcet=3.5\n"
                                    "[output]\npath=\n[122]\nsize=banana\nvideo=-1\naudio=1e9\n";

    for (const QByteArray& content : {garbage, huge, wronglyTyped}) {
        writeFile(settings, content);
        writeFile(perProfile, content);
        QDir(outputs).removeRecursively();
        const CliRun run = cli(QStringList{"convert", "--config", config, "--profile", "122",
                                           "--output", outputs, source});
        EXPECT_EQ(run.exitCode, 0) << content.left(60).toStdString() << "\n"
                                   << run.all().toStdString();
        EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/clip.mp4")));
    }
    EXPECT_TRUE(nothingLeftRunning());
}

// profiles.pop emptied, cut short inside a profile's lines, or overwritten
// with garbage: the profile is named and cannot be chosen (nothing converts
// with another profile's options or none), the file and the settings stay as
// they were, and a profile whose lines are whole still converts.
TEST_F(FileFaults, DamagedProfilesPopNamesTheProfileThatCannotBeChosen)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString program = programFolder({"transcast-cli", "register.dat"});
    const QString definitions = program + QStringLiteral("/profiles.pop");
    const QByteArray whole = readFile(binDir() + QStringLiteral("/profiles.pop"));
    const qsizetype header = whole.indexOf("\n#122 ");
    ASSERT_GT(header, 0);
    // Profile 122's name line and the first bytes of its size line.
    const QByteArray truncated = whole.left(whole.indexOf('\n', header + 1) + 12);
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(static_cast<char>((i * 7919 + 13) % 256));
    const QString settings = config + QStringLiteral("/transcast-cli.ini");
    const QByteArray recorded = "[profiles]\r\nselcetsubindex=2\r\n[other]\r\nk=caf\xe9\r\n";
    writeFile(settings, recorded);
    const Snapshot library = snapshot(sources);

    for (const QByteArray& content : {QByteArray(), truncated, garbage}) {
        writeFile(definitions, content);
        const CliRun run =
            cli({"convert", "--config", config, "--profile", "122", "--output", outputs, source});
        EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("Profile 122 cannot be chosen: its lines in \"%1\" are missing or "
                           "incomplete.")
                .arg(definitions)))
            << run.err.toStdString();
        EXPECT_TRUE(snapshot(outputs).empty());
        EXPECT_EQ(readFile(definitions), content);
        EXPECT_EQ(readFile(settings), recorded);
    }

    // The cut-short file still holds profile 2's whole lines.
    writeFile(definitions, truncated);
    const CliRun intact = cli({"convert", "--profile", "2", "--output", outputs, source});
    EXPECT_EQ(intact.exitCode, 0) << intact.all().toStdString();
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/clip.avi")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// Names a shell would run, split or misread: each converts to the output of
// the same name, and nothing in a name is ever executed.
TEST_F(FileFaults, HostileFileNamesConvertAsTheyAre)
{
    const QStringList names{
        QStringLiteral("-starts with a dash.avi"),
        QStringLiteral("new\nline.avi"),
        QStringLiteral("\"double\" and 'single' quotes.avi"),
        QStringLiteral("$(touch PWNED).avi"),
        QStringLiteral("`touch PWNED`.avi"),
        QStringLiteral("semi;colon & amp|pipe.avi"),
        QString(246, QLatin1Char('n')) + QStringLiteral(".avi"), // 250 bytes
    };
    QStringList files;
    for (const QString& name : names)
        files << clip(name);
    const Snapshot library = snapshot(sources);

    const CliRun run = cli(convert(outputs, files));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    for (const QString& name : names) {
        const QString output =
            outputs + QLatin1Char('/') + name.chopped(4) + QStringLiteral(".mp4");
        EXPECT_TRUE(QFile::exists(output)) << output.toStdString();
    }
    EXPECT_EQ(snapshot(outputs).size(), static_cast<size_t>(names.size()));
    EXPECT_FALSE(QFile::exists(work.filePath(QStringLiteral("PWNED"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral(TRANSCAST_BIN_DIR "/PWNED")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// Sources that are not regular files: a FIFO (which would block a reader
// forever), a link to a device, and a folder named like a video; and a name
// that is not UTF-8 in a listed folder. Each is passed over or reported at
// once; the real file converts.
TEST_F(FileFaults, SourcesThatCannotBeConvertedAreReportedAndTheRestConverts)
{
    const QString real = clip(QStringLiteral("real.avi"));
    const QString fifo = sources + QStringLiteral("/fifo.avi");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString device = sources + QStringLiteral("/device.avi");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    QDir().mkpath(sources + QStringLiteral("/folder.avi"));

    QElapsedTimer clock;
    clock.start();
    const CliRun run = cli(convert(outputs, {fifo, device, real}), false, {}, 60000);
    EXPECT_LT(clock.elapsed(), 30000) << "a FIFO or a device held the listing up";
    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("Not a regular file")), 2) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("1 finished, 0 failed, 2 skipped")))
        << run.out.toStdString();

    // The folder as a source lists the library and leaves "folder.avi" out
    // without a word; the name that is not UTF-8 is reported and fails the
    // run, and the file is left as it was.
    QDir(outputs).removeRecursively();
    ::unlink(QFile::encodeName(fifo).constData());
    QFile::remove(device);
    const QByteArray undecodable = QFile::encodeName(sources) + "/caf\xe9.avi";
    ASSERT_EQ(::link(QFile::encodeName(real).constData(), undecodable.constData()), 0);
    const Snapshot library = snapshot(sources);
    const CliRun folder = cli(convert(outputs, {sources}));
    EXPECT_EQ(folder.exitCode, 1) << folder.all().toStdString();
    EXPECT_TRUE(folder.err.contains(QStringLiteral("not valid UTF-8")) &&
                folder.err.contains(QStringLiteral("caf\\xe9.avi")))
        << folder.err.toStdString();
    EXPECT_TRUE(folder.out.contains(QStringLiteral("1 finished, 0 failed")))
        << folder.out.toStdString();
    EXPECT_EQ(QDir(outputs).entryList(QDir::Files), QStringList{"real.mp4"});
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_EQ(::access(undecodable.constData(), F_OK), 0);
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(FileFaults, DanglingLinkAtTheOutputNameCountsAsTaken)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString target = work.filePath(QStringLiteral("elsewhere.mp4"));
    ASSERT_TRUE(QFile::link(target, outputs + QStringLiteral("/clip.mp4")));
    const CliRun run = cli(convert(outputs, {source}));
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_FALSE(QFile::exists(target)) << "ffmpeg wrote through the link";
    EXPECT_TRUE(QFileInfo(outputs + QStringLiteral("/clip.mp4")).isSymLink());
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/clip_1.mp4")));
}

// An output folder that cannot be made or written is found before the
// batch starts: one message, and no job runs.
TEST_F(FileFaults, UnusableOutputFolderIsSaidOnceAndNothingStarts)
{
    QStringList files;
    for (const char* name : {"one.avi", "two.avi", "three.avi"})
        files << clip(QString::fromLatin1(name));
    writeFile(work.filePath(QStringLiteral("a-file")), "in the way");
    QFile::setPermissions(outputs, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadOther | QFileDevice::ExeOther);
    const Snapshot library = snapshot(sources);

    const struct {
        QString folder;
        QString reason;
    } cases[] = {{work.filePath(QStringLiteral("a-file/sub")), QStringLiteral("Not a directory")},
                 {outputs, QStringLiteral("Permission denied")}};
    for (const auto& unusable : cases) {
        const CliRun run = cli(convert(unusable.folder, files), true);
        EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
        EXPECT_EQ(run.all().count(unusable.reason), 1) << run.all().toStdString();
        EXPECT_TRUE(run.err.contains(unusable.folder)) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains(QStringLiteral("[1/3]"))) << run.out.toStdString();
    }
    QFile::setPermissions(outputs, QFile::permissions(outputs) | QFileDevice::WriteOwner);
    EXPECT_TRUE(snapshot(outputs).empty());
    EXPECT_EQ(readFile(work.filePath(QStringLiteral("a-file"))), QByteArray("in the way"));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// Files the window cannot list are named, each with its reason, in one box
// per add, however many there are.
TEST_F(FileFaults, WindowNamesEveryFileAnAddLeftOutInOneBox)
{
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files << clip(QStringLiteral("clip%1.avi").arg(i));
    const QString text = sources + QStringLiteral("/notes.avi");
    const QString empty = sources + QStringLiteral("/empty.avi");
    writeFile(text, "not a video at all");
    writeFile(empty, QByteArray());
    files.insert(3, text);
    files << empty;
    const Snapshot library = snapshot(sources);

    auto window = openWindow(config);
    window->controller().sources().addChosenFiles(files);
    transcast::testing::finishAdd(window->controller().sources());
    EXPECT_EQ(window->controller().jobs().rowCount(), 8);
    ASSERT_EQ(interaction.informations.size(), 1);
    const QString said = interaction.informations.first();
    EXPECT_TRUE(said.contains(text + QStringLiteral(": Invalid data"))) << said.toStdString();
    EXPECT_TRUE(said.contains(empty + QLatin1Char(':'))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("clip"))) << said.toStdString();

    // The next add that leaves a file out has a box of its own.
    window->controller().sources().addChosenFiles({text});
    transcast::testing::finishAdd(window->controller().sources());
    EXPECT_EQ(interaction.informations.size(), 2);
    window.reset();
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

} // namespace
} // namespace faults
