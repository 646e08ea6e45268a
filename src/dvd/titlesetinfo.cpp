#include "titlesetinfo.h"

#include <cctype>
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
    bool takeTexts(std::vector<std::string>* texts)
    {
        std::uint32_t count = 0;
        if (!takeCount(&count))
            return false;
        texts->resize(count);
        for (std::string& text : *texts)
            if (!takeText(&text))
                return false;
        return true;
    }

private:
    const std::string& m_bytes;
    size_t m_offset;
};

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
    const TitleSetInfo& info = record.info;
    putText(out, info.video);
    for (const std::vector<std::string>* texts : {&info.audio, &info.subpictures}) {
        put32(out, static_cast<std::uint32_t>(texts->size()));
        for (const std::string& text : *texts)
            putText(out, text);
    }
    put32(out, static_cast<std::uint32_t>(info.titles.size()));
    for (const TitleSetInfo::Title& title : info.titles) {
        put(out, &title.time, sizeof title.time);
        put32(out, static_cast<std::uint32_t>(title.cells.size()));
        put(out, title.cells.data(), title.cells.size() * sizeof(CellRecord));
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
    if (decoded.readable) {
        TitleSetInfo& info = decoded.info;
        std::uint32_t titles = 0;
        if (!in.takeText(&info.video) || !in.takeTexts(&info.audio) ||
            !in.takeTexts(&info.subpictures) || !in.takeCount(&titles))
            return false;
        info.titles.resize(titles);
        for (TitleSetInfo::Title& title : info.titles) {
            std::uint32_t cells = 0;
            if (!in.take(&title.time, sizeof title.time) || !in.takeCount(&cells))
                return false;
            title.cells.resize(cells);
            if (!in.take(title.cells.data(), cells * sizeof(CellRecord)))
                return false;
        }
    }
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
