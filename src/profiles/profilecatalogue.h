#pragma once

#include <QString>

namespace transcast
{

// The fixed list of output profiles: number (1..148), display name and the
// category whose picker panel holds it. 132 numbers have a display name; the
// others (26, 33, 40, ..., 132) still own a group in profiles.pop but show nothing.
class ProfileCatalogue
{
public:
    static constexpr int kFirstProfile = 1;
    static constexpr int kLastProfile = 148;
    // Today's formats and devices, the last category, run from here to the end.
    static constexpr int kFirstTodayProfile = 133;
    static constexpr int kCategoryCount = 14;

    // The display name, or a null string when the number has no row.
    static QString displayName(int profile);
    static bool hasDisplayName(int profile) { return !displayName(profile).isNull(); }
    // What the profile is for, in a line, where its name does not say it all
    // (today's formats and devices); empty for the others.
    static QString hint(int profile);

    // 1 video, 2 audio, 3 ipod, 4 iphone, 5 gphone, 6 appletv, 7 psp, 8 xbox,
    // 9 phone, 10 win, 11 pmp, 12 hd, 13 animation, 14 today's formats and
    // devices; 0 outside 1..148.
    static int category(int profile);

    // The output extension a display name asks for: the text after its first
    // "*" up to, not including, its last character ("...(*.avi)" -> ".avi",
    // "...(*.MP4)" -> ".MP4"). Compared case-sensitively everywhere.
    static QString extensionOf(const QString& displayName);
};

} // namespace transcast
