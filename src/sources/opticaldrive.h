#pragma once

#include <QString>

namespace transcast
{

// Whether a path lies on an optical drive, and the wait until that drive can
// be read. Reading a folder on a DVD drive right after the tray closed fails
// until the drive has spun up, so the title search first waits for the drive.
// The real drives are found in the mount table; tests, which have no optical
// drive, substitute their own.
class OpticalDrive
{
public:
    virtual ~OpticalDrive() = default;

    // True when `path` lies on a mounted optical device (/dev/sr*, /dev/cdrom*,
    // or an iso9660 or udf file system).
    virtual bool isOpticalDrive(const QString& path) const;
    // Blocks until the drive holding `path` answers a volume query, or the
    // query fails; called on a worker thread. No time limit: a drive that
    // never answers is the user's to eject.
    virtual void waitUntilReady(const QString& path) const;

    // The mount point the mount table lists for `path` (the longest one that
    // contains it) with its device and file-system type; empty when none.
    struct Mount {
        QString device;
        QString mountPoint;
        QString type;
    };
    static Mount mountOf(const QString& path, const QString& mountTable);
    // True for the device or type of an optical drive.
    static bool isOpticalMount(const Mount& mount);
};

} // namespace transcast
