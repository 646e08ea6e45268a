#pragma once

#include <vector>

#include <QRect>
#include <QString>

namespace transcast
{

// The profile picker's fixed design: which category and button lives where,
// how big every picture is, what each button answers to, and the file name of
// every picture. The picker and the build-time picture generator both read it,
// so a picture always has the size of the control that shows it.
//
// Qt Core only: the generator compiles this file on its own.
class NavigationLayout
{
public:
    static constexpr int kCategoryCount = 14;
    static constexpr int kButtonCount = 148;
    // Category icons exist for every category.
    static constexpr int kCategoryIconCount = 14;

    // The category column pl_main: the first image 27 high, the others 25,
    // the footer Image3 closing the column in what the fourteenth category
    // left of it.
    static constexpr int kMainWidth = 153;
    static constexpr int kFirstCategoryHeight = 27;
    static constexpr int kCategoryHeight = 25;
    static constexpr int kFooterHeight = 6;

    // Profile panels and the fly-out sub-panels. Buttons are stacked from the
    // top: the first 53 high, the others 48 (41 on the pages of today's
    // formats, which hold eight), the last filling the rest (on the two-page
    // panels the rest above the page strip).
    static constexpr int kPanelWidth = 310;
    static constexpr int kSubPanelWidth = 311;
    static constexpr int kPanelHeight = 358;
    static constexpr int kFirstButtonHeight = 53;
    static constexpr int kButtonHeight = 48;

    // The page strip at the bottom of the two-page panels: a caption picture
    // and, at the right end, the clickable page switch.
    static constexpr int kPageStripHeight = 17;
    static constexpr int kPageCaptionWidth = 240;
    static constexpr int kPageSwitchWidth = 71;

    // The category icon im_mainico and the Panel1 that holds it.
    static constexpr int kIconSize = 24;

    struct Category {
        int number;        // 1..14, top to bottom
        const char* image; // object name of its image in pl_main
        const char* stem;  // picture file stem: images/main/<state>/<stem>.bmp
        const char* label; // what its picture reads
    };

    struct Panel {
        const char* name;
        int category;
        int firstButton;
        int lastButton;
        bool pageStrip; // two-page panels end in a page strip
        int opener;     // fly-out sub-panels: the button on pl_video1 that opens it; else 0
        int buttonHeight = kButtonHeight; // every button but the first and the last
    };

    // The page-strip pictures, by object name, and the footer.
    struct StaticPicture {
        const char* name;  // object name
        const char* panel; // pl_main or the two-page panel that holds it
        const char* file;  // relative picture file
        bool pageSwitch;   // clickable: turns the page
    };

    enum class ButtonKind {
        Inert,     // answers to nothing
        Plain,     // 8-12, 15-97, 99, 100, 133-148
        FirstPage, // 1, 6, 7: the non-opener buttons of pl_video1
        Opener,    // 2-5: open a fly-out sub-panel
        SubPanel,  // the buttons of the fly-out sub-panels
    };

    static const std::vector<Category>& categories();
    // 1..14; asserts on other numbers.
    static const Category& category(int number);
    // All twenty-one profile panels: the category panels in category order
    // (pl_video1, pl_video2, pl_audio1, pl_audio2, pl_ipod, ... pl_animation),
    // the fly-outs pl_avi, pl_mpeg, pl_mp4, pl_mkv, then the two pages of
    // today's formats, pl_today1 and pl_today2.
    static const std::vector<Panel>& panels();
    // The panel that holds button n, or null outside 1..148.
    static const Panel* panelOfButton(int n);
    static const std::vector<StaticPicture>& staticPictures();

    // Design geometry, in the coordinates of the control's parent.
    static QRect categoryRect(int number);
    static QRect footerRect();
    static int panelWidth(const Panel& panel);
    // Button n inside its panel; a null rectangle outside 1..148.
    static QRect buttonRect(int n);
    static QRect staticPictureRect(const StaticPicture& picture);

    static ButtonKind kind(int n);
    static bool answersHover(int n);
    // Openers only open, 109 and 124 are blank ends of their fly-outs, and
    // the blank ends of the other panels (26, 33, 40, ...) have no profile of
    // their own to select: none of them answers to a click.
    static bool answersClick(int n);
    // For a fly-out button up to 131: its opener (2..5); 0 for every other number.
    static int openerOf(int n);
    // For an opener (2..5): the first button of its fly-out; 0 otherwise.
    static int firstButtonOfSubPanel(int opener);
    // What an opener's picture reads ("AVI", "MPEG", "MP4", "MKV"); empty
    // for other numbers.
    static QString openerLabel(int n);

    // Picture files, relative to the executable's folder, with "/".
    static QString categoryPicture(int number, bool highlighted);
    static QString buttonPicture(int n, bool highlighted);
    static QString categoryIconPicture(int number);
};

} // namespace transcast
