// Every profile of the catalogue converts a short clip through the real
// register.dat and ffmpeg with the choices it opens on, and ffprobe says
// whether the output is what the profile promises: its container, video
// exactly when the profile has video, sound, and the frame size asked for.
#include <cstdio>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "e2e/engine/engine_fixture.h"
#include "profiles/profilecatalogue.h"
#include "support/finishadd.h"

using namespace transcast;

namespace
{

// What ffprobe calls the container of each output extension (any one of
// the names it lists for the file will do).
struct ContainerRow {
    const char* extension;
    QStringList names;
};

const ContainerRow kContainers[] = {
    {".mp4", {"mp4"}},   {".3gp", {"3gp"}},        {".3g2", {"3g2"}},  {".mov", {"mov"}},
    {".m4a", {"m4a"}},   {".avi", {"avi"}},        {".wmv", {"asf"}},  {".asf", {"asf"}},
    {".wma", {"asf"}},   {".mkv", {"matroska"}},   {".mpg", {"mpeg"}}, {".mpeg", {"mpeg"}},
    {".vob", {"mpeg"}},  {".ts", {"mpegts"}},      {".flv", {"flv"}},  {".swf", {"swf"}},
    {".rm", {"rm"}},     {".ra", {"rm"}},          {".ogg", {"ogg"}},  {".wav", {"wav"}},
    {".aiff", {"aiff"}}, {".mp2", {"mp2", "mp3"}}, {".mp3", {"mp3"}},  {".ac3", {"ac3"}},
    {".aac", {"aac"}},   {".au", {"au"}},          {".amr", {"amr"}},  {".webm", {"webm"}},
    {".flac", {"flac"}}, {".opus", {"ogg"}},
};

QStringList containerNames(const QString& extension)
{
    for (const ContainerRow& row : kContainers) {
        if (extension.compare(QLatin1String(row.extension), Qt::CaseInsensitive) == 0)
            return row.names;
    }
    return {};
}

// Outputs that hold sound only, by extension.
bool isAudioOnly(const QString& extension)
{
    static const QStringList audio = {".aac",  ".ac3", ".mp3", ".ogg", ".ra",  ".wav",  ".wma",
                                      ".aiff", ".m4a", ".mp2", ".au",  ".amr", ".flac", ".opus"};
    return audio.contains(extension.toLower());
}

// The frame sizes the disc standards fix, by -target.
QString discFrameSize(const QString& target)
{
    static const QHash<QString, QString> sizes = {
        {"pal-vcd", "352x288"},   {"ntsc-vcd", "352x240"}, {"pal-svcd", "480x576"},
        {"ntsc-svcd", "480x480"}, {"pal-dvd", "720x576"},  {"ntsc-dvd", "720x480"},
    };
    return sizes.value(target);
}

constexpr const char* kSourceSize = "640x480";

// The one source clip, made once for the whole run: 640x480 at 25 fps with
// stereo sound at 44.1 kHz. Each profile runs as a process of its own (and
// two may run at once), so it lives beside the test program and is made
// under a private name, then renamed into place.
QString sharedClip()
{
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("matrix-source-640x480.avi"));
    if (QFileInfo(path).size() > 0)
        return path;
    const QString partial =
        path + QStringLiteral(".%1.avi").arg(QCoreApplication::applicationPid());
    EXPECT_TRUE(testclips::makeClip(
        partial,
        testclips::pictureSource(2, QString::fromLatin1(kSourceSize)) + testclips::toneSource(2),
        {"-ac", "2", "-c:v", "mpeg4", "-q:v", "3", "-c:a", "libmp3lame", "-shortest"}));
    std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData());
    return path;
}

// What ffprobe calls the streams the encoders of today's profiles write.
QString codecNameOf(const QString& encoder)
{
    static const QHash<QString, QString> names = {
        {"libx264", "h264"}, {"libx265", "hevc"}, {"libsvtav1", "av1"}, {"libvpx-vp9", "vp9"},
        {"aac", "aac"},      {"libopus", "opus"}, {"flac", "flac"},     {"alac", "alac"},
    };
    return names.value(encoder);
}

// The value after `option` in an option line, empty when it is not there.
QString optionValue(const QString& line, const QString& option)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const qsizetype at = words.lastIndexOf(option);
    return at >= 0 && at + 1 < words.size() ? words.at(at + 1) : QString();
}

double rateValue(const QString& fraction)
{
    const QStringList parts = fraction.split(QLatin1Char('/'));
    const double den = parts.size() == 2 ? parts.at(1).toDouble() : 1;
    return den > 0 ? parts.at(0).toDouble() / den : 0;
}

struct Probed {
    QString formatName;
    bool hasVideo = false;
    bool hasAudio = false;
    QString frameSize;
    QString videoCodec, videoTag, frameRate, audioCodec;
    QString error;
};

Probed ffprobe(const QString& file)
{
    Probed probed;
    const testclips::RunResult run = testclips::runProgram(
        QStringLiteral("ffprobe"),
        {"-v", "error", "-show_format", "-show_streams", "-of", "json", file}, 30000);
    if (!run.finished || run.exitCode != 0) {
        probed.error = QString::fromLocal8Bit(run.output);
        return probed;
    }
    // Merged channels: the JSON starts at the first brace.
    const QJsonObject root =
        QJsonDocument::fromJson(run.output.mid(run.output.indexOf('{'))).object();
    probed.formatName = root.value("format").toObject().value("format_name").toString();
    for (const QJsonValue& value : root.value("streams").toArray()) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value("codec_type").toString();
        const bool cover =
            stream.value("disposition").toObject().value("attached_pic").toInt() == 1;
        if (type == QLatin1String("video") && !cover && !probed.hasVideo) {
            probed.hasVideo = true;
            probed.frameSize = QStringLiteral("%1x%2")
                                   .arg(stream.value("width").toInt())
                                   .arg(stream.value("height").toInt());
            probed.videoCodec = stream.value("codec_name").toString();
            probed.videoTag = stream.value("codec_tag_string").toString();
            probed.frameRate = stream.value("avg_frame_rate").toString();
        } else if (type == QLatin1String("audio") && !probed.hasAudio) {
            probed.hasAudio = true;
            probed.audioCodec = stream.value("codec_name").toString();
        }
    }
    return probed;
}

std::vector<int> profilesWithNames()
{
    std::vector<int> profiles;
    for (int p = ProfileCatalogue::kFirstProfile; p <= ProfileCatalogue::kLastProfile; ++p) {
        if (ProfileCatalogue::hasDisplayName(p))
            profiles.push_back(p);
    }
    return profiles;
}

class ProfileMatrix : public EngineFixture, public ::testing::WithParamInterface<int>
{
};

} // namespace

TEST_P(ProfileMatrix, ConvertsAClipToWhatTheProfilePromises)
{
    const int profile = GetParam();
    const QString source = sharedClip();
    start(); // file mode, a fresh settings folder: the choices the profile opens on
    select(profile);
    const QString name = controller->profile().displayName();
    const QString extension = controller->profile().outputExtension();
    SCOPED_TRACE(QStringLiteral("profile %1 %2").arg(profile).arg(name).toStdString());

    controller->sources().addChosenFiles({source});
    transcast::testing::finishAdd(controller->sources());
    ASSERT_EQ(jobs().rowCount(), 1);
    const ConversionJob job = controller->jobBuilder().fileJob(0, false);
    SCOPED_TRACE(job.commandLine().toStdString());

    // The frame size asked for: the size fragment, the disc standard's own,
    // or the source's when the job names none.
    QString expectedSize = QString::fromLatin1(kSourceSize);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("-s (\\d+x\\d+)")).match(job.sizeArg);
    const QRegularExpressionMatch target =
        QRegularExpression(QStringLiteral("-target (\\S+)")).match(job.optionsArg);
    if (size.hasMatch())
        expectedSize = size.captured(1);
    else if (target.hasMatch())
        expectedSize = discFrameSize(target.captured(1));
    const bool expectVideo = !isAudioOnly(extension);
    EXPECT_EQ(controller->profile().noVideoMode(), !expectVideo)
        << "the profile's definition disagrees with its extension about video";

    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }, 120000));
    ASSERT_EQ(status(0), QStringLiteral("Finish"))
        << controller->jobs().row(0).failureReason.toStdString();

    const QFileInfoList outputs = QDir(outDir.path()).entryInfoList(QDir::Files);
    ASSERT_EQ(outputs.size(), 1);
    const QFileInfo output = outputs.first();
    EXPECT_EQ(output.fileName(), QStringLiteral("matrix-source-640x480") + extension);
    ASSERT_GT(output.size(), 0);

    const Probed probed = ffprobe(output.filePath());
    ASSERT_TRUE(probed.error.isEmpty()) << probed.error.toStdString();
    const QStringList expectedNames = containerNames(extension);
    ASSERT_FALSE(expectedNames.isEmpty()) << "no container known for " << extension.toStdString();
    const QStringList names = probed.formatName.split(QLatin1Char(','));
    EXPECT_TRUE(std::any_of(expectedNames.cbegin(), expectedNames.cend(),
                            [&](const QString& n) { return names.contains(n); }))
        << "container " << probed.formatName.toStdString() << ", expected one of "
        << expectedNames.join(' ').toStdString();
    EXPECT_EQ(probed.hasVideo, expectVideo);
    EXPECT_TRUE(probed.hasAudio);
    if (expectVideo) {
        EXPECT_EQ(probed.frameSize, expectedSize);
    }
    // Today's profiles (133 on): the codecs their line names, the tag it
    // asks for, and a rate no higher than its -fpsmax.
    if (profile >= 133) {
        const QString line = job.optionsArg;
        const QString video = codecNameOf(optionValue(line, QStringLiteral("-vcodec")));
        const QString audio = codecNameOf(optionValue(line, QStringLiteral("-acodec")));
        if (expectVideo) {
            EXPECT_FALSE(video.isEmpty()) << "no codec known for the line's -vcodec";
            EXPECT_EQ(probed.videoCodec, video);
            const QString tag = optionValue(line, QStringLiteral("-tag:v"));
            if (!tag.isEmpty())
                EXPECT_EQ(probed.videoTag, tag);
            const double ceiling = optionValue(line, QStringLiteral("-fpsmax")).toDouble();
            if (ceiling > 0) {
                EXPECT_GT(rateValue(probed.frameRate), 0) << probed.frameRate.toStdString();
                EXPECT_LE(rateValue(probed.frameRate), ceiling + 0.01)
                    << probed.frameRate.toStdString();
            }
        }
        EXPECT_FALSE(audio.isEmpty()) << "no codec known for the line's -acodec";
        EXPECT_EQ(probed.audioCodec, audio);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ProfileMatrix, ::testing::ValuesIn(profilesWithNames()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "P" + std::to_string(info.param);
                         });
