#include "unit/profiles/profile_fixture.h"

#include <cstdio>

#include <QFile>

#include "common/textutil.h"
#include "engine/jobbuilder.h"
#include "profiles/estimator.h"
#include "profiles/qualitytexts.h"
#include "profiles/settingsstore.h"

using namespace transcast;

namespace
{

class CommandLines : public ProfileFixture
{
protected:
    QTemporaryDir outDir;

    void SetUp() override
    {
        ProfileFixture::SetUp();
        groups[105].options = QStringLiteral("-f avi -vcodec mpeg4 -vtag DIVX");
        groups[105].bitrate = QStringLiteral("512 768 1000 1500 2000");
        groups[70].options = QStringLiteral("-f 3gp -vcodec h263 -acodec aac");
        start();
        controller->preferences().setOutputFolderText(outDir.path());
    }

    ConversionJob job(int row) { return controller->jobBuilder().fileJob(row, true); }
    QString encoder() const { return quoteArgument(controller->edition().encoderPath()); }
    QString out(const QString& name) const { return outDir.path() + QLatin1Char('/') + name; }
};

} // namespace

TEST_F(CommandLines, AssembleTheFragmentsInTheirOrder)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    controller->jobs().changeRow(row, [](JobRow& r) {
        r.source.filePath = QStringLiteral("/videos/my clip.avi");
        r.caption = QStringLiteral("my clip");
    });
    select(105); // file-mode defaults: fifth size, the source's video and audio
    const ConversionJob j = job(row);
    ASSERT_TRUE(encoder().startsWith(QLatin1Char('"'))); // the folder has a blank
    EXPECT_EQ(j.commandLine(),
              encoder() +
                  " -y  -i \"/videos/my clip.avi\" -r 25 -b 1000000 -ab 128000 -ac 2 "
                  " -aspect 1.5000 -s 720x480  -ar 44100 -f avi -vcodec mpeg4 -vtag DIVX "
                  "\"" +
                  out("my clip.avi") + "\"");
    EXPECT_EQ(j.arguments(), QStringList({"-y",      "-i",      "/videos/my clip.avi",
                                          "-r",      "25",      "-b",
                                          "1000000", "-ab",     "128000",
                                          "-ac",     "2",       "-aspect",
                                          "1.5000",  "-s",      "720x480",
                                          "-ar",     "44100",   "-f",
                                          "avi",     "-vcodec", "mpeg4",
                                          "-vtag",   "DIVX",    out("my clip.avi")}));
    EXPECT_EQ(j.seconds, 60);
    EXPECT_EQ(j.workFolder, controller->edition().exeFolder());
    EXPECT_EQ(controller->preferences().outputFolder(), outDir.path() + QLatin1Char('/'));
}

TEST_F(CommandLines, AFourByThreeSizeGivesItsRatioWithAPoint)
{
    const int row = addRow(QStringLiteral("720x576"), QStringLiteral("00:00:10"));
    select(105);
    controller->estimator().setDecimalSeparator(QLatin1Char(','));
    boxes().size.choose(3); // "640x480(VGA)": the label is cut off
    const ConversionJob j = job(row);
    EXPECT_EQ(j.sizeArg, QStringLiteral(" -s 640x480"));
    EXPECT_EQ(j.aspectArg, QStringLiteral(" -aspect 1.3333"));
    EXPECT_TRUE(j.commandLine().contains(QStringLiteral(" -s 640x480  -ar ")));
    // The estimate keeps the user's separator.
    EXPECT_TRUE(
        controller->jobs().subItem(row, JobList::OutputSizeColumn).contains(QLatin1Char(',')));
}

TEST_F(CommandLines, TheSourcesAudioBitrateChoosesTheSampleRate)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(1);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    const std::pair<const char*, const char*> cases[] = {{"200", " -ar 48000 "},
                                                         {"192", " -ar 44100 "},
                                                         {"65", " -ar 44100 "},
                                                         {"64", " -ar 22050 "}};
    for (const auto& [kbps, rate] : cases) {
        controller->jobs().changeRow(
            row, [kbps = kbps](JobRow& r) { r.source.audioKbps = QByteArray(kbps).toInt(); });
        const ConversionJob j = job(row);
        EXPECT_EQ(j.audioRateArg,
                  QStringLiteral(" -ab ") + QString::fromLatin1(kbps) + QStringLiteral("000"));
        EXPECT_EQ(j.sampleRateArg, QString::fromLatin1(rate)) << kbps;
    }
    boxes().audioBitrate.choose(0);
    EXPECT_EQ(job(row).sampleRateArg, QStringLiteral(" -ar 48000 ")); // 320 kbit/s
}

TEST_F(CommandLines, NarrowBandOutputsAreMonoAt8000Hz)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(70);
    for (int position : {0, 1, 2, 3, 4}) {
        boxes().audioBitrate.choose(position);
        const ConversionJob j = job(row);
        EXPECT_EQ(j.channelsArg, QStringLiteral(" -ac 1 "));
        EXPECT_EQ(j.sampleRateArg, QStringLiteral(" -ar 8000 "));
        const char* bits[] = {"12200", "10200", "7400", "5900", "4750"};
        EXPECT_EQ(j.audioRateArg, QStringLiteral(" -ab ") + QString::fromLatin1(bits[position]));
    }
    // A size-driven 3GP profile with the source's audio: the best AMR rate.
    select(8);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    EXPECT_EQ(job(row).audioRateArg, QStringLiteral(" -ab 12200"));
}

TEST_F(CommandLines, DiscProfilesReduceToTheTarget)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(113);
    boxes().size.choose(1); // NTSC
    const ConversionJob j = job(row);
    EXPECT_EQ(j.commandLine(),
              encoder() + QStringLiteral(" -y  -i /videos/clip.avi -ac 2   -target ntsc-svcd  ") +
                  out(QStringLiteral("clip.mpg")));
    select(112);
    boxes().size.choose(0);
    EXPECT_EQ(job(row).optionsArg, QStringLiteral(" -target pal-vcd "));
    select(114);
    EXPECT_EQ(job(row).optionsArg, QStringLiteral(" -target pal-dvd "));
}

TEST_F(CommandLines, NoVideoProfilesHaveNoPictureFragments)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(17);
    const ConversionJob j = job(row);
    EXPECT_TRUE(j.sizeArg.isEmpty());
    EXPECT_TRUE(j.aspectArg.isEmpty());
    EXPECT_TRUE(j.videoRateArg.isEmpty());
    EXPECT_EQ(j.audioRateArg, QStringLiteral(" -ab 128000"));
}

TEST_F(CommandLines, ListDrivenProfilesTakeTheSlot)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(27);
    boxes().videoBitrate.choose(1);
    EXPECT_EQ(job(row).videoRateArg, QStringLiteral(" -r 25 -b 400000"));
}

TEST_F(CommandLines, SizeDrivenVideoIsTheVideoTerm)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(120);
    boxes().size.choose(1);         // 320x240
    boxes().videoBitrate.choose(2); // Normal: 240 x 6.25
    boxes().audioBitrate.choose(1);
    EXPECT_EQ(job(row).videoRateArg, QStringLiteral(" -r 25 -b 1500000"));
}

// Profile 131 remembers no choices, so its size box has no selection: the
// job leaves the source its own size, and its video bitrate and the
// estimate both follow that size instead of reading 0.
TEST_F(CommandLines, WithoutAChosenSizeJobAndEstimateUseTheSourceSize)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(131);
    ASSERT_EQ(boxes().size.currentIndex(), -1);
    boxes().videoBitrate.choose(2); // Normal
    const ConversionJob j = job(row);
    EXPECT_EQ(j.sizeArg, QString());
    const int video = controller->estimator().videoKbps(source(row));
    EXPECT_GT(video, 0);
    EXPECT_EQ(j.videoRateArg, QStringLiteral(" -r 25 -b %1").arg(video * 1000));
    addRow(QStringLiteral("320x240"), QStringLiteral("00:00:10"));
    EXPECT_LT(controller->estimator().videoKbps(source(row + 1)), video);
}

TEST_F(CommandLines, TheJobAsksForTheBitrateTheEstimateCounts)
{
    const int row = addRow(QStringLiteral("1280x720"), QStringLiteral("00:00:10"), 7880, 128);
    const Estimator& estimate = controller->estimator();
    select(105);
    ASSERT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    boxes().size.choose(1); // 320x240 keeps the source's bits per pixel
    EXPECT_EQ(job(row).videoRateArg, QStringLiteral(" -r 25 -b 657000"));
    EXPECT_EQ(estimate.videoKbps(source(row)), 657);
    // Nothing selected (131 remembers no choices): the source's frame size,
    // and a bitrate from its height at "Normal".
    boxes().size.setCurrentIndex(-1);
    boxes().videoBitrate.setCurrentIndex(-1);
    const ConversionJob j = job(row);
    EXPECT_EQ(j.sizeArg, QString());
    EXPECT_EQ(j.videoRateArg, QStringLiteral(" -r 25 -b 2398000"));
    EXPECT_EQ(estimate.videoKbps(source(row)), 2398);
}

TEST_F(CommandLines, TheSourcesQualitiesAreAskedWithinTheProfilesChoices)
{
    const int row = addRow(QStringLiteral("1920x1080"), QStringLiteral("00:00:10"), 133000, 4);
    select(105);
    ASSERT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    ConversionJob j = job(row);
    EXPECT_EQ(j.videoRateArg, QStringLiteral(" -r 25 -b 2000000"));
    // The held rate also chooses the sample rate.
    EXPECT_EQ(j.audioRateArg, QStringLiteral(" -ab 32000"));
    EXPECT_EQ(j.sampleRateArg, QStringLiteral(" -ar 22050 "));
    EXPECT_EQ(outputSize(row), controller->estimator().sizeText(2000 + 32, 10));
    controller->jobs().changeRow(row, [](JobRow& r) { r.source.audioKbps = 1536; });
    j = job(row);
    EXPECT_EQ(j.audioRateArg, QStringLiteral(" -ab 320000"));
    EXPECT_EQ(j.sampleRateArg, QStringLiteral(" -ar 48000 "));
}

TEST_F(CommandLines, AnExistingOutputIsNeverChosen)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(118);
    for (const char* name : {"clip.mp4", "clip_1.mp4"}) {
        QFile file(out(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(job(row).outputFile, out(QStringLiteral("clip_2.mp4")));
}

// A dangling link at the name is taken too: the encoder would write through
// it, into wherever it points.
TEST_F(CommandLines, ADanglingLinkTakesItsName)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(118);
    ASSERT_TRUE(QFile::link(out(QStringLiteral("elsewhere.mp4")), out(QStringLiteral("clip.mp4"))));
    EXPECT_EQ(job(row).outputFile, out(QStringLiteral("clip_1.mp4")));
}

// A real job takes its name by creating the file, so that no other program
// writing into the folder can choose it too; a dry run only looks. The
// empty file goes when the job ends without writing into it, and only then.
TEST_F(CommandLines, ARealJobTakesItsNameAndReleasesItUnused)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(118);
    JobBuilder& builder = controller->jobBuilder();
    EXPECT_EQ(builder.fileJob(row, false).outputFile, out(QStringLiteral("clip.mp4")));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("clip.mp4"))));
    EXPECT_TRUE(builder.fileJob(row, false).reservedOutput.isEmpty());

    QVector<ConversionJob> jobs;
    for (int i = 0; i < 3; ++i)
        jobs << job(row);
    for (int i = 0; i < 3; ++i) {
        const QString name =
            i == 0 ? QStringLiteral("clip.mp4") : QStringLiteral("clip_%1.mp4").arg(i);
        EXPECT_EQ(jobs[i].outputFile, out(name));
        EXPECT_EQ(QFileInfo(jobs[i].outputFile).size(), 0);
        EXPECT_FALSE(jobs[i].reservedOutput.isEmpty());
        builder.reserveOutput(jobs[i].outputFile, jobs[i].reservedOutput);
    }
    // Written into: kept. Another file in its place: kept. Unused: gone.
    QFile written(jobs[0].outputFile);
    ASSERT_TRUE(written.open(QIODevice::Append));
    written.write("video");
    written.close();
    ASSERT_TRUE(QFile(out(QStringLiteral("other"))).open(QIODevice::WriteOnly));
    ASSERT_EQ(::rename(QFile::encodeName(out(QStringLiteral("other"))).constData(),
                       QFile::encodeName(jobs[1].outputFile).constData()),
              0);
    for (const ConversionJob& taken : jobs)
        builder.releaseOutput(taken.outputFile);
    EXPECT_EQ(QFileInfo(jobs[0].outputFile).size(), 5);
    EXPECT_TRUE(QFile::exists(jobs[1].outputFile));
    EXPECT_FALSE(QFile::exists(jobs[2].outputFile));
}

// A source named as long as the file system allows: its output's stem is
// cut at a character's end so that the longer extension, or "_1", fits.
TEST_F(CommandLines, ALongestNameIsShortenedToFit)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    // 250 bytes of two-byte characters and one more byte: 251, and 255 with
    // ".avi".
    const QString stem = QString(125, QChar(0xE9)) + QLatin1Char('a');
    controller->jobs().changeRow(row, [&stem](JobRow& r) {
        r.source.filePath = QStringLiteral("/videos/") + stem + QStringLiteral(".avi");
        r.caption = stem;
    });
    select(118);
    const auto bytes = [](const QString& path) {
        return QFile::encodeName(QFileInfo(path).fileName()).size();
    };
    const QString first = job(row).outputFile;
    EXPECT_EQ(first, out(stem + QStringLiteral(".mp4")));
    // "_1.mp4" leaves 249 bytes, which would end inside a character.
    const QString second = job(row).outputFile;
    EXPECT_EQ(second, out(QString(124, QChar(0xE9)) + QStringLiteral("_1.mp4")));
    EXPECT_EQ(bytes(second), 254);
    EXPECT_TRUE(QFile::exists(second));
    // The ".mpeg" of another profile grows the name by a byte.
    select(115);
    const QString third = job(row).outputFile;
    EXPECT_EQ(third, out(QString(125, QChar(0xE9)) + QStringLiteral(".mpeg")));
    EXPECT_EQ(bytes(third), 255);
    EXPECT_TRUE(QFile::exists(third));
}

// The encoder runs in the program's folder: a relative output folder must
// mean the same folder to the name check, the folder creation and the
// encoder, so it is made absolute against the current folder first.
TEST_F(CommandLines, RelativeAndHomeFoldersBecomeAbsolute)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(118);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(outDir.path()));
    controller->preferences().setOutputFolderText(QStringLiteral("rel/../relative"));
    const ConversionJob relative = job(row);
    QDir::setCurrent(before);
    EXPECT_EQ(relative.outputFile, out(QStringLiteral("relative/clip.mp4")));
    EXPECT_EQ(controller->preferences().outputFolder(), out(QStringLiteral("relative/")));
    EXPECT_TRUE(QDir(out(QStringLiteral("relative"))).exists());

    controller->preferences().setOutputFolderText(QStringLiteral("~/transcast out"));
    EXPECT_EQ(controller->jobBuilder().outputFolder(false),
              QDir::homePath() + QStringLiteral("/transcast out/"));
}

TEST_F(CommandLines, OutputFolders)
{
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(118);
    // A missing folder is made, nested ones too.
    controller->preferences().setOutputFolderText(outDir.path() + QStringLiteral("/new/deeper"));
    EXPECT_EQ(job(row).outputFile, outDir.path() + QStringLiteral("/new/deeper/clip.mp4"));
    EXPECT_TRUE(QDir(outDir.path() + QStringLiteral("/new/deeper")).exists());
    // A dry run touches nothing.
    controller->preferences().setOutputFolderText(outDir.path() + QStringLiteral("/dry"));
    controller->jobBuilder().fileJob(row, false);
    EXPECT_FALSE(QDir(outDir.path() + QStringLiteral("/dry")).exists());
    // An empty box falls back to the user's videos folder.
    controller->preferences().setOutputFolderText(QString());
    EXPECT_EQ(controller->jobBuilder().fileJob(row, false).outputFile,
              SettingsStore::defaultOutputFolder() + QStringLiteral("clip.mp4"));
}

TEST_F(CommandLines, ABadNumberIsReportedNotPassedOn)
{
    // Rows hold numbers; a profile's own text can still hold a bad one.
    groups[105].size = QStringLiteral("176x144 640x4x0 480x320");
    writeDefinitions();
    start();
    controller->preferences().setOutputFolderText(outDir.path());
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:00:10"));
    select(105);
    boxes().videoBitrate.choose(0);
    boxes().size.choose(1);
    EXPECT_THROW(job(row), InvalidInteger);
}
