#pragma once

#include <functional>

#include <QObject>

#include "control/joblistkeeper.h"
#include "common/busystate.h"
#include "common/edition.h"
#include "common/preferences.h"
#include "engine/batch.h"
#include "engine/encoderrunner.h"
#include "engine/jobbuilder.h"
#include "engine/progressmodel.h"
#include "profiles/estimator.h"
#include "profiles/optionboxes.h"
#include "profiles/profileselector.h"
#include "profiles/rememberedchoices.h"
#include "profiles/settingsstore.h"
#include "sources/dvdtitles.h"
#include "sources/filetrackboxes.h"
#include "sources/joblist.h"
#include "sources/sourcelist.h"

namespace transcast
{

class IniFile;
class Interaction;
class Shell;

// The core half of the main window: it owns the busy flags, the user's
// preferences, the job list, the option boxes and the objects that apply
// the program's rules to them, and runs the user's actions with their busy
// guards. The window and transcast-cli are two faces of one Controller;
// neither holds a rule.
class Controller : public QObject
{
    Q_OBJECT
public:
    // `rows` makes the job list's item model (JobList::RowsFactory): the
    // window's adds what its view shows; by default a plain one.
    Controller(Edition edition, Interaction& interaction, Shell& shell,
               const JobList::RowsFactory& rows = {}, QObject* parent = nullptr);
    ~Controller() override;

    const Edition& edition() const { return m_edition; }

    // Read access for the views and the CLI's reports.
    const BusyState& busy() const { return m_busy; }
    const Preferences& preferences() const { return m_preferences; }
    const JobList& jobs() const { return m_jobs; }
    const OptionBoxes& boxes() const { return m_boxes; }
    const ProfileSelector& profile() const { return m_selector; }
    const Estimator& estimator() const { return m_estimator; }
    const SettingsStore& settings() const { return m_settings; }
    const SourceList& sources() const { return m_sources; }
    const ProgressModel& progress() const { return m_progress; }
    const JobBuilder& jobBuilder() const { return m_builder; }
    const Batch& batch() const { return m_batch; }
    const DvdTitles& dvd() const { return m_dvd; }
    // The file rows' use of the track boxes, whose visibility the window
    // follows.
    const FileTrackBoxes& fileTracks() const { return m_fileTracks; }

    // Mutable access stays where a view binds to the object itself and
    // changes it as the user acts: the job list model and the CLI's row
    // choices (jobs), the option boxes' combo boxes (boxes), the DVD track
    // boxes (dvd), the profile picker's signals (profile), the progress
    // bar's and the batch line's signals (progress, batch), the skipped-files
    // report (sources); the busy flags, whose playing flag the window's
    // preview writes (the batch, the other writer, lives here). The others
    // are for tests, which reach into the parts.
    BusyState& busy() { return m_busy; }
    JobList& jobs() { return m_jobs; }
    OptionBoxes& boxes() { return m_boxes; }
    ProfileSelector& profile() { return m_selector; }
    SourceList& sources() { return m_sources; }
    ProgressModel& progress() { return m_progress; }
    Batch& batch() { return m_batch; }
    DvdTitles& dvd() { return m_dvd; }
    // For tests only.
    Preferences& preferences() { return m_preferences; }
    Estimator& estimator() { return m_estimator; }
    SettingsStore& settings() { return m_settings; }
    RememberedChoices& remembered() { return m_remembered; }
    Interaction& interaction() { return m_interaction; }
    Shell& shell() { return m_shell; }
    JobBuilder& jobBuilder() { return m_builder; }
    EncoderRunner& runner() { return m_runner; }
    JobListKeeper& jobListKeeper() { return m_keeper; }

    // Closes the profile picker; the window sets it, the CLI has none.
    void setHideNavigation(std::function<void()> hide) { m_hideNavigation = std::move(hide); }
    void hideNavigation();

    // The direction chooser's entries for this edition, and the settings.
    // `settingsFolder` empty: the INI folder of the user. Settings that
    // cannot be saved there are said once (a warning), and the program goes
    // on with what it could read.
    void loadSettings(const QString& settingsFolder = QString());
    void saveSettings();

    // The window keeps its job list beside the settings from the first show
    // on (see JobListKeeper); transcast-cli does not. Call after
    // loadSettings.
    void keepJobList();
    // At the start after a window died holding unfinished jobs: asks once,
    // Yes being the default, whether to list them again. Yes lists them as
    // they were, ready to convert: files through the probe, as an add lists
    // them, DVD rows by reading their title sets again in the mode they were
    // in, each with its tick, tracks, status and reason; the sources gone
    // since are reported, not listed. No forgets the kept list, so that it
    // is not offered again. A list holding only finished jobs is forgotten
    // without a question. A kept list that cannot be read is put aside
    // (JobListKeeper::takeLeftOver) and said in a warning, and the window
    // starts empty.
    void offerRestore();
    // The question offerRestore asks about `count` jobs.
    QString restoreQuestion(int count) const;

    // The program is ending without the user (a logout, a shutdown, a
    // closed terminal). `questionOpen`: a question or a dialog was open; it
    // is closed unanswered. From now on an answer to the start's offer is no
    // answer (the kept list stays as it is), and the close leaves the kept
    // job list for the next start when a question was open or the offer had
    // not been answered yet: the user never decided to drop it.
    void endWithoutTheUser(bool questionOpen);
    bool isEndingWithoutTheUser() const { return m_endingWithoutUser; }

    // The user picked a direction entry: 0 into the edition's format, 1 out
    // of it. With rows in the list it asks first, since the list is cleared.
    void changeDirection(int entry);

    // The own-format filter of the edition, for the second open dialog and
    // the folder scan.
    QString ownFormatFilter() const { return m_edition.ownFormat().filter; }

    // ---- commands: the window and transcast-cli call these, never the
    // objects behind them, for what both do ----

    // Files and folders from a drop, the command line or the start. In file
    // mode they are added as chosen files. The DVD edition's list holds DVD
    // rows only: the discs among them (DiscPath) open as
    // DvdTitles::openPaths opens them, guards included, and the rest are
    // refused in one warning, at the end of that reading, and add nothing.
    void openSources(const QStringList& paths);
    // Whether a drag of these paths is taken: anything in file mode, and in
    // the DVD edition only when a disc is among them.
    bool acceptsSources(const QStringList& paths) const;
    // Whether the paths name one disc: a single path, or IFO files only.
    // The command line takes one disc at a time.
    static bool isOneDisc(const QStringList& paths);

    // The close query: false, with its message, while a preview plays or a
    // batch converts. Otherwise `keepViewState` (the window's placement)
    // writes into the settings file, the settings are saved, the kept job
    // list is forgotten (a normal close leaves nothing to restore; see
    // endWithoutTheUser for when it stays) and true.
    bool requestClose(const std::function<void(IniFile&)>& keepViewState = {});

    // The output folder: a folder the user chose (browse, the command line)
    // becomes the folder and the text shown; a typed text is only the text
    // until a batch makes it the folder. outputFolderTextChanged tells the
    // view what to show.
    void setOutputFolder(const QString& folder);
    void setOutputFolderText(const QString& text);
    QString outputFolderText() const { return m_preferences.outputFolderText(); }
    // "browse": asks for a folder, starting in the current one.
    void browseOutputFolder();
    // "open": shows the output folder.
    void openOutputFolder();

    // The settings dialog's choices; the count is brought into range and
    // stored, and so is the picture's handling.
    void setFinishChoices(int finishAction, int conversionsAtOnce, const PictureHandling& picture);
    // The picture's handling for the next batch (the CLI's options); saved
    // with the settings, but not at once.
    void setPictureHandling(const PictureHandling& picture)
    {
        m_preferences.setPictureHandling(picture);
    }
    // How many rows the next batch converts side by side (the CLI's
    // --jobs), brought into range; saved with the settings like the
    // dialog's choice, but not at once.
    void setConversionsAtOnce(int count) { m_preferences.setConversionsAtOnce(count); }

    // "cutter": refused while busy; in chapter mode it asks for title mode.
    void cutter();

    // The list's actions, each with its busy guards (see the objects that
    // apply them): Add Files, Add Folder, Add DVD, Add IFO, the
    // title/chapter switch, tick or untick every DVD row, Remove, Clear,
    // Convert and Stop; and picking a profile.
    void addFiles() { m_sources.addFiles(); }
    void addFolder() { m_sources.addFolder(); }
    void addDvd() { m_dvd.addDvd(); }
    void addIfo() { m_dvd.addIfo(); }
    void switchDvdMode() { m_dvd.switchMode(); }
    void checkAllTitles(bool checked) { m_dvd.setAllChecked(checked); }
    void removeSelected() { m_sources.removeSelected(); }
    void clearList() { m_sources.clear(); }
    void convert() { m_batch.convert(); }
    void stopConversion() { m_batch.stopConversion(); }
    bool selectProfile(int profile) { return m_selector.selectProfile(profile); }

    // What the preview plays for a row: the file in file mode, the title's
    // locator (the one its conversion reads) in DVD mode.
    QString previewSource(int row) const;

    // Rewrites "Output Size" for every row, in list order. A bad number
    // stops the refresh at that row with the message through the error box;
    // the rows before keep their new estimate. Returns false then.
    bool refreshEstimates();

signals:
    void outputFolderTextChanged(const QString& text);

private:
    // Writes the row's "Output Size" from the current choices. On a bad
    // number the row keeps its old text, the message goes through the error
    // box unless `quiet`, and the result is false.
    bool writeEstimate(int row, bool quiet = false);

    Edition m_edition;
    Interaction& m_interaction;
    Shell& m_shell;
    BusyState m_busy;
    Preferences m_preferences;
    OptionBoxes m_boxes;
    JobList m_jobs;
    RememberedChoices m_remembered;
    ProfileSelector m_selector;
    Estimator m_estimator;
    SettingsStore m_settings;
    SourceList m_sources;
    ProgressModel m_progress;
    JobBuilder m_builder;
    EncoderRunner m_runner;
    Batch m_batch;
    DvdTitles m_dvd;
    FileTrackBoxes m_fileTracks;
    JobListKeeper m_keeper;
    bool m_endingWithoutUser = false;
    bool m_questionCutShort = false;
    // The start's offer has been made and answered (or had nothing to ask).
    bool m_restoreSettled = false;
    std::function<void()> m_hideNavigation;
    // A disc's titles share one bad number: it is said once.
    bool m_titleEstimateErrorShown = false;
};

} // namespace transcast
