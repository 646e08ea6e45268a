// A 5.1 source folded into a stereo profile cannot clip, and its dialogue
// (the centre channel) still reaches both speakers.
#include <cmath>

#include <QTemporaryDir>

#include "clips.h"

using namespace transcast::testclips;

namespace
{

// The decoded sound as 16-bit samples, channels interleaved.
QVector<qint16> samplesOf(const QString& file)
{
    const RunResult run = runProgram(
        QStringLiteral("ffmpeg"),
        {"-v", "error", "-i", file, "-f", "s16le", "-c:a", "pcm_s16le", "-ac", "2", "-"}, 60000);
    QVector<qint16> samples(run.output.size() / 2);
    std::memcpy(samples.data(), run.output.constData(), size_t(samples.size()) * 2);
    return samples;
}

double rmsOf(const QVector<qint16>& samples)
{
    double sum = 0;
    for (const qint16 sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / std::max<qsizetype>(1, samples.size()));
}

// A 3 s AC3 source of `layout`, each channel's expression given.
::testing::AssertionResult makeSound(const QString& path, const QString& channels,
                                     const QString& layout)
{
    return makeClip(
        path,
        {"-f", "lavfi", "-i", QStringLiteral("aevalsrc=%1:c=%2:s=48000:d=3").arg(channels, layout)},
        {"-c:a", "ac3", "-b:a", "448k"});
}

QVector<qint16> convertedForStereo(const QString& source, const QString& output)
{
    const RunResult run = runRegister({"-y", "-i", source, "-ab", "128000", "-ar", "44100", "-ac",
                                       "2", "-vn", "-acodec", "aac", "-f", "ipod", output});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return samplesOf(output);
}

} // namespace

TEST(Downmix, ALoud51MixFoldsIntoStereoWithoutClippingAndKeepsItsCentre)
{
    QTemporaryDir dir;
    const QString tone = QStringLiteral("0.6*sin(2*PI*500*t)"); // -4.4 dBFS
    const QString silent = QStringLiteral("0");
    ASSERT_TRUE(makeSound(dir.filePath("loud.ac3"), QStringList(6, tone).join('|'), "5.1"));
    const QVector<qint16> loud =
        convertedForStereo(dir.filePath("loud.ac3"), dir.filePath("loud.m4a"));
    ASSERT_FALSE(loud.isEmpty());
    const int peak = std::abs(*std::max_element(loud.begin(), loud.end(), [](qint16 a, qint16 b) {
        return std::abs(int(a)) < std::abs(int(b));
    }));
    EXPECT_LT(peak, 32767);
    EXPECT_EQ(
        std::count_if(loud.begin(), loud.end(), [](qint16 s) { return s == 32767 || s == -32768; }),
        0);

    // Dialogue alone in the centre, against a stereo source holding it as a
    // phantom centre (-3 dB in each speaker, as a stereo mix carries it).
    // The fold-down is scaled so that its weights add up to 1 (1 + 0.707
    // centre + 0.707 surround): the centre comes out 7.7 dB below it, and
    // never silent or louder than the mix it sits in.
    ASSERT_TRUE(makeSound(dir.filePath("centre.ac3"),
                          QStringList{silent, silent, tone, silent, silent, silent}.join('|'),
                          "5.1"));
    const QString phantom = QStringLiteral("0.4243*sin(2*PI*500*t)");
    ASSERT_TRUE(makeSound(dir.filePath("phantom.ac3"), phantom + "|" + phantom, "stereo"));
    const double centre =
        rmsOf(convertedForStereo(dir.filePath("centre.ac3"), dir.filePath("centre.m4a")));
    const double stereo =
        rmsOf(convertedForStereo(dir.filePath("phantom.ac3"), dir.filePath("phantom.m4a")));
    ASSERT_GT(stereo, 0);
    EXPECT_NEAR(20 * std::log10(centre / stereo), -7.7, 1.0);
}
