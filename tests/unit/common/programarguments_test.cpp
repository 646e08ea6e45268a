#include <gtest/gtest.h>

#include "common/programarguments.h"

using transcast::ProgramArguments;

TEST(ProgramArguments, FilesOptionsAndTheEndOfOptions)
{
    const ProgramArguments parsed = ProgramArguments::parse(
        {"a.avi", "--quit-after", "1500", "dir", "--", "--odd name.avi", "-"});
    EXPECT_TRUE(parsed.error.isEmpty());
    EXPECT_FALSE(parsed.help);
    EXPECT_EQ(parsed.quitAfterMs, 1500);
    EXPECT_EQ(parsed.sources, QStringList({"a.avi", "dir", "--odd name.avi", "-"}));
    EXPECT_EQ(ProgramArguments::parse({"--quit-after=20"}).quitAfterMs, 20);
    EXPECT_TRUE(ProgramArguments::parse({"--startup-report"}).startupReport);
}

TEST(ProgramArguments, WrongOptionsAreReportedNotTakenForFiles)
{
    const ProgramArguments unknown = ProgramArguments::parse({"--bogus", "a.avi", "-x"});
    EXPECT_EQ(unknown.error, "Unknown option \"--bogus\".");
    EXPECT_EQ(unknown.wrongArgument, "--bogus");
    EXPECT_FALSE(unknown.sources.contains("--bogus"));
    EXPECT_EQ(ProgramArguments::parse({"--quit-after"}).error,
              "--quit-after needs a number of milliseconds, not \"\".");
    EXPECT_FALSE(ProgramArguments::parse({"--quit-after", "soon"}).error.isEmpty());
    // A help request anywhere is seen, even after a wrong option.
    EXPECT_TRUE(ProgramArguments::parse({"--bogus", "-h"}).help);
    EXPECT_FALSE(ProgramArguments::parse({"--", "--help"}).help);
}

TEST(ProgramArguments, UsageNamesTheProgramEditionsAndOptions)
{
    const QString usage = ProgramArguments::usage("transcast-mp4");
    EXPECT_TRUE(usage.startsWith("Usage: transcast-mp4 [OPTION]... [FILE | FOLDER]...\n"));
    for (const char* part : {"--help", "--quit-after", "Editions", "dvd", ".config/transcast"})
        EXPECT_TRUE(usage.contains(QLatin1String(part))) << part;
}
