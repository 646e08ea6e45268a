#include "discdescriber.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include "conversion.h"
#include "dvd/dvdlocator.h"
#include "dvd/titlesetstream.h"

namespace transcast
{

namespace
{

using dvd::CellRecord;
using dvd::FileStamp;
using dvd::TitleSetInfo;
using dvd::TitleSetRecord;

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;

// An open title set as libdvdread gives it.
struct OpenIfo {
    const ifo_handle_t* ifo = nullptr;

    const vtsi_mat_t& attributes() const { return *ifo->vtsi_mat; }
    int titleCount() const { return ifo->vts_pgcit->nr_of_pgci_srp; }
    // The title's program chain, or null when the table lacks it.
    const pgc_t* title(std::int32_t index) const
    {
        if (index < 0 || index >= titleCount() || ifo->vts_pgcit->pgci_srp == nullptr)
            return nullptr;
        return ifo->vts_pgcit->pgci_srp[index].pgc;
    }
    int cellCount(const pgc_t& pgc) const
    {
        return pgc.cell_playback == nullptr ? 0 : pgc.nr_of_cells;
    }
};

std::uint8_t fromBcd(std::uint8_t value)
{
    return static_cast<std::uint8_t>((value >> 4) * 10 + (value & 0x0F));
}

// ISO 639-1 codes of the languages discs carry most, with English names.
const char* languageName(std::uint16_t code)
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
    const char first = static_cast<char>(code >> 8);
    const char second = static_cast<char>(code & 0xFF);
    for (const auto& entry : names)
        if (entry.code[0] == first && entry.code[1] == second)
            return entry.name;
    return nullptr;
}

std::string language(std::uint8_t type, std::uint16_t code)
{
    if (type != 1 || code == 0 || code == 0xFFFF)
        return "Unknown";
    if (const char* name = languageName(code))
        return name;
    const char letters[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF), 0};
    if (std::isalpha(static_cast<unsigned char>(letters[0])) &&
        std::isalpha(static_cast<unsigned char>(letters[1])))
        return letters;
    return "Unknown";
}

std::string hexId(int id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", id & 0xFF);
    return text;
}

std::string audioDesc(const OpenIfo& titleSet, int index)
{
    const audio_attr_t& audio = titleSet.attributes().vts_audio_attr[index];

    // The number the stream carries in the VOBs: the first title's audio
    // control says it for each track; without one, tracks count up in order.
    int number = index;
    if (const pgc_t* first = titleSet.title(0)) {
        const std::uint16_t control = first->audio_control[index];
        if (control & 0x8000)
            number = (control & 0x7F00) >> 8;
    }
    const char* coding = "AC3";
    int id = 0x80 + (number & 0x07);
    switch (audio.audio_format) {
    case 0:
        break;
    case 2:
        coding = "MPEG1";
        id = 0xC0 + (number & 0x07);
        break;
    case 3:
        coding = "MPEG2";
        id = 0xC0 + (number & 0x07);
        break;
    case 4:
        coding = "LPCM";
        id = 0xA0 + (number & 0x07);
        break;
    case 5:
        coding = "SDDS";
        break;
    case 6:
        coding = "DTS";
        id = 0x88 + (number & 0x07);
        break;
    default:
        coding = "Unknown";
        break;
    }
    return language(audio.lang_type, audio.lang_code) + " " + coding + " " +
           std::to_string(audio.channels + 1) + "ch (" + hexId(id) + ")";
}

std::string subPicDesc(const OpenIfo& titleSet, int index)
{
    const subp_attr_t& subpicture = titleSet.attributes().vts_subp_attr[index];

    // A subtitle track has one stream per display mode; the one we burn in
    // is the one matching the picture: 4:3, or wide for 16:9.
    int number = index;
    if (const pgc_t* first = titleSet.title(0)) {
        const std::uint32_t control = first->subp_control[index];
        if (control & 0x80000000u) {
            const bool wide = titleSet.attributes().vts_video_attr.display_aspect_ratio == 3;
            number = static_cast<int>((wide ? control >> 16 : control >> 24) & 0x1F);
        }
    }
    return language(subpicture.type, subpicture.lang_code) + " (" + hexId(0x20 + number) + ")";
}

std::string videoDesc(const OpenIfo& titleSet)
{
    const video_attr_t& video = titleSet.attributes().vts_video_attr;
    const bool pal = video.video_format == 1;
    int width = 720;
    int height = pal ? 576 : 480;
    switch (video.picture_size) {
    case 1:
        width = 704;
        break;
    case 2:
        width = 352;
        break;
    case 3:
        width = 352;
        height /= 2;
        break;
    default:
        break;
    }
    return std::string(video.mpeg_version == 0 ? "MPEG-1" : "MPEG-2") + " " +
           std::to_string(width) + "x" + std::to_string(height) + " " + (pal ? "PAL" : "NTSC") +
           " " + (video.display_aspect_ratio == 3 ? "16:9" : "4:3");
}

// What the operations answer about a title set, or false when libdvdread
// could not make a title set of the file.
bool describe(const ifo_handle_t* ifo, TitleSetInfo* info)
{
    if (ifo == nullptr || ifo->vtsi_mat == nullptr || ifo->vts_pgcit == nullptr ||
        (ifo->vts_pgcit->nr_of_pgci_srp > 0 && ifo->vts_pgcit->pgci_srp == nullptr))
        return false;
    const OpenIfo titleSet{ifo};
    info->video = videoDesc(titleSet);
    const int audioCount = std::min<int>(titleSet.attributes().nr_of_vts_audio_streams, 8);
    for (int i = 0; i < audioCount; ++i)
        info->audio.push_back(audioDesc(titleSet, i));
    const int subPicCount = std::min<int>(titleSet.attributes().nr_of_vts_subp_streams, 32);
    for (int i = 0; i < subPicCount; ++i)
        info->subpictures.push_back(subPicDesc(titleSet, i));
    info->titles.resize(static_cast<size_t>(titleSet.titleCount()));
    for (int t = 0; t < titleSet.titleCount(); ++t) {
        const pgc_t* pgc = titleSet.title(t);
        if (pgc == nullptr)
            continue;
        TitleSetInfo::Title& title = info->titles[static_cast<size_t>(t)];
        title.time.hours = fromBcd(pgc->playback_time.hour);
        title.time.minutes = fromBcd(pgc->playback_time.minute);
        title.time.seconds = fromBcd(pgc->playback_time.second);
        title.time.frames = pgc->playback_time.frame_u;
        const int cells = titleSet.cellCount(*pgc);
        for (int i = 0; i < cells; ++i) {
            const cell_playback_t& cell = pgc->cell_playback[i];
            CellRecord record;
            record.startPos = static_cast<std::int32_t>(cell.first_sector);
            record.endPos = static_cast<std::int32_t>(cell.last_sector);
            record.hours = fromBcd(cell.playback_time.hour);
            record.minutes = fromBcd(cell.playback_time.minute);
            record.seconds = fromBcd(cell.playback_time.second);
            record.frames = cell.playback_time.frame_u;
            title.cells.push_back(record);
        }
    }
    return true;
}

void ignoreMessages(void*, dvd_logger_level_t, const char*, va_list) {}

// A disc (folder or image) opened with libdvdread's messages silenced;
// null when libdvdread cannot open it.
class QuietDisc
{
public:
    explicit QuietDisc(const std::string& root)
    {
        static const dvd_logger_cb quiet = {ignoreMessages};
        m_disc = DVDOpen2(nullptr, &quiet, root.c_str());
    }
    ~QuietDisc()
    {
        if (m_disc != nullptr)
            DVDClose(m_disc);
    }
    QuietDisc(const QuietDisc&) = delete;
    QuietDisc& operator=(const QuietDisc&) = delete;

    // What the operations answer about title set `number`; false when it
    // cannot be read.
    bool read(int number, TitleSetInfo* info) const
    {
        ifo_handle_t* ifo = m_disc == nullptr ? nullptr : ::ifoOpen(m_disc, number);
        const bool read = describe(ifo, info);
        if (ifo != nullptr)
            ::ifoClose(ifo);
        return read;
    }

private:
    dvd_reader_t* m_disc = nullptr;
};

// Reads one title set and writes its frame to fd; false when it could not
// be read or written.
bool writeTitleSet(const QuietDisc& disc, int number, const FileStamp& stamp, int fd, bool& written)
{
    TitleSetRecord record;
    record.number = number;
    record.stamp = stamp;
    record.readable = disc.read(number, &record.info);
    written = writeAll(fd, dvd::titleSetFrame(record));
    return written && record.readable;
}

// A title set number, 1 to 99, and nothing else.
int titleSetNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::atoi(text.c_str());
}

int finish(int fd, bool written, std::uint32_t records)
{
    return written && writeAll(fd, dvd::titleSetStreamEnd(records)) ? 0 : 1;
}

} // namespace

int describeDisc(const std::vector<std::string>& arguments, int fd)
{
    if (arguments.empty() || arguments.size() > 3 || arguments[0].empty())
        return 2;
    const std::string& root = arguments[0];
    const int first = arguments.size() > 1 ? titleSetNumber(arguments[1]) : 1;
    if (first == 0)
        return 2;
    char name[32];
    std::snprintf(name, sizeof name, "/VTS_%02d_0.IFO", first);
    const std::string ifoPath = arguments.size() > 2 ? arguments[2] : root + name;
    if (dvd::titleSetOfIfoPath(ifoPath) != first)
        return 2;

    bool written = writeAll(fd, dvd::titleSetStreamStart());
    const bool image = dvd::isRegularFile(root);
    const QuietDisc disc(root);
    std::uint32_t records = 0;
    for (int number = first; written && number <= kMaxTitleSets; ++number) {
        const std::string stamped = dvd::stampPathOf(root, image, ifoPath, number);
        if (!image && !dvd::isRegularFile(stamped))
            break;
        const bool readable = writeTitleSet(disc, number, FileStamp::of(stamped), fd, written);
        records += written ? 1 : 0;
        if (!readable)
            break;
    }
    return finish(fd, written, records);
}

int describeBackup(const std::vector<std::string>& arguments, int fd)
{
    const int number = arguments.size() == 2 ? titleSetNumber(arguments[1]) : 0;
    if (number == 0 || arguments[0].empty())
        return 2;
    bool written = writeAll(fd, dvd::titleSetStreamStart());
    if (written)
        writeTitleSet(QuietDisc(arguments[0]), number, FileStamp(), fd, written);
    return finish(fd, written, written ? 1 : 0);
}

bool describeTitleSetHere(const std::string& ifoPath, TitleSetInfo* info)
{
    const int number = dvd::titleSetOfIfoPath(ifoPath);
    const std::string root = number > 0 ? dvd::discToOpenFor(ifoPath) : std::string();
    if (root.empty())
        return false;
    return QuietDisc(root).read(number, info);
}

} // namespace transcast
