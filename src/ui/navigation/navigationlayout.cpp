#include "ui/navigation/navigationlayout.h"

#include <cstring>

#include "profiles/profilecatalogue.h"

namespace transcast
{

namespace
{

// Eight buttons to a page: the first 53 high, six of 41 and the last
// filling the rest above the page strip (42).
constexpr int kTodayButtonHeight = 41;

bool isInert(int n)
{
    return n == 13 || n == 14 || n == 98 || n == 101 || n == 117 || n == 132;
}

} // namespace

const std::vector<NavigationLayout::Category>& NavigationLayout::categories()
{
    static const std::vector<Category> table = {
        {1, "img_gvideo1", "img_video1", "Video"},
        {2, "img_audio1", "img_audio1", "Audio"},
        {3, "img_ipod", "img_ipod", "iPod"},
        {4, "img_iphone", "img_iphone", "iPhone"},
        {5, "img_gphone", "img_gphone", "GPhone"},
        {6, "img_appletv", "img_appletv", "Apple TV"},
        {7, "img_psp", "img_psp", "PSP / PS3"},
        {8, "img_xbox", "img_xbox", "Xbox 360"},
        {9, "img_phone", "img_phone", "Mobile Phone"},
        {10, "img_win", "img_win", "Pocket PC"},
        {11, "img_pmp", "img_pmp", "Media Players"},
        {12, "img_hd", "img_hd", "HD Video"},
        {13, "img_animation", "img_animation", "Flash / Animation"},
        {14, "img_today", "img_today", "HEVC / AV1 / Today"},
    };
    return table;
}

const NavigationLayout::Category& NavigationLayout::category(int number)
{
    Q_ASSERT(number >= 1 && number <= kCategoryCount);
    return categories().at(number - 1);
}

const std::vector<NavigationLayout::Panel>& NavigationLayout::panels()
{
    static const std::vector<Panel> table = {
        {"pl_video1", 1, 1, 7, true, 0},
        {"pl_video2", 1, 8, 14, true, 0},
        {"pl_audio1", 2, 15, 21, true, 0},
        {"pl_audio2", 2, 22, 26, true, 0},
        {"pl_ipod", 3, 27, 33, false, 0},
        {"pl_iphone", 4, 34, 40, false, 0},
        {"pl_gphone", 5, 41, 45, false, 0},
        {"pl_appletv", 6, 46, 52, false, 0},
        {"pl_psp", 7, 53, 59, false, 0},
        {"pl_xbox", 8, 60, 67, false, 0},
        {"pl_phone", 9, 68, 74, false, 0},
        {"pl_win", 10, 75, 82, false, 0},
        {"pl_pmp", 11, 83, 90, false, 0},
        {"pl_hd", 12, 91, 98, false, 0},
        {"pl_animation", 13, 99, 101, false, 0},
        {"pl_avi", 1, 102, 109, false, 2},
        {"pl_mpeg", 1, 110, 117, false, 3},
        {"pl_mp4", 1, 118, 124, false, 4},
        {"pl_mkv", 1, 125, 132, false, 5},
        {"pl_today1", 14, 133, 140, true, 0, kTodayButtonHeight},
        {"pl_today2", 14, 141, 148, true, 0, kTodayButtonHeight},
    };
    return table;
}

const NavigationLayout::Panel* NavigationLayout::panelOfButton(int n)
{
    for (const Panel& panel : panels()) {
        if (n >= panel.firstButton && n <= panel.lastButton)
            return &panel;
    }
    return nullptr;
}

const std::vector<NavigationLayout::StaticPicture>& NavigationLayout::staticPictures()
{
    static const std::vector<StaticPicture> table = {
        {"Image3", "pl_main", "images/main/footer.bmp", false},
        {"btim_next", "pl_video1", "images/page/page1.bmp", false},
        {"Image94", "pl_video1", "images/page/more.bmp", true},
        {"btim_pre", "pl_video2", "images/page/page2.bmp", false},
        {"Image93", "pl_video2", "images/page/back.bmp", true},
        {"Image1", "pl_audio1", "images/page/page1.bmp", false},
        {"Image2", "pl_audio1", "images/page/more.bmp", true},
        {"Image4", "pl_audio2", "images/page/page2.bmp", false},
        {"Image5", "pl_audio2", "images/page/back.bmp", true},
        {"img_todaypage1", "pl_today1", "images/page/page1.bmp", false},
        {"img_todaymore", "pl_today1", "images/page/more.bmp", true},
        {"img_todaypage2", "pl_today2", "images/page/page2.bmp", false},
        {"img_todayback", "pl_today2", "images/page/back.bmp", true},
    };
    return table;
}

QRect NavigationLayout::categoryRect(int number)
{
    Q_ASSERT(number >= 1 && number <= kCategoryCount);
    if (number == 1)
        return QRect(0, 0, kMainWidth, kFirstCategoryHeight);
    return QRect(0, kFirstCategoryHeight + (number - 2) * kCategoryHeight, kMainWidth,
                 kCategoryHeight);
}

QRect NavigationLayout::footerRect()
{
    return QRect(0, kPanelHeight - kFooterHeight, kMainWidth, kFooterHeight);
}

int NavigationLayout::panelWidth(const Panel& panel)
{
    return panel.opener != 0 ? kSubPanelWidth : kPanelWidth;
}

QRect NavigationLayout::buttonRect(int n)
{
    const Panel* panel = panelOfButton(n);
    if (!panel)
        return {};
    const int index = n - panel->firstButton;
    const int top = index == 0 ? 0 : kFirstButtonHeight + (index - 1) * panel->buttonHeight;
    int height = index == 0 ? kFirstButtonHeight : panel->buttonHeight;
    if (n == panel->lastButton) {
        const int bottom = kPanelHeight - (panel->pageStrip ? kPageStripHeight : 0);
        height = bottom - top;
    }
    return QRect(0, top, panelWidth(*panel), height);
}

QRect NavigationLayout::staticPictureRect(const StaticPicture& picture)
{
    if (std::strcmp(picture.panel, "pl_main") == 0)
        return footerRect();
    const int top = kPanelHeight - kPageStripHeight;
    if (picture.pageSwitch)
        return QRect(kPanelWidth - kPageSwitchWidth, top, kPageSwitchWidth, kPageStripHeight);
    return QRect(0, top, kPageCaptionWidth, kPageStripHeight);
}

NavigationLayout::ButtonKind NavigationLayout::kind(int n)
{
    if (n < 1 || n > kButtonCount || isInert(n))
        return ButtonKind::Inert;
    if (n >= 2 && n <= 5)
        return ButtonKind::Opener;
    if (n == 1 || n == 6 || n == 7)
        return ButtonKind::FirstPage;
    if (n >= 102 && n <= 132)
        return ButtonKind::SubPanel;
    return ButtonKind::Plain;
}

bool NavigationLayout::answersHover(int n)
{
    return kind(n) != ButtonKind::Inert;
}

bool NavigationLayout::answersClick(int n)
{
    return answersHover(n) && kind(n) != ButtonKind::Opener && ProfileCatalogue::hasDisplayName(n);
}

int NavigationLayout::openerOf(int n)
{
    // 132 closes the MKV fly-out but is no profile: it maps to nothing.
    if (n == 132)
        return 0;
    const Panel* panel = panelOfButton(n);
    return panel ? panel->opener : 0;
}

int NavigationLayout::firstButtonOfSubPanel(int opener)
{
    for (const Panel& panel : panels()) {
        if (panel.opener != 0 && panel.opener == opener)
            return panel.firstButton;
    }
    return 0;
}

QString NavigationLayout::categoryPicture(int number, bool highlighted)
{
    return QStringLiteral("images/main/%1/%2.bmp")
        .arg(highlighted ? QStringLiteral("move") : QStringLiteral("general"),
             QLatin1String(category(number).stem));
}

QString NavigationLayout::buttonPicture(int n, bool highlighted)
{
    return QStringLiteral("images/sub/%1/%2.bmp")
        .arg(highlighted ? QStringLiteral("move") : QStringLiteral("general"))
        .arg(n);
}

QString NavigationLayout::categoryIconPicture(int number)
{
    return QStringLiteral("images/main/%1.bmp").arg(number);
}

QString NavigationLayout::openerLabel(int n)
{
    static const char* const labels[] = {"AVI", "MPEG", "MP4", "MKV"};
    return n >= 2 && n <= 5 ? QLatin1String(labels[n - 2]) : QString();
}

} // namespace transcast
