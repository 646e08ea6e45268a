#include "sources/opticaldrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/statvfs.h>

namespace transcast
{

namespace
{

// The mount table escapes blanks and a few other characters as octal.
QString unescapeMountField(const QString& field)
{
    QString text;
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == QLatin1Char('\\') && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                text += QChar(code);
                i += 3;
                continue;
            }
        }
        text += field.at(i);
    }
    return text;
}

bool contains(const QString& mountPoint, const QString& path)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

} // namespace

OpticalDrive::Mount OpticalDrive::mountOf(const QString& path, const QString& mountTable)
{
    Mount best;
    for (const QString& line : mountTable.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 3)
            continue;
        const QString mountPoint = unescapeMountField(fields.at(1));
        if (!contains(mountPoint, path) || mountPoint.size() < best.mountPoint.size())
            continue;
        best = {unescapeMountField(fields.at(0)), mountPoint, fields.at(2)};
    }
    return best;
}

bool OpticalDrive::isOpticalMount(const Mount& mount)
{
    const QString device = QFileInfo(mount.device).fileName();
    return device.startsWith(QLatin1String("sr")) || device.startsWith(QLatin1String("cdrom")) ||
           device.startsWith(QLatin1String("dvd")) || mount.type == QLatin1String("iso9660") ||
           mount.type == QLatin1String("udf");
}

bool OpticalDrive::isOpticalDrive(const QString& path) const
{
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return isOpticalMount(mountOf(absolute, QString::fromLocal8Bit(table.readAll())));
}

void OpticalDrive::waitUntilReady(const QString& path) const
{
    // The volume query of the drive's root: it returns once the drive has
    // spun up, or has given up. Its result does not matter.
    struct statvfs volume;
    statvfs(QFile::encodeName(path).constData(), &volume);
    QDir(path).exists();
}

} // namespace transcast
