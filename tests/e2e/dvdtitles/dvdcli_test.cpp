// transcast-cli dvd and a DVD edition's convert, run as users run them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "control/controller.h"
#include "sources/discpath.h"
#include "support/discreading.h"
#include "support/scriptedinteraction.h"
#include "support/testdiscs.h"

namespace
{

struct CliRun {
    int exitCode = -1;
    QStringList out;
    QString err;
};

class DvdCli : public ::testing::Test
{
protected:
    const transcast::testdiscs::TestDiscs& discs = transcast::testdiscs::testDiscs();
    QTemporaryDir work;

    void SetUp() override { ASSERT_TRUE(discs.ok) << discs.error; }

    static QString q(const std::string& text) { return QString::fromStdString(text); }

    CliRun run(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), work.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TRANSCAST_BIN_DIR "/transcast-cli"), arguments);
        CliRun result;
        if (!process.waitForFinished(300000))
            process.kill();
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput())
                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
};

} // namespace

TEST_F(DvdCli, ListsOneNumberedLinePerRowThenTheTracks)
{
    const CliRun listed = run({QStringLiteral("dvd"), q(discs.disc)});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    ASSERT_GE(listed.out.size(), 4);
    const QRegularExpression row(QStringLiteral(
        "^(\\d+)\\t(Title_\\d\\d)\\t720x576\\t(\\d\\d:\\d\\d:\\d\\d)\\t[\\d.,]+MB\\tReady$"));
    for (int i = 0; i < 4; ++i) {
        const QRegularExpressionMatch match = row.match(listed.out.at(i));
        ASSERT_TRUE(match.hasMatch()) << listed.out.at(i).toStdString();
        EXPECT_EQ(match.captured(1).toInt(), i + 1);
        EXPECT_EQ(match.captured(2), QStringLiteral("Title_0%1").arg(i + 1));
    }
    EXPECT_EQ(listed.out.at(0).section(QLatin1Char('\t'), 3, 3), QStringLiteral("00:00:12"));
    // Title set 1's tracks follow the rows, with the numbers the options take.
    const QString rest = listed.out.mid(4).join(QLatin1Char('\n'));
    // Each title set's line gives the disc's own numbers of its titles,
    // which the captions (counting rows) do not: title set 3 holds the
    // disc's titles 4 and 5, listed as Title_03 and Title_04.
    EXPECT_TRUE(rest.contains(QStringLiteral("VTS_01_0.IFO (rows 1-1; disc title 1)")))
        << rest.toStdString();
    EXPECT_TRUE(rest.contains(QStringLiteral("VTS_02_0.IFO (rows 2-2; disc title 3)")));
    EXPECT_TRUE(rest.contains(QStringLiteral("VTS_03_0.IFO (rows 3-4; disc titles 4, 5)")));
    EXPECT_TRUE(rest.contains(QRegularExpression(QStringLiteral("  audio\\t2\\t0x81\\t"))));
    EXPECT_TRUE(rest.contains(QStringLiteral("  subtitle\t0\t0\tNo Subtitle")));
    EXPECT_TRUE(rest.contains(QRegularExpression(QStringLiteral("  subtitle\\t1\\t0x20\\t"))));

    // Chapter rows keep their caption's two leading blanks; the image lists
    // the same rows as the folder.
    const CliRun chapters =
        run({QStringLiteral("dvd"), QStringLiteral("--chapters"), q(discs.iso)});
    ASSERT_EQ(chapters.exitCode, 0) << chapters.err.toStdString();
    ASSERT_GE(chapters.out.size(), 4);
    EXPECT_TRUE(chapters.out.at(1).startsWith(QStringLiteral("2\t  Chapter_01\t720x576\t")));
    EXPECT_TRUE(chapters.out.at(4).startsWith(QStringLiteral("5\tTitle_05\t")));
}

TEST_F(DvdCli, NoDiscAndInvalidIfoFailWithTheirMessages)
{
    const CliRun none = run({QStringLiteral("dvd"), q(discs.noIfo)});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(none.err.contains(QStringLiteral("Can't find DVD disc.")))
        << none.err.toStdString();

    const QString bogus = work.filePath(QStringLiteral("VTS_01_0.IFO"));
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an IFO file at all");
    file.close();
    const CliRun invalid = run({QStringLiteral("dvd"), bogus, q(discs.ifo(2))});
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_TRUE(invalid.err.contains(
        QStringLiteral("The selected IFO File is invalid, please choose another one.")));
    EXPECT_TRUE(invalid.out.isEmpty());
}

TEST_F(DvdCli, DryRunPrintsTheChosenRowsWithTheirLocators)
{
    const QString out = work.filePath(QStringLiteral("out"));
    const CliRun dry =
        run({QStringLiteral("convert"), QStringLiteral("--edition"),
             QStringLiteral("transcast-dvd"), QStringLiteral("--chapters"),
             QStringLiteral("--rows"), QStringLiteral("3-4"), QStringLiteral("--audio-track"),
             QStringLiteral("2"), QStringLiteral("--subtitle-track"), QStringLiteral("1"),
             QStringLiteral("--output"), out, QStringLiteral("--dry-run"), q(discs.disc)});
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    ASSERT_EQ(dry.out.size(), 2) << dry.out.join(QLatin1Char('\n')).toStdString();
    const QRegularExpression locator(
        QStringLiteral(" vts://01\\*(\\d+)\\*(\\d+)\\*0x81\\*0x20\\*/") +
        QRegularExpression::escape(q(discs.disc)) + QStringLiteral(" "));
    const QRegularExpressionMatch second = locator.match(dry.out.at(0));
    const QRegularExpressionMatch third = locator.match(dry.out.at(1));
    ASSERT_TRUE(second.hasMatch()) << dry.out.at(0).toStdString();
    ASSERT_TRUE(third.hasMatch()) << dry.out.at(1).toStdString();
    EXPECT_GT(second.captured(1).toInt(), 0);
    EXPECT_EQ(third.captured(1).toInt(), second.captured(2).toInt() + 1);
    EXPECT_TRUE(dry.out.at(0).contains(QStringLiteral(" -t 00:00:04")));
    EXPECT_TRUE(dry.out.at(0).contains(out + QStringLiteral("/Title_01_Chapter_02.")));
    EXPECT_TRUE(dry.out.at(1).contains(out + QStringLiteral("/Title_01_Chapter_03.")));

    const CliRun badRow = run({QStringLiteral("convert"), QStringLiteral("--edition"),
                               QStringLiteral("transcast-dvd"), QStringLiteral("--rows"),
                               QStringLiteral("9"), QStringLiteral("--dry-run"), q(discs.disc)});
    EXPECT_EQ(badRow.exitCode, 2);
    EXPECT_TRUE(badRow.err.contains(QStringLiteral("no row 9")));
}

// Title set 2 of this disc cannot be read; title set 1's tracks stay its own,
// and its title is written whole, to the frame.
TEST_F(DvdCli, ADamagedLaterTitleSetLeavesTheFirstItsTracks)
{
    const CliRun dry = run({QStringLiteral("convert"), QStringLiteral("--edition"),
                            QStringLiteral("transcast-dvd"), QStringLiteral("--rows"),
                            QStringLiteral("1"), QStringLiteral("--audio-track"),
                            QStringLiteral("2"), QStringLiteral("--dry-run"), q(discs.odd)});
    ASSERT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    ASSERT_EQ(dry.out.size(), 1);
    EXPECT_TRUE(dry.out.at(0).contains(QStringLiteral("*0x81*0*/")));
    EXPECT_TRUE(dry.out.at(0).contains(QStringLiteral(" -t 00:00:05.80 ")));
}

TEST_F(DvdCli, ConvertsTheChosenTitleIntoAFileNamedAfterIt)
{
    const QString out = work.filePath(QStringLiteral("out"));
    const CliRun converted = run(
        {QStringLiteral("convert"), QStringLiteral("--edition"), QStringLiteral("transcast-dvd"),
         QStringLiteral("--profile"), QStringLiteral("118"), QStringLiteral("--rows"),
         QStringLiteral("2"), QStringLiteral("--output"), out, q(discs.iso)});
    ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_TRUE(converted.out.contains(QStringLiteral("[2/4] Title_02: Finish")))
        << converted.out.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("Title_02.mp4")});
}

TEST_F(DvdCli, AVideoTsFolderSpeltInAnyCaseConvertsAsItLists)
{
    const QString out = work.filePath(QStringLiteral("out"));
    const CliRun converted =
        run({QStringLiteral("convert"), QStringLiteral("--edition"),
             QStringLiteral("transcast-dvd"), QStringLiteral("--profile"), QStringLiteral("118"),
             QStringLiteral("--output"), out, q(discs.mixedCase)});
    ASSERT_EQ(converted.exitCode, 0) << converted.err.toStdString();
    EXPECT_TRUE(converted.out.contains(QStringLiteral("[1/1] Title_01: Finish")))
        << converted.out.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("Title_01.mp4")});
}

TEST_F(DvdCli, ACutOffImageListsWhatItHoldsAndSaysThatItIsDamaged)
{
    const CliRun listed = run({QStringLiteral("dvd"), q(discs.damagedIso)});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    ASSERT_FALSE(listed.out.isEmpty());
    EXPECT_TRUE(listed.out.at(0).startsWith(QStringLiteral("1\tTitle_01\t720x576\t00:00:12\t")));
    EXPECT_TRUE(listed.err.contains(QStringLiteral("The disc image ") + q(discs.damagedIso) +
                                    QStringLiteral(" is damaged: it ends after ")))
        << listed.err.toStdString();
    EXPECT_TRUE(listed.err.contains(QStringLiteral("The titles after the damage are missing.")));

    EXPECT_FALSE(
        run({QStringLiteral("dvd"), q(discs.iso)}).err.contains(QStringLiteral("damaged")));
}

// A title past the cut of an image is listed as missing and refused by name;
// a title set whose titles neither its IFO file nor its backup holds fails
// the listing with a message naming it.
TEST_F(DvdCli, MissingTitlesAreListedAsSuchAndDamagedTitleSetsFailTheListing)
{
    const CliRun cut = run({QStringLiteral("dvd"), q(discs.cutIso)});
    ASSERT_EQ(cut.exitCode, 0) << cut.err.toStdString();
    ASSERT_GE(cut.out.size(), 4);
    EXPECT_TRUE(cut.out.at(3).startsWith(QStringLiteral("4\tTitle_04\t")));
    EXPECT_TRUE(cut.out.at(3).endsWith(QStringLiteral("\tMissing from the image")));
    const QString out = work.filePath(QStringLiteral("out"));
    const CliRun refused =
        run({QStringLiteral("convert"), QStringLiteral("--edition"),
             QStringLiteral("transcast-dvd"), QStringLiteral("--rows"), QStringLiteral("4"),
             QStringLiteral("--output"), out, q(discs.cutIso)});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains(
        QStringLiteral("row 4 (Title_04) cannot be converted: Missing from the image")))
        << refused.err.toStdString();
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());

    const CliRun zeroed = run({QStringLiteral("dvd"), q(discs.zeroed)});
    EXPECT_EQ(zeroed.exitCode, 1);
    ASSERT_GE(zeroed.out.size(), 2);
    EXPECT_TRUE(zeroed.out.at(1).startsWith(QStringLiteral("2\tTitle_02\t720x576\t00:00:20\t")));
    const QString set2 = q(discs.zeroed) + QStringLiteral("/VIDEO_TS/VTS_02_0.IFO");
    EXPECT_TRUE(zeroed.err.contains(QStringLiteral("The DVD title set ") + set2 +
                                    QStringLiteral(" is damaged")))
        << zeroed.err.toStdString();
    EXPECT_TRUE(zeroed.out.contains(set2 + QStringLiteral(" (no rows)")));
}

// A path is a disc to the window's drop, to the title list and to the command
// line alike: the same paths are taken, listed and refused by each.
TEST_F(DvdCli, DropAndCommandLineTakeTheSameDiscs)
{
    using transcast::DiscPath;
    const QString renamed = work.filePath(QStringLiteral("renamed"));
    ASSERT_TRUE(QFile::link(q(discs.mute) + QStringLiteral("/VIDEO_TS"), renamed));
    const QString clip = work.filePath(QStringLiteral("clip.mpg"));
    QFile file(clip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no video here");
    file.close();
    const QString empty = work.filePath(QStringLiteral("empty"));
    ASSERT_TRUE(QDir().mkpath(empty));

    const struct {
        QString path;
        DiscPath::Kind kind;
    } cases[] = {
        {q(discs.mixedCase), DiscPath::Kind::DiscFolder},
        {q(discs.videoTs()), DiscPath::Kind::DiscFolder},
        {renamed, DiscPath::Kind::DiscFolder},
        {q(discs.iso), DiscPath::Kind::DiscImage},
        {q(discs.ifo(1)), DiscPath::Kind::IfoFile},
        {clip, DiscPath::Kind::NotDisc},
        {empty, DiscPath::Kind::NotDisc},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.path.toStdString());
        const bool disc = entry.kind != DiscPath::Kind::NotDisc;
        EXPECT_EQ(DiscPath::kind(entry.path), entry.kind);

        ScriptedInteraction interaction;
        RecordingShell shell;
        transcast::Controller window(
            transcast::Edition(QStringLiteral("transcast-dvd"), QStringLiteral(TRANSCAST_BIN_DIR)),
            interaction, shell);
        EXPECT_EQ(window.acceptsSources({entry.path}), disc);
        window.openSources({entry.path});
        transcast::testing::finishReading(window.dvd());
        EXPECT_EQ(window.jobs().rowCount() > 0, disc);
        EXPECT_EQ(interaction.warnings.size(), disc ? 0 : 1)
            << interaction.warnings.join('|').toStdString();

        const CliRun listed = run({QStringLiteral("dvd"), entry.path});
        EXPECT_EQ(listed.exitCode, disc ? 0 : 1) << listed.err.toStdString();
        EXPECT_EQ(!listed.out.isEmpty(), disc);
    }

    // A drop of IFO files beside a disc opens the disc, one at a time; the
    // command line refuses the mixture.
    ScriptedInteraction interaction;
    RecordingShell shell;
    transcast::Controller window(
        transcast::Edition(QStringLiteral("transcast-dvd"), QStringLiteral(TRANSCAST_BIN_DIR)),
        interaction, shell);
    window.openSources({q(discs.ifo(2)), q(discs.mixedCase)});
    transcast::testing::finishReading(window.dvd());
    EXPECT_GT(window.jobs().rowCount(), 0);
    EXPECT_TRUE(interaction.informations.isEmpty())
        << interaction.informations.join('|').toStdString();
    EXPECT_NE(run({QStringLiteral("dvd"), q(discs.ifo(2)), q(discs.mixedCase)}).exitCode, 0);

    // What the disc's reading says comes first, the refusal of the rest
    // after it.
    window.openSources({clip, q(discs.damagedIso)});
    EXPECT_TRUE(interaction.warnings.isEmpty()) << "said before the reading ended";
    transcast::testing::finishReading(window.dvd());
    ASSERT_EQ(interaction.warnings.size(), 2) << interaction.warnings.join('|').toStdString();
    EXPECT_TRUE(interaction.warnings.at(0).startsWith(QStringLiteral("The disc image ")));
    EXPECT_TRUE(interaction.warnings.at(1).contains(QFileInfo(clip).fileName()));
}
