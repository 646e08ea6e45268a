#include "discdescriber.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include "conversion.h"
#include "dvd/dvdlocator.h"
#include "dvd/titlesetstream.h"

namespace transcast
{

namespace
{

using dvd::AudioCoding;
using dvd::FileStamp;
using dvd::TitleSet;
using dvd::TitleSetRecord;

// Title sets are numbered 01 to 99, and a disc's titles too.
constexpr int kMaxTitleSets = 99;
constexpr int kMaxDiscTitles = 99;

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

std::int64_t millisecondsOf(const dvd_time_t& time)
{
    const std::int64_t seconds =
        fromBcd(time.hour) * 3600 + fromBcd(time.minute) * 60 + fromBcd(time.second);
    return dvd::playingMilliseconds(seconds, time.frame_u);
}

// The two letters of an ISO 639 code as the disc stores them; empty when the
// disc names no language.
std::string languageCode(std::uint8_t type, std::uint16_t code)
{
    const char letters[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF), 0};
    if (type != 1 || code == 0 || code == 0xFFFF ||
        !std::isalpha(static_cast<unsigned char>(letters[0])) ||
        !std::isalpha(static_cast<unsigned char>(letters[1])))
        return {};
    return letters;
}

dvd::AudioTrack audioTrack(const OpenIfo& titleSet, int index)
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
    dvd::AudioTrack track;
    track.language = languageCode(audio.lang_type, audio.lang_code);
    track.channels = audio.channels + 1;
    track.streamId = 0x80 + (number & 0x07);
    switch (audio.audio_format) {
    case 0:
        track.coding = AudioCoding::Ac3;
        break;
    case 2:
        track.coding = AudioCoding::Mpeg1;
        track.streamId = 0xC0 + (number & 0x07);
        break;
    case 3:
        track.coding = AudioCoding::Mpeg2;
        track.streamId = 0xC0 + (number & 0x07);
        break;
    case 4:
        track.coding = AudioCoding::Lpcm;
        track.streamId = 0xA0 + (number & 0x07);
        break;
    case 5:
        track.coding = AudioCoding::Sdds;
        break;
    case 6:
        track.coding = AudioCoding::Dts;
        track.streamId = 0x88 + (number & 0x07);
        break;
    default:
        track.coding = AudioCoding::Unknown;
        break;
    }
    return track;
}

dvd::SubtitleTrack subtitleTrack(const OpenIfo& titleSet, int index)
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
    dvd::SubtitleTrack track;
    track.streamId = (0x20 + number) & 0xFF;
    track.language = languageCode(subpicture.type, subpicture.lang_code);
    return track;
}

dvd::VideoTrack videoTrack(const OpenIfo& titleSet)
{
    const video_attr_t& video = titleSet.attributes().vts_video_attr;
    dvd::VideoTrack track;
    const bool pal = video.video_format == 1;
    track.standard = pal ? dvd::VideoStandard::Pal : dvd::VideoStandard::Ntsc;
    track.coding = video.mpeg_version == 0 ? dvd::VideoCoding::Mpeg1 : dvd::VideoCoding::Mpeg2;
    track.aspect = video.display_aspect_ratio == 3 ? dvd::DisplayAspect::SixteenNine
                                                   : dvd::DisplayAspect::FourThree;
    track.width = 720;
    track.height = pal ? 576 : 480;
    switch (video.picture_size) {
    case 1:
        track.width = 704;
        break;
    case 2:
        track.width = 352;
        break;
    case 3:
        track.width = 352;
        track.height /= 2;
        break;
    default:
        break;
    }
    return track;
}

// The programs of a chain as the cells each spans. The program map gives
// each program's first cell (from 1); a program runs to the cell before the
// next one's, the last to the chain's last cell. A map that does not climb
// through the cells names no chapters.
std::vector<dvd::Chapter> chaptersOf(const pgc_t& pgc, int cells)
{
    std::vector<dvd::Chapter> chapters;
    if (pgc.program_map == nullptr)
        return chapters;
    for (int i = 0; i < pgc.nr_of_programs; ++i) {
        const int first = pgc.program_map[i] - 1;
        const int next = i + 1 < pgc.nr_of_programs ? pgc.program_map[i + 1] - 1 : cells;
        if (first < 0 || next <= first || next > cells)
            return {};
        chapters.push_back({first, next - 1});
    }
    return chapters;
}

// The disc's title table (VIDEO_TS.IFO) says which titles lie in title set
// `number` and which of its title numbers (VTS_TTN) each is; the title set's
// own table gives the program chain a title number starts with.
void nameDiscTitles(const ifo_handle_t* vmg, const ifo_handle_t& ifo, int number, TitleSet* info)
{
    if (vmg == nullptr || vmg->tt_srpt == nullptr || vmg->tt_srpt->title == nullptr)
        return;
    const int named = std::min<int>(vmg->tt_srpt->nr_of_srpts, kMaxDiscTitles);
    const vts_ptt_srpt_t* parts = ifo.vts_ptt_srpt;
    for (int k = 0; k < named; ++k) {
        const title_info_t& entry = vmg->tt_srpt->title[k];
        if (entry.title_set_nr != number)
            continue;
        ++info->namedTitles;
        if (parts == nullptr || parts->title == nullptr || entry.vts_ttn < 1 ||
            entry.vts_ttn > parts->nr_of_srpts)
            continue;
        const ttu_t& unit = parts->title[entry.vts_ttn - 1];
        if (unit.nr_of_ptts < 1 || unit.ptt == nullptr)
            continue;
        const int chain = unit.ptt[0].pgcn;
        if (chain >= 1 && chain <= static_cast<int>(info->titles.size()) &&
            info->titles[static_cast<size_t>(chain - 1)].discTitle == 0)
            info->titles[static_cast<size_t>(chain - 1)].discTitle = k + 1;
    }
}

// How many sectors of title set `number`'s title VOBs are really there. A
// folder's files are as long as they are; an image's file system gives
// their declared size, of which a cut image holds only the part before its
// end (an image's title VOBs lie in one run of sectors).
std::int32_t heldSectors(dvd_reader_t* disc, const std::string& root, int number)
{
    dvd_file_t* vobs = DVDOpenFile(disc, number, DVD_READ_TITLE_VOBS);
    if (vobs == nullptr)
        return 0;
    const ssize_t declared = std::max<ssize_t>(DVDFileSize(vobs), 0);
    DVDCloseFile(vobs);
    std::int64_t held = declared;
    if (dvd::isRegularFile(root)) {
        char name[32];
        std::snprintf(name, sizeof name, "/VIDEO_TS/VTS_%02d_1.VOB", number);
        std::uint32_t bytes = 0;
        const std::uint32_t first = UDFFindFile(disc, name, &bytes);
        if (first > 0)
            held = std::min<std::int64_t>(
                declared, std::max<std::int64_t>(dvd::FileStamp::of(root).size / 2048 - first, 0));
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(held, INT32_MAX));
}

// What the title discovery reads of a title set, or false when libdvdread
// could not make a title set of the file.
bool describe(const ifo_handle_t* ifo, TitleSet* info)
{
    if (ifo == nullptr || ifo->vtsi_mat == nullptr || ifo->vts_pgcit == nullptr ||
        (ifo->vts_pgcit->nr_of_pgci_srp > 0 && ifo->vts_pgcit->pgci_srp == nullptr))
        return false;
    const OpenIfo titleSet{ifo};
    info->video = videoTrack(titleSet);
    const int audioCount = std::min<int>(titleSet.attributes().nr_of_vts_audio_streams, 8);
    for (int i = 0; i < audioCount; ++i)
        info->audio.push_back(audioTrack(titleSet, i));
    const int subPicCount = std::min<int>(titleSet.attributes().nr_of_vts_subp_streams, 32);
    for (int i = 0; i < subPicCount; ++i)
        info->subtitles.push_back(subtitleTrack(titleSet, i));
    info->titles.resize(static_cast<size_t>(titleSet.titleCount()));
    for (int t = 0; t < titleSet.titleCount(); ++t) {
        const pgc_t* pgc = titleSet.title(t);
        if (pgc == nullptr)
            continue;
        dvd::Title& title = info->titles[static_cast<size_t>(t)];
        title.milliseconds = millisecondsOf(pgc->playback_time);
        const int cells = titleSet.cellCount(*pgc);
        for (int i = 0; i < cells; ++i) {
            const cell_playback_t& cell = pgc->cell_playback[i];
            title.cells.push_back({static_cast<std::int32_t>(cell.first_sector),
                                   static_cast<std::int32_t>(cell.last_sector),
                                   millisecondsOf(cell.playback_time)});
        }
        title.chapters = chaptersOf(*pgc, cells);
    }
    return true;
}

void ignoreMessages(void*, dvd_logger_level_t, const char*, va_list) {}

// A disc (folder or image) opened with libdvdread's messages silenced;
// null when libdvdread cannot open it.
class QuietDisc
{
public:
    explicit QuietDisc(const std::string& root) : m_root(root)
    {
        static const dvd_logger_cb quiet = {ignoreMessages};
        m_disc = DVDOpen2(nullptr, &quiet, root.c_str());
    }
    ~QuietDisc()
    {
        if (m_titleTable != nullptr)
            ::ifoClose(m_titleTable);
        if (m_disc != nullptr)
            DVDClose(m_disc);
    }
    QuietDisc(const QuietDisc&) = delete;
    QuietDisc& operator=(const QuietDisc&) = delete;

    // What the operations answer about title set `number`; false when it
    // cannot be read. The disc's title table and title VOBs are those of
    // `disc` (a backup copy is read alone, away from its disc).
    bool read(int number, TitleSet* info, const QuietDisc& disc) const
    {
        ifo_handle_t* ifo = m_disc == nullptr ? nullptr : ::ifoOpen(m_disc, number);
        const bool read = describe(ifo, info);
        if (read) {
            nameDiscTitles(disc.titleTable(), *ifo, number, info);
            info->heldSectors =
                disc.m_disc == nullptr ? 0 : heldSectors(disc.m_disc, disc.m_root, number);
        }
        if (ifo != nullptr)
            ::ifoClose(ifo);
        return read;
    }
    bool read(int number, TitleSet* info) const { return read(number, info, *this); }

private:
    // VIDEO_TS.IFO, read once; null when it cannot be.
    const ifo_handle_t* titleTable() const
    {
        if (!m_titleTableRead && m_disc != nullptr)
            m_titleTable = ::ifoOpen(m_disc, 0);
        m_titleTableRead = true;
        return m_titleTable;
    }

    std::string m_root;
    dvd_reader_t* m_disc = nullptr;
    mutable ifo_handle_t* m_titleTable = nullptr;
    mutable bool m_titleTableRead = false;
};

// Reads one title set and writes its frame to fd; false when it could not
// be read or written.
bool writeTitleSet(const QuietDisc& ifos, const QuietDisc& disc, int number, const FileStamp& stamp,
                   int fd, bool& written)
{
    TitleSetRecord record;
    record.number = number;
    record.stamp = stamp;
    record.readable = ifos.read(number, &record.info, disc);
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
        const bool readable =
            writeTitleSet(disc, disc, number, FileStamp::of(stamped), fd, written);
        records += written ? 1 : 0;
        if (!readable)
            break;
    }
    return finish(fd, written, records);
}

int describeBackup(const std::vector<std::string>& arguments, int fd)
{
    const bool known = arguments.size() == 2 || arguments.size() == 3;
    const int number = known ? titleSetNumber(arguments[1]) : 0;
    if (number == 0 || arguments[0].empty() || (arguments.size() == 3 && arguments[2].empty()))
        return 2;
    bool written = writeAll(fd, dvd::titleSetStreamStart());
    if (written) {
        const QuietDisc backup(arguments[0]);
        const std::unique_ptr<QuietDisc> disc =
            arguments.size() == 3 ? std::make_unique<QuietDisc>(arguments[2]) : nullptr;
        writeTitleSet(backup, disc ? *disc : backup, number, FileStamp(), fd, written);
    }
    return finish(fd, written, written ? 1 : 0);
}

bool describeTitleSetHere(const std::string& ifoPath, TitleSet* info)
{
    const int number = dvd::titleSetOfIfoPath(ifoPath);
    const std::string root = number > 0 ? dvd::discToOpenFor(ifoPath) : std::string();
    if (root.empty())
        return false;
    return QuietDisc(root).read(number, info);
}

} // namespace transcast
