#include "ui/mainwindow.h"

#include <functional>
#include <vector>

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QUrl>

#include "common/busyguards.h"
#include "ui/joblistmodel.h"
#include "ui/navigation/navigation.h"
#include "ui/optionboxbinding.h"
#include "ui/hints.h"
#include "ui/settingsdialog.h"

namespace transcast
{

namespace
{

// The window's design size; the skin form has the same.
constexpr int kWidth = 760;
constexpr int kHeight = 530;

constexpr int kComboWidth = 149;
constexpr int kBrandedComboWidth = 168;
constexpr int kComboHeight = 22;
constexpr int kOutputWidth = 234;
constexpr int kOutputHeight = 24;

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
    m_controller = std::make_unique<Controller>(m_edition, *m_interaction, *m_shell);

    setWindowTitle(m_edition.programTitle());
    setFixedSize(kWidth, kHeight);
    setAcceptDrops(true);

    if (m_skin.load(m_edition.dataFile(QStringLiteral("skn.skn"))))
        m_skin.attach(this);
    else
        m_interaction->error(m_skin.errorString());

    createControls();
    createMenus();
    m_settingsDialog = new SettingsDialog(this);
    m_navigation = new Navigation(this, m_edition, m_controller->state(), *m_interaction, m_play);
    m_navigation->closeOnMousePress(m_jobList->viewport());
    m_navigation->closeOnMousePress(m_output);
    m_navigation->setCurrentProfileSource(
        [this] { return m_controller->profile().selectedProfile(); });
    bindCore();
    m_navigation->setNavigationVisible(false);
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    m_model = new JobListModel(m_controller->jobs(), this);
    m_jobList = new QTableView(this);
    m_jobList->setObjectName(QStringLiteral("lv"));
    m_jobList->setModel(m_model);
    m_jobList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_jobList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_jobList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_jobList->setShowGrid(true);
    m_jobList->setWordWrap(false);
    m_jobList->verticalHeader()->hide();
    m_jobList->verticalHeader()->setDefaultSectionSize(22);
    m_jobList->horizontalHeader()->setSectionsClickable(false);
    m_jobList->horizontalHeader()->setHighlightSections(false);
    m_jobList->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < 5; ++column)
        m_jobList->setColumnWidth(column, JobListModel::kColumnWidths[column]);
    m_jobList->setAcceptDrops(true);
    m_jobList->setDragDropMode(QAbstractItemView::DropOnly);
    m_jobList->setDropIndicatorShown(false);

    auto combo = [this](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    m_channel = combo("cb_channel");
    m_size = combo("cb_size");
    m_video = combo("cb_videobitrate");
    m_audio = combo("cb_audiobitrate");
    m_trackAudio = combo("cb_audio");
    m_trackSubtitle = combo("cb_subtitle");

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, ProgressModel::kMaximum);
    m_progressBar->setTextVisible(false);

    m_output = new QLineEdit(this);
    m_output->setObjectName(QStringLiteral("ed_output"));

    m_play = new QWidget(this);
    m_play->setObjectName(QStringLiteral("pl_play"));
    m_play->setAttribute(Qt::WA_StyledBackground);
    m_play->setStyleSheet(QStringLiteral("#pl_play { background: black; }"));

    applyWindowLayout(m_edition.isDvdMode(), m_edition.isBranded());
}

void MainWindow::createMenus()
{
    using Item = std::pair<const char*, std::function<void()>>;
    // An item with no action is a separator.
    auto menu = [this](const char* name, const std::vector<Item>& items) {
        auto* popup = new QMenu(this);
        popup->setObjectName(QLatin1String(name));
        for (const auto& [text, action] : items) {
            if (action)
                popup->addAction(QLatin1String(text), this, action);
            else
                popup->addSeparator();
        }
        return popup;
    };
    // Each item runs the action of the skin object it stands for, guards
    // included.
    auto as = [this](const char* object) {
        return [this, object] { dispatch(QLatin1String(object)); };
    };
    JobList& jobs = m_controller->jobs();
    auto checkAll = [&jobs](bool checked) {
        return [&jobs, checked] {
            for (int row = 0; row < jobs.rowCount(); ++row)
                jobs.setChecked(row, checked);
        };
    };
    auto exit = [this] { close(); };
    const Item separator{"-", nullptr};
    m_popFile = menu("pop_file", {{"Add Files", as("openfiles")},
                                  {"Add Folder", as("openfolder")},
                                  separator,
                                  {"Remove", as("remove")},
                                  {"Clear", as("clear")},
                                  separator,
                                  {"Convert", as("converter")},
                                  {"Stop", as("stopconverter")},
                                  separator,
                                  {"Exit", exit}});
    m_popDvd = menu("pop_dvd", {{"Add DVD", as("dvdopen")},
                                {"Add IFO", as("ifoopen")},
                                separator,
                                {"Select All", checkAll(true)},
                                {"Unselect ALL", checkAll(false)},
                                separator,
                                {"Convert", as("converter")},
                                {"Stop", as("stopconverter")},
                                separator,
                                {"Exit", exit}});

    m_popHelp = new QMenu(this);
    m_popHelp->setObjectName(QStringLiteral("pop_help"));
    m_popHelp->addAction(QStringLiteral("Help"), this, [this] { m_help.openWebsite(*m_shell); });
    m_popHelp->addAction(QStringLiteral("Support"), this, [this] { m_help.openContact(*m_shell); });
    m_popHelp->addAction(QStringLiteral("Our Website"), this,
                         [this] { m_help.openWebsite(*m_shell); });
    m_popHelp->addAction(QStringLiteral("Contact us"), this,
                         [this] { m_help.openContact(*m_shell); });
    m_popHelp->addSeparator();
    m_popHelp->addAction(QStringLiteral("About"), this,
                         [this] { m_help.showAbout(*m_shell, this); });
}

void MainWindow::bindCore()
{
    Controller& core = *m_controller;
    new OptionBoxBinding(core.boxes().size, *m_size, this);
    new OptionBoxBinding(core.boxes().videoBitrate, *m_video, this);
    new OptionBoxBinding(core.boxes().audioBitrate, *m_audio, this);
    new OptionBoxBinding(core.boxes().channel, *m_channel, this);

    JobList& jobs = core.jobs();
    m_jobList->setVisible(jobs.isVisible());
    connect(&jobs, &JobList::visibilityChanged, m_jobList, &QWidget::setVisible);
    // The view's selection and the list's are one: whichever changes, the
    // other follows.
    connect(m_jobList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, &jobs] {
                const QSignalBlocker block(&jobs);
                for (int row = 0; row < jobs.rowCount(); ++row)
                    jobs.setSelected(
                        row, m_jobList->selectionModel()->isRowSelected(row, QModelIndex()));
            });
    auto showListSelection = [this, &jobs] {
        const QSignalBlocker block(m_jobList->selectionModel());
        QItemSelection selection;
        for (const int row : jobs.selectedRows())
            selection.select(m_model->index(row, 0),
                             m_model->index(row, m_model->columnCount() - 1));
        m_jobList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        m_jobList->viewport()->update();
    };
    connect(&jobs, &JobList::selectionChanged, this, showListSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, showListSelection);
    connect(m_model, &JobListModel::filesDropped, this,
            [&core](const QStringList& paths) { core.sources().addChosenFiles(paths); });
    m_model->setToolTipSource([&core](int row) { return core.batch().failureReason(row); });

    ProgressModel& progress = core.progress();
    m_progressBar->setVisible(progress.isVisible());
    connect(&progress, &ProgressModel::visibilityChanged, m_progressBar, &QWidget::setVisible);
    connect(&progress, &ProgressModel::valueChanged, m_progressBar, &QProgressBar::setValue);

    connect(m_output, &QLineEdit::textEdited, this,
            [&core](const QString& text) { core.state().outputFolderText = text; });

    connect(&core.profile(), &ProfileSelector::categoryIconRequested, m_navigation,
            &Navigation::setCategoryIcon);
    connect(&core.profile(), &ProfileSelector::displayNameChanged, this,
            [this](const QString& name) { m_skin.setText(QStringLiteral("profilestext"), name); });
    connect(m_navigation, &Navigation::profileClicked, this,
            [&core](int profile) { core.profile().selectProfile(profile); });
    core.setHideNavigation([this] { m_navigation->setNavigationVisible(false); });

    connect(&m_skin, &Skin::clicked, this, &MainWindow::dispatch);
    connect(&m_skin, &Skin::moved, this, [this](const QString& name) {
        m_skin.setText(QStringLiteral("hint"), Hints::hintFor(name, m_edition.programTitle()));
    });
    connect(&m_skin, &Skin::pressed, this, [this](const QString& name) {
        m_navigation->setNavigationVisible(false);
        ControllerState& state = m_controller->state();
        if (m_edition.IsFileMode() && !state.Converting && name == QLatin1String("play_bar") &&
            state.Playing)
            state.BarDragging = true;
    });
}

void MainWindow::applyWindowLayout(bool dvdMode, bool branded)
{
    struct Place {
        int x, y, w, h;
    };
    auto place = [](QWidget* widget, Place p) { widget->setGeometry(p.x, p.y, p.w, p.h); };
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
        place(m_output, dvdMode ? Place{82, 470, kOutputWidth, kOutputHeight}
                                : Place{422, 66, kOutputWidth, kOutputHeight});
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

    m_trackAudio->setVisible(dvdMode);
    m_trackSubtitle->setVisible(dvdMode);
    if (dvdMode) {
        place(m_trackAudio,
              branded ? Place{90, 453, 177, kComboHeight} : Place{400, 61, 148, kComboHeight});
        place(m_trackSubtitle,
              branded ? Place{336, 453, 177, kComboHeight} : Place{596, 61, 144, kComboHeight});
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
    applyWindowLayout(dvdMode, branded);
    m_navigation->applyLayout(dvdMode, branded);
    m_navigation->raise();
    if (!m_navigation->showInitialPictures())
        return;
    m_controller->loadSettings(m_settingsFolder);
    showOutputFolder();
    m_controller->jobs().setVisible(false);
    m_controller->progress().setVisible(false);
    m_firstShowCompleted = true;
}

void MainWindow::showOutputFolder()
{
    m_output->setText(m_controller->state().outputFolderText);
}

bool MainWindow::closeQuery()
{
    const ControllerState& state = m_controller->state();
    if (state.Playing) {
        m_interaction->inform(BusyGuards::kStopPlay);
        return false;
    }
    if (state.Converting) {
        m_interaction->inform(QStringLiteral("Please first stop converting!"));
        return false;
    }
    m_controller->saveSettings();
    return true;
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
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    m_controller->sources().addChosenFiles(paths);
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
        {"openfiles", [&] { core.sources().addFiles(); }},
        {"chapter", [&] { chapter(); }},
        {"ifoopen", [&] { readDvd(); }},
        {"dvdopen", [&] { readDvd(); }},
        {"openfolder", [&] { core.sources().addFolder(); }},
        {"converter", [&] { core.batch().convert(); }},
        {"remove", [&] { core.sources().removeSelected(); }},
        {"clear", [&] { core.sources().clear(); }},
        {"stopconverter", [&] { core.batch().StopConversion(); }},
        {"browse", [&] { browse(); }},
        {"open", [&] { openOutputFolder(); }},
        {"help", [&] { popUp(m_popHelp, QStringLiteral("help")); }},
        {"file", [&] { popUp(m_popFile, QStringLiteral("file")); }},
        {"dvdfile", [&] { popUp(m_popDvd, QStringLiteral("dvdfile")); }},
        {"play", [&] { play(); }},
        {"stopplay", [] {}},
        {"pause", [] {}},
        {"settings", [&] { showSettings(); }},
        {"cutter", [&] { cutter(); }},
    };
    for (const Entry& entry : table) {
        if (objectName == QLatin1String(entry.name)) {
            entry.action();
            return;
        }
    }
}

void MainWindow::browse()
{
    const QString folder = m_interaction->chooseFolder(QStringLiteral("Output Directory"));
    if (folder.isEmpty())
        return;
    ControllerState& state = m_controller->state();
    state.OutputFolder = folder;
    state.outputFolderText = folder;
    showOutputFolder();
}

void MainWindow::openOutputFolder()
{
    m_shell->openFolder(m_controller->state().OutputFolder);
}

void MainWindow::showSettings()
{
    m_settingsDialog->edit(m_controller->state().FinishAction);
}

void MainWindow::cutter()
{
    if (BusyGuards::playingThenConverting(m_controller->state(), *m_interaction))
        return;
    if (!m_controller->state().TitleMode)
        m_interaction->warn(QStringLiteral("Please change title mode!"));
}

void MainWindow::chapter()
{
    // Title and chapter rows come with DVD reading.
    BusyGuards::playingThenConverting(m_controller->state(), *m_interaction);
}

void MainWindow::readDvd()
{
    if (BusyGuards::convertingThenPlaying(m_controller->state(), *m_interaction))
        return;
    m_interaction->inform(QStringLiteral("Reading DVD titles is not available in this version."));
}

void MainWindow::play()
{
    BusyGuards::converting(m_controller->state(), *m_interaction);
}

} // namespace transcast
