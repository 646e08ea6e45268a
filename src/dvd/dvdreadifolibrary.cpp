#include "dvdreadifolibrary.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include "discreader.h"
#include "dvdlocator.h"

namespace transcast::dvd
{

struct DvdReadIfoLibrary::TitleSet {
    struct Closer {
        void operator()(ifo_handle_t* ifo) const { ::ifoClose(ifo); }
    };
    std::shared_ptr<DiscReader> disc; // must outlive the IFO handle
    std::unique_ptr<ifo_handle_t, Closer> ifo;

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

namespace
{

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Where libdvdread must be pointed to read an IFO path: the image when the
// path runs through an .iso file ("/a/film.iso/VIDEO_TS/VTS_01_0.IFO"), else
// the IFO's own folder (libdvdread takes a VIDEO_TS folder, the folder above
// it, or a plain folder of IFO and VOB files alike). Empty when the path
// names a file inside an image that libdvdread would not look for.
std::string discToOpen(const std::string& ifoPath)
{
    const std::string lowered = lower(ifoPath);
    for (size_t at = lowered.find(".iso/"); at != std::string::npos;
         at = lowered.find(".iso/", at + 1)) {
        const std::string image = ifoPath.substr(0, at + 4);
        if (!isRegularFile(image))
            continue;
        const std::string inside = lowered.substr(at + 5);
        return inside.find('/') == std::string::npos || inside.compare(0, 9, "video_ts/") == 0
                   ? image
                   : std::string();
    }
    const size_t slash = ifoPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : ifoPath.substr(0, slash);
}

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

void ignoreMessages(void*, dvd_logger_level_t, const char*, va_list) {}

// libdvdread trusts the tables of an IFO file: some damaged files make it
// write through null pointers (found by changing bytes of authored IFO files
// at random). So a title set is first read in a child process, where such a
// file costs only the child; the program reads it only when the child came
// through. Parsing is deterministic, so what the child survived, we survive.
bool readsWithoutCrashing(const std::string& root, int titleSet)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        static const dvd_logger_cb quiet = {ignoreMessages};
        if (dvd_reader_t* disc = DVDOpen2(nullptr, &quiet, root.c_str())) {
            if (ifo_handle_t* ifo = ::ifoOpen(disc, titleSet))
                ::ifoClose(ifo);
            DVDClose(disc);
        }
        _exit(0);
    }
    // A damaged file could also send the parser round in circles.
    const timespec pause = {0, 5 * 1000 * 1000};
    for (int waited = 0; waited < 2000; ++waited) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR)
            return false;
        nanosleep(&pause, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return false;
}

} // namespace

DvdReadIfoLibrary::DvdReadIfoLibrary() = default;

DvdReadIfoLibrary::~DvdReadIfoLibrary()
{
    // IFO handles first: each needs its disc open.
    m_titleSets.clear();
    m_discs.clear();
}

DvdReadIfoLibrary::TitleSet* DvdReadIfoLibrary::find(std::int32_t handle) const
{
    const auto it = m_titleSets.find(handle);
    return it == m_titleSets.end() ? nullptr : it->second.get();
}

std::int32_t DvdReadIfoLibrary::ifoOpen(const std::string& path, std::int32_t)
{
    const int number = titleSetOfIfoPath(path);
    const std::string root = number > 0 ? discToOpen(path) : std::string();
    if (root.empty())
        return 0;
    // An image is searched inside; a folder's IFO must be there to be read
    // (libdvdread would otherwise quietly take the backup copy).
    if (!isRegularFile(root) && !isRegularFile(path))
        return 0;
    if (!readsWithoutCrashing(root, number))
        return 0;

    std::shared_ptr<DiscReader>& disc = m_discs[root];
    if (!disc) {
        auto opened = std::make_shared<DiscReader>();
        if (!opened->open(root)) {
            m_discs.erase(root);
            return 0;
        }
        disc = std::move(opened);
    }
    auto titleSet = std::make_unique<TitleSet>();
    titleSet->disc = disc;
    titleSet->ifo.reset(::ifoOpen(disc->handle(), number));
    const ifo_handle_t* ifo = titleSet->ifo.get();
    if (ifo == nullptr || ifo->vtsi_mat == nullptr || ifo->vts_pgcit == nullptr ||
        (ifo->vts_pgcit->nr_of_pgci_srp > 0 && ifo->vts_pgcit->pgci_srp == nullptr))
        return 0;
    const std::int32_t handle = ++m_lastHandle;
    m_titleSets[handle] = std::move(titleSet);
    return handle;
}

std::int32_t DvdReadIfoLibrary::ifoGetNumPGCI(std::int32_t handle)
{
    const TitleSet* titleSet = find(handle);
    return titleSet == nullptr ? 0 : titleSet->titleCount();
}

std::int32_t DvdReadIfoLibrary::ifoGetNumAudio(std::int32_t handle)
{
    const TitleSet* titleSet = find(handle);
    if (titleSet == nullptr)
        return 0;
    return std::min<int>(titleSet->attributes().nr_of_vts_audio_streams, 8);
}

std::string DvdReadIfoLibrary::ifoGetAudioDesc(std::int32_t handle, std::int32_t index)
{
    const TitleSet* titleSet = find(handle);
    if (titleSet == nullptr || index < 0 || index >= ifoGetNumAudio(handle))
        return {};
    const audio_attr_t& audio = titleSet->attributes().vts_audio_attr[index];

    // The number the stream carries in the VOBs: the first title's audio
    // control says it for each track; without one, tracks count up in order.
    int number = index;
    if (const pgc_t* first = titleSet->title(0)) {
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

std::int32_t DvdReadIfoLibrary::ifoGetNumSubPic(std::int32_t handle)
{
    const TitleSet* titleSet = find(handle);
    if (titleSet == nullptr)
        return 0;
    return std::min<int>(titleSet->attributes().nr_of_vts_subp_streams, 32);
}

std::string DvdReadIfoLibrary::ifoGetSubPicDesc(std::int32_t handle, std::int32_t index)
{
    const TitleSet* titleSet = find(handle);
    if (titleSet == nullptr || index < 0 || index >= ifoGetNumSubPic(handle))
        return {};
    const subp_attr_t& subpicture = titleSet->attributes().vts_subp_attr[index];

    // A subtitle track has one stream per display mode; the one we burn in
    // is the one matching the picture: 4:3, or wide for 16:9.
    int number = index;
    if (const pgc_t* first = titleSet->title(0)) {
        const std::uint32_t control = first->subp_control[index];
        if (control & 0x80000000u) {
            const bool wide = titleSet->attributes().vts_video_attr.display_aspect_ratio == 3;
            number = static_cast<int>((wide ? control >> 16 : control >> 24) & 0x1F);
        }
    }
    return language(subpicture.type, subpicture.lang_code) + " (" + hexId(0x20 + number) + ")";
}

std::int32_t DvdReadIfoLibrary::ifoGetPGCIInfo(std::int32_t handle, std::int32_t title,
                                               TitleTime* time)
{
    const TitleSet* titleSet = find(handle);
    const pgc_t* pgc = titleSet == nullptr ? nullptr : titleSet->title(title);
    if (time != nullptr)
        *time = TitleTime();
    if (pgc == nullptr)
        return 0;
    if (time != nullptr) {
        time->hours = fromBcd(pgc->playback_time.hour);
        time->minutes = fromBcd(pgc->playback_time.minute);
        time->seconds = fromBcd(pgc->playback_time.second);
    }
    return titleSet->cellCount(*pgc);
}

std::int32_t DvdReadIfoLibrary::ifoGetPGCICells(std::int32_t handle, std::int32_t title,
                                                CellRecord* cells, std::int32_t capacity)
{
    const TitleSet* titleSet = find(handle);
    const pgc_t* pgc = titleSet == nullptr ? nullptr : titleSet->title(title);
    if (pgc == nullptr || cells == nullptr || capacity <= 0)
        return 0;
    const int count = std::min<int>(titleSet->cellCount(*pgc), capacity);
    for (int i = 0; i < count; ++i) {
        const cell_playback_t& cell = pgc->cell_playback[i];
        CellRecord record;
        record.startPos = static_cast<std::int32_t>(cell.first_sector);
        record.endPos = static_cast<std::int32_t>(cell.last_sector);
        record.hours = fromBcd(cell.playback_time.hour);
        record.minutes = fromBcd(cell.playback_time.minute);
        record.seconds = fromBcd(cell.playback_time.second);
        cells[i] = record;
    }
    return count;
}

std::string DvdReadIfoLibrary::ifoGetVideoDesc(std::int32_t handle)
{
    const TitleSet* titleSet = find(handle);
    if (titleSet == nullptr)
        return {};
    const video_attr_t& video = titleSet->attributes().vts_video_attr;
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

void DvdReadIfoLibrary::ifoClose(std::int32_t handle)
{
    m_titleSets.erase(handle);
}

} // namespace transcast::dvd
