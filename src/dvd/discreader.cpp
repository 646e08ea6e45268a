#include "discreader.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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
    m_reader.reset(DVDOpen2(m_log.get(), &silentLogger, root.c_str()));
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
