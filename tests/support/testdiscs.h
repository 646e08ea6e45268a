#pragma once

// The DVD folders the suites read: authored by tests/support/make-test-discs
// the first time a test asks for them and kept in the build tree
// (build/tests/discs), so later runs and other suites reuse them. The script's
// header describes every title, colour, length and stream id; the constants
// below are the figures tests compare against.
//
//   const transcast::testdiscs::TestDiscs& discs = transcast::testdiscs::testDiscs();
//   if (!discs.ok) GTEST_FAIL() << discs.error;
//   discs.disc   // folder holding VIDEO_TS (three title sets)
//   discs.iso    // the same disc as an .iso image
//   discs.mute   // folder holding VIDEO_TS of one title set without audio
//   discs.noIfo  // folder without any IFO file
//   discs.odd    // lengths of whole frames, not seconds; title set 2 damaged
//   discs.programs // a chapter of two cells
//   discs.story  // folder holding VIDEO_TS: one continuous stream in chapters
//   discs.lines  // subtitle lines at a film's rate, one of them forced
//   discs.mixedCase // folder holding the mute disc as "Video_Ts"
//   discs.damagedIso // disc.iso cut off after title set 1
//   discs.chapters // short chapters: one cell each, and two cells each
//   discs.cutIso // disc.iso cut off inside title set 3's first title
//   discs.zeroed // program-chain tables zeroed: title set 1 with a sound
//                // backup, title set 2 without

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace transcast::testdiscs
{

struct TestDiscs {
    bool ok = false;
    std::string error; // the script's output when it failed
    std::string folder;
    std::string disc;
    std::string iso;
    std::string mute;
    std::string noIfo;
    std::string odd;
    std::string programs;
    std::string story;
    std::string lines;
    std::string mixedCase;
    std::string damagedIso;
    std::string chapters;
    std::string cutIso;
    std::string zeroed;

    std::string videoTs() const { return disc + "/VIDEO_TS"; }
    // "/.../disc/VIDEO_TS/VTS_0n_0.IFO"
    std::string ifo(int titleSet) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "/VTS_%02d_0.IFO", titleSet);
        return videoTs() + name;
    }
};

// What the main disc holds (see make-test-discs).
struct Chapter {
    const char* colour;
    unsigned char red, green, blue; // the clip's colour before grain
    int seconds;
};
inline constexpr Chapter firstTitleChapters[] = {
    {"red", 255, 0, 0, 4}, {"green", 0, 128, 0, 4}, {"blue", 0, 0, 255, 4}};
inline constexpr int firstTitleSeconds = 12;
inline constexpr int shortTitleSeconds = 1; // title set 1, PGC 1: under 1000 sectors
inline constexpr int wideTitleSeconds = 4;  // title set 2 (16:9), cyan
inline constexpr int longTitleSeconds = 6;  // title set 3, PGC 0 yellow and PGC 1 magenta
inline constexpr int muteTitleSeconds = 3;  // mute disc, title set 1, gray
// The odd disc: title set 1's title and its two chapters (60 and 85 frames at
// 25 fps), and title set 3's NTSC title as its IFO gives it (2 s, 16 frames).
inline constexpr int oddTitleMilliseconds = 5800;
inline constexpr int oddChapterMilliseconds[] = {2400, 3400};
inline constexpr int oddNtscMilliseconds = 2534;
// The subtitle's white box, shown for the first 3.5 s of chapter 1.
inline constexpr int subtitleBoxLeft = 160, subtitleBoxTop = 420, subtitleBoxRight = 560,
                     subtitleBoxBottom = 500;
// The story disc's one title: four chapters of storyChapterSeconds, each
// with its own tone, and a yellow box in the same place as the white one,
// shown from storySubtitleFrom to storySubtitleTo seconds of the title.
struct StoryChapter {
    const char* colour;
    unsigned char red, green, blue;
    int tone; // Hz
};
inline constexpr StoryChapter storyChapters[] = {{"red", 255, 0, 0, 330},
                                                 {"green", 0, 128, 0, 550},
                                                 {"blue", 0, 0, 255, 770},
                                                 {"white", 255, 255, 255, 990}};
inline constexpr int storyChapterSeconds = 12;
inline constexpr int storySubtitleFrom = 42, storySubtitleTo = 46;
// The lines disc's 12 s white title and the seconds its yellow box shows,
// from and to; the second line is a forced subtitle.
inline constexpr int subtitleLines[][2] = {{2, 3}, {5, 6}, {9, 10}};

// The program that reads title sets for sources/EncoderTitleSets: the built
// register.dat.
inline std::string discReader()
{
    return TRANSCAST_BIN_DIR "/register.dat";
}

inline const TestDiscs& testDiscs()
{
    static TestDiscs discs;
    static std::once_flag authored;
    std::call_once(authored, [] {
        discs.folder = TRANSCAST_TEST_DISCS_DIR;
        discs.disc = discs.folder + "/disc";
        discs.iso = discs.folder + "/disc.iso";
        discs.mute = discs.folder + "/mute";
        discs.noIfo = discs.folder + "/noifo";
        discs.odd = discs.folder + "/odd";
        discs.programs = discs.folder + "/programs";
        discs.story = discs.folder + "/story";
        discs.lines = discs.folder + "/lines";
        discs.mixedCase = discs.folder + "/mixedcase";
        discs.damagedIso = discs.folder + "/damaged.iso";
        discs.chapters = discs.folder + "/chapters";
        discs.cutIso = discs.folder + "/cut.iso";
        discs.zeroed = discs.folder + "/zeroed";
        const std::string command =
            "'" TRANSCAST_SOURCE_DIR "/tests/support/make-test-discs' '" + discs.folder + "' 2>&1";
        FILE* script = popen(command.c_str(), "r");
        if (script == nullptr) {
            discs.error = "cannot run make-test-discs";
            return;
        }
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, script)) > 0)
            discs.error.append(buffer, got);
        const int status = pclose(script);
        discs.ok = status == 0;
        if (!discs.ok)
            discs.error = "make-test-discs failed: " + discs.error;
        else
            discs.error.clear();
    });
    return discs;
}

} // namespace transcast::testdiscs
