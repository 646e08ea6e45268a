#pragma once

#include <array>
#include <functional>

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include "common/edition.h"
#include "ui/navigation/navigationlayout.h"

class QKeyEvent;
class QWidget;

namespace transcast
{

class BusyState;
class Preferences;
struct PickerState;
class Interaction;
class NavigationPanel;
class PictureLabel;

// The profile picker: the category column pl_main with its fourteen category
// images and footer, the twenty-one profile panels (the category panels, the
// four fly-outs pl_avi, pl_mpeg, pl_mp4, pl_mkv, and the two pages of today's
// formats) with the buttons btim_1..btim_148 and the page strips, and the category icon im_mainico
// on Panel1. All of them are children of the host widget, created at their design places (the
// file-mode layout), the panels hidden.
//
// Every picture change reads a bitmap beside the executable afresh. When a
// picture cannot be read, the user sees Interaction::error with the file and
// the reason, and the step that was loading stops right there: later steps of
// that handler do not run (a highlight number keeps its old value, the panel
// it would have shown stays hidden). The next hover tries again.
//
// The picker moves its highlight and pages in `picker` (the profile
// selector's, which the settings keep), and reads the direction from the
// preferences and the busy flags. Main thread only.
//
// The keyboard walks it as the mouse does, through the same hover steps:
// an opened picker takes the focus, Up and Down move between categories or
// between profiles (turning a two-page panel's page at its end), Right
// enters the category's panel or an opener's fly-out, Left goes back, Home
// and End go to the first and last, typing finds a profile by the start of
// its name, and Return (like a click) chooses the highlighted profile.
// Nothing is chosen before Return or a click. Closing gives the focus back.
class Navigation : public QObject
{
    Q_OBJECT

public:
    // `host`: the main window's client area; the picker's controls become
    // its children and are raised above the widgets it already has.
    // `play`: the preview panel pl_play, which the fly-out openers hide and
    // show again, and which a branded opening hides; may be null. A mouse
    // press on it closes the navigation.
    Navigation(QWidget* host, Edition edition, PickerState& picker, const Preferences& preferences,
               const BusyState& busy, Interaction& interaction, QWidget* play);

    // Where the current profile number (the core's selectedProfile) comes
    // from when im_mainico is clicked. Without one the number is 0, which
    // opens pl_main alone.
    void setCurrentProfileSource(std::function<int()> source);

    // First show, after applyLayout: loads the pictures the column and the
    // page strips carry (normal category pictures, footer, page strips), then
    // runs restoreButton(1..132), which gives every button its normal picture
    // and closes the fly-outs. False when a picture could not be read: the
    // error has been shown and the show handler must stop there.
    bool showInitialPictures();

    // The layout of the edition: places Panel1, pl_main and all nineteen
    // profile panels, and sets subPanelOffset (220; 180 when branded).
    //   file mode:          Panel1 62,64   pl_main 53,81   panels 206,81
    //   file mode, branded: Panel1 96,451  pl_main 88,90   panels 241,90
    //   DVD mode:           Panel1 62,64   pl_main 53,81   panels 206,81
    //   DVD mode, branded:  Panel1 96,429  pl_main 90,71   panels 243,71
    void applyLayout(bool dvdMode, bool branded);

    // The category icon of the current profile: images/main/<category>.bmp
    // into im_mainico for 1..14; any other number leaves it unchanged and
    // returns true. False when the picture could not be read (error shown).
    bool setCategoryIcon(int category);

    // Shows or hides pl_main and all nineteen profile panels at once. The
    // program only ever closes the navigation with it (false).
    void setNavigationVisible(bool visible);

    // Opens the navigation on profile p (the current profile number).
    // Refused with the warning "Please first stop convert!" while converting.
    // An edition whose name names a format may open only that format's panel
    // (with intoOwnFormat, or always for "mp3"/"audio" editions); otherwise the
    // column opens with p's category and panel (and fly-out) shown.
    void openNavigation(int p);

    // The hover logic's reset steps. restoreCategory(c): c's normal picture
    // and its panel(s) hidden (for 1..13), then every open fly-out closed.
    // restoreButton(n): the opener 2..5 closes its fly-out, then button n
    // (1..132) gets its normal picture. mapToOpener: a fly-out button number
    // in selectSubIndex becomes its opener's number. The first two return
    // false when a picture could not be read (error shown).
    bool restoreCategory(int category);
    bool restoreButton(int n);
    void mapToOpener();

    // A mouse press on `widget` closes the navigation first (the job list,
    // the output folder box; pl_play is registered by the constructor).
    void closeOnMousePress(QWidget* widget);
    // Brings the picker's controls above siblings created after it.
    void raise();

    int subPanelOffset() const { return m_subPanelOffset; }

    // For the main window and the tests: controls by their design names.
    // panel() knows "pl_main" and the nineteen profile panels; picture()
    // knows "Image3", "btim_next", "Image94", "btim_pre", "Image93",
    // "Image1", "Image2", "Image4", "Image5" and "im_mainico". Null for an
    // unknown name or number.
    NavigationPanel* panel(const QString& name) const;
    PictureLabel* button(int n) const;
    PictureLabel* categoryImage(int category) const;
    PictureLabel* picture(const QString& name) const;
    QWidget* iconPanel() const { return m_iconPanel; }
    // Whether the named panel is shown (not hidden), whatever the host's own
    // visibility.
    bool isShown(const QString& panelName) const;
    static QStringList profilePanelNames();

signals:
    // A click on a profile button that selects its profile, emitted after the
    // navigation has closed. The main window selects the profile.
    void profileClicked(int profile);
    // The highlight is on a category or a button, by the mouse or the keys:
    // what it reads (a profile's name, a category, an opener's format).
    void highlighted(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    bool load(PictureLabel* label, const QString& relativePath);
    bool highlightButton(int n);
    // The panel a category shows: for video and audio the page the flags say.
    NavigationPanel* categoryPanel(int category) const;
    NavigationPanel* flyOutOf(int opener) const;
    void placeFlyOut(NavigationPanel* flyOut);
    int singlePanelLeft() const;
    void showSinglePanel(NavigationPanel* panel, bool restyle);
    void restackButtons(NavigationPanel* panel, int shift);
    void restoreFullForm();
    bool openSingleFormat();
    void openFull(int p);
    bool forgetFlyOutHighlight();

    void hoverCategory(int category);
    void hoverButton(int n);
    void clickButton(int n);

    // The keyboard (see the class comment); true when the key was taken.
    bool keyPressed(QKeyEvent* key);
    void takeKeyboard();
    bool isPanel(const QObject* object) const;
    bool isPickerWidget(const QWidget* widget) const;
    bool isSingleForm() const;
    // The buttons the keys stop at on `panel`: those a click chooses, and
    // the openers.
    static QList<int> keyButtons(const NavigationPanel* panel);
    NavigationPanel* panelOfButton(int n) const;
    // Where the keys start: the current profile when its panel shows, else
    // the highlighted category (or the single panel's first button).
    void startKeys();
    void keyToCategory(int category);
    void keyToButton(int n);
    void keyStep(int direction);
    void keyToEnd(bool last);
    void keyRight();
    void keyLeft();
    void keyChoose();
    // False when the text holds nothing to search by.
    bool typeAhead(const QString& text);
    static QString searchable(const QString& text);
    // Brings button n into view as the mouse would reach it: its category,
    // its page, its opener, then the button.
    void reveal(int n);
    QString textOf(int n) const;
    // The page switches Image94 (to page 2) and Image93 (back); Image2 and
    // Image5 for audio.
    void turnVideoPage(bool toSecondPage);
    void turnAudioPage(bool toSecondPage);
    void turnTodayPage(bool toSecondPage);
    // The page turn of a two-page panel by its name's stem ("pl_video").
    bool turnPageOf(const QString& panelName, bool toSecondPage);

    QWidget* m_host;
    Edition m_edition;
    PickerState& m_picker;
    const Preferences& m_preferences;
    const BusyState& m_busy;
    Interaction& m_interaction;
    QWidget* m_play;
    std::function<int()> m_currentProfile;

    QWidget* m_iconPanel = nullptr;
    PictureLabel* m_icon = nullptr;
    NavigationPanel* m_main = nullptr;
    QHash<QString, NavigationPanel*> m_panels; // the nineteen profile panels
    QHash<QString, PictureLabel*> m_pictures;  // footer, page strips, im_mainico
    std::array<PictureLabel*, NavigationLayout::kCategoryCount + 1> m_categories{};
    std::array<PictureLabel*, NavigationLayout::kButtonCount + 1> m_buttons{};

    int m_subPanelOffset = 220;
    QPoint m_panelPlace{206, 81};

    enum class KeyPlace { None, Column, Panel };
    KeyPlace m_keyPlace = KeyPlace::None;
    QPointer<QWidget> m_focusBefore;
    QString m_typed;
    QElapsedTimer m_typedClock;
};

} // namespace transcast
