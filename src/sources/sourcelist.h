#pragma once

#include <deque>
#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include "sources/jobrow.h"
#include "sources/probereportparser.h"

namespace transcast
{

class DvdTitles;

class Edition;
class Interaction;
class JobList;
class ProbeQueue;
class BusyState;
class Preferences;

// Fills and empties the job list from files: add files, add a folder, remove
// the selected rows, clear the list. Each user action tests the busy flags
// first and refuses with its warning.
//
// An add is an operation of the event loop: it returns at once, its rows are
// appended as their probes end, in the order the files were chosen, and
// addEnded follows the last. Meanwhile isAdding() is true and the list's
// actions and Convert refuse; what is added while an add runs (a drop, a
// folder handed over by the program) joins its end, so that rows never mix.
class SourceList : public QObject
{
    Q_OBJECT
public:
    // `busy` and `preferences` are read only: converting refuses the actions,
    // and the direction decides what a folder scan keeps.
    SourceList(const Edition& edition, const BusyState& busy, const Preferences& preferences,
               JobList& jobs, Interaction& interaction, QObject* parent = nullptr);
    ~SourceList() override;

    // The open dialog's filter for converting into the edition's format.
    static QString supportedFormatsFilter();
    // The extensions a folder scan keeps when converting into the edition's
    // format (lower case, with the dot).
    static QStringList folderExtensions();

    // The edition's own-format filter, kept when the window is shown; the
    // folder scan looks extensions up in it when converting out of it.
    void setOwnFormatFilter(const QString& filter) { m_ownFormatFilter = filter; }
    const QString& ownFormatFilter() const { return m_ownFormatFilter; }

    // User actions (menu, buttons).
    void addFiles();
    void addFolder();
    void removeSelected();
    void clear();

    // The same additions with the choice already made (drag and drop, the
    // command line): no dialog, the same guard. A folder's entries are
    // listed when its turn comes.
    void addChosenFiles(const QStringList& paths);
    void addFolderContents(const QString& folder);

    // Probes the files together, one encoder per core (see ProbeQueue), and
    // appends their rows in the order given, each as its probe and those
    // before it have ended; a file that cannot be read is skipped (reported
    // by fileSkipped), the others go on. An encoder that cannot be started
    // is said once per add, which then lists nothing more.
    void addFilesInOrder(const QStringList& paths);
    // Lists kept rows again (see Controller::offerRestore) as an add lists
    // files, in their order, through the probe; each row found gets back
    // its tick, status, reason and notes. A file gone since, or one the
    // probe cannot read any more, is reported as an add reports it
    // (fileSkipped) and not listed.
    void restoreRows(const QVector<JobRow>& rows);
    // The reason given for a kept source that is no longer there.
    static QString goneReason()
    {
        return QStringLiteral("it was moved or deleted since it was listed");
    }
    // How many probes run at once; 0 (the default): ProbeQueue's choice.
    void setProbeWidth(int width) { m_probeWidth = width; }
    // Appends the row of a probed file: missing bitrates are derived from the
    // overall one (an audio bitrate of 0 counts as 128), a missing frame size
    // reads 320x240. False, and no row, without an overall bitrate. The
    // row is announced by rowListed, whose listener writes its estimate.
    bool addProbedFile(const QString& path, const ProbeResult& probed);

    // True from the start of an add until addEnded: the actions that change
    // the list (Convert included) ignore input meanwhile.
    bool isAdding() const { return m_adding > 0; }
    // The list is not the user's to change: files are being added, or the
    // disc reader (setDiscReader) appends rows as it reads. Convert and the
    // list's actions ignore input meanwhile.
    bool isBusy() const;
    // The DVD title list whose readings also keep the list busy.
    void setDiscReader(const DvdTitles* dvd) { m_discReader = dvd; }

    // Sources the last add could not look at, each already reported to the
    // user: a folder that cannot be read, file names that are not valid
    // UTF-8, an encoder that cannot be started.
    int problemCount() const { return m_problems; }
    // The last add stopped because the encoder cannot be started.
    bool encoderUnavailable() const { return m_encoderFailed; }

    // The caption of a file row: the file name without its last extension.
    static QString displayName(const QString& path);

    // A folder's entries in the order a user sees them listed: by name,
    // letter case ignored, subfolders included but never entered.
    struct FolderListing {
        bool readable = true;
        QString error;           // why it cannot be read
        QStringList names;       // the entries
        QStringList undecodable; // names that are not valid UTF-8, bytes escaped
    };
    static FolderListing listFolder(const QString& folder);
    static QStringList folderEntries(const QString& folder) { return listFolder(folder).names; }

signals:
    // A file could not be read by the encoder and got no row.
    void fileSkipped(const QString& path, const QString& reason);
    // An add (files, a folder, a drop, a restore) has ended: every row it
    // found is listed and every file it skipped reported.
    void addEnded();
    // An add began (true) or ended (false), just before addEnded.
    void addingChanged(bool adding);
    // A file's row was appended (right after the list's rowAppended): the
    // size estimate belongs to the profile's rules, which the Controller
    // applies here.
    void rowListed(int row);

private:
    // One part of an add, done in turn: files probed together, or a folder
    // listed when its turn comes. Kept rows (a restore) give their found
    // rows back their tick, status and notes.
    struct AddStep {
        QString folder;
        QStringList files;
        QVector<JobRow> kept;
    };
    void enqueue(AddStep step);
    void runNextStep();
    void probeFiles(const QStringList& paths, const QVector<JobRow>& kept);
    void delivered(const QString& path, const ProbeResult& result, const QString& failureReason,
                   const QString& startError, const JobRow* kept);
    QStringList folderFiles(const QString& folder);
    bool refusedWhileConverting();
    void selectFirstIfNoneSelected();
    bool keptByFolderScan(const QString& name) const;
    void reportProblem(const QString& text);

    const Edition& m_edition;
    const BusyState& m_busy;
    const Preferences& m_preferences;
    // 1 from the start of an add until addEnded; more files asked for
    // meanwhile join the add under way, so adds never nest.
    int m_adding = 0;
    const DvdTitles* m_discReader = nullptr;
    JobList& m_jobs;
    Interaction& m_interaction;
    std::deque<AddStep> m_steps;
    std::unique_ptr<ProbeQueue> m_queue; // the probes of the step under way
    QString m_ownFormatFilter;
    bool m_encoderFailed = false;
    int m_problems = 0;
    int m_probeWidth = 0;
};

} // namespace transcast
