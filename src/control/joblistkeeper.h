#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include "sources/joblist.h"
#include "sources/joblistfile.h"

class QLockFile;

namespace transcast
{

class BackgroundFileWriter;
class DvdTitles;
class Edition;
class JobList;
class SourceList;
class Preferences;

// Keeps the window's job list on disk while the window runs, so that the
// next start can offer what a crash, a kill or a power loss left behind.
// - The file lies beside the settings file and is named after it
//   ("transcast-joblist.json" beside "transcast.ini"). Each write replaces it
//   whole (written aside, synced, then renamed over it), so a crash leaves
//   the last list or the one before, never a torn one. The disk is written
//   on a thread of its own (BackgroundFileWriter): the window only encodes
//   the rows that changed and joins them.
// - Writes are coalesced: the first change after a write starts a timer of
//   kDelayMs, and the list is written when it fires, with every change made
//   meanwhile. While files are added rows come in a stream, and the timer
//   runs kAddingDelayMs: a long add writes a growing list a few times, not
//   four times a second; the add's end brings the write to kDelayMs. A change to what is not kept
//   (a conversion's percentage, the selection) writes nothing, so a conversion costs no writes
//   beyond its status changes. While a disc is read nothing is written: its rows are not final
//   until the reading ends.
// - An emptied list removes the file, and so does stop() (a normal close,
//   the one a logout's signal makes included): what a start finds is what a
//   window that died held.
// - One window per settings folder and edition keeps its list: it holds a
//   lock file beside the list ("NAME.lock") as long as it runs. A second
//   window of the same edition keeps nothing and offers nothing; the lock of
//   a window that was killed is taken over at once.
// Nothing is kept before start(): transcast-cli never calls it.
class JobListKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDelayMs = 250;
    static constexpr int kAddingDelayMs = 2000;

    JobListKeeper(const Edition& edition, const Preferences& preferences, JobList& jobs,
                  SourceList& sources, DvdTitles& dvd, QObject* parent = nullptr);
    // Writes what is waiting: a window destroyed without a close leaves its
    // list as it was.
    ~JobListKeeper() override;

    // The list's file beside a settings file.
    static QString pathBeside(const QString& settingsPath);

    // Starts keeping the list beside the settings file, writing at once what
    // is listed already. False when another running window keeps a list
    // there, or the lock cannot be made (a folder that cannot be written).
    bool start(const QString& settingsPath);
    bool isKeeping() const { return m_lock != nullptr; }
    const QString& path() const { return m_path; }

    // What a window that died left in the file.
    struct LeftOver {
        // The list as it was written; nothing when not keeping, without a
        // file, or with one this version cannot read.
        std::optional<JobListFile::Contents> contents;
        // A file that is there but cannot be read (cut short, junk, of
        // another version) is renamed beside itself, to a name no earlier
        // copy has: the next write would replace what no one has looked at.
        // Not empty: where it lies now.
        QString setAsidePath;
        // Not empty: it could not be renamed, and why. The list is then not
        // kept at all in this run, so that nothing replaces the file.
        QString setAsideProblem;
    };
    // Read before the first change overwrites it.
    LeftOver takeLeftOver();
    // Removes the file; the next change writes it again.
    void discard();
    // Writes now what is waiting, if anything, and returns once it is on
    // disk.
    void flush();
    // A normal close: the file is removed, nothing more is written and the
    // lock is given up.
    void stop();
    // A close that leaves the list for the next start to offer (the program
    // ended without the user while a question was open): what is waiting is
    // written, nothing more, and the lock is given up.
    void release();

    // How many times the list was written or removed since start().
    int writeCount() const { return m_writes; }

private:
    // Names tried for a list set aside within the same second.
    static constexpr int kSetAsideAttempts = 1000;
    // The name an unreadable list at `path` is renamed to: beside it, with
    // the time stamp and, from the second try on, a number.
    static QString setAsideName(const QString& path, const QString& stamp, int attempt);

    void letGo();
    void encodeAll();
    void keepAll();
    void rowChanged(int row, JobList::Change change);
    void changed();
    void write();
    JobListFile::Header header() const;

    const Edition& m_edition;
    const Preferences& m_preferences;
    JobList& m_jobs;
    SourceList& m_sources;
    DvdTitles& m_dvd;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<BackgroundFileWriter> m_writer;
    QTimer m_timer;
    // The kept part of each row, by the row's identity.
    QHash<quint64, QByteArray> m_kept;
    bool m_pending = false;
    int m_writes = 0;
};

} // namespace transcast
