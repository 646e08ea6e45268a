// Settings files shared by several writers at once, left locked by a killed
// writer, or that cannot be written at all.
#include <csignal>

#include "common/inifile.h"
#include "faultfixture.h"
#include "support/finishadd.h"

namespace faults
{
namespace
{

class SettingsFaults : public FaultFixture
{
};

// Writers of one settings file at once: nine transcast-cli runs, each
// recording its profile, and nine other writers of a section each, after a
// writer was killed while it held the lock, and another one after making
// its lock file but before writing who it is. Every change is kept.
TEST_F(SettingsFaults, WritersAtOnceKeepEveryChangeAndAStaleLockDoesNotBlock)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const Snapshot library = snapshot(sources);
    const QString perProfile = config + QStringLiteral("/pro transcast-cli.ini");
    const QString lock = perProfile + QStringLiteral(".lock");
    const QString writerProgram = QStringLiteral(TRANSCAST_BIN_DIR "/../tests/ini_writer");

    QProcess killed;
    killed.start(writerProgram, {perProfile});
    ASSERT_TRUE(killed.waitForReadyRead(10000));
    // Frozen while it holds the lock, then killed.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        ::kill(static_cast<pid_t>(killed.processId()), SIGSTOP);
        if (QFile::exists(lock))
            break;
        ::kill(static_cast<pid_t>(killed.processId()), SIGCONT);
        QThread::msleep(1);
    }
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    killed.waitForFinished(5000);
    ASSERT_TRUE(QFile::exists(lock)) << "the writer never held its lock";
    const QString mainLock = config + QStringLiteral("/transcast-cli.ini.lock");
    writeFile(mainLock, QByteArray());

    const QList<int> profiles{2, 17, 27, 53, 69, 102, 110, 118, 122};
    constexpr int kWrites = 60;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < profiles.size(); ++i) {
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(writerProgram, {perProfile, QStringLiteral("writer%1").arg(i),
                                           QString::number(kWrites)});
        runs.push_back(std::make_unique<QProcess>());
        startCli(*runs.back(), {"probe", "--config", config, "--profile",
                                QString::number(profiles.at(i)), source});
    }
    for (const auto& run : runs) {
        ASSERT_TRUE(run->waitForFinished(60000));
        EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardError().toStdString();
    }
    const transcast::IniFile remembered(perProfile);
    for (int i = 0; i < profiles.size(); ++i)
        EXPECT_EQ(
            remembered.readInteger(QStringLiteral("writer%1").arg(i), QStringLiteral("value"), 0),
            kWrites)
            << i << ":\n"
            << readFile(perProfile).toStdString();
    // The runs wrote back the recorded profile's choices as they read them.
    EXPECT_FALSE(remembered.readString(QStringLiteral("1"), QStringLiteral("Channel")).isEmpty())
        << readFile(perProfile).toStdString();
    const int last =
        transcast::IniFile(config + QStringLiteral("/transcast-cli.ini"))
            .readInteger(QStringLiteral("profiles"), QStringLiteral("selcetsubindex"), 0);
    EXPECT_TRUE(profiles.contains(last)) << last;
    EXPECT_FALSE(QFile::exists(lock));
    EXPECT_FALSE(QFile::exists(mainLock));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// Each run with --profile writes back the choices of the profile recorded
// before it: nine runs at once leave the same sections as nine runs one
// after the other, whatever order they take.
TEST_F(SettingsFaults, RunsAtOnceWriteBackWhatRunsOneAfterTheOtherDo)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const auto sections = [](const QString& folder) {
        QStringList found;
        for (const QByteArray& line :
             readFile(folder + QStringLiteral("/pro transcast-cli.ini")).split('\n')) {
            if (line.startsWith('['))
                found << QString::fromUtf8(line.trimmed());
        }
        found.sort();
        return found;
    };
    const QString inTurn = work.filePath(QStringLiteral("in-turn"));
    for (int profile = 2; profile <= 10; ++profile) {
        const CliRun run =
            cli({"probe", "--config", inTurn, "--profile", QString::number(profile), source});
        ASSERT_EQ(run.exitCode, 0) << run.all().toStdString();
    }
    ASSERT_EQ(sections(inTurn).size(), 9) << sections(inTurn).join(' ').toStdString();

    std::vector<std::unique_ptr<QProcess>> runs;
    for (int profile = 2; profile <= 10; ++profile) {
        runs.push_back(std::make_unique<QProcess>());
        startCli(*runs.back(),
                 {"probe", "--config", config, "--profile", QString::number(profile), source});
    }
    for (const auto& run : runs) {
        ASSERT_TRUE(run->waitForFinished(60000));
        EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardError().toStdString();
    }
    // The sections differ only in which profile was recorded last.
    const int last =
        transcast::IniFile(config + QStringLiteral("/transcast-cli.ini"))
            .readInteger(QStringLiteral("profiles"), QStringLiteral("selcetsubindex"), 0);
    QStringList expected = sections(inTurn) << QStringLiteral("[10]");
    expected.removeDuplicates();
    expected.removeOne(QStringLiteral("[%1]").arg(last));
    expected.sort();
    EXPECT_EQ(sections(config).join(' ').toStdString(), expected.join(' ').toStdString());
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("/pro transcast-cli.ini.lock")));
    EXPECT_TRUE(nothingLeftRunning());
}

// A read-only settings file (the CLI) or a file where the settings folder
// should be (the window): said once, in words, and the program goes on.
TEST_F(SettingsFaults, SettingsThatCannotBeSavedAreSaidOnce)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const Snapshot library = snapshot(sources);
    const QString settings = config + QStringLiteral("/transcast-cli.ini");
    const QByteArray recorded = "[profiles]\r\nselcetsubindex=122\r\n";
    writeFile(settings, recorded);
    QFile::setPermissions(settings,
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(config, QFile::permissions(config) | QFileDevice::WriteOther |
                                      QFileDevice::ExeOther | QFileDevice::ReadOther);
    const CliRun run = cli({"probe", "--config", config, "--profile", "2", source}, true);
    EXPECT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("cannot be saved")), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(settings) && run.err.contains(QStringLiteral("Permission denied")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("profile 2 "))) << run.out.toStdString();
    EXPECT_EQ(readFile(settings), recorded);

    const QString inTheWay = work.filePath(QStringLiteral("in-the-way"));
    writeFile(inTheWay, "not a folder");
    auto window = openWindow(inTheWay);
    ASSERT_TRUE(window->firstShowCompleted());
    ASSERT_EQ(interaction.warnings.size(), 1) << interaction.warnings.join('\n').toStdString();
    EXPECT_TRUE(interaction.warnings.first().contains(QStringLiteral("Not a directory")));
    // The defaults, and a window that works: a file lists and converts.
    EXPECT_EQ(window->controller().profile().selectedProfile(), 1);
    window->controller().sources().addChosenFiles({source});
    transcast::testing::finishAdd(window->controller().sources());
    EXPECT_EQ(window->controller().jobs().rowCount(), 1);
    EXPECT_TRUE(window->close());
    window.reset();
    EXPECT_EQ(interaction.warnings.size(), 1);
    EXPECT_EQ(readFile(inTheWay), QByteArray("not a folder"));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

} // namespace
} // namespace faults
