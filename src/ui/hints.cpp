#include "ui/hints.h"

#include <QLatin1String>

namespace transcast
{

namespace
{

// Texts 1..24; 0 is the welcome line, built from the program title.
constexpr const char* kHintTexts[Hints::Count] = {
    nullptr,
    "Click the button to add DVD discs.",
    "Click the button to add IFO files.",
    "Click the Profile combobox to change the output format.",
    "Click the audio combobox to change channels.",
    "Click the subtitle combobox to change the subtitles.",
    "Click the video size combobox to change the width and height of the video output.",
    "Click the video quality combobox to change the quality of the video output.",
    "Click the audio quality combobox to change the audio quality of the video output.",
    "Click the Channels combobox to choose the audio output whether stereo or not.",
    "Click the button to play.",
    "Click the button to pause.",
    "Click the button to stop playing.",
    "It is used to show the progress of the player.",
    "It is used to show the elapsed playing time.",
    "Click the button to switch the display of the DVD title.",
    "Click the button, you can cut DVD movies.",
    "Click the button, you can convert to the video format you need.",
    "Click the button to stop converting.",
    "Click the button to change the target folder.",
    "Click the button to open the target folder.",
    "Click the button to add the folder that contains video files.",
    "Click the button to add video files.",
    "Click the button to remove video from list.",
    "Click the button to clear video from list.",
};

struct NamedHint {
    const char* objectName;
    int hintIndex;
};

constexpr NamedHint kObjectHints[] = {
    {"profiles", 3}, {"profilestext", 3}, {"openfiles", 22},     {"chapter", 15},
    {"ifoopen", 2},  {"dvdopen", 1},      {"openfolder", 21},    {"converter", 17},
    {"remove", 23},  {"clear", 24},       {"stopconverter", 18}, {"browse", 19},
    {"open", 20},    {"play", 10},        {"stopplay", 12},      {"pause", 11},
    {"cutter", 16},  {"play_bar", 13},    {"play_time", 14},     {"audio", 4},
    {"subtitle", 5}, {"video_size", 6},   {"video_quality", 7},  {"audio_quality", 8},
    {"channels", 9},
};

} // namespace

int Hints::hintIndex(const QString& objectName)
{
    for (const auto& entry : kObjectHints) {
        if (objectName == QLatin1String(entry.objectName))
            return entry.hintIndex;
    }
    return Welcome;
}

QString Hints::hintText(int hintIndex, const QString& programTitle)
{
    if (hintIndex == Welcome)
        return QStringLiteral("Welcome to use ") + programTitle + QLatin1Char('.');
    if (hintIndex < 0 || hintIndex >= Count)
        return QString();
    return QLatin1String(kHintTexts[hintIndex]);
}

QString Hints::hintFor(const QString& objectName, const QString& programTitle)
{
    return hintText(hintIndex(objectName), programTitle);
}

} // namespace transcast
