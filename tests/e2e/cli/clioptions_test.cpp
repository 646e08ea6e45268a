#include <gtest/gtest.h>

#include "cli/clioptions.h"

using namespace transcast;
using Command = CliOptions::Command;

namespace
{

CliOptions parse(const QStringList& arguments)
{
    return CliOptions::parse(arguments);
}

} // namespace

TEST(CliOptionsParse, HelpAndVersionWinWhereverTheyStand)
{
    EXPECT_EQ(parse({}).command, Command::Help);
    EXPECT_EQ(parse({"convert", "--profile", "x", "--help"}).command, Command::Help);
    EXPECT_TRUE(parse({"convert", "--bogus", "-h"}).ok());
    EXPECT_EQ(parse({"probe", "--version"}).command, Command::Version);
    // After "--" they are file names.
    const CliOptions options = parse({"convert", "--", "--help"});
    EXPECT_EQ(options.command, Command::Convert);
    EXPECT_EQ(options.sources, QStringList({"--help"}));
}

TEST(CliOptionsParse, ConvertTakesEveryChoiceInBothSpellings)
{
    const CliOptions options =
        parse({"convert", "--edition", "transcast-mp4", "--profile=122", "--size", "640x480",
               "--video=Normal", "--audio", "3", "--output", "/out dir", "--config=/cfg",
               "--dry-run", "a.avi", "folder"});
    ASSERT_TRUE(options.ok()) << options.error.toStdString();
    EXPECT_EQ(options.command, Command::Convert);
    EXPECT_EQ(options.edition, QStringLiteral("transcast-mp4"));
    EXPECT_EQ(options.profile, 122);
    EXPECT_EQ(options.size, QStringLiteral("640x480"));
    EXPECT_EQ(options.video, QStringLiteral("Normal"));
    EXPECT_EQ(options.audio, QStringLiteral("3"));
    EXPECT_EQ(options.output, QStringLiteral("/out dir"));
    EXPECT_EQ(options.config, QStringLiteral("/cfg"));
    EXPECT_TRUE(options.dryRun);
    EXPECT_EQ(options.sources, QStringList({"a.avi", "folder"}));
}

TEST(CliOptionsParse, UnsetChoicesStayUnsetAndTheLastRepeatWins)
{
    const CliOptions options = parse({"probe", "x.avi", "--profile", "27", "--profile", "28"});
    ASSERT_TRUE(options.ok());
    EXPECT_EQ(options.profile, 28);
    EXPECT_FALSE(options.size.has_value());
    EXPECT_FALSE(options.edition.has_value());
    EXPECT_FALSE(options.config.has_value());
    EXPECT_FALSE(options.dryRun);
    // A choice's value may itself begin with a dash, and a lone "-" is a source.
    const CliOptions odd = parse({"probe", "--size", "-1", "-"});
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(odd.size, QStringLiteral("-1"));
    EXPECT_EQ(odd.sources, QStringList({"-"}));
}

TEST(CliOptionsParse, BadUsageIsNamed)
{
    const struct {
        QStringList arguments;
        const char* fragment;
    } cases[] = {
        {{"transcode", "a.avi"}, "unknown command 'transcode'"},
        {{"convert", "--sise", "1", "a.avi"}, "unknown option '--sise'"},
        {{"convert", "a.avi", "--profile"}, "'--profile' needs a value"},
        {{"convert", "--profile", "abc", "a.avi"}, "needs a profile number, not 'abc'"},
        {{"convert", "--profile", "26", "a.avi"}, "there is no profile 26"},
        {{"convert", "--profile", "0", "a.avi"}, "there is no profile 0"},
        {{"convert", "--profile", "132", "a.avi"}, "there is no profile 132"},
        {{"convert", "--profile", "122"}, "needs at least one file or folder"},
        {{"probe"}, "needs at least one file or folder"},
        {{"probe", "--output", "/o", "a.avi"}, "'--output' goes with convert only"},
        {{"probe", "--dry-run", "a.avi"}, "'--dry-run' goes with convert only"},
        {{"convert", "--dry-run=yes", "a.avi"}, "'--dry-run' takes no value"},
        {{"convert", "--edition=", "a.avi"}, "--edition needs a program name"},
        {{"profiles", "--profile", "1"}, "unknown option '--profile' for profiles"},
        {{"profiles", "extra"}, "profiles takes no arguments"},
    };
    for (const auto& c : cases) {
        const CliOptions options = parse(c.arguments);
        EXPECT_FALSE(options.ok()) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(options.error.contains(QLatin1String(c.fragment)))
            << c.arguments.join(' ').toStdString() << " -> " << options.error.toStdString();
    }
}

TEST(CliOptionsParse, ProfilesNeedsNothingMore)
{
    const CliOptions options = parse({"profiles"});
    EXPECT_TRUE(options.ok());
    EXPECT_EQ(options.command, Command::Profiles);
}

// Options may stand before the command, as many tools allow.
TEST(CliOptionsParse, OptionsBeforeTheCommandCount)
{
    const CliOptions options =
        parse({"--config", "/cfg", "--profile=27", "--dry-run", "convert", "--size", "1", "a.avi"});
    ASSERT_TRUE(options.ok()) << options.error.toStdString();
    EXPECT_EQ(options.command, Command::Convert);
    EXPECT_EQ(options.config, QStringLiteral("/cfg"));
    EXPECT_EQ(options.profile, 27);
    EXPECT_TRUE(options.dryRun);
    EXPECT_EQ(options.size, QStringLiteral("1"));
    EXPECT_EQ(options.sources, QStringList({"a.avi"}));

    EXPECT_TRUE(parse({"--sise", "1", "convert", "a.avi"})
                    .error.contains(QLatin1String("unknown option '--sise'")));
    EXPECT_TRUE(parse({"--output", "/o", "probe", "a.avi"})
                    .error.contains(QLatin1String("'--output' goes with convert only")));
    EXPECT_TRUE(parse({"--config", "/cfg"}).error.contains(QLatin1String("no command")));
}

// --help says which files --config names, what is read from them, and that
// only --profile writes there.
TEST(CliOptionsParse, HelpSaysWhatConfigReadsAndWrites)
{
    const QString usage = CliOptions::usage().simplified();
    for (const char* text :
         {"(transcast-cli.ini and \"pro transcast-cli.ini\";", "Read: the last profile,",
          "the output folder and each profile's remembered size and qualities.",
          "Written only with --profile N: N becomes the last profile,",
          "The choices given here are not remembered."})
        EXPECT_TRUE(usage.contains(QLatin1String(text))) << text;
}
