// Lint of the shipped data/profiles.pop: the reader trusts its shape (four
// lines per number, line counting decides which profile is which), and the
// encoder trusts its option lines, so a slip here breaks conversions far away.

#include <map>
#include <optional>
#include <set>
#include <vector>

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "profiles/profilecatalogue.h"

using namespace transcast;

namespace
{

constexpr int kGroups = ProfileCatalogue::kLastProfile;

struct Group {
    int number = 0;
    QString comment, sizes, rates, options;
};

struct PopFile {
    QByteArray bytes;
    QStringList lines;
    std::vector<Group> groups;
};

const PopFile& popFile()
{
    static const PopFile file = [] {
        PopFile f;
        QFile in(QStringLiteral(TRANSCAST_SOURCE_DIR "/data/profiles.pop"));
        if (!in.open(QIODevice::ReadOnly))
            return f;
        f.bytes = in.readAll();
        f.lines = QString::fromLatin1(f.bytes).split(QLatin1Char('\n'));
        if (f.lines.last().isEmpty())
            f.lines.removeLast();
        for (int c = 1; 4 * c <= f.lines.size(); ++c)
            f.groups.push_back({c, f.lines[4 * c - 4], f.lines[4 * c - 3], f.lines[4 * c - 2],
                                f.lines[4 * c - 1]});
        return f;
    }();
    return file;
}

// The program's item rule: a leading or doubled blank ends the list and a last
// item of one character is dropped. Lines are linted against it so that no
// item silently disappears.
QStringList splitItems(QString rest)
{
    QStringList items;
    for (;;) {
        const int blank = rest.indexOf(QLatin1Char(' '));
        const QString item = blank >= 0 ? rest.left(blank) : (rest.size() >= 2 ? rest : QString());
        if (item.isEmpty())
            return items;
        items << item;
        if (blank < 0)
            return items;
        rest = rest.mid(blank + 1);
    }
}

bool inRange(int p, int first, int last)
{
    return p >= first && p <= last;
}

bool isDisc(int p)
{
    return inRange(p, 112, 114);
}

// Audio-only by the program's rules (15-25, 71, 80), plus the numbers without a
// display name that the audio defaults treat as audio (33, 40, 45, 59) and 26.
bool isAudioOnly(int p)
{
    return inRange(p, 15, 26) || p == 33 || p == 40 || p == 45 || p == 59 || p == 71 || p == 80 ||
           inRange(p, 146, 148);
}

bool offersSourceQuality(int p, const QString& ext)
{
    return (p < 15 || p > 101) && !isDisc(p) && ext != QLatin1String(".mp4");
}

std::optional<QString> optionValue(const QStringList& tokens, const char* option)
{
    std::optional<QString> value;
    for (int i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i] == QLatin1String(option))
            value = tokens[i + 1];
    }
    return value;
}

// Muxers an extension may be written with; the first is the one ffmpeg picks
// from the extension alone.
const std::map<QString, QStringList>& containers()
{
    static const std::map<QString, QStringList> table = {
        {".avi", {"avi"}},
        {".asf", {"asf"}},
        {".wmv", {"asf"}},
        {".wma", {"asf"}},
        {".mp4", {"mp4", "ipod", "psp"}},
        {".MP4", {"mp4", "ipod", "psp"}},
        {".mov", {"mov"}},
        {".3gp", {"3gp"}},
        {".3g2", {"3g2"}},
        {".mkv", {"matroska"}},
        {".ts", {"mpegts"}},
        {".mpg", {"mpeg", "vob", "svcd", "vcd"}},
        {".mpeg", {"mpeg", "vob", "svcd", "vcd"}},
        {".vob", {"vob", "dvd"}},
        {".flv", {"flv"}},
        {".swf", {"swf"}},
        {".rm", {"rm"}},
        {".ra", {"rm"}},
        {".ogg", {"ogg"}},
        {".webm", {"webm"}},
        {".flac", {"flac"}},
        {".opus", {"opus"}},
        {".wav", {"wav"}},
        {".aiff", {"aiff"}},
        {".m4a", {"ipod", "mp4"}},
        {".mp2", {"mp2"}},
        {".mp3", {"mp3"}},
        {".ac3", {"ac3"}},
        {".aac", {"adts"}},
        {".au", {"au"}},
        {".amr", {"amr"}},
    };
    return table;
}

// The box positions (size, video, audio) a profile opens on when nothing is
// remembered, file mode; DVD mode turns every 5 into 2. -1: not restored.
struct Defaults {
    std::vector<std::pair<int, int>> ranges;
    int size, video, audio;
};

const std::vector<Defaults>& defaultTable()
{
    static const std::vector<Defaults> table = {
        {{{1, 1}, {112, 114}}, 0, 5, 5},
        {{{2, 3}, {5, 6}, {10, 13}, {102, 108}, {125, 130}}, 4, 5, 5},
        {{{4, 4}, {110, 110}}, 5, 5, 5},
        {{{7, 7}, {14, 14}}, 1, 5, 5},
        {{{8, 9}, {111, 111}}, 2, 5, 5},
        {{{15, 25}, {33, 33}, {40, 40}, {45, 45}, {59, 59}, {71, 71}, {80, 80}}, -1, -1, 2},
        {{{27, 32},
          {34, 39},
          {41, 44},
          {46, 51},
          {53, 54},
          {56, 57},
          {60, 60},
          {70, 70},
          {72, 73},
          {75, 76},
          {78, 79},
          {81, 81},
          {86, 88},
          {115, 116}},
         0,
         2,
         2},
        {{{55, 55}, {58, 58}, {61, 66}, {68, 68}, {91, 97}}, 2, 2, 2},
        {{{69, 69}, {77, 77}, {83, 85}, {89, 89}}, 1, 2, 2},
        {{{99, 100}}, 4, 2, 2},
        {{{118, 123}}, 5, 2, 2},
        {{{133, 138}}, 5, 2, 2},
        {{{139, 141}, {145, 145}}, 2, 2, 2},
        {{{142, 144}}, 1, 2, 2},
        {{{146, 148}}, -1, -1, 2},
    };
    return table;
}

std::optional<int> defaultSizePosition(int p, bool dvdMode)
{
    for (const Defaults& row : defaultTable()) {
        for (const auto& [first, last] : row.ranges) {
            if (!inRange(p, first, last) || row.size < 0)
                continue;
            // Today's profiles offer the source's size in DVD mode too.
            return dvdMode && row.size == 5 && p < 133 ? 2 : row.size;
        }
    }
    return std::nullopt;
}

class ProfilesPop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(popFile().groups.size(), size_t(kGroups))
            << "data/profiles.pop must hold " << kGroups << " groups of four lines";
    }
    static const std::vector<Group>& groups() { return popFile().groups; }
};

TEST_F(ProfilesPop, IsPlainTextWithOneNumberedGroupPerProfile)
{
    const PopFile& file = popFile();
    EXPECT_EQ(file.lines.size(), 4 * kGroups) << "no line may follow the last option line";
    for (const char byte : file.bytes) {
        ASSERT_TRUE(byte == '\n' || (byte >= ' ' && byte < 127))
            << "only printable ASCII and LF line ends, found byte " << int(byte);
    }
    // The comment line names its number: a lost or doubled line shows up here
    // instead of shifting every later profile by one line.
    for (const Group& g : groups()) {
        EXPECT_TRUE(g.comment.startsWith(QStringLiteral("#%1 ").arg(g.number)))
            << g.number << ": " << g.comment.toStdString();
    }
}

TEST_F(ProfilesPop, SizeLinesHoldFrameSizesTheEncodersAccept)
{
    static const QRegularExpression item(QStringLiteral(R"(^(\d+)x(\d+)(\([^()\s]+\))?$)"));
    // Encoders that refuse some frame sizes outright.
    const std::set<QString> h263Sizes = {"128x96", "176x144", "352x288", "704x576", "1408x1152"};
    for (const Group& g : groups()) {
        if (g.sizes == QLatin1String("*"))
            continue;
        const QStringList items = splitItems(g.sizes);
        EXPECT_EQ(items.join(QLatin1Char(' ')), g.sizes) << g.number << ": items lost in splitting";
        const QStringList tokens = g.options.split(QLatin1Char(' '));
        const QString vcodec = optionValue(tokens, "-vcodec").value_or(QString());
        for (const QString& text : items) {
            const QRegularExpressionMatch m = item.match(text);
            ASSERT_TRUE(m.hasMatch()) << g.number << ": size item " << text.toStdString();
            const int width = m.captured(1).toInt(), height = m.captured(2).toInt();
            // 4:2:0 video needs even sizes in every encoder we use.
            EXPECT_TRUE(width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0)
                << g.number << ": " << text.toStdString();
            if (vcodec == QLatin1String("rv10")) {
                EXPECT_TRUE(width % 16 == 0 && height % 16 == 0) << g.number << ": rv10 " << width;
            }
            if (vcodec == QLatin1String("rv20")) {
                EXPECT_TRUE(width % 4 == 0 && height % 4 == 0) << g.number << ": rv20 " << width;
            }
            if (vcodec == QLatin1String("h263")) {
                EXPECT_TRUE(h263Sizes.count(text.section(QLatin1Char('('), 0, 0)))
                    << g.number << ": h263 cannot encode " << text.toStdString();
            }
        }
    }
}

TEST_F(ProfilesPop, BitrateLinesHoldFiveRisingWholeNumbers)
{
    static const QRegularExpression number(QStringLiteral(R"(^[1-9]\d{0,5}$)"));
    for (const Group& g : groups()) {
        if (g.rates == QLatin1String("*"))
            continue;
        const QStringList items = splitItems(g.rates);
        ASSERT_EQ(items.size(), 5) << g.number << ": " << g.rates.toStdString();
        EXPECT_EQ(items.join(QLatin1Char(' ')), g.rates) << g.number;
        for (int k = 0; k < 5; ++k) {
            ASSERT_TRUE(number.match(items[k]).hasMatch()) << g.number << ": " << k;
            // The first number feeds "Lower Quality", the fifth "Higher Quality".
            if (k > 0) {
                EXPECT_LE(items[k - 1].toInt(), items[k].toInt()) << g.number;
            }
        }
    }
}

TEST_F(ProfilesPop, AudioOnlyProfilesAndOnlyTheyDropTheVideo)
{
    for (const Group& g : groups()) {
        const QStringList tokens = g.options.split(QLatin1Char(' '));
        if (isAudioOnly(g.number)) {
            EXPECT_EQ(g.sizes, QLatin1String("*")) << g.number;
            EXPECT_EQ(g.rates, QLatin1String("*")) << g.number;
            EXPECT_TRUE(tokens.contains(QLatin1String("-vn"))) << g.number;
            EXPECT_FALSE(optionValue(tokens, "-vcodec")) << g.number;
        } else {
            EXPECT_NE(g.sizes, QLatin1String("*")) << g.number;
            EXPECT_NE(g.rates, QLatin1String("*")) << g.number;
            EXPECT_FALSE(tokens.contains(QLatin1String("-vn"))) << g.number;
        }
    }
}

TEST_F(ProfilesPop, OptionLinesAreSplittableAndChooseTheirCodecs)
{
    for (const Group& g : groups()) {
        const QString& line = g.options;
        // The engine splits the joined options on blanks: no quoting can work.
        EXPECT_EQ(line.simplified(), line) << g.number << ": stray blanks";
        EXPECT_FALSE(line.contains(QLatin1Char('"')) || line.contains(QLatin1Char('\'')))
            << g.number;
        const QStringList tokens = line.split(QLatin1Char(' '));
        const auto vcodec = optionValue(tokens, "-vcodec");
        const auto acodec = optionValue(tokens, "-acodec");
        if (isDisc(g.number) || g.number == 71 || isAudioOnly(g.number))
            continue;
        // Video profiles never leave a codec to ffmpeg's guess.
        EXPECT_TRUE(vcodec && acodec) << g.number << ": " << line.toStdString();
        if (vcodec == QLatin1String("libx264")) {
            // RGB sources would otherwise give 4:4:4 H.264 that devices refuse.
            EXPECT_EQ(optionValue(tokens, "-pix_fmt"), QStringLiteral("yuv420p")) << g.number;
        }
    }
}

TEST_F(ProfilesPop, AudioCodecsCopeWithEveryRateTheProgramAsksFor)
{
    for (const Group& g : groups()) {
        const QStringList tokens = g.options.split(QLatin1Char(' '));
        const QString acodec = optionValue(tokens, "-acodec").value_or(QString());
        const QString muxer = optionValue(tokens, "-f").value_or(QString());
        // The experimental built-in encoder refuses to run without -strict.
        EXPECT_NE(acodec, QLatin1String("vorbis")) << g.number;
        // Low qualities ask for 22050 Hz, which AC-3 lacks; high ones for
        // 48000 Hz, which MP3 in Flash lacks: such lines fix the rate.
        if (acodec == QLatin1String("ac3") || muxer == QLatin1String("flv") ||
            muxer == QLatin1String("swf")) {
            EXPECT_TRUE(optionValue(tokens, "-ar")) << g.number << ": no -ar";
        }
        // MP2 accepts only its standard bitrates, so it cannot follow a source's
        // own audio bitrate.
        if (ProfileCatalogue::hasDisplayName(g.number)) {
            const QString ext =
                ProfileCatalogue::extensionOf(ProfileCatalogue::displayName(g.number));
            if (offersSourceQuality(g.number, ext)) {
                EXPECT_NE(acodec, QLatin1String("mp2")) << g.number;
            }
        }
    }
    // AMR is written by register.dat itself: no audio codec may be forced.
    EXPECT_EQ(groups()[71 - 1].options, QStringLiteral("-vn"));
}

TEST_F(ProfilesPop, OptionLinesWriteTheContainerTheExtensionNames)
{
    int checked = 0;
    for (const Group& g : groups()) {
        if (!ProfileCatalogue::hasDisplayName(g.number))
            continue;
        const QString ext = ProfileCatalogue::extensionOf(ProfileCatalogue::displayName(g.number));
        const auto allowed = containers().find(ext);
        ASSERT_NE(allowed, containers().end()) << g.number << ": extension " << ext.toStdString();
        const QStringList tokens = g.options.split(QLatin1Char(' '));
        QString muxer = allowed->second.first();
        if (const auto forced = optionValue(tokens, "-f"))
            muxer = *forced;
        if (const auto target = optionValue(tokens, "-target"))
            muxer = target->section(QLatin1Char('-'), 1);
        EXPECT_TRUE(allowed->second.contains(muxer))
            << g.number << ": " << ext.toStdString() << " written as " << muxer.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 132);
}

TEST_F(ProfilesPop, DefaultSizePositionsLandOnRealSizesInBothModes)
{
    for (const bool dvdMode : {false, true}) {
        for (const Group& g : groups()) {
            const auto position = defaultSizePosition(g.number, dvdMode);
            if (!position)
                continue;
            // Disc profiles show PAL and NTSC instead of their line.
            // The appended "The original width and height" counts only for
            // today's profiles, whose format ones open on it.
            const int sizes = isDisc(g.number) ? 2
                                               : int(splitItems(g.sizes).size()) +
                                                     (g.number >= 133 ? 1 : 0);
            EXPECT_LT(*position, sizes)
                << g.number << (dvdMode ? " (DVD mode)" : " (file mode)") << ": position "
                << *position << " of " << sizes << " sizes";
        }
    }
}

} // namespace
