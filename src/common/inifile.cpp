#include "common/inifile.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include <QDateTime>
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
QList<QByteArray> readRawLines(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString decoded(const QByteArray& line)
{
    return QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
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

// One key to set: what a write asks for, kept until it is in the file.
struct Edit {
    QString section;
    QString key;
    QString value;
};

// Sets one key in the file's lines, keeping every other line's bytes;
// false when the key already holds that value (nothing changes).
bool applyEdit(QList<QByteArray>& lines, const Edit& edit)
{
    // New lines follow the file's own line ends.
    const QByteArray cr = !lines.isEmpty() && lines.first().endsWith('\r') ? "\r" : "";
    const QByteArray entry = (edit.key + QLatin1Char('=') + edit.value).toUtf8() + cr;
    int sectionStart = -1; // index of the section line
    int lastKeyLine = -1;  // last line of the section holding a key
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = decoded(lines.at(i));
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break; // the section ended without the key
            if (sameName(name, edit.section)) {
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
            if (sameName(kv.key, edit.key)) {
                if (kv.value == edit.value)
                    return false;
                const QByteArray lineEnd = lines.at(i).endsWith('\r') ? "\r" : "";
                lines[i] = (kv.key + QLatin1Char('=') + edit.value).toUtf8() + lineEnd;
                return true;
            }
        }
    }
    if (sectionStart >= 0) {
        lines.insert(lastKeyLine + 1, entry);
    } else {
        if (!lines.isEmpty() && !decoded(lines.last()).trimmed().isEmpty())
            lines.append(cr);
        lines.append((QLatin1Char('[') + edit.section + QLatin1Char(']')).toUtf8() + cr);
        lines.append(entry);
    }
    return true;
}

// What a file's name stands for now: a write replaces the file (a new
// inode), a change in place moves its times or size.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileStamp stampOf(const QString& path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// Far more than a tick of any file system's clock.
constexpr qint64 kRacyMs = 2000;

qint64 milliseconds(const timespec& time)
{
    return static_cast<qint64>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

// A file as this process knows it: its lines as last read (while its stamp
// holds), the writes not yet in it, and the values both make, by
// "section\nkey" in lower case, the first of each in the file winning.
struct KnownFile {
    QMutex mutex;
    FileStamp stamp;
    bool read = false;
    qint64 readAtMs = 0;
    QList<QByteArray> raw;
    std::deque<Edit> pending;
    bool valuesCurrent = false;
    QHash<QString, QString> values;
};

QString valueKey(const QString& section, const QString& key)
{
    return section.toLower() + QLatin1Char('\n') + key.toLower();
}

QHash<QString, QString> valuesOf(const QList<QByteArray>& lines)
{
    QHash<QString, QString> values;
    QString section;
    bool inSection = false;
    for (const QByteArray& raw : lines) {
        const QString line = decoded(raw);
        const QString name = sectionName(line);
        if (!name.isNull()) {
            section = name;
            inSection = true;
            continue;
        }
        KeyLine kv;
        if (inSection && splitKeyLine(line, kv)) {
            const QString slot = valueKey(section, kv.key);
            if (!values.contains(slot))
                values.insert(slot, unquote(kv.value));
        }
    }
    return values;
}

QMutex knownMutex;
QHash<QString, std::shared_ptr<KnownFile>>& knownFiles()
{
    static QHash<QString, std::shared_ptr<KnownFile>> files;
    return files;
}

std::shared_ptr<KnownFile> knownFile(const QString& path)
{
    const QMutexLocker locker(&knownMutex);
    std::shared_ptr<KnownFile>& file = knownFiles()[lockKey(path)];
    if (!file)
        file = std::make_shared<KnownFile>();
    return file;
}

// Brings the lines up to the file as it stands; the caller holds the mutex.
// Lines read while the file was recent may have missed a change made in the
// same tick of the file system's clock, under the same stamp: they are read
// again until they were read well after the file's last change.
void refresh(KnownFile& known, const QString& path)
{
    const FileStamp now = stampOf(path);
    if (known.read && now == known.stamp &&
        (!now.exists || known.readAtMs - milliseconds(now.modified) >= kRacyMs))
        return;
    known.readAtMs = QDateTime::currentMSecsSinceEpoch();
    known.raw = readRawLines(path);
    known.stamp = now;
    known.read = true;
    known.valuesCurrent = false;
}

std::optional<QString> cachedValue(const QString& path, const QString& section, const QString& key)
{
    const std::shared_ptr<KnownFile> known = knownFile(path);
    const QMutexLocker locker(&known->mutex);
    refresh(*known, path);
    if (!known->valuesCurrent) {
        QList<QByteArray> lines = known->raw;
        for (const Edit& edit : known->pending)
            applyEdit(lines, edit);
        known->values = valuesOf(lines);
        known->valuesCurrent = true;
    }
    const auto found = known->values.constFind(valueKey(section, key));
    if (found == known->values.constEnd())
        return std::nullopt;
    return *found;
}

// Sets the keys in the file under its lock: read, changed and replaced
// whole, or left as it was when nothing changes or the write fails.
bool writeEdits(const QString& path, const std::vector<Edit>& edits)
{
    const QString lockPath = path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!heldByThisThread(path) && !takeLock(lock, lockPath))
        return false;
    QList<QByteArray> lines = readRawLines(path);
    bool changed = false;
    for (const Edit& edit : edits)
        changed = applyEdit(lines, edit) || changed;
    if (!changed)
        return true;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QByteArray data = lines.join('\n') + '\n';
        written = file.write(data) == data.size();
        written = written ? file.commit() : (file.cancelWriting(), false);
    }
    // What this process knows of the file is read again at the next read.
    const std::shared_ptr<KnownFile> known = knownFile(path);
    const QMutexLocker locker(&known->mutex);
    known->read = false;
    known->valuesCurrent = false;
    return written;
}

// The writes of a process that writes in the background: one thread takes
// each file's waiting keys in the order they were asked for and writes them
// in one go; reads meanwhile see them as if written.
class BackgroundWriter
{
public:
    ~BackgroundWriter()
    {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void queue(const QString& path, const Edit& edit)
    {
        const std::shared_ptr<KnownFile> known = knownFile(path);
        {
            const QMutexLocker locker(&known->mutex);
            known->pending.push_back(edit);
            known->valuesCurrent = false;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_waiting.contains(path))
            m_waiting.append(path);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_changed.notify_all();
    }

    void flush()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_waiting.isEmpty() && !m_busy; });
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || !m_waiting.isEmpty(); });
            if (m_waiting.isEmpty())
                return; // asked to quit with nothing left to write
            const QString path = m_waiting.takeFirst();
            m_busy = true;
            lock.unlock();
            writeWaiting(path);
            lock.lock();
            m_busy = false;
            m_idle.notify_all();
        }
    }

    static void writeWaiting(const QString& path)
    {
        const std::shared_ptr<KnownFile> known = knownFile(path);
        std::vector<Edit> edits;
        {
            const QMutexLocker locker(&known->mutex);
            edits.assign(known->pending.begin(), known->pending.end());
        }
        // A write that fails is dropped, as a synchronous caller would have
        // dropped it: the user was told at the start that nothing is kept.
        writeEdits(path, edits);
        const QMutexLocker locker(&known->mutex);
        known->pending.erase(known->pending.begin(),
                             known->pending.begin() + static_cast<qsizetype>(edits.size()));
        known->valuesCurrent = false;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::condition_variable m_idle;
    QStringList m_waiting;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};

std::atomic<bool> inBackground{false};

BackgroundWriter& backgroundWriter()
{
    // The files outlive the writer, which writes what is left at exit.
    knownFiles();
    static BackgroundWriter writer;
    return writer;
}

bool writesInBackground()
{
    return inBackground.load();
}

void queueEdit(const QString& path, const Edit& edit)
{
    backgroundWriter().queue(path, edit);
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

void IniFile::setWritesInBackground(bool background)
{
    inBackground.store(background);
}

void IniFile::flushWrites()
{
    backgroundWriter().flush();
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    if (m_path.isEmpty())
        return defaultValue;
    const std::optional<QString> value = cachedValue(m_path, section, key);
    return value ? *value : defaultValue;
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
    if (writesInBackground()) {
        queueEdit(m_path, {section, key, value});
        return true;
    }
    return writeEdits(m_path, {{section, key, value}});
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
