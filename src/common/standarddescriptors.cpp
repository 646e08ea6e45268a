#include "common/standarddescriptors.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace transcast
{

int keepStandardDescriptorsOpen()
{
    int opened = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free number, which may be this one.
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null < 0)
            continue;
        if (null != fd) {
            // dup2 leaves the copy without O_CLOEXEC, as standard
            // descriptors are.
            if (dup2(null, fd) == fd)
                ++opened;
            close(null);
        } else {
            fcntl(fd, F_SETFD, 0);
            ++opened;
        }
    }
    return opened;
}

} // namespace transcast
