#include "common/inifile.h"

#include <cerrno>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QStringList>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/folderaccess.h"
#include "common/textutil.h"

namespace transcast
{

namespace
{

// How long a write waits for one holder of the lock: far more than any
// write takes. The wait starts again whenever the lock changes hands, so a
// write behind many others in line waits its turn however long the line is,
// and gives up only on a holder that stopped moving.
constexpr int kLockWaitMs = 30000;

// How long a lock stays as it is before the wait asks whether anyone holds
// it at all: a live holder is between making the file and locking it for
// far less.
constexpr int kAbandonedCheckMs = 500;

// Who holds the lock now: each taking makes the lock file anew.
struct LockHolder {
    ino_t inode = 0;
    timespec modified{};
    bool operator==(const LockHolder& other) const
    {
        return inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

LockHolder lockHolder(const QByteArray& lockPath)
{
    struct stat st {
    };
    if (::stat(lockPath.constData(), &st) != 0)
        return {};
    return {st.st_ino, st.st_mtim};
}

// A lock file nobody holds: QLockFile keeps an flock on its lock file for as
// long as it holds it, and the kernel drops that flock when the holder dies.
// A holder killed after making the file but before writing who it is leaves
// a file QLockFile can judge only by its age; this tells it at once. The
// file is removed only if it is still the one that was checked.
bool removeIfAbandoned(const QByteArray& lockPath)
{
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat opened {
    };
    struct stat named {
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::stat(lockPath.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev)
        removed = ::unlink(lockPath.constData()) == 0;
    ::close(fd);
    return removed;
}

// Polls in short steps: QLockFile's own wait doubles its sleep up to seconds,
// and among several writers one could sleep through every chance it had.
bool takeLock(QLockFile& lock, const QString& lockPath)
{
    const QByteArray path = QFile::encodeName(lockPath);
    QDeadlineTimer deadline(kLockWaitMs);
    QElapsedTimer unchanged;
    unchanged.start();
    LockHolder holder = lockHolder(path);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError)
            return false;
        const LockHolder now = lockHolder(path);
        if (!(now == holder)) {
            holder = now;
            deadline.setRemainingTime(kLockWaitMs);
            unchanged.restart();
        } else if (deadline.hasExpired()) {
            return false;
        } else if (unchanged.hasExpired(kAbandonedCheckMs) && removeIfAbandoned(path)) {
            continue;
        }
        QThread::msleep(5);
    }
    return true;
}

// The files whose lock an IniFile::Lock of this process holds, and the
// thread that took it: that thread's writes already hold the lock.
QMutex heldMutex;
QHash<QString, Qt::HANDLE>& heldLocks()
{
    static QHash<QString, Qt::HANDLE> held;
    return held;
}

QString lockKey(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool heldByThisThread(const QString& path)
{
    const QMutexLocker locker(&heldMutex);
    const auto found = heldLocks().constFind(lockKey(path));
    return found != heldLocks().constEnd() && *found == QThread::currentThreadId();
}

// The file's lines as stored, line ends taken off (a CR before the LF stays
// with its line). Each line is decoded on its own only to be read: a line
// the program does not change is written back byte for byte, whatever its
// encoding, so a path in another 8-bit encoding, or a section of another
// program, survives every write untouched.
struct RawLines {
    QList<QByteArray> lines;
    bool exists = false;
};

RawLines readRawLines(const QString& path)
{
    RawLines raw;
    if (path.isEmpty())
        return raw;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return raw;
    raw.exists = true;
    raw.lines = file.readAll().split('\n');
    if (!raw.lines.isEmpty() && raw.lines.last().isEmpty())
        raw.lines.removeLast();
    return raw;
}

QString decoded(const QByteArray& line)
{
    return QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
}

QStringList readLines(const QString& path)
{
    QStringList lines;
    for (const QByteArray& line : readRawLines(path).lines)
        lines << decoded(line);
    return lines;
}

// The name of a "[section]" line, or a null string for any other line.
QString sectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const int close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return QString();
    return trimmed.mid(1, close - 1).trimmed();
}

bool isComment(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char(';'));
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct KeyLine {
    QString key;
    QString value;
};

// Splits "key=value"; a line without "=" has no key.
bool splitKeyLine(const QString& line, KeyLine& out)
{
    if (isComment(line))
        return false;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    out.key = line.left(eq).trimmed();
    out.value = line.mid(eq + 1).trimmed();
    return !out.key.isEmpty();
}

// Values written in quotes read without them, as the profile services do.
QString unquote(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

struct IniFile::Lock::Held {
    explicit Held(const QString& lockPath) : file(lockPath) {}
    QLockFile file;
    QString key;
};

IniFile::Lock::Lock(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QString lockPath = path + QStringLiteral(".lock");
        auto held = std::make_unique<Held>(lockPath);
        if (!takeLock(held->file, lockPath)) {
            m_held = false;
            continue;
        }
        held->key = lockKey(path);
        const QMutexLocker locker(&heldMutex);
        heldLocks().insert(held->key, QThread::currentThreadId());
        m_locks.push_back(std::move(held));
    }
}

IniFile::Lock::~Lock()
{
    // The last taken goes first.
    while (!m_locks.empty()) {
        {
            const QMutexLocker locker(&heldMutex);
            heldLocks().remove(m_locks.back()->key);
        }
        m_locks.pop_back();
    }
}

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    bool inSection = false;
    for (const QString& line : readLines(m_path)) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = sameName(name, section);
            continue;
        }
        KeyLine kv;
        if (inSection && splitKeyLine(line, kv) && sameName(kv.key, key))
            return unquote(kv.value);
    }
    return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const auto value = parseInt32(readString(section, key).trimmed());
    return value ? *value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QString IniFile::writeProblem() const
{
    if (m_path.isEmpty())
        return QStringLiteral("no settings file");
    // The lock and the new copy are made in the folder, and the copy
    // replaces the file: the folder must take new entries.
    const QFileInfo file(m_path);
    const QString folderProblem = folderWriteProblem(file.absolutePath());
    if (!folderProblem.isEmpty())
        return folderProblem;
    // A file the user made read-only is not replaced behind their back.
    if (file.exists() && ::access(QFile::encodeName(m_path).constData(), W_OK) != 0)
        return systemErrorText(errno);
    return QString();
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (m_path.isEmpty())
        return false;
    const QString lockPath = m_path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!heldByThisThread(m_path) && !takeLock(lock, lockPath))
        return false;
    RawLines raw = readRawLines(m_path);
    QList<QByteArray>& lines = raw.lines;
    // New lines follow the file's own line ends.
    const QByteArray cr = !lines.isEmpty() && lines.first().endsWith('\r') ? "\r" : "";
    const QByteArray entry = (key + QLatin1Char('=') + value).toUtf8() + cr;

    int sectionStart = -1; // index of the section line
    int lastKeyLine = -1;  // last line of the section holding a key
    bool replaced = false;
    for (int i = 0; i < lines.size() && !replaced; ++i) {
        const QString line = decoded(lines.at(i));
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break; // the section ended without the key
            if (sameName(name, section)) {
                sectionStart = i;
                lastKeyLine = i;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        KeyLine kv;
        if (splitKeyLine(line, kv)) {
            lastKeyLine = i;
            if (sameName(kv.key, key)) {
                // The same value again: the line, and the file, stay as
                // they are.
                if (kv.value == value)
                    return true;
                const QByteArray lineEnd = lines.at(i).endsWith('\r') ? "\r" : "";
                lines[i] = (kv.key + QLatin1Char('=') + value).toUtf8() + lineEnd;
                replaced = true;
            }
        }
    }
    if (!replaced) {
        if (sectionStart >= 0) {
            lines.insert(lastKeyLine + 1, entry);
        } else {
            if (!lines.isEmpty() && !decoded(lines.last()).trimmed().isEmpty())
                lines.append(cr);
            lines.append((QLatin1Char('[') + section + QLatin1Char(']')).toUtf8() + cr);
            lines.append(entry);
        }
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = lines.join('\n') + '\n';
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace transcast
