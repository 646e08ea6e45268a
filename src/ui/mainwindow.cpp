#include "ui/mainwindow.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QApplication>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "common/busyguards.h"
#include "common/inifile.h"
#include "ui/batchstatusline.h"
#include "ui/countdownshell.h"
#include "ui/desktopnotice.h"
#include "ui/dvdbinding.h"
#include "ui/joblistmodel.h"
#include "ui/keyboardshortcuts.h"
#include "ui/navigation/navigation.h"
#include "ui/optionboxbinding.h"
#include "ui/windowplacement.h"
#include "ui/elidingcombobox.h"
#include "ui/hints.h"
#include "ui/hintwatcher.h"
#include "ui/previewbinding.h"
#include "ui/readingorder.h"
#include "ui/settingsdialog.h"
#include "ui/skippedfilesreport.h"
#include "ui/skin/svgfileicon.h"

namespace transcast
{

namespace
{

// The window's design size; the skin form has the same.
constexpr int kWidth = 760;
constexpr int kHeight = 530;
// Below the design height the list and the preview give up this much (the
// preview keeps half its height); below that the window scrolls.
constexpr int kShrinkHeight = 70;
// The smallest window: any screen takes it, and a scrolled window is still
// of use.
constexpr int kSmallestWidth = 320;
constexpr int kSmallestHeight = 240;

constexpr int kComboWidth = 149;
constexpr int kBrandedComboWidth = 168;
constexpr int kComboHeight = 22;
constexpr int kOutputWidth = 234;
constexpr int kOutputHeight = 24;

QStringList localPaths(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

MainWindow::MainWindow(Edition edition, Interaction* interaction, Shell* shell, QWidget* parent)
    : QWidget(parent), m_edition(std::move(edition)), m_help(m_edition)
{
    if (!interaction) {
        m_ownInteraction = std::make_unique<QtInteraction>(this);
        interaction = m_ownInteraction.get();
    }
    if (!shell) {
        m_ownShell = std::make_unique<QtShell>(interaction);
        shell = m_ownShell.get();
    }
    m_interaction = interaction;
    m_shell = shell;
    m_countdownShell = std::make_unique<CountdownShell>(*m_shell, this);
    // The list's rows model is the view's, so that the view shows, and
    // changes, the list's one selection.
    m_controller = std::make_unique<Controller>(
        m_edition, *m_interaction, *m_countdownShell, [this](JobList& jobs) {
            auto model = std::make_unique<JobListModel>(jobs);
            m_model = model.get();
            return model;
        });

    setWindowTitle(m_edition.programTitle());
    // The program's own start sets the icon for every window; a window made
    // without it (tests) sets its own.
    if (QApplication::windowIcon().isNull())
        setWindowIcon(programIcon(m_edition));
    // The skin's arrangement lives on a surface of its own in a scroll
    // area: the window can be smaller than the arrangement on a small or
    // magnified screen, and then scrolls rather than cuts it off.
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_surface = new QWidget;
    m_surface->setObjectName(QStringLiteral("surface"));
    m_surface->setMinimumSize(kWidth, kHeight - kShrinkHeight);
    m_surface->installEventFilter(this);
    m_scroll->setWidget(m_surface);
    frame->addWidget(m_scroll);
    setMinimumSize(kSmallestWidth, kSmallestHeight);
    resize(kWidth, kHeight);
    setAcceptDrops(true);

    if (m_skin.load(m_edition.dataFile(QStringLiteral("skn.skn")))) {
        // The layout is placed at the first show; the style it selects is
        // known now, so that the widgets are not styled twice.
        m_skin.setStyleProperties(!m_edition.isDvdMode(), m_edition.isBranded());
        m_skin.attach(m_surface, this);
        m_skin.setMinimumSize(m_surface->minimumSize());
    } else {
        m_interaction->error(m_skin.errorString());
    }

    createControls();
    createMenus();
    m_navigation =
        new Navigation(m_surface, m_edition, m_controller->profile().picker(),
                       m_controller->preferences(), m_controller->busy(), *m_interaction, m_play);
    m_navigation->closeOnMousePress(m_jobList->viewport());
    m_navigation->closeOnMousePress(m_output);
    m_navigation->setCurrentProfileSource(
        [this] { return m_controller->profile().selectedProfile(); });
    m_preview = new PreviewBinding(this, m_play, m_output, m_skin, m_edition, m_controller->busy(),
                                   m_controller->jobs(), *m_interaction);
    m_preview->setSourceOf([this](int row) { return m_controller->previewSource(row); });
    bindCore();
    bindBatch();
    createKeyboard();
    watchActionLooks();
    m_navigation->setNavigationVisible(false);
}

MainWindow::~MainWindow()
{
    // A window destroyed while shown (a program that quits without closing
    // it) is hidden while the controller its views read still lives: the
    // widget's own destruction hides it after the controller is gone, and
    // the list's header would ask the freed job list for its rows.
    hide();
    // The preview's player goes before the screen it draws on, a child of
    // the panel that the window's own destruction would take first.
    delete m_preview;
    m_preview = nullptr;
}

PreviewController& MainWindow::preview()
{
    return m_preview->controller();
}

void MainWindow::createControls()
{
    m_jobList = new QTableView(m_surface);
    m_jobList->setObjectName(QStringLiteral("lv"));
    m_jobList->setModel(m_model);
    // The selection model the view made for itself gives way to the list's.
    QItemSelectionModel* own = m_jobList->selectionModel();
    m_jobList->setSelectionModel(&m_controller->jobs().selectionModel());
    delete own;
    m_jobList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_jobList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_jobList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control instead of walking its cells.
    m_jobList->setTabKeyNavigation(false);
    m_jobList->setShowGrid(true);
    m_jobList->setWordWrap(false);
    m_jobList->verticalHeader()->hide();
    m_jobList->verticalHeader()->setDefaultSectionSize(22);
    m_jobList->horizontalHeader()->setSectionsClickable(false);
    m_jobList->horizontalHeader()->setHighlightSections(false);
    m_jobList->horizontalHeader()->setStretchLastSection(false);
    m_jobList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_jobList->horizontalHeader()->setMinimumSectionSize(40);
    for (int column = 0; column < 5; ++column)
        m_jobList->setColumnWidth(column, JobListModel::kColumnWidths[column]);
    m_jobList->setAcceptDrops(true);
    m_jobList->setDragDropMode(QAbstractItemView::DropOnly);
    m_jobList->setDropIndicatorShown(false);

    auto combo = [this](const char* name) {
        auto* box = new ElidingComboBox(m_surface);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    m_channel = combo("cb_channel");
    m_size = combo("cb_size");
    m_video = combo("cb_videobitrate");
    m_audio = combo("cb_audiobitrate");
    m_trackAudio = combo("cb_audio");
    m_trackSubtitle = combo("cb_subtitle");

    m_progressBar = new QProgressBar(m_surface);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, ProgressModel::kMaximum);
    m_progressBar->setTextVisible(false);

    m_output = new QLineEdit(m_surface);
    m_output->setObjectName(QStringLiteral("ed_output"));

    m_play = new QWidget(m_surface);
    m_play->setObjectName(QStringLiteral("pl_play"));
    m_play->setAttribute(Qt::WA_StyledBackground);
    m_play->setStyleSheet(QStringLiteral("#pl_play { background: black; }"));

    applyWindowLayout(m_edition.isDvdMode(), m_edition.isBranded());
}

void MainWindow::createMenus()
{
    // Each item names what it stands for (a skin object, or the menu's own
    // exit or help command) so the keyboard can give it that key. The "&"
    // marks the item's mnemonic; the texts are the menus' own otherwise.
    struct Item {
        const char* text;
        const char* binding;
        std::function<void()> action;
    };
    // An item with no action is a separator.
    auto menu = [this](const char* name, const std::vector<Item>& items) {
        auto* popup = new QMenu(this);
        popup->setObjectName(QLatin1String(name));
        for (const Item& item : items) {
            if (!item.action) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(QLatin1String(item.text), this, item.action);
            action->setProperty(KeyboardShortcuts::BindingProperty, QLatin1String(item.binding));
        }
        return popup;
    };
    // Each item runs the action of the skin object it stands for, guards
    // included.
    auto as = [this](const char* object) {
        return Item{nullptr, object, [this, object] { dispatch(QLatin1String(object)); }};
    };
    auto named = [](const char* text, Item item) {
        item.text = text;
        return item;
    };
    Controller& core = *m_controller;
    const Item exit{"E&xit", "exit", [this] { close(); }};
    const Item separator{"-", "", nullptr};
    m_popFile = menu("pop_file",
                     {named("&Add Files", as("openfiles")), named("Add F&older", as("openfolder")),
                      separator, named("&Remove", as("remove")), named("C&lear", as("clear")),
                      separator, named("&Convert", as("converter")),
                      named("&Stop", as("stopconverter")), separator, exit});
    m_popDvd = menu("pop_dvd", {named("Add &DVD", as("dvdopen")),
                                named("Add &IFO", as("ifoopen")),
                                separator,
                                {"Select &All", "", [&core] { core.checkAllTitles(true); }},
                                {"&Unselect ALL", "", [&core] { core.checkAllTitles(false); }},
                                separator,
                                named("&Convert", as("converter")),
                                named("&Stop", as("stopconverter")),
                                separator,
                                exit});
    m_popHelp = menu("pop_help",
                     {{"&Help", "helppage", [this] { m_help.openHelp(*m_shell, *m_interaction); }},
                      {"&Support", "", [this] { m_help.openSupport(*m_shell, *m_interaction); }},
                      {"Our &Website", "", [this] { m_help.openReadme(*m_shell, *m_interaction); }},
                      {"C&ontact us", "", [this] { m_help.openContact(*m_shell, *m_interaction); }},
                      separator,
                      {"&About", "", [this] { m_help.showAbout(*m_shell, this); }}});
}

void MainWindow::createKeyboard()
{
    const bool dvdMode = m_edition.isDvdMode();
    m_keyboard = new KeyboardShortcuts(this, dvdMode, {dvdMode ? m_popDvd : m_popFile, m_popHelp},
                                       [this](const QString& name) { dispatch(name); });
    // Escape closes the open profile picker first; otherwise it stops a
    // running batch, and does nothing when there is none.
    m_keyboard->setEscapeHandler([this] {
        if (navigationOpen()) {
            m_navigation->setNavigationVisible(false);
            return;
        }
        if (m_controller->batch().isConverting())
            dispatch(QStringLiteral("stopconverter"));
    });
    setTabOrderForMode(dvdMode);
}

void MainWindow::watchActionLooks()
{
    auto update = [this] { updateActionLooks(); };
    JobList& jobs = m_controller->jobs();
    connect(&jobs, &JobList::rowsReset, this, update);
    connect(&jobs, &JobList::rowAppended, this, update);
    connect(&jobs, &JobList::rowRemoved, this, update);
    connect(&jobs, &JobList::selectionChanged, this, update);
    // The bar shows when a batch starts and hides when it ends.
    connect(&m_controller->progress(), &ProgressModel::visibilityChanged, this, update);
    connect(&m_controller->batch(), &Batch::convertingChanged, this, update);
    connect(&m_controller->batch(), &Batch::batchEnded, this, update);
    connect(&m_controller->sources(), &SourceList::addingChanged, this, update);
    connect(&m_controller->dvd(), &DvdTitles::readingChanged, this, update);
    // Convert looks unable while a preview plays, and able again at its end.
    connect(&preview(), &PreviewController::playingChanged, this, update);

    // A menu takes the mouse while it is open, so the button that opened it
    // never hears the pointer leave; tell it where the pointer is now.
    for (QMenu* menu : {m_popFile, m_popDvd, m_popHelp}) {
        connect(menu, &QMenu::aboutToHide, this, [this] {
            for (const char* name : {"file", "dvdfile", "help"}) {
                QWidget* button = m_skin.object(QLatin1String(name));
                if (!button)
                    continue;
                const bool under = button->isVisible() &&
                                   button->rect().contains(button->mapFromGlobal(QCursor::pos()));
                button->setAttribute(Qt::WA_UnderMouse, under);
                button->update();
            }
        });
    }
    updateActionLooks();
}

void MainWindow::updateActionLooks()
{
    const JobList& jobs = m_controller->jobs();
    const bool converting = m_controller->batch().isConverting();
    const bool busy = m_controller->busy().isBusy();
    // Convert is refused until an add or a disc reading has listed
    // everything: it looks so meanwhile.
    const bool listing = m_controller->sources().isBusy();
    // The buttons still answer a click (with their refusals) and their keys
    // still reach them; they only look unable when they would refuse or do
    // nothing, and their menu items are disabled then.
    const struct {
        const char* name;
        bool inactive;
    } looks[] = {
        {"converter", busy || listing || jobs.rowCount() == 0},
        {"stopconverter", !converting},
        {"remove", busy || jobs.firstSelected() < 0},
        {"clear", busy || jobs.rowCount() == 0},
    };
    for (const auto& look : looks) {
        setInactiveLook(QLatin1String(look.name), look.inactive);
        for (QMenu* menu : {m_popFile, m_popDvd}) {
            for (QAction* item : menu->actions()) {
                if (item->property(KeyboardShortcuts::BindingProperty).toString() ==
                    QLatin1String(look.name))
                    item->setEnabled(!look.inactive);
            }
        }
    }
}

void MainWindow::setInactiveLook(const QString& objectName, bool inactive)
{
    QWidget* object = m_skin.object(objectName);
    if (!object || object->property("inactive").toBool() == inactive)
        return;
    object->setProperty("inactive", inactive);
    object->style()->unpolish(object);
    object->style()->polish(object);
    object->update();
}

void MainWindow::showHintFor(const QString& objectName)
{
    m_skin.setText(QStringLiteral("hint"), Hints::hintFor(objectName, m_edition.programTitle()));
}

void MainWindow::watchHints()
{
    // The option boxes take the sentences of the captions above them; the
    // other controls over the skin take the welcome line.
    auto* watcher = new HintWatcher(this);
    watcher->watch(m_size, QStringLiteral("video_size"));
    watcher->watch(m_video, QStringLiteral("video_quality"));
    watcher->watch(m_audio, QStringLiteral("audio_quality"));
    watcher->watch(m_channel, QStringLiteral("channels"));
    watcher->watch(m_trackAudio, QStringLiteral("audio"));
    watcher->watch(m_trackSubtitle, QStringLiteral("subtitle"));
    for (QWidget* other : {static_cast<QWidget*>(m_jobList), static_cast<QWidget*>(m_output),
                           m_play, static_cast<QWidget*>(m_progressBar)})
        watcher->watch(other, QString());
    connect(watcher, &HintWatcher::hovered, this, &MainWindow::showHintFor);
    // Out of a control or a skin object (into another, or out of the window)
    // the line goes back to the welcome until the pointer is over something
    // with a hint of its own.
    connect(watcher, &HintWatcher::left, this, [this] { showHintFor(QString()); });
    connect(&m_skin, &Skin::left, this, [this] { showHintFor(QString()); });
}

bool MainWindow::navigationOpen() const
{
    if (m_navigation->isShown(QStringLiteral("pl_main")))
        return true;
    const QStringList panels = Navigation::profilePanelNames();
    return std::any_of(panels.begin(), panels.end(),
                       [this](const QString& panel) { return m_navigation->isShown(panel); });
}

void MainWindow::setTabOrderForMode(bool dvdMode)
{
    // Tab walks the window as it reads in the layout in force: the toolbar,
    // then from the top down and from the left, a column beside the list
    // read whole after the list's (see ReadingOrder). The skin's buttons
    // take the focus from Tab only, so a click leaves it where it was (on
    // the list, for Delete).
    auto object = [this](const char* name) { return m_skin.object(QLatin1String(name)); };
    QList<QWidget*> parts;
    const char* const skinObjects[] = {dvdMode ? "dvdfile" : "file",
                                       dvdMode ? "dvdopen" : "openfiles",
                                       dvdMode ? "ifoopen" : "openfolder",
                                       "help",
                                       "settings",
                                       "converter",
                                       "stopconverter",
                                       "remove",
                                       "clear",
                                       "profiles",
                                       "browse",
                                       "open",
                                       "play",
                                       "pause",
                                       "stopplay",
                                       "play_bar"};
    for (const char* name : skinObjects)
        parts << object(name);
    if (dvdMode)
        parts << object("chapter") << object("cutter") << m_trackAudio << m_trackSubtitle;
    parts << m_jobList << m_output << m_channel << m_size << m_video << m_audio;
    parts.removeAll(nullptr);
    auto place = [this](const QWidget* widget) {
        return QRect(widget->mapTo(m_surface, QPoint(0, 0)), widget->size());
    };
    QList<QRect> places;
    for (QWidget* widget : std::as_const(parts)) {
        if (widget->focusPolicy() == Qt::NoFocus)
            widget->setFocusPolicy(Qt::TabFocus);
        places << place(widget);
    }
    // The skin's cards, bars and captions shape the page the reader sees.
    QList<QRect> drawn{place(m_play)};
    for (const QString& name : m_skin.objectNames()) {
        const QWidget* shape = m_skin.object(name);
        if (!shape->isHidden() && !parts.contains(shape))
            drawn << place(shape);
    }
    const QList<int> order = ReadingOrder::of(places, drawn);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(parts.at(order.at(i - 1)), parts.at(order.at(i)));
}

void MainWindow::bindCore()
{
    Controller& core = *m_controller;
    new SkippedFilesReport(core.sources(), *m_interaction, this);
    new OptionBoxBinding(core.boxes().size, *m_size, this);
    new OptionBoxBinding(core.boxes().videoBitrate, *m_video, this);
    new OptionBoxBinding(core.boxes().audioBitrate, *m_audio, this);
    new OptionBoxBinding(core.boxes().channel, *m_channel, this);

    JobList& jobs = core.jobs();
    // An empty list gives way to the guidance the skin shows under it, also
    // after Clear.
    auto showList = [this, &jobs] {
        m_jobList->setVisible(jobs.isVisible() && jobs.rowCount() > 0);
    };
    showList();
    connect(&jobs, &JobList::visibilityChanged, this, showList);
    connect(&jobs, &JobList::rowsReset, this, showList);
    connect(&jobs, &JobList::rowAppended, this, showList);
    connect(&jobs, &JobList::rowRemoved, this, showList);
    connect(m_model, &JobListModel::filesDropped, this, &MainWindow::openSources);
    bindDvd();

    ProgressModel& progress = core.progress();
    m_progressBar->setVisible(progress.isVisible());
    connect(&progress, &ProgressModel::visibilityChanged, m_progressBar, &QWidget::setVisible);
    connect(&progress, &ProgressModel::valueChanged, m_progressBar, &QProgressBar::setValue);

    m_output->setText(core.outputFolderText());
    connect(m_output, &QLineEdit::textEdited, &core, &Controller::setOutputFolderText);
    connect(&core, &Controller::outputFolderTextChanged, this, [this](const QString& text) {
        if (m_output->text() != text)
            m_output->setText(text);
    });

    connect(&core.profile(), &ProfileSelector::categoryIconRequested, m_navigation,
            &Navigation::setCategoryIcon);
    connect(&core.profile(), &ProfileSelector::displayNameChanged, this,
            [this](const QString& name) { m_skin.setText(QStringLiteral("profilestext"), name); });
    connect(m_navigation, &Navigation::profileClicked, this,
            [&core](int profile) { core.selectProfile(profile); });
    core.setHideNavigation([this] { m_navigation->setNavigationVisible(false); });

    connect(&m_skin, &Skin::clicked, this, &MainWindow::dispatch);
    connect(&m_skin, &Skin::moved, this, &MainWindow::showHintFor);
    connect(&m_skin, &Skin::entered, this, &MainWindow::showHintFor);
    // In the picker the hint line names what the highlight is on, whether
    // the mouse or the keys moved it.
    connect(m_navigation, &Navigation::highlighted, this,
            [this](const QString& text) { m_skin.setText(QStringLiteral("hint"), text); });
    watchHints();
    // The play bar's press and release go to the preview (PreviewBinding).
    connect(&m_skin, &Skin::pressed, this,
            [this](const QString&) { m_navigation->setNavigationVisible(false); });
}

void MainWindow::bindBatch()
{
    Batch& batch = m_controller->batch();
    if (QLabel* hint = m_skin.label(QStringLiteral("hint")))
        m_batchStatus = new BatchStatusLine(batch, m_controller->jobs(), *hint);
    // The row that starts is shown; the user may scroll away meanwhile.
    connect(&batch, &Batch::jobStarted, this, [this](int row) {
        m_jobList->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
    });
    m_notice = new DesktopNotice(this);
    connect(&batch, &Batch::batchEnded, this, [this](bool stopped) {
        // A stop is the user's own doing, at the window.
        if (stopped || isActiveWindow())
            return;
        m_notice->send(m_edition.programTitle(), QStringLiteral("Conversions done"),
                       BatchStatusLine::summaryText(m_controller->batch()));
    });
}

void MainWindow::bindDvd()
{
    new DvdBinding(m_controller->dvd(), m_edition, *m_jobList, *m_trackAudio, *m_trackSubtitle,
                   this);
    if (!m_edition.isDvdMode()) {
        connect(&m_controller->fileTracks(), &FileTrackBoxes::shownChanged, this,
                [this](bool shown) {
                    m_trackAudio->setVisible(shown);
                    m_trackSubtitle->setVisible(shown);
                });
        return;
    }
    // Space in the list ticks rows there; the preview keeps it elsewhere.
    m_preview->leaveSpaceTo(m_jobList);
}

void MainWindow::applyWindowLayout(bool dvdMode, bool branded)
{
    struct Place {
        int x, y, w, h;
    };
    m_controlAnchors.setLayout(dvdMode, branded);
    auto place = [this](QWidget* widget, Place p) {
        m_controlAnchors.place(widget, QRect(p.x, p.y, p.w, p.h));
    };
    const int comboWidth = branded ? kBrandedComboWidth : kComboWidth;
    const int comboLeft = branded ? 554 : 576;
    // The direction chooser stands above the quality boxes in file mode and
    // below them in DVD mode.
    const int top = branded ? 121 : 128;
    const int step = 41;
    const int channelRow = dvdMode ? 3 : 0;
    const int firstQualityRow = dvdMode ? 0 : 1;
    place(m_channel, {comboLeft, top + channelRow * step, comboWidth, kComboHeight});
    place(m_size, {comboLeft, top + firstQualityRow * step, comboWidth, kComboHeight});
    place(m_video, {comboLeft, top + (firstQualityRow + 1) * step, comboWidth, kComboHeight});
    place(m_audio, {comboLeft, top + (firstQualityRow + 2) * step, comboWidth, kComboHeight});

    if (!branded)
        place(m_output, dvdMode ? Place{82, 468, kOutputWidth, kOutputHeight}
                                : Place{422, 64, kOutputWidth, kOutputHeight});
    else
        place(m_output, {94, 483, kOutputWidth, kOutputHeight - 4});
    place(m_play, branded ? Place{546, 296, 180, 140} : Place{559, 294, 180, 140});
    place(m_progressBar, branded ? Place{15, 503, 506, 10} : Place{15, 496, 530, 12});

    if (!branded)
        place(m_jobList, {12, 89, 535, dvdMode ? 333 : 356});
    else
        place(m_jobList, {8, 121, 509, dvdMode ? 298 : 316});
    m_model->setFirstColumnCaption(dvdMode ? QStringLiteral("Title") : QStringLiteral("File Name"));
    m_model->setCheckBoxes(dvdMode);

    // File rows offer their tracks below the list, beside Remove and Clear,
    // and only while the selected row has a choice to make.
    const bool tracksShown = dvdMode || m_controller->fileTracks().isShown();
    m_trackAudio->setVisible(tracksShown);
    m_trackSubtitle->setVisible(tracksShown);
    if (dvdMode) {
        place(m_trackAudio,
              branded ? Place{90, 453, 177, kComboHeight} : Place{400, 65, 140, kComboHeight});
        place(m_trackSubtitle,
              branded ? Place{336, 453, 177, kComboHeight} : Place{596, 65, 144, kComboHeight});
    } else {
        place(m_trackAudio,
              branded ? Place{90, 453, 177, kComboHeight} : Place{192, 460, 174, kComboHeight});
        place(m_trackSubtitle,
              branded ? Place{336, 453, 177, kComboHeight} : Place{372, 460, 174, kComboHeight});
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        fitAgainWhenTheFrameChanged();
        if (m_startPending)
            QMetaObject::invokeMethod(this, &MainWindow::afterStartOnceExposed,
                                      Qt::QueuedConnection);
    }
    // The surface follows the window down to its smallest arrangement; the
    // controls keep their places on it by their anchors.
    if (watched == m_surface && event->type() == QEvent::Resize && m_jobList) {
        m_controlAnchors.setGrowth(m_surface->size() - QSize(kWidth, kHeight));
        fitListColumns();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::fitListColumns()
{
    // The file name takes what the other columns leave; those are wide
    // enough for their captions in the font and scale in force.
    QHeaderView* header = m_jobList->horizontalHeader();
    for (int column = 1; column < m_model->columnCount(); ++column) {
        QStyleOptionHeader option;
        option.initFrom(header);
        option.section = column;
        option.text = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int needed =
            header->style()
                ->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header)
                .width();
        header->resizeSection(column, qMax(JobListModel::kColumnWidths[column], needed));
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    firstShow();
}

void MainWindow::firstShow()
{
    m_ownFormatFilter = m_controller->ownFormatFilter();
    m_controller->sources().setOwnFormatFilter(m_ownFormatFilter);
    const bool dvdMode = m_edition.isDvdMode();
    const bool branded = m_edition.isBranded();
    m_skin.applyLayout(!dvdMode, branded);
    fitLogo();
    applyWindowLayout(dvdMode, branded);
    // The DVD edition's list takes no file drops of its own: a drag over it
    // reaches the window, which takes discs and refuses files.
    m_jobList->setDragDropMode(dvdMode ? QAbstractItemView::NoDragDrop
                                       : QAbstractItemView::DropOnly);
    m_jobList->setAcceptDrops(!dvdMode);
    m_navigation->applyLayout(dvdMode, branded);
    setTabOrderForMode(dvdMode);
    // The category icon stands beside the profile box wherever that moves.
    m_controlAnchors.place(m_navigation->iconPanel(), m_navigation->iconPanel()->geometry());
    m_navigation->raise();
    if (!m_navigation->showInitialPictures())
        return;
    m_controller->loadSettings(m_settingsFolder);
    if (const IniFile* settings = m_controller->settings().settingsFile())
        WindowPlacement::restore(*this, *settings);
    fitOntoScreen();
    if (QWindow* shown = windowHandle()) {
        connect(shown, &QWindow::screenChanged, this, &MainWindow::fitOntoScreen,
                Qt::UniqueConnection);
        // Exposed, the window has been framed (a window manager reparents
        // it before it maps it) even when the frame left it where it was.
        shown->installEventFilter(this);
    }
    m_controller->jobs().setVisible(false);
    m_controller->progress().setVisible(false);
    showHintFor(QString());
    // Keeping the list takes its lock, which the system writes through to
    // the disk: the window shows first. Rows listed before then are kept
    // all the same, as the keeper starts with the whole list.
    QTimer::singleShot(0, this, [this] { m_controller->keepJobList(); });
    m_firstShowCompleted = true;
    // A question asked from within the show would stand over a window not
    // yet on screen, and one asked before the window is exposed where the
    // window was before a window manager placed it (the screen's corner).
    m_startPending = true;
    QTimer::singleShot(0, this, &MainWindow::afterStartOnceExposed);
}

void MainWindow::afterStartOnceExposed()
{
    if (!m_startPending)
        return;
    // An Expose the display has sent already is taken now (without a
    // window manager it follows the show at once); otherwise the window
    // manager is still placing the window, which it does before it maps
    // and so exposes it, and the Expose calls again.
    if (windowHandle() && !windowHandle()->isExposed())
        QCoreApplication::processEvents();
    if (!m_startPending || (windowHandle() && !windowHandle()->isExposed()))
        return;
    m_startPending = false;
    // A question stands over the window where it stays.
    fitIfTheFrameChanged();
    afterStart();
}

void MainWindow::afterStart()
{
    // A program ending without the user asks nothing more and lists
    // nothing: the kept list stays for the next start.
    if (m_controller->isEndingWithoutTheUser())
        return;
    m_controller->offerRestore();
    if (m_startSources.isEmpty())
        return;
    const auto openStartSources = [this] { openSources(std::exchange(m_startSources, {})); };
    // A kept list being listed again comes first; the files the program was
    // started with follow it.
    if (m_controller->sources().isAdding())
        connect(&m_controller->sources(), &SourceList::addEnded, this, openStartSources,
                Qt::SingleShotConnection);
    else if (m_controller->dvd().isReading())
        connect(&m_controller->dvd(), &DvdTitles::readingFinished, this, openStartSources,
                Qt::SingleShotConnection);
    else
        openStartSources();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    fitAgainWhenTheFrameChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitAgainWhenTheFrameChanged();
}

void MainWindow::fitAgainWhenTheFrameChanged()
{
    if (!m_firstShowCompleted)
        return;
    // Not from within the event: the fit moves and resizes the window.
    QTimer::singleShot(0, this, &MainWindow::fitIfTheFrameChanged);
}

void MainWindow::fitIfTheFrameChanged()
{
    if (windowHandle() && windowHandle()->frameMargins() != m_fittedFrame)
        fitOntoScreen();
}

void MainWindow::fitOntoScreen()
{
    const QScreen* shown = screen();
    if (!shown)
        return;
    if (windowHandle())
        m_fittedFrame = windowHandle()->frameMargins();
    // The smallest size and the size itself never exceed the screen's room,
    // whatever the scale; what no longer fits scrolls.
    // Qt rounds the free area, the frame and the window to whole pixels of
    // its own each; at a scale other than 1 the true frame can come out a
    // pixel larger than these add up to on any side, so it keeps a pixel
    // of Qt's in from each edge.
    const int rounding = qFuzzyCompare(devicePixelRatioF(), 1.0) ? 0 : 1;
    const QRect available =
        shown->availableGeometry().adjusted(rounding, rounding, -rounding, -rounding);
    const QSize decoration = frameGeometry().size() - size();
    const QSize room = available.size() - decoration;
    setMinimumSize(QSize(kSmallestWidth, kSmallestHeight).boundedTo(room));
    if (isMaximized() || isFullScreen())
        return;
    const QSize fitted = size().boundedTo(room);
    // A Wayland compositor places the window itself and tells no program
    // where its panels are (Qt's free area is the whole output): a window
    // that needs the whole screen asks for it as a maximised one, which the
    // compositor fits into the room its panels leave.
    if (fitted != size() && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    if (fitted != size())
        resize(fitted);
    // Where a window no one has placed yet goes is the window manager's
    // choice; once it is on screen, or when it was put somewhere (its
    // place from the last run), it is kept on the free area.
    if (!testAttribute(Qt::WA_Moved) && !(windowHandle() && windowHandle()->isExposed()))
        return;
    QRect kept(frameGeometry().topLeft(), fitted + decoration);
    kept.moveLeft(qBound(available.left(), kept.left(), available.right() - kept.width() + 1));
    kept.moveTop(qBound(available.top(), kept.top(), available.bottom() - kept.height() + 1));
    if (kept.topLeft() != frameGeometry().topLeft())
        move(kept.topLeft());
}

void MainWindow::fitLogo()
{
    // The logo is drawn for the label's size and the screen's scale, so it
    // neither spills over its label nor blurs at 2x.
    QLabel* logo = m_skin.label(QStringLiteral("deco_logo"));
    const QString picture = m_edition.dataFile(QStringLiteral("skin/logo.svg"));
    if (!logo || !QFileInfo::exists(picture))
        return;
    logo->setPixmap(svgFileIcon(picture).pixmap(logo->size(), devicePixelRatioF()));
}

bool MainWindow::closeQuery()
{
    return m_controller->requestClose(
        [this](IniFile& settings) { WindowPlacement::save(*this, settings); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closeQuery())
        event->accept();
    else
        event->ignore();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    // The DVD edition takes nothing but discs: the drag shows the refusal.
    if (m_controller->acceptsSources(localPaths(event->mimeData())))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    openSources(paths);
}

void MainWindow::openSources(const QStringList& paths)
{
    m_controller->openSources(paths);
}

QPoint MainWindow::menuOffset(const QString& menuObject) const
{
    const bool branded = m_edition.isBranded();
    if (menuObject == QLatin1String("help"))
        return branded ? QPoint(366, 64) : QPoint(362, 54);
    return branded ? QPoint(85, 64) : QPoint(76, 54);
}

void MainWindow::popUp(QMenu* menu, const QString& menuObject)
{
    menu->popup(frameGeometry().topLeft() + menuOffset(menuObject));
}

void MainWindow::dispatch(const QString& objectName)
{
    using Action = std::function<void()>;
    struct Entry {
        const char* name;
        Action action;
    };
    Controller& core = *m_controller;
    const Entry table[] = {
        {"profiles", [&] { m_navigation->openNavigation(core.profile().selectedProfile()); }},
        {"openfiles", [&] { core.addFiles(); }},
        {"chapter", [&] { core.switchDvdMode(); }},
        {"ifoopen", [&] { core.addIfo(); }},
        {"dvdopen", [&] { core.addDvd(); }},
        {"openfolder", [&] { core.addFolder(); }},
        {"converter", [&] { core.convert(); }},
        {"remove", [&] { core.removeSelected(); }},
        {"clear", [&] { core.clearList(); }},
        {"stopconverter", [&] { core.stopConversion(); }},
        {"browse", [&] { core.browseOutputFolder(); }},
        {"open", [&] { core.openOutputFolder(); }},
        {"help", [&] { popUp(m_popHelp, QStringLiteral("help")); }},
        {"file", [&] { popUp(m_popFile, QStringLiteral("file")); }},
        {"dvdfile", [&] { popUp(m_popDvd, QStringLiteral("dvdfile")); }},
        {"play", [&] { preview().play(); }},
        {"stopplay", [&] { preview().stop(); }},
        {"pause", [&] { preview().pauseToggle(); }},
        {"settings", [&] { showSettings(); }},
        {"cutter", [&] { core.cutter(); }},
    };
    for (const Entry& entry : table) {
        if (objectName == QLatin1String(entry.name)) {
            // The looks follow the list, the batch, the preview and the
            // disc reading through their signals, not this call.
            entry.action();
            return;
        }
    }
}

QIcon MainWindow::programIcon(const Edition& edition)
{
    const QString logo = edition.dataFile(QStringLiteral("skin/logo.svg"));
    if (!QFileInfo::exists(logo))
        return {};
    // The logo drawn once at the sizes title bars and task switchers take:
    // left scalable, it would be drawn at four sizes, up to 128 pixels, as
    // each window appears.
    const QIcon scalable = svgFileIcon(logo);
    QIcon icon;
    for (const int side : {32, 64})
        icon.addPixmap(scalable.pixmap(side, side));
    return icon;
}

SettingsDialog* MainWindow::settingsDialog()
{
    // Made when first asked for: a start that made every dialog would make
    // the user wait for ones they may never open.
    if (!m_settingsDialog)
        m_settingsDialog = new SettingsDialog(this);
    return m_settingsDialog;
}

void MainWindow::showSettings()
{
    const Preferences& preferences = m_controller->preferences();
    int finishAction = preferences.finishAction();
    int conversionsAtOnce = preferences.conversionsAtOnce();
    PictureHandling picture = preferences.pictureHandling();
    if (settingsDialog()->edit(finishAction, conversionsAtOnce, picture))
        m_controller->setFinishChoices(finishAction, conversionsAtOnce, picture);
}

} // namespace transcast
