#include "outputclaim.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transcast
{

namespace
{

// Whether the entry is the empty file the caller reserved for this job.
bool isReservation(const struct stat& entry)
{
    const char* reserved = std::getenv(kReservedOutputVariable);
    if (reserved == nullptr || !S_ISREG(entry.st_mode) || entry.st_size != 0)
        return false;
    const std::string identity = std::to_string(entry.st_dev) + ":" + std::to_string(entry.st_ino);
    return identity == reserved;
}

} // namespace

bool OutputClaim::claim(const std::string& path)
{
    m_path = path;
    struct stat entry;
    // O_EXCL fails on any entry, a dangling link included: nothing is ever
    // written through a link.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        const bool known = fstat(fd, &entry) == 0;
        close(fd);
        if (!known) {
            m_error = path + ": " + std::strerror(errno);
            unlink(path.c_str());
            return false;
        }
    } else if (errno != EEXIST) {
        m_error = path + ": " + std::strerror(errno);
        return false;
    } else if (lstat(path.c_str(), &entry) != 0 || !isReservation(entry)) {
        m_error = path + ": already exists, and a conversion never replaces a file it did "
                         "not create";
        return false;
    }
    m_device = entry.st_dev;
    m_inode = entry.st_ino;
    m_claimed = true;
    return true;
}

void OutputClaim::removeWhen(bool onlyEmpty)
{
    struct stat entry;
    if (!m_claimed || lstat(m_path.c_str(), &entry) != 0 || !S_ISREG(entry.st_mode) ||
        entry.st_dev != m_device || entry.st_ino != m_inode || (onlyEmpty && entry.st_size != 0))
        return;
    unlink(m_path.c_str());
    m_claimed = false;
}

void OutputClaim::remove()
{
    removeWhen(false);
}

void OutputClaim::removeIfEmpty()
{
    removeWhen(true);
}

} // namespace transcast
