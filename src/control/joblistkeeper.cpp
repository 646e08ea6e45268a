#include "control/joblistkeeper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include "common/backgroundfilewriter.h"
#include "common/preferences.h"
#include "common/edition.h"
#include "sources/dvdtitles.h"
#include "sources/joblist.h"
#include "sources/sourcelist.h"

namespace transcast
{

JobListKeeper::JobListKeeper(const Edition& edition, const Preferences& preferences, JobList& jobs,
                             SourceList& sources, DvdTitles& dvd, QObject* parent)
    : QObject(parent), m_edition(edition), m_preferences(preferences), m_jobs(jobs),
      m_sources(sources), m_dvd(dvd)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &JobListKeeper::write);
}

JobListKeeper::~JobListKeeper()
{
    flush();
}

QString JobListKeeper::pathBeside(const QString& settingsPath)
{
    const QFileInfo settings(settingsPath);
    return settings.absoluteDir().filePath(settings.completeBaseName() +
                                           QStringLiteral("-joblist.json"));
}

bool JobListKeeper::start(const QString& settingsPath)
{
    if (isKeeping())
        return true;
    const QString path = pathBeside(settingsPath);
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    // The lock is held for the window's whole life: only a holder that no
    // longer runs makes it stale, never its age.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    m_writer = std::make_unique<BackgroundFileWriter>();
    m_path = path;
    m_writes = 0;
    // What a window that died left stays in the file until the first change
    // (or an answer to the offer to restore it).
    encodeAll();
    if (!m_kept.empty())
        changed();
    connect(&m_jobs, &JobList::rowAppended, this, [this](int row) {
        m_kept.insert(m_jobs.row(row).id, JobListFile::encodeRow(m_jobs.row(row)));
        changed();
    });
    connect(&m_jobs, &JobList::rowRemoved, this, [this](int, const JobRow& removed) {
        m_kept.remove(removed.id);
        changed();
    });
    connect(&m_jobs, &JobList::rowsReset, this, &JobListKeeper::keepAll);
    connect(&m_jobs, &JobList::rowChanged, this, &JobListKeeper::rowChanged);
    // The last rows of an add are written as soon as a single change's.
    connect(&m_sources, &SourceList::addEnded, this, [this] {
        if (m_timer.isActive() && m_timer.remainingTime() > kDelayMs)
            m_timer.start(kDelayMs);
    });
    connect(&m_dvd, &DvdTitles::readingChanged, this, [this](bool reading) {
        if (!reading)
            changed();
    });
    return true;
}

void JobListKeeper::encodeAll()
{
    m_kept.clear();
    m_kept.reserve(m_jobs.rowCount());
    for (int row = 0; row < m_jobs.rowCount(); ++row)
        m_kept.insert(m_jobs.row(row).id, JobListFile::encodeRow(m_jobs.row(row)));
}

void JobListKeeper::keepAll()
{
    encodeAll();
    changed();
}

void JobListKeeper::rowChanged(int row, JobList::Change change)
{
    // A converting row's percentage and a preview's word are not kept: the
    // row needs no new copy for them, however often they change.
    if (change != JobList::Change::Record || !m_jobs.hasRow(row))
        return;
    const JobRow& record = m_jobs.row(row);
    QByteArray kept = JobListFile::encodeRow(record);
    QByteArray& held = m_kept[record.id];
    if (kept == held)
        return;
    held = std::move(kept);
    changed();
}

void JobListKeeper::changed()
{
    if (!isKeeping())
        return;
    m_pending = true;
    // Not restarted by later changes: a long run of them (an add of a
    // thousand files) still writes now and then.
    if (!m_timer.isActive())
        m_timer.start(m_sources.isAdding() ? kAddingDelayMs : kDelayMs);
}

JobListFile::Header JobListKeeper::header() const
{
    JobListFile::Header header;
    header.dvdEdition = m_edition.isDvdMode();
    header.intoOwnFormat = m_preferences.intoOwnFormat();
    header.titleMode = m_dvd.isTitleMode();
    for (const LoadedIfo& titleSet : m_dvd.loadedIfos())
        header.titleSets << titleSet.ifoPath;
    return header;
}

void JobListKeeper::write()
{
    if (!isKeeping() || !m_pending)
        return;
    // The rows of a disc being read are not final; the reading's end
    // writes them.
    if (m_dvd.isReading())
        return;
    m_pending = false;
    ++m_writes;
    if (m_jobs.rowCount() == 0) {
        m_writer->remove(m_path);
        return;
    }
    // In the list's order, each row as it was last copied.
    std::vector<QByteArray> rows;
    rows.reserve(static_cast<size_t>(m_jobs.rowCount()));
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        const auto held = m_kept.constFind(m_jobs.row(row).id);
        rows.push_back(held != m_kept.constEnd() ? *held : JobListFile::encodeRow(m_jobs.row(row)));
    }
    m_writer->replace(m_path, JobListFile::encode(header(), rows));
}

void JobListKeeper::flush()
{
    m_timer.stop();
    write();
    if (m_writer)
        m_writer->wait();
}

JobListKeeper::LeftOver JobListKeeper::takeLeftOver()
{
    LeftOver left;
    if (!isKeeping() || !QFileInfo::exists(m_path))
        return left;
    if (QFile file(m_path); file.open(QIODevice::ReadOnly))
        left.contents = JobListFile::decode(file.readAll());
    if (left.contents)
        return left;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A rename never replaces a file that is there: a name an earlier copy
    // took makes it fail, and the next number is tried.
    for (int attempt = 1; attempt <= kSetAsideAttempts; ++attempt) {
        const QString aside = setAsideName(m_path, stamp, attempt);
        QFile unreadable(m_path);
        if (unreadable.rename(aside)) {
            left.setAsidePath = aside;
            return left;
        }
        if (!QFileInfo(aside).exists() && !QFileInfo(aside).isSymLink()) {
            left.setAsideProblem = unreadable.errorString();
            break;
        }
    }
    if (left.setAsideProblem.isEmpty())
        left.setAsideProblem = QStringLiteral("every name for it is taken");
    release();
    return left;
}

QString JobListKeeper::setAsideName(const QString& path, const QString& stamp, int attempt)
{
    const QFileInfo list(path);
    QString name = list.completeBaseName() + QStringLiteral(".unreadable-") + stamp;
    if (attempt > 1)
        name += QLatin1Char('-') + QString::number(attempt);
    return list.dir().filePath(name + QLatin1Char('.') + list.suffix());
}

void JobListKeeper::discard()
{
    if (!isKeeping())
        return;
    m_timer.stop();
    m_pending = false;
    m_writer->remove(m_path);
    m_writer->wait();
}

void JobListKeeper::stop()
{
    if (!isKeeping())
        return;
    discard();
    letGo();
}

void JobListKeeper::release()
{
    if (!isKeeping())
        return;
    flush();
    letGo();
}

void JobListKeeper::letGo()
{
    disconnect(&m_jobs, nullptr, this, nullptr);
    disconnect(&m_sources, nullptr, this, nullptr);
    disconnect(&m_dvd, nullptr, this, nullptr);
    m_kept.clear();
    m_writer.reset();
    m_lock.reset();
}

} // namespace transcast
