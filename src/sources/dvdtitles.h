#pragma once

#include <memory>

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "common/optionbox.h"
#include "dvd/titlesetsource.h"
#include "sources/dvdchoicememory.h"
#include "sources/jobrow.h"

namespace transcast
{

class Edition;
class Interaction;
class JobList;
class OpticalDrive;
class BusyState;

// One IFO file of the listing, in the order it was read, and its title set
// as last read (null when it could not be read). Its rows are the rows whose
// DvdRowInfo::ifoPath names it (DvdTitles::rowsOf).
struct LoadedIfo {
    std::shared_ptr<const dvd::TitleSet> titleSet;
    QString ifoPath;
};

// Fills the job list from the title sets of a DVD: a disc folder, a folder
// above its VIDEO_TS, an .iso image, or chosen IFO files. The rows each title
// set lists are DvdRowBuilder's; each is a whole JobRow: its sectors and
// exact length, its title set with the tracks chosen for it (shown in the
// boxes cb_audio and cb_subtitle while it is selected), and its check box.
// What the user chose for rows not listed now is a DvdChoiceMemory's.
//
// Choices the rules leave open, decided here:
// - the track choices live in each row's record, so they reach any number of
//   rows and move with the row when rows are removed;
// - a mode switch keeps each title's and chapter's tick and tracks by its
//   place on the disc, not by its row number: a chapter listed for the first
//   time takes its title's tracks; a row the user removed comes back
//   unticked when a switch lists it again;
// - the boxes always show the selected row's tracks, also after a removal,
//   a rebuild or a click during a conversion, and are empty when no row is
//   selected;
// - a title set whose IFO cannot be read in an image ends the image's list
//   (title sets are numbered without gaps), and an image cut short is said
//   to be damaged once its readable titles are listed; titles and chapters
//   past its end are listed as missing and cannot be ticked;
// - a title set that lists fewer titles than the disc names in it, also
//   from its backup copy, is said to be damaged once the reading ends;
// - a kept chapter row from a list made per cell finds the chapter holding
//   its cell.
//
// A reading (a disc, IFO files, a restore, a mode switch) is an operation of
// the event loop: the call that asks for it starts it and returns, the title
// sets are asked of the TitleSetSource one after the other, each one's rows
// are appended when its answer arrives, and `readingFinished` ends it. An
// optical drive's spin-up is waited for on a thread of its own. Nothing here
// handles events itself or waits.
class DvdTitles : public QObject
{
    Q_OBJECT
public:
    DvdTitles(const Edition& edition, const BusyState& busy, JobList& jobs,
              Interaction& interaction, QObject* parent = nullptr);
    ~DvdTitles() override;

    static QString noDiscText() { return QStringLiteral("Can't find DVD disc."); }
    static QString invalidIfoText()
    {
        return QStringLiteral("The selected IFO File is invalid, please choose another one.");
    }
    static QString folderCaption() { return QStringLiteral("Select DVD Directory"); }
    static QString noSubtitleText() { return QStringLiteral("No Subtitle"); }
    // An image cut short (see dvd::discImageDamage), after its readable
    // titles are listed.
    static QString damagedImageText(const QString& image, const QString& damage);
    // The Add IFO dialog's filter: IFO files, or a disc image (the folder
    // dialog of Add DVD shows folders only).
    static QString ifoFilter()
    {
        return QStringLiteral("IFO Files(*.ifo)|*.ifo;|DVD images (*.iso)|*.iso");
    }
    // The disc images Add DVD offers beside folders where the dialog can.
    static QStringList imagePatterns() { return {QStringLiteral("*.iso")}; }

    // Where title sets are read from and the optical drives; the real ones
    // unless replaced (tests substitute what cannot be authored or is not
    // there).
    void setTitleSetSource(std::unique_ptr<dvd::TitleSetSource> titleSets);
    void setOpticalDrive(std::unique_ptr<OpticalDrive> drive);

    // User actions ("dvdopen", "ifoopen", "chapter", the DVD menu), each with
    // its busy guards; the readings they start end with readingFinished.
    void addDvd();
    void addIfo();
    void switchMode();
    void selectAll() { setAllChecked(true); }
    void unselectAll() { setAllChecked(false); }

    // The same readings with the choice already made (a drop, the command
    // line). Each starts a reading and returns true, or refuses it and
    // returns false (while converting or playing, with their warning, or
    // while a reading runs); a reading started ends with `readingFinished`,
    // always after the call has returned. openDisc takes a disc folder, any
    // folder above a VIDEO_TS, a VIDEO_TS folder or an .iso image; listed is
    // false when no title set was found ("Can't find DVD disc." shown).
    // openIfoFiles reads IFO files in their order; listed is false when one
    // leaves the list empty (message shown, the rest not read). When the
    // program that reads the title sets cannot run or answers nonsense, the
    // user is warned why (once a reading) and an empty list is not listed.
    bool openDisc(const QString& path);
    bool openIfoFiles(const QStringList& paths);
    // Lists kept DVD rows again (see Controller::offerRestore): reads the
    // title sets again, in their order and in the mode the rows were listed
    // in, as a mode switch does, and gives each kept row back its tick,
    // tracks, status and reason; a row the kept list no longer held (a
    // finished or removed one) is taken out as a removal takes it. A title
    // set a kept row came from that cannot be read any more is said in one
    // message. Starts the reading as openDisc does; listed is false when
    // nothing was listed.
    bool restore(bool titleMode, const QStringList& titleSets, const QVector<JobRow>& rows);
    // Paths named by a drop or the command line, sorted by DiscPath: the
    // first disc folder or image opens as Add DVD opens it; without one the
    // IFO files are read together as Add IFO reads them; with neither,
    // "Can't find DVD disc." is shown. Paths that are no disc are left out
    // (the caller says so). True when a reading started; with nothing to
    // read the message is shown within the call and it returns false.
    bool openPaths(const QStringList& paths);

    // A click on the list, or a move to another row: shows the selected
    // row's track lists with its choices.
    void rowClicked();
    // The user picked a track for the selected row.
    void chooseAudio(int position);
    void chooseSubtitle(int position);
    void setAllChecked(bool checked);
    // Space in the list: the selected rows all take the opposite of the
    // first one's tick.
    void toggleSelectedChecks();

    // cb_audio (the title set's audio tracks, no "no audio" entry) and
    // cb_subtitle ("No Subtitle" and the subtitle tracks).
    OptionBox& audioTracks() { return m_audioTracks; }
    OptionBox& subtitleTracks() { return m_subtitleTracks; }

    // True while a disc or IFO files are being read or the list is rebuilt
    // for the other mode: from the call that starts a reading until just
    // before `readingChanged(false)`. The list's actions (Convert included)
    // ignore input meanwhile.
    bool isReading() const;

    // Rows stand for whole titles (true) or for their chapters (false).
    // switchMode and restore change it and list the rows again; setting it
    // alone chooses the mode the next reading lists in (the CLI's
    // --chapters, before a disc is read).
    bool isTitleMode() const { return m_titleMode; }
    void setTitleMode(bool titleMode);

    // The IFO files read, in their order; a mode switch lists them again.
    const QVector<LoadedIfo>& loadedIfos() const { return m_ifos; }
    // The rows an IFO file brought: rows first up to end; first == end when
    // none is listed now.
    struct RowRange {
        int first = 0;
        int end = 0;
    };
    RowRange rowsOf(const QString& ifoPath) const;

    // The row with the most sectors, the first on ties; 0 when none spans
    // any.
    int longestRow() const;

    // What the last reading found damaged: one text per title set that lists
    // fewer titles than the disc names in it (also warned of, except after a
    // mode switch); empty when none.
    const QStringList& damagedTitleSets() const { return m_damage; }

signals:
    // Reading started (true) or ended (false): the list is disabled while
    // the disc is searched.
    void readingChanged(bool reading);
    // A reading has ended, right after readingChanged(false): `listed` is
    // whether it listed titles (a mode switch: whether rows are listed).
    void readingFinished(bool listed);
    void titleModeChanged(bool titleMode);
    // A title's or chapter's row was appended (right after the list's
    // rowAppended): the Controller writes its size estimate.
    void rowListed(int row);

private:
    // What the reading under way lists.
    enum class Reading { Folder, Image, IfoFiles, Restore, ModeSwitch };

    // Starts a reading of this kind (readingChanged(true)); its first title
    // set is asked for on the next turn of the event loop.
    void beginReading(Reading kind);
    void startOver();
    // The IFO files a folder's search reads, in their order: those of the
    // folder and, when a VIDEO_TS below holds some, those of the first one.
    bool searchFolder(const QString& folder, QSet<QString>& visited);
    // Asks for the next title set of the reading, or ends it.
    void readNext();
    void titleSetRead(const dvd::TitleSetSource::Answer& answer);
    // The rows of the entry's title set, as read, in the current mode; false
    // when it could not be read.
    bool listTitleSet(LoadedIfo& entry, const dvd::TitleSetSource::Answer& answer);
    // The end of each kind of reading: its messages and selection, then
    // finishReading.
    void endDisc();
    void endRestore();
    void endModeSwitch();
    void finishReading(bool listed);
    // Warns of the first reader problem since the last call; true when
    // there was one.
    bool reportReaderProblem();
    void reportDamage();
    void finishLoad();
    void showSelectedTracks();
    // Waits for the drive holding m_discPath on a thread, then searches the
    // folder.
    void waitForDrive();
    void searchDisc();
    void onRowRemoved(int row, const JobRow& removed);

    const Edition& m_edition;
    const BusyState& m_busy;
    // Rows stand for whole titles (false: for chapters).
    bool m_titleMode = true;
    JobList& m_jobs;
    Interaction& m_interaction;
    std::unique_ptr<dvd::TitleSetSource> m_titleSets;
    // Shared with a drive's wait that may outlive this object.
    std::shared_ptr<OpticalDrive> m_drive;
    OptionBox m_audioTracks{QStringLiteral("cb_audio")};
    OptionBox m_subtitleTracks{QStringLiteral("cb_subtitle")};

    QVector<LoadedIfo> m_ifos;
    // A reading runs now (a disc or IFO files being listed, or the list
    // rebuilt for the other mode).
    bool m_reading = false;
    Reading m_kind = Reading::Folder;
    // The IFO files the reading has still to read, in order (a mode switch
    // reads m_ifos instead), and the entry of m_ifos being read.
    QStringList m_waiting;
    int m_current = -1;
    // The disc being opened (a folder or an image), and whether title sets
    // were found on it.
    QString m_discPath;
    bool m_found = false;
    // A restore's kept rows, the IFO files they came from, and the title
    // sets among those that were not listed again, each with its reason.
    QVector<JobRow> m_keptRows;
    QSet<QString> m_needed;
    QStringList m_lost;
    DvdChoiceMemory m_memory;
    QString m_readerProblem;
    QStringList m_damage;
};

} // namespace transcast
