#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

namespace transcast
{

// A plain INI text file read and written value by value, the way the Windows
// profile-string services treat one:
// - section and key names match without regard to letter case;
// - an absent file, section or key, or a value that is not a whole number
//   when a number is asked for, reads as the caller's default;
// - booleans are written "1"/"0" and read as "non-zero";
// - every write reaches the file at once (or soon: see
//   setWritesInBackground) and keeps every other section, key
//   and their order; lines it does not change keep their bytes, whatever
//   their encoding (values are read as UTF-8 and written as UTF-8), and
//   writing a key's present value again leaves the file untouched.
// Unlike those services, a write never leaves a half-written file: it writes
// a temporary file and renames it over the old one, so a crash or a full disk
// leaves the file as it was before or after the write, never torn.
// Writers are serialised, across processes too, by a lock file beside the
// INI file ("NAME.lock"): each write reads, changes and replaces the file
// while it holds the lock, so the window and any number of transcast-cli runs
// sharing a folder keep every one's change. A lock left by a process that no
// longer runs is taken over at once (within half a second when it died
// before writing who it was).
// Reads see the file as it stands: its values are kept in memory, once per
// process for each file, and read again whenever the file's stamp (inode,
// size, times) has changed, or while it is too recent for the stamp to tell.
// A change that rests on what was read before it (the profile recorded last
// decides which section is written back) takes IniFile::Lock over its reads
// and writes, so that no other writer comes in between.
class IniFile
{
public:
    // Holds the locks of the files for as long as it lives: writes of this
    // process go on without waiting for them, every other writer (another
    // process, or an IniFile on another thread) waits. Taken as a write
    // takes its lock, in the order given; whoever takes several files'
    // locks names them in one order, so that no two holders wait on each
    // other. Not to be nested over the same file.
    class Lock
    {
    public:
        explicit Lock(const QStringList& paths);
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        ~Lock();
        // False when a lock could not be taken in time; the others are
        // still held, and the writes then take the missing ones themselves.
        bool isHeld() const { return m_held; }

    private:
        struct Held;
        std::vector<std::unique_ptr<Held>> m_locks;
        bool m_held = true;
    };

    // An empty path stands for no file: reads give the defaults and writes
    // fail.
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Why writes to the file would fail (its folder missing, a file where
    // the folder should be, the file or its folder read-only), in words;
    // empty when they can succeed.
    QString writeProblem() const;

    // A process whose writes must not wait on the disk (the window: a write
    // may wait for another writer's lock and is synced to the disk) has them
    // carried out by a thread of its own, in the order they were asked for,
    // a file's waiting keys in one go; reads see them at once. The writes
    // then answer true, and one that fails is dropped (writeProblem tells
    // beforehand). flushWrites returns once every write asked for so far is
    // done; the writes left at exit are done before the process ends.
    // Such a process takes no IniFile::Lock: its writer would wait on it.
    static void setWritesInBackground(bool background);
    static void flushWrites();

    // Each returns false when the file could not be written (the old file
    // then stays as it was).
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);

private:
    QString m_path;
};

} // namespace transcast
