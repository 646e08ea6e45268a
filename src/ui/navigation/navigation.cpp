#include "ui/navigation/navigation.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QWidget>

#include "common/busyguards.h"
#include "common/busystate.h"
#include "common/preferences.h"
#include "profiles/pickerstate.h"
#include "common/interaction.h"
#include "profiles/profilecatalogue.h"
#include "ui/navigation/navigationlayout.h"
#include "ui/navigation/navigationpanel.h"
#include "ui/navigation/picturelabel.h"

namespace transcast
{

namespace
{

using Layout = NavigationLayout;

// Behind the pictures, in case a picture is smaller than its control.
const QColor kPanelBackground(0x1f, 0x24, 0x30);
const QColor kPanelBorder(0x4a, 0x53, 0x66);

struct LayoutColumn {
    QPoint iconPanel;
    QPoint main;
    QPoint panels;
    int subPanelOffset;
};

// file mode, file mode branded, DVD mode, DVD mode branded
constexpr int kLayoutCount = 4;
const LayoutColumn kLayouts[kLayoutCount] = {
    {{62, 64}, {53, 81}, {206, 81}, 220},
    {{96, 451}, {88, 90}, {241, 90}, 180},
    {{62, 64}, {53, 81}, {206, 81}, 220},
    {{96, 429}, {90, 71}, {243, 71}, 180},
};

// An edition named after one format opens only that format's panel.
enum class SingleForm {
    Styled,  // at the column's place, single-line border, buttons one pixel up
    Placed,  // a fly-out moved to the column's place
    Nothing, // the navigation just closes
};

struct SingleFormatRow {
    const char* keyword;
    const char* otherKeyword;
    bool needsBisSingle;
    const char* panel;
    SingleForm form;
};

// Tested in this order; the first keyword found whose condition holds decides.
const SingleFormatRow kSingleFormats[] = {
    {"ipod", nullptr, true, "pl_ipod", SingleForm::Styled},
    {"psp", nullptr, true, "pl_psp", SingleForm::Styled},
    {"iphone", nullptr, true, "pl_iphone", SingleForm::Styled},
    {"3gp", nullptr, true, "pl_phone", SingleForm::Styled},
    {"gphone", nullptr, true, "pl_gphone", SingleForm::Styled},
    {"mp3", "audio", false, "pl_audio1", SingleForm::Styled},
    {"avi", nullptr, true, "pl_avi", SingleForm::Placed},
    {"mpeg", nullptr, true, "pl_mpeg", SingleForm::Placed},
    {"mp4", nullptr, true, "pl_mp4", SingleForm::Placed},
    {"hevc", nullptr, true, "pl_today1", SingleForm::Styled},
    {"mkv", nullptr, true, "pl_mkv", SingleForm::Placed},
    {"wmv", nullptr, true, nullptr, SingleForm::Nothing},
    {"rm", nullptr, true, nullptr, SingleForm::Nothing},
    {"flv", nullptr, true, nullptr, SingleForm::Nothing},
};

// Which panel the full opening shows for the current profile. The blank ends
// of the single panels (33, 40, ...) and 132 are not in it: they open the
// column alone.
struct FullOpeningRow {
    int first;
    int last;
    const char* panel;
    const char* flyOut;
    int category;
};

const FullOpeningRow kFullOpenings[] = {
    {1, 7, "pl_video1", nullptr, 1},        {8, 14, "pl_video2", nullptr, 1},
    {15, 21, "pl_audio1", nullptr, 2},      {22, 26, "pl_audio2", nullptr, 2},
    {27, 32, "pl_ipod", nullptr, 3},        {34, 39, "pl_iphone", nullptr, 4},
    {41, 44, "pl_gphone", nullptr, 5},      {46, 51, "pl_appletv", nullptr, 6},
    {53, 58, "pl_psp", nullptr, 7},         {60, 66, "pl_xbox", nullptr, 8},
    {68, 73, "pl_phone", nullptr, 9},       {75, 81, "pl_win", nullptr, 10},
    {83, 89, "pl_pmp", nullptr, 11},        {91, 97, "pl_hd", nullptr, 12},
    {99, 100, "pl_animation", nullptr, 13}, {102, 109, "pl_video1", "pl_avi", 1},
    {110, 117, "pl_video1", "pl_mpeg", 1},  {118, 124, "pl_video1", "pl_mp4", 1},
    {125, 131, "pl_video1", "pl_mkv", 1},   {133, 140, "pl_today1", nullptr, 14},
    {141, 148, "pl_today2", nullptr, 14},
};

void paintBackground(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, kPanelBackground);
    palette.setColor(QPalette::WindowText, kPanelBorder);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

Navigation::Navigation(QWidget* host, Edition edition, PickerState& picker,
                       const Preferences& preferences, const BusyState& busy,
                       Interaction& interaction, QWidget* play)
    : QObject(host), m_host(host), m_edition(std::move(edition)), m_picker(picker),
      m_preferences(preferences), m_busy(busy), m_interaction(interaction), m_play(play)
{
    Q_ASSERT(host);
    build();
    if (m_play)
        closeOnMousePress(m_play);
}

void Navigation::build()
{
    m_iconPanel = new QWidget(m_host);
    m_iconPanel->setObjectName(QStringLiteral("Panel1"));
    m_iconPanel->setGeometry(62, 64, Layout::kIconSize, Layout::kIconSize);
    m_icon = new PictureLabel(QStringLiteral("im_mainico"), m_iconPanel);
    m_icon->setGeometry(0, 0, Layout::kIconSize, Layout::kIconSize);
    m_icon->setCursor(Qt::PointingHandCursor);
    m_pictures.insert(m_icon->objectName(), m_icon);
    connect(m_icon, &PictureLabel::clicked, this,
            [this] { openNavigation(m_currentProfile ? m_currentProfile() : 0); });

    m_main = new NavigationPanel(QStringLiteral("pl_main"),
                                 QSize(Layout::kMainWidth, Layout::kPanelHeight), m_host);
    m_main->move(53, 81);
    paintBackground(m_main);
    for (const Layout::Category& category : Layout::categories()) {
        auto* image = new PictureLabel(QLatin1String(category.image), m_main->client());
        image->setGeometry(Layout::categoryRect(category.number));
        const int number = category.number;
        connect(image, &PictureLabel::hovered, this, [this, number] { hoverCategory(number); });
        m_categories[number] = image;
    }

    for (const Layout::Panel& spec : Layout::panels()) {
        auto* panel =
            new NavigationPanel(QLatin1String(spec.name),
                                QSize(Layout::panelWidth(spec), Layout::kPanelHeight), m_host);
        panel->move(m_panelPlace);
        paintBackground(panel);
        m_panels.insert(panel->objectName(), panel);
        for (int n = spec.firstButton; n <= spec.lastButton; ++n) {
            auto* button = new PictureLabel(QStringLiteral("btim_%1").arg(n), panel->client());
            button->setGeometry(Layout::buttonRect(n));
            m_buttons[n] = button;
            if (Layout::answersHover(n))
                connect(button, &PictureLabel::hovered, this, [this, n] { hoverButton(n); });
            if (Layout::answersClick(n)) {
                button->setCursor(Qt::PointingHandCursor);
                connect(button, &PictureLabel::clicked, this, [this, n] { clickButton(n); });
            }
        }
    }

    // Each caption comes before its page switch, so the switch, created
    // later, lies above the pixel they share.
    for (const Layout::StaticPicture& spec : Layout::staticPictures()) {
        NavigationPanel* holder = panel(QLatin1String(spec.panel));
        auto* picture = new PictureLabel(QLatin1String(spec.name), holder->client());
        picture->setGeometry(Layout::staticPictureRect(spec));
        m_pictures.insert(picture->objectName(), picture);
        if (spec.pageSwitch)
            picture->setCursor(Qt::PointingHandCursor);
    }
    connect(picture(QStringLiteral("Image94")), &PictureLabel::clicked, this,
            [this] { turnVideoPage(true); });
    connect(picture(QStringLiteral("Image93")), &PictureLabel::clicked, this,
            [this] { turnVideoPage(false); });
    connect(picture(QStringLiteral("Image2")), &PictureLabel::clicked, this,
            [this] { turnAudioPage(true); });
    connect(picture(QStringLiteral("Image5")), &PictureLabel::clicked, this,
            [this] { turnAudioPage(false); });
    connect(picture(QStringLiteral("img_todaymore")), &PictureLabel::clicked, this,
            [this] { turnTodayPage(true); });
    connect(picture(QStringLiteral("img_todayback")), &PictureLabel::clicked, this,
            [this] { turnTodayPage(false); });

    // The panels take the keys while the picker is open.
    m_main->installEventFilter(this);
    for (NavigationPanel* shown : std::as_const(m_panels))
        shown->installEventFilter(this);

    raise();
    setNavigationVisible(false);
}

void Navigation::setCurrentProfileSource(std::function<int()> source)
{
    m_currentProfile = std::move(source);
}

bool Navigation::load(PictureLabel* label, const QString& relativePath)
{
    QString problem;
    if (label->loadPicture(m_edition.dataFile(relativePath), &problem))
        return true;
    m_interaction.error(problem);
    return false;
}

bool Navigation::highlightButton(int n)
{
    return load(m_buttons[n], Layout::buttonPicture(n, true));
}

bool Navigation::showInitialPictures()
{
    for (const Layout::Category& category : Layout::categories()) {
        if (!load(m_categories[category.number], Layout::categoryPicture(category.number, false)))
            return false;
    }
    for (const Layout::StaticPicture& spec : Layout::staticPictures()) {
        if (!load(picture(QLatin1String(spec.name)), QLatin1String(spec.file)))
            return false;
    }
    for (int n = 1; n <= Layout::kButtonCount; ++n) {
        if (!restoreButton(n))
            return false;
    }
    return true;
}

void Navigation::applyLayout(bool dvdMode, bool branded)
{
    const LayoutColumn& column = kLayouts[(dvdMode ? 2 : 0) + (branded ? 1 : 0)];
    m_iconPanel->move(column.iconPanel);
    m_main->move(column.main);
    m_panelPlace = column.panels;
    for (NavigationPanel* panel : std::as_const(m_panels))
        panel->move(m_panelPlace);
    m_subPanelOffset = column.subPanelOffset;
}

bool Navigation::setCategoryIcon(int category)
{
    if (category < 1 || category > Layout::kCategoryIconCount)
        return true;
    return load(m_icon, Layout::categoryIconPicture(category));
}

void Navigation::setNavigationVisible(bool visible)
{
    const bool hadKeyboard = isPickerWidget(QApplication::focusWidget());
    m_main->setVisible(visible);
    for (NavigationPanel* panel : std::as_const(m_panels))
        panel->setVisible(visible);
    if (!visible && hadKeyboard && m_focusBefore && m_focusBefore->isVisible() &&
        m_focusBefore->isEnabled())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
}

void Navigation::raise()
{
    m_iconPanel->raise();
    m_main->raise();
    // Fly-outs last: they open over pl_video1.
    for (const Layout::Panel& spec : Layout::panels())
        panel(QLatin1String(spec.name))->raise();
}

void Navigation::closeOnMousePress(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool Navigation::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isPanel(watched))
        return keyPressed(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::MouseButtonPress)
        setNavigationVisible(false);
    return QObject::eventFilter(watched, event);
}

NavigationPanel* Navigation::panel(const QString& name) const
{
    if (name == m_main->objectName())
        return m_main;
    return m_panels.value(name, nullptr);
}

PictureLabel* Navigation::button(int n) const
{
    if (n < 1 || n > Layout::kButtonCount)
        return nullptr;
    return m_buttons[n];
}

PictureLabel* Navigation::categoryImage(int category) const
{
    if (category < 1 || category > Layout::kCategoryCount)
        return nullptr;
    return m_categories[category];
}

PictureLabel* Navigation::picture(const QString& name) const
{
    return m_pictures.value(name, nullptr);
}

bool Navigation::isShown(const QString& panelName) const
{
    const NavigationPanel* shown = panel(panelName);
    return shown && !shown->isHidden();
}

QStringList Navigation::profilePanelNames()
{
    QStringList names;
    for (const Layout::Panel& spec : Layout::panels())
        names << QLatin1String(spec.name);
    return names;
}

NavigationPanel* Navigation::categoryPanel(int category) const
{
    if (category == 1)
        return panel(m_picker.videoFirstPage ? QStringLiteral("pl_video1")
                                             : QStringLiteral("pl_video2"));
    if (category == 2)
        return panel(m_picker.audioFirstPage ? QStringLiteral("pl_audio1")
                                             : QStringLiteral("pl_audio2"));
    if (category == 14)
        return panel(m_picker.todayFirstPage ? QStringLiteral("pl_today1")
                                             : QStringLiteral("pl_today2"));
    for (const Layout::Panel& spec : Layout::panels()) {
        if (spec.category == category)
            return panel(QLatin1String(spec.name));
    }
    return nullptr;
}

NavigationPanel* Navigation::flyOutOf(int opener) const
{
    for (const Layout::Panel& spec : Layout::panels()) {
        if (spec.opener != 0 && spec.opener == opener)
            return panel(QLatin1String(spec.name));
    }
    return nullptr;
}

void Navigation::placeFlyOut(NavigationPanel* flyOut)
{
    const NavigationPanel* video1 = panel(QStringLiteral("pl_video1"));
    flyOut->move(video1->x() + m_subPanelOffset, video1->y());
    flyOut->show();
    flyOut->raise();
}

bool Navigation::restoreCategory(int category)
{
    if (category >= 1 && category <= Layout::kCategoryCount) {
        if (!load(m_categories[category], Layout::categoryPicture(category, false)))
            return false;
        for (const Layout::Panel& spec : Layout::panels()) {
            if (spec.category == category && spec.opener == 0)
                panel(QLatin1String(spec.name))->hide();
        }
    }
    for (const Layout::Panel& spec : Layout::panels()) {
        NavigationPanel* flyOut = panel(QLatin1String(spec.name));
        if (spec.opener != 0 && !flyOut->isHidden())
            flyOut->hide();
    }
    return true;
}

bool Navigation::restoreButton(int n)
{
    if (NavigationPanel* flyOut = flyOutOf(n))
        flyOut->hide();
    if (n < 1 || n > Layout::kButtonCount)
        return true;
    return load(m_buttons[n], Layout::buttonPicture(n, false));
}

void Navigation::mapToOpener()
{
    const int opener = Layout::openerOf(m_picker.selectSubIndex);
    if (opener != 0)
        m_picker.selectSubIndex = opener;
}

bool Navigation::forgetFlyOutHighlight()
{
    // mapToOpener replaces a fly-out button's number by its opener's, so the
    // button would otherwise keep its highlight and show it, next to a second
    // one, when its fly-out opens again.
    if (Layout::openerOf(m_picker.selectSubIndex) == 0)
        return true;
    return restoreButton(m_picker.selectSubIndex);
}

void Navigation::hoverCategory(int category)
{
    if (m_picker.selectIndex != category) {
        if (!restoreCategory(m_picker.selectIndex))
            return;
        if (!load(m_categories[category], Layout::categoryPicture(category, true)))
            return;
        m_picker.selectIndex = category;
        NavigationPanel* shown = categoryPanel(category);
        shown->show();
        shown->raise();
    }
    m_keyPlace = KeyPlace::Column;
    emit highlighted(QString::fromUtf8(Layout::category(category).label));
}

void Navigation::hoverButton(int n)
{
    int& selected = m_picker.selectSubIndex;
    if (selected == n || Layout::kind(n) == Layout::ButtonKind::Inert) {
        if (selected == n) {
            m_keyPlace = KeyPlace::Panel;
            emit highlighted(textOf(n));
        }
        return;
    }
    switch (Layout::kind(n)) {
    case Layout::ButtonKind::Plain:
        if (!restoreButton(selected) || !highlightButton(n))
            return;
        selected = n;
        break;
    case Layout::ButtonKind::FirstPage:
        // Coming back from a fly-out resets its opener and closes it.
        if (!forgetFlyOutHighlight())
            return;
        mapToOpener();
        if (!restoreButton(selected) || !highlightButton(n))
            return;
        selected = n;
        break;
    case Layout::ButtonKind::Opener: {
        // Back from its own fly-out the opener keeps the fly-out open: only
        // another button closes it.
        const bool fromOwnFlyOut = Layout::openerOf(selected) == n;
        if (!forgetFlyOutHighlight())
            return;
        mapToOpener();
        // The preview's player window is taken away while the fly-out is
        // placed over it, so it is redrawn after the fly-out, not through it.
        if (m_play)
            m_play->hide();
        placeFlyOut(flyOutOf(n));
        if (!fromOwnFlyOut && !restoreButton(selected))
            return;
        if (!highlightButton(n))
            return;
        selected = n;
        if (m_play)
            m_play->show();
        break;
    }
    case Layout::ButtonKind::SubPanel: {
        // From the opener into its fly-out: restoring the fly-out's first
        // button instead of the opener keeps the opener lit and the fly-out
        // open.
        const int opener = Layout::openerOf(n);
        if (selected == opener)
            selected = Layout::firstButtonOfSubPanel(opener);
        if (!restoreButton(selected) || !highlightButton(n))
            return;
        selected = n;
        break;
    }
    case Layout::ButtonKind::Inert:
        break;
    }
    if (selected == n) {
        m_keyPlace = KeyPlace::Panel;
        emit highlighted(textOf(n));
    }
}

void Navigation::clickButton(int n)
{
    setNavigationVisible(false);
    emit profileClicked(n);
}

int Navigation::singlePanelLeft() const
{
    return m_edition.isBranded() ? 88 : 53;
}

void Navigation::restackButtons(NavigationPanel* shownPanel, int shift)
{
    const Layout::Panel* spec = nullptr;
    for (const Layout::Panel& candidate : Layout::panels()) {
        if (shownPanel->objectName() == QLatin1String(candidate.name))
            spec = &candidate;
    }
    Q_ASSERT(spec);
    for (int n = spec->firstButton; n <= spec->lastButton; ++n)
        m_buttons[n]->move(0, Layout::buttonRect(n).top() + shift);
}

void Navigation::showSinglePanel(NavigationPanel* shown, bool restyle)
{
    if (restyle) {
        shown->move(singlePanelLeft(), shown->y());
        shown->setSingleLineBorder(true);
        // The border takes a pixel on each side; one pixel up keeps the
        // buttons' captions centred in what is left.
        restackButtons(shown, -1);
        setNavigationVisible(false);
    } else {
        setNavigationVisible(false);
        shown->move(singlePanelLeft(), shown->y());
    }
    shown->show();
    shown->raise();
}

void Navigation::restoreFullForm()
{
    // A single-panel opening moved and bordered its panel; the column needs
    // it back in its place, or it would cover the categories.
    for (NavigationPanel* shown : std::as_const(m_panels)) {
        if (!shown->hasSingleLineBorder())
            continue;
        shown->setSingleLineBorder(false);
        shown->move(m_panelPlace);
        restackButtons(shown, 0);
    }
}

bool Navigation::openSingleFormat()
{
    for (const SingleFormatRow& row : kSingleFormats) {
        const bool named =
            m_edition.contains(QLatin1String(row.keyword)) ||
            (row.otherKeyword && m_edition.contains(QLatin1String(row.otherKeyword)));
        if (!named || (row.needsBisSingle && !m_preferences.intoOwnFormat()))
            continue;
        if (row.form == SingleForm::Nothing)
            setNavigationVisible(false);
        else
            showSinglePanel(panel(QLatin1String(row.panel)), row.form == SingleForm::Styled);
        return true;
    }
    return false;
}

void Navigation::openFull(int p)
{
    restoreFullForm();
    if (!restoreCategory(m_picker.selectIndex))
        return;
    m_main->show();
    m_main->raise();
    for (const FullOpeningRow& row : kFullOpenings) {
        if (p < row.first || p > row.last)
            continue;
        if (!load(m_categories[row.category], Layout::categoryPicture(row.category, true)))
            return;
        m_picker.selectIndex = row.category;
        NavigationPanel* shown = panel(QLatin1String(row.panel));
        shown->show();
        shown->raise();
        if (row.flyOut)
            placeFlyOut(panel(QLatin1String(row.flyOut)));
        return;
    }
}

void Navigation::openNavigation(int p)
{
    if (BusyGuards::converting(m_busy, m_interaction))
        return;
    if (!m_busy.isPlaying() && m_edition.isBranded() && m_play)
        m_play->hide();
    if (!openSingleFormat())
        openFull(p);
    takeKeyboard();
}

void Navigation::turnVideoPage(bool toSecondPage)
{
    panel(QStringLiteral("pl_video1"))->setVisible(!toSecondPage);
    panel(QStringLiteral("pl_video2"))->setVisible(toSecondPage);
    m_picker.videoFirstPage = !toSecondPage;
}

void Navigation::turnAudioPage(bool toSecondPage)
{
    NavigationPanel* from =
        panel(toSecondPage ? QStringLiteral("pl_audio1") : QStringLiteral("pl_audio2"));
    NavigationPanel* to =
        panel(toSecondPage ? QStringLiteral("pl_audio2") : QStringLiteral("pl_audio1"));
    if (!m_edition.contains(QStringLiteral("mp3")) &&
        !m_edition.contains(QStringLiteral("audio"))) {
        from->hide();
        to->show();
        m_picker.audioFirstPage = !toSecondPage;
        return;
    }
    // An audio edition shows its pages as single panels and keeps no page.
    showSinglePanel(to, true);
    from->hide();
}

void Navigation::turnTodayPage(bool toSecondPage)
{
    NavigationPanel* from =
        panel(toSecondPage ? QStringLiteral("pl_today1") : QStringLiteral("pl_today2"));
    NavigationPanel* to =
        panel(toSecondPage ? QStringLiteral("pl_today2") : QStringLiteral("pl_today1"));
    if (isSingleForm()) {
        // The edition of today's formats shows its pages as single panels.
        showSinglePanel(to, true);
        from->hide();
        return;
    }
    from->hide();
    to->show();
    to->raise();
    m_picker.todayFirstPage = !toSecondPage;
}

bool Navigation::turnPageOf(const QString& panelName, bool toSecondPage)
{
    if (panelName.startsWith(QLatin1String("pl_video")))
        turnVideoPage(toSecondPage);
    else if (panelName.startsWith(QLatin1String("pl_audio")))
        turnAudioPage(toSecondPage);
    else if (panelName.startsWith(QLatin1String("pl_today")))
        turnTodayPage(toSecondPage);
    else
        return false;
    return true;
}

// ---- the keyboard ----------------------------------------------------------------------

bool Navigation::isPanel(const QObject* object) const
{
    if (object == m_main)
        return true;
    return std::any_of(m_panels.cbegin(), m_panels.cend(),
                       [object](const NavigationPanel* shown) { return shown == object; });
}

bool Navigation::isPickerWidget(const QWidget* widget) const
{
    for (; widget; widget = widget->parentWidget()) {
        if (isPanel(widget))
            return true;
    }
    return false;
}

bool Navigation::isSingleForm() const
{
    return m_main->isHidden();
}

void Navigation::takeKeyboard()
{
    NavigationPanel* target = m_main->isHidden() ? nullptr : m_main;
    for (auto it = m_panels.cbegin(); !target && it != m_panels.cend(); ++it) {
        if (!it.value()->isHidden())
            target = it.value();
    }
    if (!target)
        return; // an edition whose picker opens nothing
    QWidget* focus = QApplication::focusWidget();
    if (focus && !isPickerWidget(focus))
        m_focusBefore = focus;
    m_keyPlace = KeyPlace::None;
    m_typed.clear();
    target->setFocus(Qt::OtherFocusReason);
}

QList<int> Navigation::keyButtons(const NavigationPanel* shown)
{
    QList<int> buttons;
    for (const Layout::Panel& spec : Layout::panels()) {
        if (shown->objectName() != QLatin1String(spec.name))
            continue;
        for (int n = spec.firstButton; n <= spec.lastButton; ++n) {
            if (Layout::answersClick(n) || Layout::kind(n) == Layout::ButtonKind::Opener)
                buttons << n;
        }
    }
    return buttons;
}

NavigationPanel* Navigation::panelOfButton(int n) const
{
    const Layout::Panel* spec = Layout::panelOfButton(n);
    return spec ? panel(QLatin1String(spec->name)) : nullptr;
}

QString Navigation::textOf(int n) const
{
    const QString opener = Layout::openerLabel(n);
    if (!opener.isEmpty())
        return opener;
    const QString hint = ProfileCatalogue::hint(n);
    return hint.isEmpty() ? ProfileCatalogue::displayName(n)
                          : ProfileCatalogue::displayName(n) + QStringLiteral(": ") + hint;
}

bool Navigation::keyPressed(QKeyEvent* key)
{
    if ((key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Up:
        keyStep(-1);
        return true;
    case Qt::Key_Down:
        keyStep(1);
        return true;
    case Qt::Key_Home:
        keyToEnd(false);
        return true;
    case Qt::Key_End:
        keyToEnd(true);
        return true;
    case Qt::Key_Right:
        keyRight();
        return true;
    case Qt::Key_Left:
        keyLeft();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        keyChoose();
        return true;
    default:
        break;
    }
    return typeAhead(key->text());
}

void Navigation::startKeys()
{
    const int current = m_currentProfile ? m_currentProfile() : 0;
    const NavigationPanel* home = panelOfButton(current);
    if (Layout::answersClick(current) && home && !home->isHidden()) {
        hoverButton(current);
        return;
    }
    if (!isSingleForm()) {
        keyToCategory(m_picker.selectIndex >= 1 && m_picker.selectIndex <= Layout::kCategoryCount
                          ? m_picker.selectIndex
                          : 1);
        return;
    }
    for (NavigationPanel* shown : std::as_const(m_panels)) {
        const QList<int> buttons = keyButtons(shown);
        if (!shown->isHidden() && !buttons.isEmpty()) {
            hoverButton(buttons.first());
            return;
        }
    }
}

void Navigation::keyToCategory(int category)
{
    NavigationPanel* shown = categoryPanel(category);
    // A category that kept its number from an opening that showed none of
    // its panels is shown as a hover would show it.
    if (m_picker.selectIndex == category && shown && shown->isHidden()) {
        if (!restoreCategory(category))
            return;
        m_picker.selectIndex = -1;
    }
    hoverCategory(category);
}

void Navigation::keyToButton(int n)
{
    hoverButton(n);
}

void Navigation::keyStep(int direction)
{
    if (m_keyPlace == KeyPlace::None) {
        startKeys();
        return;
    }
    if (m_keyPlace == KeyPlace::Column) {
        keyToCategory(qBound(1, m_picker.selectIndex + direction, int(Layout::kCategoryCount)));
        return;
    }
    const int n = m_picker.selectSubIndex;
    NavigationPanel* shown = panelOfButton(n);
    if (!shown)
        return;
    const QList<int> buttons = keyButtons(shown);
    const qsizetype at = buttons.indexOf(n) + direction;
    if (at >= 0 && at < buttons.size()) {
        keyToButton(buttons.at(at));
        return;
    }
    // Past the end of a page: the other page of a two-page panel.
    const QString name = shown->objectName();
    const bool firstPage = name.endsWith(QLatin1Char('1'));
    const bool twoPages = name.startsWith(QLatin1String("pl_video")) ||
                          name.startsWith(QLatin1String("pl_audio")) ||
                          name.startsWith(QLatin1String("pl_today"));
    if (!twoPages || firstPage != (direction > 0) || !turnPageOf(name, firstPage))
        return;
    const QList<int> other =
        keyButtons(panel(name.left(name.size() - 1) + QLatin1Char(firstPage ? '2' : '1')));
    if (!other.isEmpty())
        keyToButton(direction > 0 ? other.first() : other.last());
}

void Navigation::keyToEnd(bool last)
{
    if (m_keyPlace == KeyPlace::None)
        startKeys();
    if (m_keyPlace == KeyPlace::Column) {
        keyToCategory(last ? Layout::kCategoryCount : 1);
        return;
    }
    const NavigationPanel* shown = panelOfButton(m_picker.selectSubIndex);
    const QList<int> buttons = shown ? keyButtons(shown) : QList<int>();
    if (!buttons.isEmpty())
        keyToButton(last ? buttons.last() : buttons.first());
}

void Navigation::keyRight()
{
    if (m_keyPlace == KeyPlace::None) {
        startKeys();
        return;
    }
    if (m_keyPlace == KeyPlace::Column) {
        const NavigationPanel* shown = categoryPanel(m_picker.selectIndex);
        if (!shown)
            return;
        const QList<int> buttons = keyButtons(shown);
        if (buttons.contains(m_picker.selectSubIndex))
            keyToButton(m_picker.selectSubIndex);
        else if (!buttons.isEmpty())
            keyToButton(buttons.first());
        return;
    }
    const int n = m_picker.selectSubIndex;
    if (Layout::kind(n) == Layout::ButtonKind::Opener)
        keyToButton(Layout::firstButtonOfSubPanel(n));
}

void Navigation::keyLeft()
{
    if (m_keyPlace != KeyPlace::Panel)
        return;
    const int opener = Layout::openerOf(m_picker.selectSubIndex);
    if (opener != 0) {
        keyToButton(opener);
        return;
    }
    if (!isSingleForm() && m_picker.selectIndex >= 1)
        hoverCategory(m_picker.selectIndex);
}

void Navigation::keyChoose()
{
    if (m_keyPlace == KeyPlace::None) {
        startKeys();
        return;
    }
    const int n = m_picker.selectSubIndex;
    if (m_keyPlace == KeyPlace::Column || Layout::kind(n) == Layout::ButtonKind::Opener) {
        keyRight();
        return;
    }
    if (Layout::answersClick(n))
        clickButton(n);
}

// A name as type-ahead compares it: its letters and digits, in lower case
// ("MKV - XviD Movie(*.mkv)" is found by typing "mkvx").
QString Navigation::searchable(const QString& text)
{
    QString kept;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            kept += c.toLower();
    }
    return kept;
}

bool Navigation::typeAhead(const QString& text)
{
    const QString typed = searchable(text);
    if (typed.isEmpty())
        return false;
    if (!m_typedClock.isValid() || m_typedClock.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedClock.start();
    m_typed += typed;
    // The same letter again steps to the next profile starting with it.
    const bool repeated = m_typed.count(m_typed.at(0)) == m_typed.size();
    const QString wanted = repeated ? m_typed.left(1) : m_typed;

    // The single-panel form offers its own panel (an audio edition both
    // pages of audio, the edition of today's formats both of its pages).
    const auto shownAlone = [this](const char* first, const char* second) {
        return isSingleForm() && (!panel(QLatin1String(first))->isHidden() ||
                                  !panel(QLatin1String(second))->isHidden());
    };
    const bool audioAlone = shownAlone("pl_audio1", "pl_audio2");
    const bool todayAlone = shownAlone("pl_today1", "pl_today2");
    QList<int> order;
    for (const Layout::Panel& spec : Layout::panels()) {
        const NavigationPanel* holder = panel(QLatin1String(spec.name));
        if (isSingleForm() && holder->isHidden() && !(audioAlone && spec.category == 2) &&
            !(todayAlone && spec.category == 14))
            continue;
        for (int n = spec.firstButton; n <= spec.lastButton; ++n) {
            if (Layout::answersClick(n) && ProfileCatalogue::hasDisplayName(n))
                order << n;
        }
    }
    if (order.isEmpty())
        return true;
    const qsizetype current = order.indexOf(m_picker.selectSubIndex);
    const qsizetype first = current < 0 ? 0 : (repeated ? current + 1 : current);
    for (qsizetype i = 0; i < order.size(); ++i) {
        const int n = order.at((first + i) % order.size());
        if (searchable(ProfileCatalogue::displayName(n)).startsWith(wanted)) {
            reveal(n);
            break;
        }
    }
    return true;
}

void Navigation::reveal(int n)
{
    const Layout::Panel* spec = Layout::panelOfButton(n);
    if (!spec)
        return;
    const QString name = QLatin1String(spec->name);
    if (!isSingleForm()) {
        keyToCategory(spec->opener ? 1 : spec->category);
        const bool secondPage = name.endsWith(QLatin1Char('2'));
        if (spec->opener || name.startsWith(QLatin1String("pl_video"))) {
            if (m_picker.videoFirstPage == secondPage || spec->opener)
                turnVideoPage(secondPage && !spec->opener);
        } else if (name.startsWith(QLatin1String("pl_audio")) &&
                   m_picker.audioFirstPage == secondPage) {
            turnAudioPage(secondPage);
        } else if (name.startsWith(QLatin1String("pl_today")) &&
                   m_picker.todayFirstPage == secondPage) {
            turnTodayPage(secondPage);
        }
        if (spec->opener)
            keyToButton(spec->opener);
    } else if ((spec->category == 2 || spec->category == 14) && panel(name)->isHidden()) {
        turnPageOf(name, name.endsWith(QLatin1Char('2')));
    }
    keyToButton(n);
}

} // namespace transcast
