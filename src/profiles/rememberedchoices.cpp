#include "profiles/rememberedchoices.h"

#include "profiles/optionboxes.h"
#include "profiles/profilecatalogue.h"

namespace transcast
{

namespace
{

const QString kSize = QStringLiteral("size");
const QString kVideo = QStringLiteral("video bitrate");
const QString kAudio = QStringLiteral("audio bitrate");
const QString kChannel = QStringLiteral("Channel");

bool in(int value, int first, int last)
{
    return value >= first && value <= last;
}

struct DefaultRow {
    int first, last;
    RememberedChoices::Defaults positions; // file mode
};

// File-mode defaults; position 5 is the source-quality entry where offered.
// clang-format off
constexpr DefaultRow kDefaultRows[] = {
    {1, 1, {0, 5, 5}},     {112, 114, {0, 5, 5}}, {2, 3, {4, 5, 5}},     {5, 6, {4, 5, 5}},
    {10, 13, {4, 5, 5}},   {102, 108, {4, 5, 5}}, {125, 130, {4, 5, 5}}, {4, 4, {5, 5, 5}},
    {110, 110, {5, 5, 5}}, {7, 7, {1, 5, 5}},     {14, 14, {1, 5, 5}},   {8, 9, {2, 5, 5}},
    {111, 111, {2, 5, 5}}, {27, 32, {0, 2, 2}},   {34, 39, {0, 2, 2}},   {41, 44, {0, 2, 2}},
    {46, 51, {0, 2, 2}},   {53, 54, {0, 2, 2}},   {56, 57, {0, 2, 2}},   {60, 60, {0, 2, 2}},
    {70, 70, {0, 2, 2}},   {72, 73, {0, 2, 2}},   {75, 76, {0, 2, 2}},   {78, 79, {0, 2, 2}},
    {81, 81, {0, 2, 2}},   {86, 88, {0, 2, 2}},   {115, 116, {0, 2, 2}}, {55, 55, {2, 2, 2}},
    {58, 58, {2, 2, 2}},   {61, 66, {2, 2, 2}},   {68, 68, {2, 2, 2}},   {91, 97, {2, 2, 2}},
    {69, 69, {1, 2, 2}},   {77, 77, {1, 2, 2}},   {83, 85, {1, 2, 2}},   {89, 89, {1, 2, 2}},
    {99, 100, {4, 2, 2}},  {118, 123, {5, 2, 2}},
    // Today's profiles: the format ones keep the source's frame size (their
    // last size entry), the device and site ones open on their own size.
    {133, 138, {5, 2, 2}}, {139, 141, {2, 2, 2}}, {142, 144, {1, 2, 2}}, {145, 145, {2, 2, 2}},
};
// clang-format on

int dvdPosition(int filePosition)
{
    return filePosition == 5 ? 2 : filePosition;
}

} // namespace

RememberedChoices::Kind RememberedChoices::kindOf(int profile)
{
    if (in(profile, 15, 25) || profile == 71 || profile == 80 || in(profile, 146, 148))
        return Kind::AudioOnly;
    if (profile == 33 || profile == 40 || profile == 45 || profile == 59)
        return Kind::AudioReadOnly;
    for (const DefaultRow& row : kDefaultRows) {
        if (in(profile, row.first, row.last))
            return Kind::Full;
    }
    return Kind::None;
}

RememberedChoices::Defaults RememberedChoices::defaultsFor(int profile, bool dvdMode)
{
    Defaults defaults;
    switch (kindOf(profile)) {
    case Kind::None:
        return defaults;
    case Kind::AudioOnly:
    case Kind::AudioReadOnly:
        defaults.audio = 2;
        return defaults;
    case Kind::Full:
        break;
    }
    for (const DefaultRow& row : kDefaultRows) {
        if (in(profile, row.first, row.last)) {
            defaults = row.positions;
            break;
        }
    }
    if (dvdMode) {
        // Today's profiles offer the source's frame size in both modes, so
        // their size default stays where it is.
        if (profile < ProfileCatalogue::kFirstTodayProfile)
            defaults.size = dvdPosition(defaults.size);
        defaults.video = dvdPosition(defaults.video);
        defaults.audio = dvdPosition(defaults.audio);
    }
    return defaults;
}

void RememberedChoices::save(int profile, const OptionBoxes& boxes)
{
    const Kind kind = kindOf(profile);
    if (kind == Kind::None || kind == Kind::AudioReadOnly || !hasFile())
        return;
    const QString section = QString::number(profile);
    if (kind == Kind::Full) {
        m_file.writeInteger(section, kSize, boxes.size.currentIndex());
        m_file.writeInteger(section, kVideo, boxes.videoBitrate.currentIndex());
    }
    m_file.writeInteger(section, kAudio, boxes.audioBitrate.currentIndex());
    m_file.writeInteger(section, kChannel, boxes.channel.currentIndex());
}

void RememberedChoices::restore(int profile, OptionBoxes& boxes, bool dvdMode) const
{
    const Kind kind = kindOf(profile);
    if (kind == Kind::None)
        return;
    const Defaults defaults = defaultsFor(profile, dvdMode);
    const QString section = QString::number(profile);
    if (kind == Kind::Full) {
        boxes.size.setCurrentIndex(m_file.readInteger(section, kSize, defaults.size));
        boxes.videoBitrate.setCurrentIndex(m_file.readInteger(section, kVideo, defaults.video));
    }
    boxes.audioBitrate.setCurrentIndex(m_file.readInteger(section, kAudio, defaults.audio));
}

} // namespace transcast
