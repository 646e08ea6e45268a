#include "dvdreadifolibrary.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include "dvdlocator.h"
#include "titlesetinfo.h"

namespace transcast::dvd
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;
// How long the reading child may go without finishing a title set: a
// damaged file could send the parser round in circles.
constexpr std::chrono::seconds kChildPatience(10);

// An open title set as libdvdread gives it, read only in the child.
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

// The IFO file of another title set beside the given one, named in the
// same case ("vts_01_0.ifo" gives "vts_02_0.ifo").
std::string siblingIfoPath(const std::string& ifoPath, int number)
{
    std::string path = ifoPath;
    const size_t name = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    path[name + 4] = static_cast<char>('0' + number / 10);
    path[name + 5] = static_cast<char>('0' + number % 10);
    return path;
}

// Which file tells whether a title set read earlier still holds: the image,
// or the title set's own IFO file in a folder.
std::string stampPath(const std::string& root, bool image, const std::string& ifoPath, int number)
{
    return image ? root : siblingIfoPath(ifoPath, number);
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

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

// Reads one title set and writes its record to fd; true when it was read
// and written.
bool writeTitleSet(const QuietDisc& disc, int number, const FileStamp& stamp, int fd)
{
    TitleSetRecord record;
    record.number = number;
    record.stamp = stamp;
    record.readable = disc.read(number, &record.info);
    std::string bytes;
    encodeRecord(record, bytes);
    return writeAll(fd, bytes) && record.readable;
}

// What a record says of its title set: null when it could not be read.
std::shared_ptr<const TitleSetInfo> infoOf(TitleSetRecord& record)
{
    return record.readable ? std::make_shared<const TitleSetInfo>(std::move(record.info))
                           : nullptr;
}

// The child's work: title sets first, first + 1, ... of the disc, each
// written to fd as soon as it is read, up to the first that cannot be read
// (or, in a folder, the first whose IFO file is not there).
void readTitleSets(const std::string& root, bool image, const std::string& ifoPath, int first,
                   int fd)
{
    const QuietDisc disc(root);
    for (int number = first; number <= kMaxTitleSets; ++number) {
        const std::string stamped = stampPath(root, image, ifoPath, number);
        if (!image && !isRegularFile(stamped))
            break;
        if (!writeTitleSet(disc, number, FileStamp::of(stamped), fd))
            break;
    }
}

// The child's work when the title set's IFO file killed the first child:
// `view` is a folder that holds only the set's backup copy, which libdvdread
// reads when the IFO file is not there.
void readBackup(const std::string& view, int number, int fd)
{
    writeTitleSet(QuietDisc(view), number, FileStamp(), fd);
}

// Collects what the child writes until it closes the pipe, or kills it when
// it stops making progress; true when it ended normally.
bool collect(pid_t child, int fd, std::string& bytes)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + kChildPatience;
    bool killed = false;
    char buffer[64 * 1024];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        pollfd waiting = {fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
        deadline = Clock::now() + kChildPatience;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return !killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs work(fd) in a child process and returns what it wrote to fd;
// `finished` tells whether the child ended normally.
template <typename Work>
std::string runInChild(const Work& work, bool& finished)
{
    finished = false;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return {};
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        work(pipeEnds[1]);
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string bytes;
    finished = collect(child, pipeEnds[0], bytes);
    ::close(pipeEnds[0]);
    return bytes;
}

// The backup copy of a title set in a folder ("VTS_02_0.BUP" in any case);
// empty when there is none.
std::string backupPath(const std::string& root, int number)
{
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "vts_%02d_0.bup", number);
    DIR* folder = ::opendir(root.c_str());
    if (folder == nullptr)
        return {};
    std::string found;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string path = root + "/" + entry->d_name;
        if (lower(entry->d_name) == wanted && isRegularFile(path)) {
            found = path;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

// A title set whose IFO file kills libdvdread's parser may still have a sound
// backup copy, which libdvdread reads only when the IFO file cannot be read
// at all. So the copy is read in a new child through a scratch folder that
// links to it alone; the disc itself is left as it is.
std::shared_ptr<const TitleSetInfo> readBackupInChild(const std::string& root, int number)
{
    const std::string backup = backupPath(root, number);
    if (backup.empty())
        return nullptr;
    const char* tmp = std::getenv("TMPDIR");
    std::string view = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                       "/transcast-backup-XXXXXX";
    if (::mkdtemp(view.data()) == nullptr)
        return nullptr;
    const std::string videoTs = view + "/VIDEO_TS";
    char name[32];
    std::snprintf(name, sizeof name, "/VTS_%02d_0.BUP", number);
    const std::string link = videoTs + name;
    std::shared_ptr<const TitleSetInfo> info;
    if (::mkdir(videoTs.c_str(), 0700) == 0 && ::symlink(backup.c_str(), link.c_str()) == 0) {
        bool finished = false;
        const std::string bytes = runInChild(
            [&](int fd) { readBackup(videoTs, number, fd); }, finished);
        size_t offset = 0;
        TitleSetRecord record;
        if (finished && decodeRecord(bytes, &offset, &record) && record.number == number)
            info = infoOf(record);
    }
    ::unlink(link.c_str());
    ::rmdir(videoTs.c_str());
    ::rmdir(view.c_str());
    return info;
}

using Texts = std::vector<std::string> TitleSetInfo::*;

std::int32_t countOf(const TitleSetInfo* titleSet, Texts texts)
{
    return titleSet == nullptr ? 0 : static_cast<std::int32_t>((titleSet->*texts).size());
}

// The description at index of a title set's list; empty when there is none.
std::string textAt(const TitleSetInfo* titleSet, Texts texts, std::int32_t index)
{
    if (index < 0 || index >= countOf(titleSet, texts))
        return {};
    return (titleSet->*texts)[static_cast<size_t>(index)];
}

} // namespace

DvdReadIfoLibrary::DvdReadIfoLibrary() = default;

DvdReadIfoLibrary::~DvdReadIfoLibrary() = default;

const TitleSetInfo* DvdReadIfoLibrary::find(std::int32_t handle) const
{
    const auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : it->second.get();
}

std::int32_t DvdReadIfoLibrary::ifoOpen(const std::string& path, std::int32_t)
{
    const int number = titleSetOfIfoPath(path);
    const std::string root = number > 0 ? discToOpen(path) : std::string();
    if (root.empty())
        return 0;
    // An image is searched inside; a folder's IFO must be there to be read
    // (libdvdread would otherwise quietly take the backup copy).
    const bool image = isRegularFile(root);
    if (!image && !isRegularFile(path))
        return 0;

    std::map<int, ReadTitleSet>& sets = m_discs[root];
    auto known = sets.find(number);
    if (known == sets.end() ||
        known->second.stamp != FileStamp::of(stampPath(root, image, path, number))) {
        readInChild(root, image, path, number);
        known = sets.find(number);
        if (known == sets.end())
            return 0;
    }
    if (!known->second.info)
        return 0;
    const std::int32_t handle = ++m_lastHandle;
    m_handles[handle] = known->second.info;
    return handle;
}

// libdvdread trusts the tables of an IFO file: some damaged files make it
// write through null pointers (found by changing bytes of authored IFO files
// at random). So the disc's title sets are read in a child process, where
// such a file costs only the child, and handed over through a pipe; the
// program itself never runs libdvdread's IFO parser. One child reads every
// title set from the one asked for onwards, so a disc costs one child, and
// the next ifoOpen of the same unchanged disc none.
void DvdReadIfoLibrary::readInChild(const std::string& root, bool image, const std::string& ifoPath,
                                    int first)
{
    bool finished = false;
    const std::string bytes = runInChild(
        [&](int fd) { readTitleSets(root, image, ifoPath, first, fd); }, finished);

    std::map<int, ReadTitleSet>& sets = m_discs[root];
    size_t offset = 0;
    int next = first;
    TitleSetRecord record;
    while (next <= kMaxTitleSets && decodeRecord(bytes, &offset, &record) &&
           record.number == next) {
        ReadTitleSet& set = sets[next++];
        set.stamp = record.stamp;
        set.info = infoOf(record);
    }
    // The child died (or hung) on the title set after the last it handed
    // over; in a folder, its backup copy may still be sound.
    if (!finished && next <= kMaxTitleSets) {
        ReadTitleSet& set = sets[next];
        set.stamp = FileStamp::of(stampPath(root, image, ifoPath, next));
        set.info = image ? nullptr : readBackupInChild(root, next);
    }
}

bool DvdReadIfoLibrary::readTitleSetHere(const std::string& ifoPath, TitleSetInfo* info)
{
    const int number = titleSetOfIfoPath(ifoPath);
    const std::string root = number > 0 ? discToOpen(ifoPath) : std::string();
    if (root.empty())
        return false;
    return QuietDisc(root).read(number, info);
}

std::int32_t DvdReadIfoLibrary::ifoGetNumPGCI(std::int32_t handle)
{
    const TitleSetInfo* titleSet = find(handle);
    return titleSet == nullptr ? 0 : static_cast<std::int32_t>(titleSet->titles.size());
}

std::int32_t DvdReadIfoLibrary::ifoGetNumAudio(std::int32_t handle)
{
    return countOf(find(handle), &TitleSetInfo::audio);
}

std::string DvdReadIfoLibrary::ifoGetAudioDesc(std::int32_t handle, std::int32_t index)
{
    return textAt(find(handle), &TitleSetInfo::audio, index);
}

std::int32_t DvdReadIfoLibrary::ifoGetNumSubPic(std::int32_t handle)
{
    return countOf(find(handle), &TitleSetInfo::subpictures);
}

std::string DvdReadIfoLibrary::ifoGetSubPicDesc(std::int32_t handle, std::int32_t index)
{
    return textAt(find(handle), &TitleSetInfo::subpictures, index);
}

std::int32_t DvdReadIfoLibrary::ifoGetPGCIInfo(std::int32_t handle, std::int32_t title,
                                               TitleTime* time)
{
    const TitleSetInfo* titleSet = find(handle);
    if (time != nullptr)
        *time = TitleTime();
    if (titleSet == nullptr || title < 0 || title >= ifoGetNumPGCI(handle))
        return 0;
    const TitleSetInfo::Title& entry = titleSet->titles[static_cast<size_t>(title)];
    if (time != nullptr)
        *time = entry.time;
    return static_cast<std::int32_t>(entry.cells.size());
}

std::int32_t DvdReadIfoLibrary::ifoGetPGCICells(std::int32_t handle, std::int32_t title,
                                                CellRecord* cells, std::int32_t capacity)
{
    const TitleSetInfo* titleSet = find(handle);
    if (titleSet == nullptr || title < 0 || title >= ifoGetNumPGCI(handle) || cells == nullptr ||
        capacity <= 0)
        return 0;
    const std::vector<CellRecord>& records = titleSet->titles[static_cast<size_t>(title)].cells;
    const int count = std::min<int>(static_cast<int>(records.size()), capacity);
    std::copy_n(records.begin(), count, cells);
    return count;
}

std::string DvdReadIfoLibrary::ifoGetVideoDesc(std::int32_t handle)
{
    const TitleSetInfo* titleSet = find(handle);
    return titleSet == nullptr ? std::string() : titleSet->video;
}

void DvdReadIfoLibrary::ifoClose(std::int32_t handle)
{
    m_handles.erase(handle);
}

} // namespace transcast::dvd
