#include "common/folderaccess.h"

#include <cerrno>
#include <cstring>

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace transcast
{

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString folderWriteProblem(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat entry;
    if (::stat(path.constData(), &entry) != 0)
        return systemErrorText(errno);
    if (!S_ISDIR(entry.st_mode))
        return systemErrorText(ENOTDIR);
    if (::access(path.constData(), W_OK | X_OK) != 0)
        return systemErrorText(errno);
    return QString();
}

} // namespace transcast
