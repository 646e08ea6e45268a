#include "titlesetinfo.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include <sys/stat.h>

namespace transcast::dvd
{

namespace
{

// A title set holds at most 65535 titles and each title at most 255 cells;
// larger counts mean the bytes are not a record.
constexpr std::uint32_t kMaxCount = 65535;
constexpr std::uint32_t kMaxText = 4096;
// A disc's title table names at most 99 titles.
constexpr std::uint32_t kMaxDiscTitles = 99;
// Far above any DVD's frame and channel counts.
constexpr std::uint32_t kMaxFrame = 4096;
constexpr std::uint32_t kMaxChannels = 8;

void put(std::string& out, const void* data, size_t size)
{
    if (size > 0) // an empty list's data may be null
        out.append(static_cast<const char*>(data), size);
}

void put32(std::string& out, std::uint32_t value)
{
    put(out, &value, sizeof value);
}

void put64(std::string& out, std::int64_t value)
{
    put(out, &value, sizeof value);
}

void putText(std::string& out, const std::string& text)
{
    put32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Reader
{
public:
    Reader(const std::string& bytes, size_t offset) : m_bytes(bytes), m_offset(offset) {}

    size_t offset() const { return m_offset; }

    bool take(void* data, size_t size)
    {
        if (m_bytes.size() - m_offset < size)
            return false;
        if (size == 0) // an empty list's data may be null
            return true;
        std::memcpy(data, m_bytes.data() + m_offset, size);
        m_offset += size;
        return true;
    }
    bool take32(std::uint32_t* value) { return take(value, sizeof *value); }
    bool take64(std::int64_t* value) { return take(value, sizeof *value); }
    bool takeCount(std::uint32_t* count) { return take32(count) && *count <= kMaxCount; }
    bool takeText(std::string* text)
    {
        std::uint32_t size = 0;
        if (!take32(&size) || size > kMaxText || m_bytes.size() - m_offset < size)
            return false;
        text->assign(m_bytes, m_offset, size);
        m_offset += size;
        return true;
    }
    // A number from 0 to most.
    bool takeInt(int* value, std::uint32_t most)
    {
        std::uint32_t taken = 0;
        if (!take32(&taken) || taken > most)
            return false;
        *value = static_cast<int>(taken);
        return true;
    }
    template <typename Enum> bool takeEnum(Enum* value, Enum last)
    {
        int taken = 0;
        if (!takeInt(&taken, static_cast<std::uint32_t>(last)))
            return false;
        *value = static_cast<Enum>(taken);
        return true;
    }
    bool takeSector(std::int32_t* sector)
    {
        int taken = 0;
        if (!takeInt(&taken, static_cast<std::uint32_t>(INT32_MAX)))
            return false;
        *sector = taken;
        return true;
    }
    bool takeMilliseconds(std::int64_t* value) { return take64(value) && *value >= 0; }

private:
    const std::string& m_bytes;
    size_t m_offset;
};

// The title set after a record's header; false at the first value that is
// cut short or out of its range.
bool decodeTitleSet(Reader& in, TitleSet* info)
{
    VideoTrack& video = info->video;
    std::uint32_t count = 0;
    if (!in.takeEnum(&video.coding, VideoCoding::Mpeg2) || !in.takeInt(&video.width, kMaxFrame) ||
        !in.takeInt(&video.height, kMaxFrame) ||
        !in.takeEnum(&video.standard, VideoStandard::Pal) ||
        !in.takeEnum(&video.aspect, DisplayAspect::SixteenNine) || !in.takeCount(&count))
        return false;
    info->audio.resize(count);
    for (AudioTrack& track : info->audio) {
        if (!in.takeInt(&track.streamId, 0xFF) || !in.takeText(&track.language) ||
            !in.takeEnum(&track.coding, AudioCoding::Unknown) ||
            !in.takeInt(&track.channels, kMaxChannels))
            return false;
    }
    if (!in.takeCount(&count))
        return false;
    info->subtitles.resize(count);
    for (SubtitleTrack& track : info->subtitles) {
        if (!in.takeInt(&track.streamId, 0xFF) || !in.takeText(&track.language))
            return false;
    }
    if (!in.takeSector(&info->heldSectors) || !in.takeInt(&info->namedTitles, kMaxDiscTitles) ||
        !in.takeCount(&count))
        return false;
    info->titles.resize(count);
    for (Title& title : info->titles) {
        if (!in.takeMilliseconds(&title.milliseconds) ||
            !in.takeInt(&title.discTitle, kMaxDiscTitles) || !in.takeCount(&count))
            return false;
        title.cells.resize(count);
        for (Cell& cell : title.cells) {
            if (!in.takeSector(&cell.firstSector) || !in.takeSector(&cell.lastSector) ||
                !in.takeMilliseconds(&cell.milliseconds))
                return false;
        }
        if (!in.takeCount(&count))
            return false;
        title.chapters.resize(count);
        const int cells = static_cast<int>(title.cells.size());
        for (Chapter& chapter : title.chapters) {
            // A chapter always names cells of its own title.
            if (!in.takeInt(&chapter.firstCell, kMaxCount) ||
                !in.takeInt(&chapter.lastCell, kMaxCount) || chapter.lastCell >= cells ||
                chapter.firstCell > chapter.lastCell)
                return false;
        }
    }
    return true;
}

} // namespace

FileStamp FileStamp::of(const std::string& path)
{
    FileStamp stamp;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::int64_t>(info.st_dev);
    stamp.inode = static_cast<std::int64_t>(info.st_ino);
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return stamp;
}

bool FileStamp::operator==(const FileStamp& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds;
}

void encodeRecord(const TitleSetRecord& record, std::string& out)
{
    put32(out, static_cast<std::uint32_t>(record.number));
    put32(out, record.stamp.exists ? 1 : 0);
    put64(out, record.stamp.device);
    put64(out, record.stamp.inode);
    put64(out, record.stamp.size);
    put64(out, record.stamp.modifiedSeconds);
    put64(out, record.stamp.modifiedNanoseconds);
    put32(out, record.readable ? 1 : 0);
    if (!record.readable)
        return;
    const TitleSet& info = record.info;
    const VideoTrack& video = info.video;
    for (const int value : {static_cast<int>(video.coding), video.width, video.height,
                            static_cast<int>(video.standard), static_cast<int>(video.aspect)})
        put32(out, static_cast<std::uint32_t>(value));
    put32(out, static_cast<std::uint32_t>(info.audio.size()));
    for (const AudioTrack& track : info.audio) {
        put32(out, static_cast<std::uint32_t>(track.streamId));
        putText(out, track.language);
        put32(out, static_cast<std::uint32_t>(track.coding));
        put32(out, static_cast<std::uint32_t>(track.channels));
    }
    put32(out, static_cast<std::uint32_t>(info.subtitles.size()));
    for (const SubtitleTrack& track : info.subtitles) {
        put32(out, static_cast<std::uint32_t>(track.streamId));
        putText(out, track.language);
    }
    put32(out, static_cast<std::uint32_t>(info.heldSectors));
    put32(out, static_cast<std::uint32_t>(info.namedTitles));
    put32(out, static_cast<std::uint32_t>(info.titles.size()));
    for (const Title& title : info.titles) {
        put64(out, title.milliseconds);
        put32(out, static_cast<std::uint32_t>(title.discTitle));
        put32(out, static_cast<std::uint32_t>(title.cells.size()));
        for (const Cell& cell : title.cells) {
            put32(out, static_cast<std::uint32_t>(cell.firstSector));
            put32(out, static_cast<std::uint32_t>(cell.lastSector));
            put64(out, cell.milliseconds);
        }
        put32(out, static_cast<std::uint32_t>(title.chapters.size()));
        for (const Chapter& chapter : title.chapters) {
            put32(out, static_cast<std::uint32_t>(chapter.firstCell));
            put32(out, static_cast<std::uint32_t>(chapter.lastCell));
        }
    }
}

bool decodeRecord(const std::string& bytes, size_t* offset, TitleSetRecord* record)
{
    if (*offset > bytes.size())
        return false;
    Reader in(bytes, *offset);
    TitleSetRecord decoded;
    std::uint32_t number = 0, exists = 0, readable = 0;
    if (!in.take32(&number) || !in.take32(&exists) || !in.take64(&decoded.stamp.device) ||
        !in.take64(&decoded.stamp.inode) || !in.take64(&decoded.stamp.size) ||
        !in.take64(&decoded.stamp.modifiedSeconds) ||
        !in.take64(&decoded.stamp.modifiedNanoseconds) || !in.take32(&readable) ||
        number > kMaxCount || exists > 1 || readable > 1)
        return false;
    decoded.number = static_cast<int>(number);
    decoded.stamp.exists = exists != 0;
    decoded.readable = readable != 0;
    if (decoded.readable && !decodeTitleSet(in, &decoded.info))
        return false;
    *offset = in.offset();
    *record = std::move(decoded);
    return true;
}

bool isRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string discToOpenFor(const std::string& ifoPath)
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

std::string stampPathOf(const std::string& root, bool image, const std::string& ifoPath, int number)
{
    if (image)
        return root;
    std::string path = ifoPath;
    const size_t name = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    if (path.size() < name + 6)
        return path;
    path[name + 4] = static_cast<char>('0' + number / 10);
    path[name + 5] = static_cast<char>('0' + number % 10);
    return path;
}

} // namespace transcast::dvd
