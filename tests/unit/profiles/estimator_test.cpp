#include "profile_fixture.h"

#include "profiles/qualitytexts.h"
#include "sources/sourcelist.h"

using namespace transcast;

using Estimates = ProfileFixture;

TEST_F(Estimates, SizeTextFollowsTheMegabyteFormula)
{
    start();
    const Estimator& e = controller->estimator();
    EXPECT_EQ(e.sizeText(1628, 60), QStringLiteral("11.64MB"));
    EXPECT_EQ(e.sizeText(1393, 60), QStringLiteral("9.96MB"));
    EXPECT_EQ(e.sizeText(128, 60), QStringLiteral("0.92MB"));
    EXPECT_EQ(e.sizeText(5000, 0), QStringLiteral("0.00MB"));
    // 100000 MB and more no longer fit five digits.
    EXPECT_EQ(e.sizeText(8000, 104857), QStringLiteral("99999.00MB"));
    EXPECT_EQ(e.sizeText(8000, 104858), QStringLiteral("1E5MB"));
    controller->estimator().setDecimalSeparator(QLatin1Char(','));
    EXPECT_EQ(e.sizeText(1628, 60), QStringLiteral("11,64MB"));
}

TEST_F(Estimates, DiscProfilesCountWhatTheirTargetWrites)
{
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(112);
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 1393);
    EXPECT_EQ(outputSize(row), QStringLiteral("9.96MB"));
    // -target pal-svcd writes 2040 + 224 kb/s, pal-dvd 6000 + 448, plus packs.
    select(113);
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 2380);
    select(114);
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 6640);
}

TEST_F(Estimates, PcmAudioCountsSampleRateTimesChannelsTimesSixteenBits)
{
    groups[20].options = QStringLiteral("-vn -acodec pcm_s16le -f wav");
    groups[22].options = QStringLiteral("-vn -acodec pcm_s16be -ar 8000 -ac 1 -f aiff");
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(20);
    boxes().audioBitrate.choose(2); // -ab 128000 asks for -ar 44100
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 1411);
    boxes().audioBitrate.choose(0); // 320000: 48000 Hz
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 1536);
    boxes().audioBitrate.choose(4); // 32000: 22050 Hz
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 706);
    // The profile's own rate and channels come later on the line and win.
    select(22);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 128);
    // Compressed audio still counts its -ab.
    select(17);
    boxes().audioBitrate.choose(2);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 128);
}

TEST_F(Estimates, OriginalQualityKeepsTheSourcesBitsPerPixel)
{
    groups[105].bitrate = QStringLiteral("100 1000 2000 4000 8000");
    start();
    const int row = addRow(QStringLiteral("1280x720"), QStringLiteral("00:01:00"), 7880, 128);
    select(105);
    ASSERT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    boxes().size.choose(1); // 320x240: a twelfth of the pixels
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 657);
    boxes().size.choose(boxes().size.indexOf(kOriginalSize));
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 7880);
    // A larger output never asks for more than the source holds.
    const int small = addRow(QStringLiteral("320x240"), QStringLiteral("00:01:00"), 500, 128);
    boxes().size.choose(5); // 1280x720
    EXPECT_EQ(controller->estimator().videoKbps(source(small)), 500);
    // A frame size that cannot be read leaves the source's bitrate as it is.
    controller->jobs().changeRow(small, [](JobRow& r) { r.source.frameSize = FrameSize(); });
    EXPECT_EQ(controller->estimator().videoKbps(source(small)), 500);
}

TEST_F(Estimates, TheSourcesQualitiesStayWithinTheProfilesChoices)
{
    // Listed from the lowest quality up, and out of order: the range is the
    // lowest and the highest number, not the first and the last.
    groups[104].bitrate = QStringLiteral("768 512 1000 1500 2000");
    start();
    const int master = addRow(QStringLiteral("1920x1080"), QStringLiteral("00:01:00"), 133000, 4);
    const int loud = addRow(QStringLiteral("1280x720"), QStringLiteral("00:01:00"), 600, 768);
    select(104);
    ASSERT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    boxes().size.choose(boxes().size.indexOf(kOriginalSize));
    const Estimator& e = controller->estimator();
    EXPECT_EQ(e.videoKbps(source(master)), 2000);
    EXPECT_EQ(e.askedAudioKbps(source(master)), 32);
    EXPECT_EQ(e.askedAudioKbps(source(loud)), 320);
    // The row's estimate counts the held rates.
    EXPECT_EQ(outputSize(master), e.sizeText(2000 + 32, 60));
    // Scaled to a twelfth of its pixels, a modest source would fall below
    // the lowest choice.
    boxes().size.choose(1); // 320x240
    EXPECT_EQ(e.videoKbps(source(loud)), 512);
    EXPECT_EQ(outputSize(loud), e.sizeText(512 + 320, 60));
    // A rate nobody could tell stays unknown; the other qualities are the
    // profile's own figures, never held.
    controller->jobs().changeRow(loud, [](JobRow& r) { r.source.audioKbps = 0; });
    EXPECT_EQ(e.askedAudioKbps(source(loud)), 0);
    boxes().videoBitrate.choose(4); // Lower Quality: 240 x 1.51
    EXPECT_EQ(e.videoKbps(source(loud)), 362);
}

// Today's profiles: HEVC asks 60 % of H.264's bits per line, the share
// profile fits any length under 25 MB down to its least picture rate, and
// lossless sound counts 60 % of its PCM rate.
TEST_F(Estimates, TodaysProfilesCountTheirCodecsTheirCapAndLosslessSound)
{
    groups[133].size = groups[139].size = QStringLiteral("1280x720 1920x1080");
    groups[145].size = QStringLiteral("854x480 1280x720");
    groups[146].options = QStringLiteral("-vn -acodec flac -f flac");
    start();
    const int minute = addRow(QStringLiteral("1920x1080"), QStringLiteral("00:01:00"));
    const int hour = addRow(QStringLiteral("1920x1080"), QStringLiteral("01:00:00"));
    const Estimator& e = controller->estimator();
    select(139);
    boxes().size.choose(1);
    boxes().videoBitrate.choose(2);
    EXPECT_EQ(e.videoKbps(source(minute)), 3596); // 1080 x 3.33
    select(133);
    boxes().size.choose(1);
    boxes().videoBitrate.choose(2);
    EXPECT_EQ(e.videoKbps(source(minute)), 2160); // 1080 x 2.0

    select(145);
    boxes().size.choose(1);
    boxes().videoBitrate.choose(2);
    boxes().audioBitrate.choose(2);
    // A minute is far under the cap: the table's rate (720 x 3.33).
    EXPECT_EQ(e.videoKbps(source(minute)), 2398);
    for (const QString& length : {QStringLiteral("00:05:00"), QStringLiteral("00:10:00")}) {
        const int row = addRow(QStringLiteral("1920x1080"), length);
        EXPECT_LT(e.outputBytes(source(row)), 25LL * 1024 * 1024) << length.toStdString();
        EXPECT_GT(e.outputBytes(source(row)), 20LL * 1024 * 1024) << length.toStdString();
    }
    EXPECT_EQ(e.videoKbps(source(hour)), 100);

    select(146);
    boxes().audioBitrate.choose(2); // -ar 44100
    EXPECT_EQ(e.videoKbps(source(minute)), 0);
    EXPECT_EQ(e.audioKbps(source(minute)), 847); // 1411.2 x 0.6
}

TEST_F(Estimates, AudioProfilesCountOnlyTheAudioTerm)
{
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(17); // defaults to "Normal": 128 kbit/s
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 0);
    EXPECT_EQ(outputSize(row), QStringLiteral("0.92MB"));
}

TEST_F(Estimates, NarrowBandOutputsCountTheAmrRates)
{
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(70); // BlackBerry 3GP
    boxes().audioBitrate.choose(0);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 12);
    boxes().audioBitrate.choose(4);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 5); // 4.75 rounds to 5
    boxes().audioBitrate.choose(3);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 6);
    // A size-driven .3gp profile offers the source's audio: the best AMR rate.
    select(8);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 12);
}

TEST_F(Estimates, SizeDrivenVideoFollowsTheHeightAndTheFactorRow)
{
    groups[118].size = QStringLiteral("176x144 320x240 480x320 640x480(VGA) 720x480 1280x720");
    groups[120] = groups[118];
    start();
    const int row = addRow(QStringLiteral("720x576"), QStringLiteral("00:01:00"));
    select(118);
    boxes().size.choose(1);                                         // 320x240
    boxes().videoBitrate.choose(2);                                 // Normal
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 362); // 240 x 1.51
    select(120);
    boxes().size.choose(1);
    boxes().videoBitrate.choose(2);
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 1500); // 240 x 6.25
    // A label after the size: the height stops at "(".
    boxes().size.choose(3);
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 3000);
}

TEST_F(Estimates, SourceChoicesReadTheRowsRecord)
{
    groups[105].bitrate = QStringLiteral("100 1000 2000 4000 8000");
    start();
    const int row = addRow(QStringLiteral("720x576"), QStringLiteral("00:01:00"), 1372, 200);
    select(105); // file-mode defaults: the source's video and audio
    ASSERT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    ASSERT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);
    // 720x480 out of 720x576: 1372 x 5/6.
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 1143 + 200);
    boxes().videoBitrate.choose(0);
    boxes().size.choose(boxes().size.indexOf(kOriginalSize));
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 3600); // 576 x 6.25
}

TEST_F(Estimates, ListDrivenVideoTakesTheSlotOfTheQuality)
{
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(27);
    boxes().videoBitrate.choose(0);
    boxes().audioBitrate.choose(3);
    EXPECT_EQ(controller->estimator().totalKbps(source(row)), 500 + 64);
}

TEST_F(Estimates, MissingSelectionsAndHeightsHaveSafeValues)
{
    start();
    const int row = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    select(4); // .mp4 in file mode: remembered position 5 selects nothing
    EXPECT_EQ(boxes().videoBitrate.currentIndex(), -1);
    EXPECT_EQ(boxes().audioBitrate.currentIndex(), -1);
    EXPECT_EQ(controller->estimator().audioKbps(source(row)), 128);  // counts as "Normal"
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 2398); // 720 x 3.33
    // No size selected (as for 131, which has no remembered choices): the
    // output keeps the source's frame, and its height sets the video term.
    boxes().size.setCurrentIndex(-1);
    EXPECT_EQ(controller->estimator().outputFrameSize(source(row)), (FrameSize{640, 480}));
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 1598); // 480 x 3.33
    // An entry without a height still gives none.
    boxes().size.clear();
    boxes().size.addItem(QStringLiteral("No Video"));
    boxes().size.setCurrentIndex(0);
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 0);
    controller->jobs().changeRow(row, [](JobRow& r) { r.source.frameSize = FrameSize(); });
    boxes().size.setCurrentIndex(-1);
    EXPECT_EQ(controller->estimator().videoKbps(source(row)), 0); // no height at all
}

TEST_F(Estimates, ABadNumberStopsTheRefreshWithAMessage)
{
    // Rows hold numbers; what can still be a bad number is the profile's own
    // text, here a size entry whose height is none.
    groups[105].size = QStringLiteral("176x144 640x4x0 480x320");
    start();
    select(105);
    boxes().videoBitrate.choose(0);
    boxes().audioBitrate.choose(2);
    const int first = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    const int last = addRow(QStringLiteral("640x480"), QStringLiteral("00:02:00"));
    boxes().size.choose(0);
    const QString firstBefore = outputSize(first);
    const QString lastBefore = outputSize(last);
    ASSERT_FALSE(firstBefore.isEmpty());
    ASSERT_TRUE(interaction.errors.isEmpty());
    boxes().size.choose(1);
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_EQ(interaction.errors.first(), QStringLiteral("'4x0' is not a valid integer value"));
    EXPECT_EQ(outputSize(first), firstBefore); // the refresh stopped there
    EXPECT_EQ(outputSize(last), lastBefore);
}

TEST_F(Estimates, EveryBoxChangeRefreshesEveryRow)
{
    start();
    select(27);
    const int a = addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    const int b = addRow(QStringLiteral("640x480"), QStringLiteral("00:02:00"));
    boxes().audioBitrate.choose(0);
    const QString a0 = outputSize(a);
    const QString b0 = outputSize(b);
    boxes().videoBitrate.choose(4);
    EXPECT_NE(outputSize(a), a0);
    EXPECT_NE(outputSize(b), b0);
    EXPECT_EQ(controller->batch().currentRow(), 0); // the refresh leaves it alone
}

// A file's row gets its estimate as it is listed. A report whose frame size
// is no frame size is read as one without: its row gets the size such a
// report gets and is estimated like any other, one file after another.
TEST_F(Estimates, ListedFilesAreEstimatedOneByOne)
{
    start();
    select(105);
    boxes().size.choose(boxes().size.indexOf(kOriginalSize));
    boxes().videoBitrate.choose(0);
    ProbeResult probed;
    probed.durationMs = 60000;
    probed.overallKbps = 1128;
    probed.videoKbps = 1000;
    probed.audioKbps = 128;
    ASSERT_TRUE(controller->sources().addProbedFile(QStringLiteral("/v/one.avi"), probed));
    ASSERT_TRUE(controller->sources().addProbedFile(QStringLiteral("/v/two.avi"), probed));
    probed.frameSize = FrameSize{640, 480};
    ASSERT_TRUE(controller->sources().addProbedFile(QStringLiteral("/v/three.avi"), probed));
    EXPECT_TRUE(interaction.errors.isEmpty());
    // 240 or 480 lines at the best quality's factor, 6.25 kb/s each, and
    // 128 kb/s of sound for a minute.
    EXPECT_EQ(outputSize(0), controller->estimator().sizeText(1500 + 128, 60));
    EXPECT_EQ(outputSize(1), controller->estimator().sizeText(1500 + 128, 60));
    EXPECT_EQ(outputSize(2), controller->estimator().sizeText(3000 + 128, 60));
}
