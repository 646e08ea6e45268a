#include "profiles/profilecatalogue.h"

namespace transcast
{

namespace
{

struct Entry {
    int profile;
    const char16_t* name;
};

// The multiplication sign in the device names is U+00D7, and the odd
// spellings ("Dingtal", "Auido", "(*.MP4)") are the names users know.
constexpr Entry kNames[] = {
    {1, u"ASF-Advanced Streaming Format(*.asf)"},
    {2, u"AVI-DivX Movie(*.avi)"},
    {3, u"AVI-XviD Movie(*.avi)"},
    {4, u"MP4-MPEG-4 Video(*.mp4)"},
    {5, u"MP4-MPEG-4 AVC Video(*.mp4)"},
    {6, u"RM-Real Video(*.rm)"},
    {7, u"WMV-Windows Media Video(*.wmv)"},
    {8, u"3GPP-3rd Generation Partnership Project(*.3gp)"},
    {9, u"3GPP2-3rd Generation Partnership Project2(*.3g2)"},
    {10, u"MOV-Quick Time(*.mov)"},
    {11, u"FLV - Flash Video Format(*.flv)"},
    {12, u"SWF - SWF Format(*.swf)"},
    {13, u"RM-Real Video(*.rm)"},
    {14, u"WMV-Windows Media Video(*.wmv)"},
    {15, u"AAC-Advanced Audio Coding(*.aac)"},
    {16, u"AC3-Dolby Dingtal AC-3(*.ac3)"},
    {17, u"MP3-MPEG Layer-3Audio(*.mp3)"},
    {18, u"OGG-Ogg Vorbis Audio(*.ogg)"},
    {19, u"RA-Real Auido(*.ra)"},
    {20, u"WAV-Waveform Auido(*.wav)"},
    {21, u"WMA-Windows Media Audio(*.wma)"},
    {22, u"AIFF-Audio Interchange File Format(*.aiff)"},
    {23, u"M4A-MPEG-4 Auido(*.m4a)"},
    {24, u"MP2-MPEG Layer-2 Audio(*.mp2)"},
    {25, u"SUN AU Format(*.au)"},
    {27, u"iPod(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {28, u"iPod(320\u00D7240)MPEG-4 AVC Codec(*.mp4)"},
    {29, u"iPod(480\u00D7320)MPEG-4 Codec(*.mp4)"},
    {30, u"iPod(480\u00D7320)MPEG-4 AVC Codec(*.mp4)"},
    {31, u"iPod(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {32, u"iPod(640\u00D7480)MPEG-4 AVC Codec(*.mp4)"},
    {34, u"iPhone(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {35, u"iPhone(320\u00D7240)MPEG-4 AVC Codec(*.mp4)"},
    {36, u"iPhone(480\u00D7320)MPEG-4 Codec(*.mp4)"},
    {37, u"iPhone(480\u00D7320)MPEG-4 AVC Codec(*.mp4)"},
    {38, u"iPhone(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {39, u"iPhone(640\u00D7480)MPEG-4 AVC Codec(*.mp4)"},
    {41, u"GPhone(320\u00D7240)MPEG-4 Codec(*.mp4)"},
    {42, u"GPhone(320\u00D7240)H.264 Codec(*.mp4)"},
    {43, u"GPhone(640\u00D7480)MPEG-4 Codec(*.mp4)"},
    {44, u"GPhone(640\u00D7480)H.264 Codec(*.mp4)"},
    {46, u"Apple TV MPEG-4 480P(640\u00D7480)(*.mp4)"},
    {47, u"Apple TV MPEG-4 720P(1280\u00D7720)(*.mp4)"},
    {48, u"Apple TV MPEG-4 (320\u00D7240)(*.mp4)"},
    {49, u"Apple TV h264 480P(640\u00D7480)(*.mp4)"},
    {50, u"Apple TV h264 720P(1280\u00D7720)(*.mp4)"},
    {51, u"Apple TV h264(320\u00D7240)(*.mp4)"},
    {53, u"PS3 Video(1080P)MPEG-4(*.MP4)"},
    {54, u"PS3 Video(720P)MPEG-4(*.MP4)"},
    {55, u"PS3 Video(480P)MPEG-4(*.MP4)"},
    {56, u"PSP-PSP MPEG-4 Video(*.mp4)"},
    {57, u"PSP AVC Video Format(*.mp4)"},
    {58, u"PSP Video(480P)MPEG-4(*.mp4)"},
    {60, u"Xbox360 WMV Movie(*.wmv)"},
    {61, u"Xbox360 WMV HDTV Video(*.wmv)"},
    {62, u"Xbox360 MPEG-4 AVC Video(*.mp4)"},
    {63, u"Xbox360 HD MPEG-4 AVC Video(*.mp4)"},
    {64, u"Xbox360 MPEG4 Video(*.mp4)"},
    {65, u"Xbox360 HD MPEG-4 Video(*.mp4)"},
    {66, u"Xbox360 MCE HD MPEG2 Video(*.mpeg)"},
    {68, u"3GPP-3rd Generation Partnership Project(*.3gp)"},
    {69, u"3GPP2-3rd Generation Partnership Project2(*.3g2)"},
    {70, u"BlackBerry 3GP Video(*.3gp)"},
    {71, u"BlackBerry AMR Audio(*.amr)"},
    {72, u"BlackBerry AVI Audio(*.avi)"},
    {73, u"BlackBerry MPEG-4 Video(*.mp4)"},
    {75, u"Dell Axim X51 Video(*.wmv)"},
    {76, u"General Pocket PC Video(*.wmv)"},
    {77, u"HP iPAQ hw6500 series Video(*.wmv)"},
    {78, u"HP iPAQ hx2000/rx3000/rx1900 series Video(*.wmv)"},
    {79, u"HP iPAQ hx4700 series Video(*.wmv)"},
    {80, u"WMA-Windows Media Audio(*.wma)"},
    {81, u"WMV-Windows Media Video(*.wmv)"},
    {83, u"Archos AV500/GMini402 Video(*.avi)"},
    {84, u"Archos AV700 Video(*.avi)"},
    {85, u"Creative Zen Vision Video(*.avi)"},
    {86, u"Zune MPEG-4 AVC Video Format(*.mp4)"},
    {87, u"Zune MPEG-4 Video(*.mp4)"},
    {88, u"Zune WMV-Windows Media Video(*.wmv)"},
    {89, u"iRiver PMP-100 Video(*.avi)"},
    {91, u"HD AVI Video(*.avi)"},
    {92, u"HD MPEG-4 Video(*.mp4)"},
    {93, u"HD MPEG-4 AVC Video(*.mp4)"},
    {94, u"HD MOV Video(*.mov)"},
    {95, u"HD MPEG-2 TS Video(*.ts)"},
    {96, u"HD MPEG2 Video(*.mpg)"},
    {97, u"HD WMV Video(*.wmv)"},
    {99, u"FLV - Flash Video Format(*.flv)"},
    {100, u"SWF - SWF Format(*.swf)"},
    {102, u"AVI - H264 Movie(*.avi)"},
    {103, u"AVI - DivX Movie(*.avi)"},
    {104, u"AVI - XviD Movie(*.avi)"},
    {105, u"AVI - MPEG-4 Movie(*.avi)"},
    {106, u"AVI - MSMPEG4 Movie(*.avi)"},
    {107, u"AVI - MPEG Movie(*.avi)"},
    {108, u"AVI - WMV Movie(*.avi)"},
    {110, u"MPEG-1 Movie(*.mpg)"},
    {111, u"MPEG-2 Movie(*.mpg)"},
    {112, u"Video CD - MPEG PS Format(*.mpg)"},
    {113, u"Super Video CD - MPEG2 PS Format(*.mpg)"},
    {114, u"DVD - MPEG2 PS Format(*.vob)"},
    {115, u"HD MPEG-2 Video(*.mpeg)"},
    {116, u"HD MPEG-2 TS Video(*.ts)"},
    {118, u"MP4 - MPEG4 Video Mini(*.mp4)"},
    {119, u"MP4 - MPEG4 Video Normal(*.mp4)"},
    {120, u"MP4 - MPEG4 Video Excellent(*.mp4)"},
    {121, u"MP4 - H.264 Video Mini(*.mp4)"},
    {122, u"MP4 - H.264 Video Normal(*.mp4)"},
    {123, u"MP4 - H.264 Video Excellent(*.MP4)"},
    {125, u"MKV - H264 Movie(*.mkv)"},
    {126, u"MKV - DivX Movie(*.mkv)"},
    {127, u"MKV - XviD Movie(*.mkv)"},
    {128, u"MKV - MPEG-4 Movie(*.mkv)"},
    {129, u"MKV - MSMPEG4 Movie(*.mkv)"},
    {130, u"MKV - MPEG Movie(*.mkv)"},
    {131, u"MKV - WMV Movie(*.mkv)"},
    // Today's formats, devices and sites.
    {133, u"MP4 - H.265 HEVC Video(*.mp4)"},
    {134, u"MKV - H.265 HEVC Video(*.mkv)"},
    {135, u"MP4 - AV1 Video(*.mp4)"},
    {136, u"MKV - AV1 Video(*.mkv)"},
    {137, u"WebM - VP9 Video(*.webm)"},
    {138, u"WebM - AV1 Video(*.webm)"},
    {139, u"Phone H.264 1080P up to 60fps(*.mp4)"},
    {140, u"Phone H.265 HEVC 1080P up to 60fps(*.mp4)"},
    {141, u"4K TV H.265 HEVC 2160P(*.mp4)"},
    {142, u"Streaming Stick H.264 1080P(*.mp4)"},
    {143, u"Tablet H.264 Video(*.mp4)"},
    {144, u"Video Site Upload H.264(*.mp4)"},
    {145, u"Small Share H.264 720P under 25MB(*.mp4)"},
    {146, u"FLAC - Free Lossless Audio Codec(*.flac)"},
    {147, u"Opus - Opus Audio(*.opus)"},
    {148, u"M4A - Apple Lossless Audio(*.m4a)"},
};

constexpr Entry kHints[] = {
    {133, u"half the size of H.264; Apple, phones and TVs of today"},
    {134, u"HEVC for media servers and players that read MKV"},
    {135, u"smaller still than HEVC, for players with AV1"},
    {136, u"AV1 and Opus for media servers and players"},
    {137, u"VP9 and Opus for web pages: every browser plays it"},
    {138, u"AV1 and Opus for web pages"},
    {139, u"any phone of today; 50 and 60 fps sources kept"},
    {140, u"phones since 2017: H.264's picture in half the size"},
    {141, u"up to 3840x2160, 10-bit where the source is"},
    {142, u"sticks and set-top boxes, High 4.1"},
    {143, u"H.264 High at tablet screen sizes"},
    {144, u"the sites' recommended rates, AAC at 48 kHz"},
    {145, u"messengers and mail: under 25 MB up to ten minutes"},
    {146, u"lossless, about half the size of WAV"},
    {147, u"the best sound per byte for speech and music"},
    {148, u"lossless, for Apple Music, iTunes and iPhone"},
};

} // namespace

QString ProfileCatalogue::hint(int profile)
{
    for (const Entry& entry : kHints) {
        if (entry.profile == profile)
            return QString::fromUtf16(entry.name);
    }
    return QString();
}

QString ProfileCatalogue::displayName(int profile)
{
    for (const Entry& entry : kNames) {
        if (entry.profile == profile)
            return QString::fromUtf16(entry.name);
    }
    return QString();
}

int ProfileCatalogue::category(int profile)
{
    struct Range {
        int first, last, category;
    };
    // Buttons by picker panel; the fly-out panels belong to video.
    static constexpr Range kRanges[] = {
        {1, 14, 1},   {15, 26, 2},  {27, 33, 3},   {34, 40, 4},   {41, 45, 5},
        {46, 52, 6},  {53, 59, 7},  {60, 67, 8},   {68, 74, 9},   {75, 82, 10},
        {83, 90, 11}, {91, 98, 12}, {99, 101, 13}, {102, 132, 1}, {133, 148, 14},
    };
    for (const Range& range : kRanges) {
        if (profile >= range.first && profile <= range.last)
            return range.category;
    }
    return 0;
}

QString ProfileCatalogue::extensionOf(const QString& displayName)
{
    const int star = displayName.indexOf(QLatin1Char('*'));
    if (star < 0 || displayName.size() < 2)
        return QString();
    return displayName.mid(star + 1, displayName.size() - 1 - (star + 1));
}

} // namespace transcast
