// A window that dies (a kill, a crash, a power cut) takes nothing of its job
// list along: the next start offers the unfinished jobs again, and they
// convert. A window that closed, or whose list was emptied, offers nothing.
#include <csignal>
#include <map>
#include <utility>

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>

#include "control/jobstatustext.h"
#include "sources/dvdtitles.h"
#include "sources/joblistfile.h"
#include "sources/sourcelist.h"
#include "faultfixture.h"
#include "support/testdiscs.h"
#include "support/discreading.h"
#include "support/finishadd.h"

namespace faults
{
namespace
{

using transcast::Interaction;
using transcast::JobList;
using transcast::JobListFile;
using transcast::JobRow;
using transcast::JobStatus;
using transcast::MainWindow;

class ListFaults : public FaultFixture
{
protected:
    // The folder the real programs keep their settings in (XDG_CONFIG_HOME).
    QString userConfig() const { return home + QStringLiteral("/.config/transcast"); }
    static QString listIn(const QString& folder, const QString& title = QStringLiteral("transcast"))
    {
        return folder + '/' + title + QStringLiteral("-joblist.json");
    }

    // The rows the list file holds now; none without a readable file.
    static QVector<JobRow> keptRows(const QString& list)
    {
        const auto contents = JobListFile::decode(readFile(list));
        return contents ? contents->rows : QVector<JobRow>();
    }

    // The real program, offscreen, as a user starts it.
    void startProgram(QProcess& program, const QString& name, const QStringList& arguments) const
    {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(binDir() + '/' + name, arguments);
    }

    // Lets the window finish starting (the offer to restore comes then).
    // The start's own steps, and the add that lists a kept list again.
    static void started(MainWindow& window)
    {
        QCoreApplication::processEvents();
        transcast::testing::finishAdd(window.controller().sources());
        transcast::testing::finishReading(window.controller().dvd());
    }

    // The window goes without a close, as a crash takes it: what is on disk
    // is what it had written.
    static void die(std::unique_ptr<MainWindow>& window) { window.reset(); }

    QStringList restoreQuestions() const
    {
        return interaction.questions.filter(QStringLiteral("did not close normally"));
    }

    static QStringList statuses(const JobList& jobs)
    {
        QStringList texts;
        for (int row = 0; row < jobs.rowCount(); ++row)
            texts << transcast::jobStatusText(jobs.row(row));
        return texts;
    }

    bool convertAll(MainWindow& window)
    {
        transcast::Controller& core = window.controller();
        if (!core.profile().selectProfile(122))
            return false;
        window.dispatch(QStringLiteral("converter"));
        return waitUntil([&] {
            QTest::qWait(20);
            return !core.busy().isConverting();
        });
    }

    // A copy of the authored disc, which a case may take title sets from.
    QString copyOfDisc()
    {
        const auto& discs = transcast::testdiscs::testDiscs();
        EXPECT_TRUE(discs.ok) << discs.error;
        const QString disc = sources + QStringLiteral("/disc");
        const QString from = QString::fromStdString(discs.videoTs());
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        for (const QString& name : QDir(from).entryList(QDir::Files))
            EXPECT_TRUE(QFile::copy(from + '/' + name, disc + QStringLiteral("/VIDEO_TS/") + name));
        return disc;
    }
};

// Both editions, killed with SIGKILL holding their lists (files in one,
// a disc's titles in the other), come back with them on the next start and
// convert them.
TEST_F(ListFaults, KilledWindowsComeBackWithTheirListsAndConvert)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString second = clip(QStringLiteral("second.avi"));
    const QString disc = copyOfDisc();
    const Snapshot library = snapshot(sources);

    struct Killed {
        QString program;
        QStringList arguments;
        QVector<JobRow> rows;
    };
    Killed editions[] = {{QStringLiteral("transcast"), {first, second}, {}},
                         {QStringLiteral("transcast-dvd"), {disc}, {}}};
    for (Killed& killed : editions) {
        QProcess program;
        startProgram(program, killed.program, killed.arguments);
        const QString list = listIn(userConfig(), killed.program);
        ASSERT_TRUE(waitUntil([&] { return !keptRows(list).isEmpty(); }))
            << killed.program.toStdString() << " never kept its list";
        ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        ASSERT_TRUE(program.waitForFinished(10000));
        killed.rows = keptRows(list);
    }
    ASSERT_EQ(editions[0].rows.size(), 2);
    ASSERT_EQ(editions[1].rows.size(), 4) << "Title_01 to Title_04";

    for (const Killed& killed : editions) {
        SCOPED_TRACE(killed.program.toStdString());
        interaction.questions.clear();
        interaction.defaultAnswers.clear();
        auto window = openWindow(userConfig(), killed.program);
        started(*window);
        transcast::Controller& core = window->controller();
        ASSERT_EQ(interaction.questions,
                  QStringList{core.restoreQuestion(static_cast<int>(killed.rows.size()))});
        EXPECT_EQ(interaction.defaultAnswers.front(), Interaction::DefaultAnswer::Yes);
        const JobList& jobs = core.jobs();
        ASSERT_EQ(jobs.rowCount(), killed.rows.size());
        for (int row = 0; row < jobs.rowCount(); ++row) {
            EXPECT_EQ(jobs.row(row).caption, killed.rows.at(row).caption);
            EXPECT_EQ(jobs.row(row).source.filePath, killed.rows.at(row).source.filePath);
            EXPECT_EQ(jobs.row(row).dvd.ifoPath, killed.rows.at(row).dvd.ifoPath);
            EXPECT_EQ(jobs.row(row).checked, killed.rows.at(row).checked);
        }
        if (core.edition().isDvdMode()) {
            // The short 4 s title alone, to keep the case short.
            for (int row = 0; row < jobs.rowCount(); ++row)
                core.jobs().setChecked(row, jobs.row(row).caption == QLatin1String("Title_02"));
        }
        ASSERT_TRUE(convertAll(*window));
        EXPECT_EQ(statuses(jobs).count(QStringLiteral("Finish")),
                  core.edition().isDvdMode() ? 1 : 2)
            << statuses(jobs).join(' ').toStdString();
        EXPECT_TRUE(window->close());
        EXPECT_FALSE(QFile::exists(listIn(userConfig(), killed.program)));
    }
    EXPECT_EQ(secondsIn(outputs + QStringLiteral("/first.mp4")), 1);
    EXPECT_EQ(secondsIn(outputs + QStringLiteral("/second.mp4")), 1);
    EXPECT_EQ(secondsIn(outputs + QStringLiteral("/Title_02.mp4")), 4);
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// The row converting when the window was killed comes back ready to convert
// and writes a new file beside its partial output; the finished row does
// not come back.
TEST_F(ListFaults, RowConvertingAtTheKillComesBackReadyAndOverwritesNothing)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 10);
    writeFile(config + QStringLiteral("/transcast.ini"),
              "[profiles]\r\nselcetsubindex=122\r\n[output]\r\npath=" + outputs.toUtf8() + "/\r\n");
    const Snapshot library = snapshot(sources);

    QProcess batch;
    startWindow(batch, {first, longer});
    const auto converting = [&] {
        const QVector<JobRow> rows = keptRows(listIn(config));
        return rows.size() == 2 && rows.at(1).status == JobStatus::Converting &&
               QFileInfo(outputs + QStringLiteral("/long.mp4")).size() > 0;
    };
    ASSERT_TRUE(waitUntil(converting)) << "the window never started converting the second file";
    ::kill(static_cast<pid_t>(batch.processId()), SIGKILL);
    ASSERT_TRUE(batch.waitForFinished(10000));
    ASSERT_TRUE(nothingLeftRunning());
    const Snapshot written = snapshot(outputs);

    auto window = openWindow(config);
    started(*window);
    const JobList& jobs = window->controller().jobs();
    ASSERT_EQ(restoreQuestions(), QStringList{window->controller().restoreQuestion(1)});
    ASSERT_EQ(jobs.rowCount(), 1);
    EXPECT_EQ(jobs.row(0).source.filePath, longer);
    EXPECT_EQ(transcast::jobStatusText(jobs.row(0)), QStringLiteral("Status"));
    ASSERT_TRUE(convertAll(*window));
    EXPECT_EQ(statuses(jobs), QStringList{"Finish"});
    EXPECT_EQ(secondsIn(outputs + QStringLiteral("/long_1.mp4")), 10);
    EXPECT_TRUE(kept(written, snapshot(outputs)));
    window.reset();
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// Only a window that died is asked about: not after a close, not after its
// list was emptied, not while another window of the edition runs, not over a
// file it cannot read. No forgets the list; Yes lists the unfinished rows as
// they were, and names the files gone since instead of listing them.
TEST_F(ListFaults, OnlyTheUnfinishedJobsOfAWindowThatDiedAreOffered)
{
    const QString a = clip(QStringLiteral("a.avi"));
    const QString b = clip(QStringLiteral("b.avi"));
    const QString c = clip(QStringLiteral("c.avi"));
    const QString d = clip(QStringLiteral("d.avi"));
    const QString list = listIn(config);

    auto window = openWindow(config);
    started(*window);
    window->controller().sources().addChosenFiles({a, b});
    transcast::testing::finishAdd(window->controller().sources());
    window->controller().jobListKeeper().flush();
    ASSERT_EQ(keptRows(list).size(), 2);
    {
        // A second window of the edition keeps nothing and asks nothing.
        auto second = openWindow(config);
        started(*window);
        EXPECT_FALSE(second->controller().jobListKeeper().isKeeping());
        EXPECT_TRUE(second->close());
    }
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(QFile::exists(list)) << "a close leaves a list behind";

    window = openWindow(config);
    started(*window);
    window->controller().sources().addChosenFiles({a, b});
    transcast::testing::finishAdd(window->controller().sources());
    window->controller().sources().clear();
    die(window);
    EXPECT_FALSE(QFile::exists(list)) << "an emptied list leaves a list behind";

    writeFile(list, "{\"format\": \"transcast job list\", \"version\": 1, \"rows\": [{\"kind\"");
    window = openWindow(config);
    started(*window);
    EXPECT_TRUE(restoreQuestions().isEmpty());
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);

    // No: nothing is listed, and the list is not offered again.
    window->controller().sources().addChosenFiles({a});
    transcast::testing::finishAdd(window->controller().sources());
    die(window);
    interaction.answers = {false};
    window = openWindow(config);
    started(*window);
    EXPECT_EQ(restoreQuestions().size(), 1);
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);
    EXPECT_FALSE(QFile::exists(list));
    die(window);
    window = openWindow(config);
    started(*window);
    EXPECT_EQ(restoreQuestions().size(), 1);

    // Yes: the unfinished rows as they were, the finished one left out, the
    // file gone since named.
    JobList& jobs = window->controller().jobs();
    window->controller().sources().addChosenFiles({a, b, c, d});
    transcast::testing::finishAdd(window->controller().sources());
    jobs.setStatus(0, JobStatus::Failed);
    jobs.setJobReport(0, QStringLiteral("No space left on device"), {});
    jobs.setStatus(2, JobStatus::Stopped);
    jobs.setStatus(3, JobStatus::Finished);
    die(window);
    ASSERT_TRUE(QFile::remove(b));
    interaction.informations.clear();
    window = openWindow(config);
    started(*window);
    const JobList& restored = window->controller().jobs();
    EXPECT_EQ(restoreQuestions().last(), window->controller().restoreQuestion(3));
    ASSERT_EQ(restored.rowCount(), 2);
    EXPECT_EQ(restored.row(0).source.filePath, a);
    EXPECT_EQ(restored.row(1).source.filePath, c);
    EXPECT_EQ(statuses(restored), (QStringList{"Failed", "Stop"}));
    EXPECT_EQ(restored.row(0).failureReason, QStringLiteral("No space left on device"));
    EXPECT_EQ(restored.row(0).source.durationText(), QStringLiteral("00:00:01"));
    ASSERT_EQ(interaction.informations.size(), 1);
    EXPECT_TRUE(interaction.informations.first().contains(b + QStringLiteral(": ") +
                                                          transcast::SourceList::goneReason()))
        << interaction.informations.first().toStdString();
    // What was listed again is kept again.
    window->controller().jobListKeeper().flush();
    EXPECT_EQ(keptRows(list).size(), 2);
    EXPECT_TRUE(nothingLeftRunning());
}

// A kept list that cannot be read, whatever its damage, is said in a
// warning naming it and where it was put aside: beside itself, byte for
// byte, under a name no earlier copy has, and never removed. The window
// starts empty and keeps its own list as usual.
TEST_F(ListFaults, AnUnreadableListIsSaidAndPutAsideNeverRemoved)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString list = listIn(config);
    const QByteArray head = R"({"format":"transcast job list","version":1,)";
    const QByteArray row = R"({"kind":"file","caption":"clip","path":")" + source.toUtf8() + '"';
    const QByteArray whole = head + R"("rows":[)" + row + R"(,"status":"listed"}]})";
    const QByteArray deep = QByteArray(1000, '[') + QByteArray(1000, ']');
    static const char kJunk[] = "\x00\xff\x13PK\x03\x04 binary"; // NULs inside
    const std::pair<const char*, QByteArray> damages[] = {
        {"cut short", whole.left(whole.size() - 4)},
        {"empty", ""},
        {"junk", QByteArray(kJunk, sizeof kJunk - 1)},
        {"another shape", "[1, 2, 3]"},
        {"version as text", R"({"format":"transcast job list","version":"1","rows":[]})"},
        {"rows as text", head + R"("rows":"clip.avi"})"},
        {"a row as a number", head + R"("rows":[5]})"},
        {"a tick as text", head + R"("rows":[)" + row + R"(,"status":"listed","checked":"yes"}]})"},
        {"nested past the parser", QByteArray(200000, '[')},
        {"nested in a known key", head + R"("titleSets":)" + deep + R"(,"rows":[]})"},
    };
    static const QRegularExpression text(QStringLiteral(
        R"re(^The job list kept from the last run, "(.+)", could not be read; it was put aside as "(.+)"\.$)re"));
    std::map<QString, QByteArray> asides;
    for (const auto& [damage, content] : damages) {
        SCOPED_TRACE(damage);
        writeFile(list, content);
        interaction.warnings.clear();
        auto window = openWindow(config);
        started(*window);
        ASSERT_EQ(interaction.warnings.size(), 1);
        const QRegularExpressionMatch said = text.match(interaction.warnings.first());
        ASSERT_TRUE(said.hasMatch()) << interaction.warnings.first().toStdString();
        EXPECT_EQ(said.captured(1), list);
        const QString aside = said.captured(2);
        EXPECT_EQ(QFileInfo(aside).absolutePath(), config);
        EXPECT_EQ(asides.count(aside), 0u) << "an earlier copy's name";
        asides[aside] = content;
        EXPECT_TRUE(restoreQuestions().isEmpty());
        EXPECT_EQ(window->controller().jobs().rowCount(), 0);
        window->controller().sources().addChosenFiles({source});
        transcast::testing::finishAdd(window->controller().sources());
        window->controller().jobListKeeper().flush();
        EXPECT_EQ(keptRows(list).size(), 1);
        EXPECT_TRUE(window->close());
        EXPECT_FALSE(QFile::exists(list));
    }
    for (const auto& [aside, content] : asides)
        EXPECT_EQ(readFile(aside), content) << aside.toStdString();
    EXPECT_TRUE(nothingLeftRunning());
}

// DVD rows come back in the mode they were listed in, with their title set,
// sectors, ticks and tracks; a removed or finished row stays away, and the
// rows of a title set gone since are named instead of listed.
TEST_F(ListFaults, DvdRowsComeBackWithTheirSectorsTicksAndTracks)
{
    const QString disc = copyOfDisc();
    auto window = openWindow(config, QStringLiteral("transcast-dvd"));
    started(*window);
    transcast::Controller& core = window->controller();
    JobList& jobs = core.jobs();
    ASSERT_TRUE(
        transcast::testing::readDisc(core.dvd(), [&] { return core.dvd().openDisc(disc); }));
    transcast::testing::readDisc(core.dvd(), [&] {
        core.dvd().switchMode();
        return core.dvd().isReading();
    });
    ASSERT_FALSE(core.dvd().isTitleMode());
    ASSERT_GT(jobs.rowCount(), 6);
    // The second chapter of the first title: German sound, English
    // subtitles; the first title's row unticked; the third chapter removed;
    // the last row finished.
    jobs.clearSelection();
    jobs.setSelected(2, true);
    core.dvd().rowClicked();
    core.dvd().chooseAudio(1);
    core.dvd().chooseSubtitle(1);
    jobs.setChecked(0, false);
    jobs.clearSelection();
    jobs.setSelected(3, true);
    core.sources().removeSelected();
    jobs.setStatus(jobs.rowCount() - 1, JobStatus::Finished);
    QVector<JobRow> expected;
    for (int row = 0; row < jobs.rowCount() - 1; ++row) {
        if (!jobs.row(row).dvd.ifoPath.endsWith(QLatin1String("VTS_03_0.IFO")))
            expected << jobs.row(row);
    }
    ASSERT_EQ(expected.at(2).dvd.audioId, 0x81);
    die(window);
    const QString gone = disc + QStringLiteral("/VIDEO_TS/VTS_03_0.IFO");
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(QFile::remove(disc + QStringLiteral("/VIDEO_TS/VTS_03_0.BUP")));

    window = openWindow(config, QStringLiteral("transcast-dvd"));
    started(*window);
    ASSERT_EQ(restoreQuestions().size(), 1);
    const JobList& restored = window->controller().jobs();
    EXPECT_FALSE(window->controller().dvd().isTitleMode());
    ASSERT_EQ(restored.rowCount(), expected.size());
    for (int row = 0; row < restored.rowCount(); ++row) {
        const JobRow& now = restored.row(row);
        const JobRow& was = expected.at(row);
        SCOPED_TRACE(was.caption.toStdString());
        EXPECT_EQ(now.caption, was.caption);
        EXPECT_EQ(now.dvd.ifoPath, was.dvd.ifoPath);
        EXPECT_EQ(now.dvd.startSector, was.dvd.startSector);
        EXPECT_EQ(now.dvd.endSector, was.dvd.endSector);
        EXPECT_EQ(now.dvd.lengthMilliseconds, was.dvd.lengthMilliseconds);
        EXPECT_EQ(now.checked, was.checked);
        EXPECT_EQ(now.dvd.audioId, was.dvd.audioId);
        EXPECT_EQ(now.dvd.subtitleId, was.dvd.subtitleId);
        EXPECT_EQ(now.dvd.audioChoice, was.dvd.audioChoice);
        EXPECT_EQ(now.dvd.subtitleChoice, was.dvd.subtitleChoice);
        EXPECT_EQ(now.status, JobStatus::Listed);
    }
    ASSERT_EQ(interaction.informations.size(), 1);
    EXPECT_TRUE(interaction.informations.first().contains(gone + QStringLiteral(": ") +
                                                          transcast::SourceList::goneReason()))
        << interaction.informations.first().toStdString();

    // With the whole disc gone nothing is listed, and nothing is offered at
    // the start after.
    die(window);
    ASSERT_TRUE(QDir(disc).removeRecursively());
    window = openWindow(config, QStringLiteral("transcast-dvd"));
    started(*window);
    EXPECT_EQ(restoreQuestions().size(), 2);
    EXPECT_EQ(window->controller().jobs().rowCount(), 0);
    EXPECT_EQ(interaction.informations.size(), 2);
    die(window);
    window = openWindow(config, QStringLiteral("transcast-dvd"));
    started(*window);
    EXPECT_EQ(restoreQuestions().size(), 2);
}

} // namespace
} // namespace faults
