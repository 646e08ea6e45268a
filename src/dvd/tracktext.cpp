#include "tracktext.h"

#include <cstdio>

namespace transcast::dvd
{

namespace
{

// The languages discs carry most, by ISO 639-1 code, with English names.
const char* languageName(const std::string& code)
{
    static const struct {
        char code[3];
        const char* name;
    } names[] = {
        {"aa", "Afar"},       {"ar", "Arabic"},    {"bg", "Bulgarian"},  {"ca", "Catalan"},
        {"cs", "Czech"},      {"cy", "Welsh"},     {"da", "Danish"},     {"de", "German"},
        {"el", "Greek"},      {"en", "English"},   {"eo", "Esperanto"},  {"es", "Spanish"},
        {"et", "Estonian"},   {"eu", "Basque"},    {"fa", "Persian"},    {"fi", "Finnish"},
        {"fr", "French"},     {"ga", "Irish"},     {"gl", "Galician"},   {"he", "Hebrew"},
        {"hi", "Hindi"},      {"hr", "Croatian"},  {"hu", "Hungarian"},  {"hy", "Armenian"},
        {"id", "Indonesian"}, {"is", "Icelandic"}, {"it", "Italian"},    {"iw", "Hebrew"},
        {"ja", "Japanese"},   {"ka", "Georgian"},  {"ko", "Korean"},     {"la", "Latin"},
        {"lt", "Lithuanian"}, {"lv", "Latvian"},   {"mk", "Macedonian"}, {"ms", "Malay"},
        {"mt", "Maltese"},    {"nl", "Dutch"},     {"no", "Norwegian"},  {"pl", "Polish"},
        {"pt", "Portuguese"}, {"ro", "Romanian"},  {"ru", "Russian"},    {"sk", "Slovak"},
        {"sl", "Slovenian"},  {"sq", "Albanian"},  {"sr", "Serbian"},    {"sv", "Swedish"},
        {"ta", "Tamil"},      {"th", "Thai"},      {"tr", "Turkish"},    {"uk", "Ukrainian"},
        {"vi", "Vietnamese"}, {"zh", "Chinese"},
    };
    for (const auto& entry : names)
        if (code == entry.code)
            return entry.name;
    return nullptr;
}

const char* codingText(AudioCoding coding)
{
    switch (coding) {
    case AudioCoding::Ac3:
        return "AC3";
    case AudioCoding::Mpeg1:
        return "MPEG1";
    case AudioCoding::Mpeg2:
        return "MPEG2";
    case AudioCoding::Lpcm:
        return "LPCM";
    case AudioCoding::Sdds:
        return "SDDS";
    case AudioCoding::Dts:
        return "DTS";
    case AudioCoding::Unknown:
        break;
    }
    return "Unknown";
}

} // namespace

std::string languageText(const std::string& code)
{
    if (code.empty())
        return "Unknown";
    const char* name = languageName(code);
    return name != nullptr ? name : code;
}

std::string streamIdText(int streamId)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", streamId & 0xFF);
    return text;
}

std::string audioText(const AudioTrack& track)
{
    return languageText(track.language) + " " + codingText(track.coding) + " " +
           std::to_string(track.channels) + "ch (" + streamIdText(track.streamId) + ")";
}

std::string subtitleText(const SubtitleTrack& track)
{
    return languageText(track.language) + " (" + streamIdText(track.streamId) + ")";
}

std::string videoText(const VideoTrack& track)
{
    return std::string(track.coding == VideoCoding::Mpeg1 ? "MPEG-1" : "MPEG-2") + " " +
           std::to_string(track.width) + "x" + std::to_string(track.height) + " " +
           (track.standard == VideoStandard::Pal ? "PAL" : "NTSC") + " " +
           (track.aspect == DisplayAspect::SixteenNine ? "16:9" : "4:3");
}

} // namespace transcast::dvd
