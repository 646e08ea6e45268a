// AVI holds one picture per frame slot and no start time per stream: every
// AVI profile of profiles.pop, converted by the real register.dat with its
// sound, keeps each picture in its own slot from the first, and loses no more
// than its video encoder run alone at the same bitrate.
#include <QRegularExpression>
#include <QTemporaryDir>

#include "clips.h"
#include "profiles/profilecatalogue.h"
#include "profiles/profiledefinitions.h"

using namespace transcast;
using namespace transcast::testclips;

namespace
{

constexpr int kSeconds = 4;
constexpr int kFrames = kSeconds * 25;

// The option lines of the profiles that write AVI, each once.
QStringList aviOptionLines()
{
    QStringList lines;
    for (int p = ProfileCatalogue::kFirstProfile; p <= ProfileCatalogue::kLastProfile; ++p) {
        ProfileDefinitions::Group group;
        QString error;
        if (!ProfileDefinitions::readGroup(QStringLiteral(TRANSCAST_BIN_DIR "/profiles.pop"), p,
                                           group, error))
            return {};
        const QString options = group.optionLine().trimmed();
        if (options.endsWith(QLatin1String("-f avi")) && !lines.contains(options))
            lines.append(options);
    }
    return lines;
}

// ffprobe's values of one entry for the file's video packets, one a packet.
QList<double> packetValues(const QString& file, const char* entry)
{
    const RunResult run =
        runProgram(QStringLiteral("ffprobe"),
                   {"-v", "error", "-select_streams", "v:0", "-show_entries",
                    QStringLiteral("packet=%1").arg(entry), "-of", "csv=p=0", file});
    QList<double> values;
    for (const QByteArray& line : run.output.split('\n')) {
        if (!line.trimmed().isEmpty())
            values.append(line.trimmed().toDouble());
    }
    return values;
}

double videoKbps(const QString& file)
{
    double bytes = 0;
    for (const double size : packetValues(file, "size"))
        bytes += size;
    return bytes * 8 / kSeconds / 1000;
}

// The mean PSNR of the file's pictures against the source's, the n-th
// decoded picture against the n-th. Times as ffmpeg's decoder guesses them
// would pair a picture with its neighbour where the file is right (MPEG-1 in
// AVI reads one frame late there, and mpv places it right); the slots are
// checked from the index instead.
double psnrInOrder(const QString& file, const QString& source)
{
    const RunResult run = runProgram(
        QStringLiteral("ffmpeg"),
        {"-hide_banner", "-nostats", "-i", file, "-i", source, "-lavfi",
         "[0:v]settb=1/25,setpts=N,format=yuv420p[a];[1:v]settb=1/25,setpts=N,format=yuv420p[b];"
         "[a][b]psnr",
         "-f", "null", "-"},
        60000);
    static const QRegularExpression average(QStringLiteral("PSNR .* average:([0-9.]+)"));
    return average.match(QString::fromUtf8(run.output)).captured(1).toDouble();
}

} // namespace

TEST(AviFrames, EveryAviProfileKeepsEachPictureInItsSlotAndItsEncodersQuality)
{
    const QStringList lines = aviOptionLines();
    ASSERT_GE(lines.size(), 7) << "profiles.pop lists too few AVI profiles";
    QTemporaryDir dir;
    // A detailed moving picture: a picture one slot off costs some 15 dB.
    const QString source = dir.filePath("source.mp4");
    ASSERT_TRUE(makeClip(source,
                         QStringList{"-f", "lavfi", "-i",
                                     QStringLiteral("testsrc2=d=%1:s=320x240:r=25").arg(kSeconds)} +
                             toneSource(kSeconds),
                         {"-ac", "2", "-c:v", "libx264", "-qp", "0", "-preset", "ultrafast",
                          "-pix_fmt", "yuv420p", "-c:a", "aac"}));
    const double bitrate = 1000000;
    int n = 0;
    for (const QString& line : lines) {
        SCOPED_TRACE(line.toStdString());
        const QStringList options = line.split(' ', Qt::SkipEmptyParts);
        const QString output = dir.filePath(QStringLiteral("out%1.avi").arg(++n));
        const RunResult run =
            runRegister(QStringList{"-y", "-i", source, "-r", "25", "-b", QString::number(bitrate),
                                    "-ab", "128000", "-ac", "2", "-aspect", "1.3333", "-s",
                                    "320x240", "-ar", "44100"} +
                        options + QStringList{output});
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

        // One picture in each slot from 0, as many as the source has: a sound
        // that started before 0 moved every stream, and left the slot at
        // 0.04 s empty.
        const QList<double> slotTimes = packetValues(output, "dts_time");
        ASSERT_EQ(slotTimes.size(), kFrames);
        for (int k = 0; k < kFrames; ++k)
            ASSERT_NEAR(slotTimes[k], k / 25.0, 0.001) << "picture " << k;

        // The same video encoder without sound or any of register.dat's
        // additions, at the bitrate the output holds: ffmpeg's own one-pass
        // encoders overshoot by a quarter when nothing holds them.
        const QString alone = dir.filePath(QStringLiteral("alone%1.avi").arg(n));
        const auto encodeAlone = [&](double asked) {
            QStringList videoOnly = {"-v",
                                     "error",
                                     "-nostdin",
                                     "-y",
                                     "-i",
                                     source,
                                     "-an",
                                     "-r",
                                     "25",
                                     "-b:v",
                                     QString::number(qRound(asked)),
                                     "-s",
                                     "320x240"};
            for (int i = 0; i + 1 < options.size(); i += 2) {
                if (!options[i].startsWith(QLatin1String("-a")))
                    videoOnly << options[i] << options[i + 1];
            }
            return runProgram(QStringLiteral("ffmpeg"), videoOnly + QStringList{alone}, 60000)
                .exitCode;
        };
        ASSERT_EQ(encodeAlone(bitrate), 0);
        const double held = videoKbps(output);
        if (videoKbps(alone) > held * 1.05)
            ASSERT_EQ(encodeAlone(bitrate * held / videoKbps(alone)), 0);
        const double own = psnrInOrder(alone, source);
        ASSERT_GT(own, 25);
        EXPECT_GT(psnrInOrder(output, source), own - 1.0)
            << videoKbps(alone) << " kb/s alone, " << held << " kb/s";
    }
}
