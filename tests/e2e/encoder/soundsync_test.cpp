// Sound stays with its picture when the frame rate changes: sources with a
// flash and a beep at the same instant every 3 s, converted by the real
// register.dat to the profiles' 25 fps, and measured in the output as a player
// decodes it.
#include <QRegularExpression>
#include <QTemporaryDir>

#include "clips.h"

using namespace transcast::testclips;

namespace
{

// When each flash begins (the picture turns bright) and each beep begins.
struct Events {
    QList<double> flashes;
    QList<double> beeps;
};

Events eventsIn(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"),
                   {"-hide_banner", "-nostats", "-i", file, "-filter_complex",
                    "[0:v]signalstats,metadata=print:key=lavfi.signalstats.YAVG[v];"
                    "[0:a]silencedetect=n=-30dB:d=0.03[a]",
                    "-map", "[v]", "-map", "[a]", "-f", "null", "-"},
                   60000);
    Events events;
    double frameTime = 0;
    bool lit = false;
    static const QRegularExpression number(
        QStringLiteral("(pts_time:|YAVG=|silence_end: )([-0-9.]+)"));
    for (const QString& line : QString::fromUtf8(run.output).split('\n')) {
        const QRegularExpressionMatch match = number.match(line);
        if (!match.hasMatch())
            continue;
        const double value = match.captured(2).toDouble();
        if (match.captured(1) == QLatin1String("pts_time:")) {
            frameTime = value;
        } else if (match.captured(1) == QLatin1String("YAVG=")) {
            if (value > 100 && !lit)
                events.flashes.append(frameTime);
            lit = value > 100;
        } else if (value < 8.5) { // the silence after the last beep ends with the file
            events.beeps.append(value);
        }
    }
    return events;
}

double durationOf(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration",
                                               "-of", "default=nw=1:nk=1", file});
    return run.output.trimmed().toDouble();
}

// 9 s at 29.97 fps, and at a rate that varies from frame to frame as a
// phone's does (33 ms apart on average, 26 to 40 ms between two frames); the
// flash lasts three frames, the beep 100 ms from the flash's first frame.
::testing::AssertionResult makeEventClip(const QString& path, bool variableRate)
{
    const QString picture =
        variableRate
            ? QStringLiteral("color=c=black:s=160x120:r=30:d=9,format=yuv420p,settb=1/90000,"
                             "setpts='(N/30+0.012*sin(PI*N/5))/TB',")
            : QStringLiteral("color=c=black:s=160x120:r=30000/1001:d=9,format=yuv420p,");
    const QString beepAt = variableRate ? QStringLiteral("between(mod(t,3),1,1.1)")
                                        : QStringLiteral("between(mod(t*30000/1001,90),30,33)");
    return makeClip(
        path,
        {"-f", "lavfi", "-i", picture + "drawbox=c=white:t=fill:enable='between(mod(n,90),30,32)'",
         "-f", "lavfi", "-i",
         QStringLiteral("aevalsrc='if(%1,0.5*sin(2*PI*1000*t),0)':s=48000:d=9").arg(beepAt)},
        {"-c:v", "libx264", "-preset", "ultrafast", "-fps_mode", "passthrough", "-enc_time_base",
         "1/90000", "-video_track_timescale", "90000", "-c:a", "aac", "-ac", "2"});
}

} // namespace

TEST(SoundSync, BeepsStayWithTheirFlashesAtTheProfilesRate)
{
    QTemporaryDir dir;
    const QStringList profiles[] = {
        {"-vcodec", "libx264", "-pix_fmt", "yuv420p", "-acodec", "aac", "-f", "mp4"},
        {"-vcodec", "libxvid", "-vtag", "XVID", "-acodec", "libmp3lame", "-f", "avi"},
        {"-vcodec", "libx264", "-pix_fmt", "yuv420p", "-acodec", "libmp3lame", "-f", "avi"},
        {"-vcodec", "wmv2", "-acodec", "wmav2", "-f", "avi"}};
    for (const bool variableRate : {false, true}) {
        const QString source = dir.filePath(variableRate ? "phone.mp4" : "ntsc.mp4");
        ASSERT_TRUE(makeEventClip(source, variableRate));
        ASSERT_EQ(eventsIn(source).flashes.size(), 3);
        int n = variableRate ? 10 : 0;
        for (const QStringList& profile : profiles) {
            const QString output =
                dir.filePath(QStringLiteral("out%1.%2").arg(++n).arg(profile.last()));
            const RunResult run =
                runRegister(QStringList{"-y", "-i", source, "-r", "25", "-b", "600000", "-ab",
                                        "128000", "-ar", "44100", "-ac", "2", "-s", "160x120"} +
                            profile + QStringList{output});
            ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
            SCOPED_TRACE((source + " -> " + profile.join(' ')).toStdString());
            const Events events = eventsIn(output);
            ASSERT_EQ(events.flashes.size(), 3);
            ASSERT_EQ(events.beeps.size(), 3);
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(events.beeps[i], events.flashes[i], 0.020) << "event " << i;
            EXPECT_NEAR(durationOf(output), durationOf(source), 0.040);
        }
    }
}
