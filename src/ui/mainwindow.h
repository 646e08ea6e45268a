#pragma once

#include <functional>
#include <memory>

#include <QMargins>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "common/edition.h"
#include "control/controller.h"
#include "ui/controlanchors.h"
#include "ui/helpcommands.h"
#include "ui/qtinteraction.h"
#include "ui/qtshell.h"
#include "ui/skin/skin.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QScrollArea;
class QTableView;

namespace transcast
{

class BatchStatusLine;
class CountdownShell;
class DesktopNotice;
class JobListModel;
class KeyboardShortcuts;
class Navigation;
class PreviewBinding;
class PreviewController;
class SettingsDialog;

// The main window: the skin with its named objects, the form controls laid
// over it (the job list, the option boxes, the output folder box, the
// progress bar, the preview panel) and the profile picker above everything.
// It shows the core's state and forwards the user's input to the core; the
// rules live in the Controller.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // `interaction` and `shell` default to the Qt ports; tests pass their own.
    explicit MainWindow(Edition edition, Interaction* interaction = nullptr, Shell* shell = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The INI folder the first show loads the settings from; the user's
    // configuration folder unless set before the window is shown.
    void setSettingsFolder(const QString& folder) { m_settingsFolder = folder; }

    // A click on the named skin object. Names compare exactly, the first
    // entry of the table that matches runs, and an unknown name does nothing.
    void dispatch(const QString& objectName);

    // The close query (Controller::requestClose), keeping the window's
    // placement in the settings.
    bool closeQuery();

    // Files and folders dropped on the window or named on the command line:
    // Controller::openSources.
    void openSources(const QStringList& paths);
    // Files and folders (the command line's) that the window opens once it
    // has started: after the first show and after the offer to restore the
    // list of a window that died. Set before the window is shown.
    void openAfterStart(const QStringList& paths) { m_startSources = paths; }

    // Convert looks unable with an empty list or while busy, Stop while no
    // batch runs. Follows the list and the batch on its own.
    void updateActionLooks();

    // Where a skin menu opens, relative to the window's top-left corner.
    QPoint menuOffset(const QString& menuObject) const;

    Controller& controller() { return *m_controller; }
    Skin& skin() { return m_skin; }
    Navigation& navigation() { return *m_navigation; }
    PreviewController& preview();
    PreviewBinding& previewBinding() { return *m_preview; }
    const Edition& edition() const { return m_edition; }
    bool firstShowCompleted() const { return m_firstShowCompleted; }
    // The start is over: the window was shown and exposed (a window manager
    // places it first), and the offer to restore a kept list was made.
    bool startSettled() const { return m_firstShowCompleted && !m_startPending; }
    // The own-format filter of the second open dialog.
    const QString& ownFormatFilter() const { return m_ownFormatFilter; }

    QTableView* jobList() const { return m_jobList; }
    JobListModel* jobListModel() const { return m_model; }
    QComboBox* sizeBox() const { return m_size; }
    QComboBox* videoQualityBox() const { return m_video; }
    QComboBox* audioQualityBox() const { return m_audio; }
    QComboBox* directionBox() const { return m_channel; }
    QComboBox* audioTrackBox() const { return m_trackAudio; }
    QComboBox* subtitleTrackBox() const { return m_trackSubtitle; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QLineEdit* outputFolderEdit() const { return m_output; }
    QWidget* previewPanel() const { return m_play; }
    // The surface the skin and the controls lie on, and the scroll area
    // that holds it: it follows the window down to the arrangement's
    // smallest size (the list and the preview shrink), and scrolls below.
    QWidget* surface() const { return m_surface; }
    QScrollArea* scrollArea() const { return m_scroll; }
    QMenu* fileMenu() const { return m_popFile; }
    QMenu* dvdMenu() const { return m_popDvd; }
    QMenu* helpMenu() const { return m_popHelp; }
    SettingsDialog* settingsDialog();
    // The skin's logo as the windows' icon; null when the skin has none.
    static QIcon programIcon(const Edition& edition);
    KeyboardShortcuts* keyboard() const { return m_keyboard; }
    BatchStatusLine* batchStatus() const { return m_batchStatus; }
    CountdownShell& countdownShell() { return *m_countdownShell; }
    DesktopNotice* notice() const { return m_notice; }
    const ControlAnchors& controlAnchors() const { return m_controlAnchors; }

    // The positions of the form controls for the mode and the brand, at the
    // design size; a larger window grows them by their anchors.
    void applyWindowLayout(bool dvdMode, bool branded);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenus();
    // The keyboard: shortcuts through the dispatch, Escape, the Tab order.
    void createKeyboard();
    void setTabOrderForMode(bool dvdMode);
    bool navigationOpen() const;
    // The hint line: one path for the skin's objects and the controls above it.
    void showHintFor(const QString& objectName);
    void watchHints();
    // Convert and Stop look unable when they cannot act; menu buttons drop
    // their hover when their menu closes.
    void watchActionLooks();
    void setInactiveLook(const QString& objectName, bool inactive);
    // Resizing: the list's columns fit their captions, the name takes the rest.
    void fitListColumns();
    void bindCore();
    // The batch's line and summary, the running row kept in view, a notice
    // when a batch ends while the window is not active.
    void bindBatch();
    void firstShow();
    // What follows the first show once it is on screen: the offer to
    // restore a list, then the sources of the command line.
    void afterStart();
    void afterStartOnceExposed();
    void popUp(QMenu* menu, const QString& menuObject);
    void bindDvd();

    // Actions of the dispatch table that live here.
    void showSettings();
    void fitLogo();
    // Keeps the window, its frame included, and its smallest size within
    // the available area of its screen.
    void fitOntoScreen();
    // A window manager frames the window only after it is first shown (and
    // a Wayland window draws its own frame once it is mapped): the first
    // fit knew no frame, so the window fits again once the frame is known
    // or changes.
    void fitAgainWhenTheFrameChanged();
    void fitIfTheFrameChanged();

    Edition m_edition;
    std::unique_ptr<QtInteraction> m_ownInteraction;
    std::unique_ptr<QtShell> m_ownShell;
    Interaction* m_interaction;
    Shell* m_shell;
    // What the core calls: a shutdown counts down first.
    std::unique_ptr<CountdownShell> m_countdownShell;
    std::unique_ptr<Controller> m_controller;
    HelpCommands m_help;
    Skin m_skin;
    QString m_settingsFolder;
    QString m_ownFormatFilter;
    QStringList m_startSources;
    bool m_firstShowCompleted = false;
    bool m_shown = false;
    // The first show is done, what follows it waits for the window to be
    // exposed.
    bool m_startPending = false;
    // The frame the last fit counted with.
    QMargins m_fittedFrame;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_surface = nullptr;
    Navigation* m_navigation = nullptr;
    PreviewBinding* m_preview = nullptr;
    QTableView* m_jobList = nullptr;
    JobListModel* m_model = nullptr;
    QComboBox* m_size = nullptr;
    QComboBox* m_video = nullptr;
    QComboBox* m_audio = nullptr;
    QComboBox* m_channel = nullptr;
    QComboBox* m_trackAudio = nullptr;
    QComboBox* m_trackSubtitle = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLineEdit* m_output = nullptr;
    QWidget* m_play = nullptr;
    QMenu* m_popFile = nullptr;
    QMenu* m_popDvd = nullptr;
    QMenu* m_popHelp = nullptr;
    SettingsDialog* m_settingsDialog = nullptr;
    KeyboardShortcuts* m_keyboard = nullptr;
    BatchStatusLine* m_batchStatus = nullptr;
    DesktopNotice* m_notice = nullptr;
    ControlAnchors m_controlAnchors;
};

} // namespace transcast
