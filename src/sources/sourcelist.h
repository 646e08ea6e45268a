#pragma once

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
class SourceProbe;
struct ControllerState;

// Fills and empties the job list from files: add files, add a folder, add
// one file (through the probe), remove the selected rows, clear the list.
// Each user action tests the busy flags first and refuses with its warning.
class SourceList : public QObject
{
    Q_OBJECT
public:
    SourceList(const Edition& edition, ControllerState& state, JobList& jobs, SourceProbe& probe,
               Interaction& interaction, QObject* parent = nullptr);

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
    // command line): no dialog, the same guard.
    void addChosenFiles(const QStringList& paths);
    void addFolderContents(const QString& folder);

    // Probes one file (its path made absolute first) and appends its row;
    // false when the file was skipped (the probe found no overall bitrate)
    // or the encoder cannot be started (said once per add).
    bool addOneFile(const QString& path);
    // Probes the files together, one encoder per core (see ProbeQueue), and
    // appends their rows in the order given, each as its probe and those
    // before it have ended; a file that cannot be read is skipped as by
    // addOneFile, the others go on.
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

    // True while files are being added (a probe runs); the window then keeps
    // processing events, and the actions that change the list (Convert
    // included) ignore input.
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
    // The outermost add (files, a folder, a drop) has ended.
    void addEnded();
    // The first add began (true) or the outermost one ended (false).
    void addingChanged(bool adding);
    // A file's row was appended (right after the list's rowAppended): the
    // size estimate belongs to the profile's rules, which the Controller
    // applies here.
    void rowListed(int row);

private:
    class AddingScope;
    bool refusedWhileConverting();
    void selectFirstIfNoneSelected();
    bool keptByFolderScan(const QString& name) const;
    void reportProblem(const QString& text);

    const Edition& m_edition;
    ControllerState& m_state;
    // Nesting depth of the adds running now (a probe keeps the events
    // flowing, so another add can arrive meanwhile).
    int m_adding = 0;
    const DvdTitles* m_discReader = nullptr;
    JobList& m_jobs;
    SourceProbe& m_probe;
    Interaction& m_interaction;
    QString m_ownFormatFilter;
    bool m_encoderFailed = false;
    int m_problems = 0;
    int m_probeWidth = 0;
};

} // namespace transcast
