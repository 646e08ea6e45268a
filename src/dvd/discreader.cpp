#include "discreader.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <dvdread/dvd_reader.h>

namespace transcast::dvd
{

struct DiscReader::Log {
    std::string lastError;
};

namespace
{

void collect(void* opaque, dvd_logger_level_t level, const char* format, va_list arguments)
{
    if (level != DVD_LOGGER_LEVEL_ERROR || opaque == nullptr)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    static_cast<DiscReader::Log*>(opaque)->lastError = text;
}

const dvd_logger_cb silentLogger = {collect};

bool isFolder(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What libdvdread must be given to read a disc folder. It looks for the
// title sets in a folder named VIDEO_TS or video_ts below the root, or in the
// root itself, while the listing (like the discs' own file systems) takes the
// folder's name in any case: a root above "Video_Ts" is read through that
// folder itself, as the listing reads it.
std::string folderToOpen(const std::string& root)
{
    if (isFolder(root + "/VIDEO_TS") || isFolder(root + "/video_ts"))
        return root;
    DIR* folder = ::opendir(root.c_str());
    if (folder == nullptr)
        return root;
    std::string found = root;
    while (const dirent* entry = ::readdir(folder)) {
        if (::strcasecmp(entry->d_name, "video_ts") == 0 && isFolder(root + "/" + entry->d_name)) {
            found = root + "/" + entry->d_name;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

} // namespace

void DiscReader::Closer::operator()(dvd_reader_s* reader) const
{
    DVDClose(reader);
}

DiscReader::DiscReader() : m_log(std::make_unique<Log>()) {}

DiscReader::~DiscReader() = default;

bool DiscReader::open(const std::string& root)
{
    m_reader.reset();
    m_root = root;
    m_error.clear();
    m_log->lastError.clear();
    struct stat info;
    if (::stat(root.c_str(), &info) != 0) {
        m_error = "cannot open the DVD " + root + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) {
        // A device node would be read as a drive; we only take folders and
        // images (a mounted drive is a folder).
        m_error = "cannot open the DVD " + root + ": not a folder nor an image file";
        return false;
    }
    const std::string disc = S_ISDIR(info.st_mode) ? folderToOpen(root) : root;
    m_reader.reset(DVDOpen2(m_log.get(), &silentLogger, disc.c_str()));
    if (!m_reader) {
        m_error = "cannot open the DVD " + root;
        if (!m_log->lastError.empty())
            m_error += ": " + m_log->lastError;
        return false;
    }
    // Opening a folder logs errors on the way that do not stop it (such as
    // not finding the device behind the folder); they explain nothing that
    // fails later.
    m_log->lastError.clear();
    return true;
}

std::string DiscReader::lastLibraryError() const
{
    return m_log->lastError;
}

} // namespace transcast::dvd
