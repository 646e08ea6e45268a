#include "sources/filetracks.h"

#include <QJsonArray>

#include "dvd/tracktext.h"

namespace transcast
{

namespace
{

// Files tag languages with ISO 639-2 codes, bibliographic ("ger") or
// terminological ("deu"); the disc's names go by ISO 639-1.
QString twoLetterCode(const QString& code)
{
    static const struct {
        const char* three;
        const char* two;
    } codes[] = {
        {"aar", "aa"}, {"alb", "sq"}, {"ara", "ar"}, {"arm", "hy"}, {"baq", "eu"}, {"bul", "bg"},
        {"cat", "ca"}, {"ces", "cs"}, {"chi", "zh"}, {"cym", "cy"}, {"cze", "cs"}, {"dan", "da"},
        {"deu", "de"}, {"dut", "nl"}, {"ell", "el"}, {"eng", "en"}, {"epo", "eo"}, {"est", "et"},
        {"eus", "eu"}, {"fas", "fa"}, {"fin", "fi"}, {"fra", "fr"}, {"fre", "fr"}, {"geo", "ka"},
        {"ger", "de"}, {"gle", "ga"}, {"glg", "gl"}, {"gre", "el"}, {"heb", "he"}, {"hin", "hi"},
        {"hrv", "hr"}, {"hun", "hu"}, {"hye", "hy"}, {"ice", "is"}, {"ind", "id"}, {"isl", "is"},
        {"ita", "it"}, {"jpn", "ja"}, {"kat", "ka"}, {"kor", "ko"}, {"lat", "la"}, {"lav", "lv"},
        {"lit", "lt"}, {"mac", "mk"}, {"may", "ms"}, {"mkd", "mk"}, {"mlt", "mt"}, {"msa", "ms"},
        {"nld", "nl"}, {"nor", "no"}, {"per", "fa"}, {"pol", "pl"}, {"por", "pt"}, {"ron", "ro"},
        {"rum", "ro"}, {"rus", "ru"}, {"slk", "sk"}, {"slo", "sk"}, {"slv", "sl"}, {"spa", "es"},
        {"sqi", "sq"}, {"srp", "sr"}, {"swe", "sv"}, {"tam", "ta"}, {"tha", "th"}, {"tur", "tr"},
        {"ukr", "uk"}, {"vie", "vi"}, {"wel", "cy"}, {"zho", "zh"},
    };
    for (const auto& entry : codes)
        if (code == QLatin1String(entry.three))
            return QString::fromLatin1(entry.two);
    return code;
}

QString languageName(const QString& code)
{
    return QString::fromStdString(dvd::languageText(twoLetterCode(code).toStdString()));
}

QString codecName(const QString& codec)
{
    if (codec == QLatin1String("subrip"))
        return QStringLiteral("SRT");
    if (codec == QLatin1String("hdmv_pgs_subtitle"))
        return QStringLiteral("PGS");
    if (codec == QLatin1String("dvd_subtitle"))
        return QStringLiteral("VobSub");
    if (codec.startsWith(QLatin1String("pcm_")))
        return QStringLiteral("PCM");
    return codec.toUpper();
}

QString textOf(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

// A whole number from 0 the record holds; -1 when it holds none.
int indexOf(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    const double number = value.toDouble(-1);
    return value.isDouble() && number >= 0 && number <= 100000 && number == int(number)
               ? int(number)
               : -1;
}

} // namespace

int FileTracks::audioPosition() const
{
    if (audio.empty())
        return -1;
    if (audioChoice >= 0)
        return audioChoice;
    for (size_t i = 0; i < audio.size(); ++i)
        if (audio[i].preferred)
            return static_cast<int>(i);
    return 0;
}

bool FileTracks::chooseAudio(int position)
{
    if (position < 0 || position >= static_cast<int>(audio.size()))
        return false;
    audioChoice = position;
    return true;
}

bool FileTracks::chooseSubtitle(int position)
{
    if (position < 0 || position > static_cast<int>(subtitles.size()))
        return false;
    subtitleChoice = position;
    return true;
}

QStringList FileTracks::encoderEnvironment() const
{
    QStringList environment;
    if (audioChoice >= 0 && audioChoice < static_cast<int>(audio.size()))
        environment << QStringLiteral("TRANSCAST_AUDIO_STREAM=%1")
                           .arg(audio[size_t(audioChoice)].streamIndex);
    if (subtitleChoice > 0 && subtitleChoice <= static_cast<int>(subtitles.size()))
        environment << QStringLiteral("TRANSCAST_BURN_SUBTITLE=%1")
                           .arg(subtitles[size_t(subtitleChoice - 1)].streamIndex);
    return environment;
}

QJsonObject FileTracks::toJson() const
{
    QJsonArray sounds;
    for (const FileAudioTrack& track : audio)
        sounds.append(QJsonObject{{QStringLiteral("stream"), track.streamIndex},
                                  {QStringLiteral("language"), track.language},
                                  {QStringLiteral("codec"), track.codec},
                                  {QStringLiteral("channels"), track.channels},
                                  {QStringLiteral("preferred"), track.preferred}});
    QJsonArray texts;
    for (const FileSubtitleTrack& track : subtitles)
        texts.append(QJsonObject{{QStringLiteral("stream"), track.streamIndex},
                                 {QStringLiteral("language"), track.language},
                                 {QStringLiteral("codec"), track.codec},
                                 {QStringLiteral("text"), track.text}});
    return {{QStringLiteral("audio"), sounds},
            {QStringLiteral("subtitles"), texts},
            {QStringLiteral("audioChoice"), audioChoice},
            {QStringLiteral("subtitleChoice"), subtitleChoice}};
}

FileTracks FileTracks::fromJson(const QJsonObject& object)
{
    FileTracks tracks;
    // Each entry of a list, or none of them when one names no stream.
    const auto read = [&object](const char* key, const auto& add) {
        for (const QJsonValue& value : object.value(QLatin1String(key)).toArray()) {
            const QJsonObject entry = value.toObject();
            const int stream = indexOf(entry, "stream");
            if (stream < 0)
                return false;
            add(entry, stream, textOf(entry, "language"), textOf(entry, "codec"));
        }
        return true;
    };
    const bool whole =
        read("audio",
             [&tracks](const QJsonObject& entry, int stream, QString language, QString codec) {
                 tracks.audio.push_back({stream, language, codec,
                                         qMax(0, indexOf(entry, "channels")),
                                         entry.value(QLatin1String("preferred")).toBool()});
             }) &&
        read("subtitles",
             [&tracks](const QJsonObject& entry, int stream, QString language, QString codec) {
                 tracks.subtitles.push_back(
                     {stream, language, codec, entry.value(QLatin1String("text")).toBool()});
             });
    if (!whole)
        return FileTracks();
    tracks.chooseAudio(indexOf(object, "audioChoice"));
    tracks.chooseSubtitle(indexOf(object, "subtitleChoice"));
    return tracks;
}

QString fileAudioText(const FileAudioTrack& track)
{
    return QStringLiteral("%1 %2 %3ch")
        .arg(languageName(track.language), codecName(track.codec))
        .arg(track.channels);
}

QString fileSubtitleText(const FileSubtitleTrack& track)
{
    return QStringLiteral("%1 %2 (%3)")
        .arg(languageName(track.language), codecName(track.codec),
             track.text ? QStringLiteral("text") : QStringLiteral("picture"));
}

} // namespace transcast
