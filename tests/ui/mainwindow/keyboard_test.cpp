#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include "profiles/profilecatalogue.h"
#include "ui/joblistmodel.h"
#include "ui/keyboardshortcuts.h"
#include "ui/navigation/navigation.h"
#include "ui/navigation/navigationlayout.h"
#include "ui/navigation/picturelabel.h"
#include "ui/settingsdialog.h"
#include "ui/skin/skin.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

class Keyboard : public WindowFixture
{
protected:
    void press(const QKeySequence& keys)
    {
        // A dialog or menu that just closed may have left no window active.
        if (!window->isActiveWindow()) {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keySequence(target, keys);
    }
    void press(const char* keys) { press(QKeySequence(QLatin1String(keys))); }
};

} // namespace

TEST_F(Keyboard, ShortcutsRunTheClickDispatchGuardsIncluded)
{
    openActive();
    // Idle: the keys open what the buttons open.
    press("Ctrl+O");
    EXPECT_EQ(interaction.fileFilters.size(), 1);
    press("Ctrl+Shift+O");
    EXPECT_EQ(interaction.folderCaptions, QStringList({"File Directory"}));

    // Playing: the same refusals as the clicks, in the same order.
    window->controller().busy().setPlaying(true);
    press("Del");
    press("Ctrl+Shift+Del");
    press("Ctrl+Return");
    EXPECT_EQ(interaction.warnings, QStringList(3, QStringLiteral("Please first stop play!")));

    window->controller().busy().setPlaying(false);
    window->controller().busy().setConverting(true);
    interaction.warnings.clear();
    press("Ctrl+O");
    press("Ctrl+Shift+O");
    press("Ctrl+P");
    EXPECT_EQ(interaction.warnings, QStringList(3, QStringLiteral("Please first stop convert!")));
    EXPECT_EQ(interaction.fileFilters.size(), 1);

    // Quitting goes through the close query.
    press("Ctrl+Q");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(interaction.informations, QStringList({"Please first stop converting!"}));

    // Escape stops the batch; idle it does nothing.
    press("Esc");
    EXPECT_FALSE(window->controller().busy().isConverting());
    press("Esc");
    EXPECT_TRUE(interaction.warnings.size() == 3 && interaction.informations.size() == 1);
}

TEST_F(Keyboard, TheSettingsHelpAndMenusAnswerTheirKeys)
{
    openActive();
    bool settingsShown = false;
    QTimer::singleShot(50, [&] {
        settingsShown = window->settingsDialog()->isVisible();
        window->settingsDialog()->reject();
    });
    press("Ctrl+,");
    EXPECT_TRUE(settingsShown);

    press("F1");
    ASSERT_EQ(shell.openedUrls.size(), 1);
    EXPECT_TRUE(shell.openedUrls.first().endsWith(QStringLiteral("index.html")))
        << shell.openedUrls.first().toStdString();

    press("Alt+F");
    EXPECT_TRUE(window->fileMenu()->isVisible());
    window->fileMenu()->close();
    press("Alt+H");
    EXPECT_TRUE(window->helpMenu()->isVisible());
    window->helpMenu()->close();

    // Escape closes an open profile picker before anything else.
    window->dispatch(QStringLiteral("profiles"));
    ASSERT_TRUE(window->navigation().isShown(QStringLiteral("pl_main")));
    window->controller().busy().setConverting(true);
    press("Esc");
    EXPECT_FALSE(window->navigation().isShown(QStringLiteral("pl_main")));
    EXPECT_TRUE(window->controller().busy().isConverting());
}

TEST_F(Keyboard, F1WithNothingToShowTheHelpSaysWhereItsFileIs)
{
    // The desktop's own port, on a desktop with no program that opens a
    // page: none on the path, none named.
    const QByteArray path = qgetenv("PATH");
    const QByteArray browser = qgetenv("BROWSER");
    const QTemporaryDir nothing;
    qputenv("PATH", nothing.path().toLocal8Bit());
    qunsetenv("BROWSER");
    window = std::make_unique<transcast::MainWindow>(
        transcast::Edition(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR)),
        &interaction, nullptr);
    window->setSettingsFolder(configDir.path());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    press("F1");
    window->helpMenu()->actions().at(1)->trigger(); // "Support"
    qputenv("PATH", path);
    if (!browser.isNull())
        qputenv("BROWSER", browser);

    const QString page =
        QFileInfo(QStringLiteral(TRANSCAST_BIN_DIR "/help/index.html")).absoluteFilePath();
    ASSERT_TRUE(QFileInfo::exists(page));
    ASSERT_EQ(interaction.informations.size(), 2);
    for (const QString& text : interaction.informations) {
        EXPECT_TRUE(text.contains(QStringLiteral("could not be opened"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1Char('\n') + page + QLatin1Char('\n')))
            << text.toStdString();
    }
}

TEST_F(Keyboard, MenusShowTheKeysAndMnemonics)
{
    open();
    QMap<QString, QString> shown;
    for (QMenu* menu : {window->fileMenu(), window->helpMenu()}) {
        for (QAction* action : menu->actions())
            shown.insert(action->text(), action->shortcut().toString(QKeySequence::PortableText));
    }
    EXPECT_EQ(shown.value("&Add Files"), "Ctrl+O");
    EXPECT_EQ(shown.value("Add F&older"), "Ctrl+Shift+O");
    EXPECT_EQ(shown.value("&Remove"), "Del");
    EXPECT_EQ(shown.value("C&lear"), "Ctrl+Shift+Del");
    EXPECT_EQ(shown.value("&Convert"), "Ctrl+Return");
    EXPECT_EQ(shown.value("E&xit"), "Ctrl+Q");
    EXPECT_EQ(shown.value("&Help"), "F1");
    // Every item of every menu has a mnemonic, none used twice in a menu.
    for (QMenu* menu : {window->fileMenu(), window->dvdMenu(), window->helpMenu()}) {
        QSet<QChar> letters;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(amp, 0) << action->text().toStdString();
            const QChar letter = action->text().at(amp + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
            letters.insert(letter);
        }
    }
    // The file menu's keys belong to the DVD menu in the DVD edition.
    open(QStringLiteral("transcast-dvd"));
    EXPECT_TRUE(window->fileMenu()->actions().first()->shortcut().isEmpty());
    EXPECT_EQ(window->dvdMenu()->actions().first()->shortcut(), QKeySequence("Ctrl+O"));
}

TEST_F(Keyboard, DvdEditionKeysReachTheDiscActionsWithTheirGuards)
{
    openActive(QStringLiteral("transcast-dvd"));
    window->controller().busy().setConverting(true);
    window->controller().busy().setPlaying(true);
    press("Ctrl+O");
    press("Ctrl+Shift+O");
    // Reading a disc tests converting first.
    EXPECT_EQ(interaction.warnings, QStringList(2, QStringLiteral("Please first stop convert!")));
}

TEST_F(Keyboard, TabReachesEveryControlInReadingOrderAndShowsWhereItIs)
{
    struct Case {
        const char* edition;
        QStringList order;
    };
    // The preview's bar stands above its buttons.
    const QStringList preview{"play_bar", "play", "pause", "stopplay"};
    const QStringList fileToolbar{"file",     "openfiles", "openfolder",   "help",
                                  "settings", "converter", "stopconverter"};
    const QStringList dvdToolbar{"dvdfile",  "dvdopen",   "ifoopen",      "help",
                                 "settings", "converter", "stopconverter"};
    const Case cases[] = {
        // The profile and output row, then the list with the buttons under
        // it, then the column beside the list. An edition without a format
        // of its own has no direction to choose: its box is disabled and
        // Tab passes it by.
        {"transcast", fileToolbar +
                          QStringList{"profiles", "ed_output", "browse", "open", "lv", "remove",
                                      "clear", "cb_size", "cb_videobitrate", "cb_audiobitrate"} +
                          preview},
        {"transcast-mp4",
         fileToolbar +
             QStringList{"profiles", "ed_output", "browse", "open", "lv", "remove", "clear",
                         "cb_channel", "cb_size", "cb_videobitrate", "cb_audiobitrate"} +
             preview},
        // Before a disc is read the track boxes offer nothing: disabled too.
        // The output row lies under the list's buttons here.
        {"transcast-dvd-mp4", dvdToolbar +
                                  QStringList{"profiles", "lv", "chapter", "cutter", "remove",
                                              "clear", "ed_output", "browse", "open", "cb_size",
                                              "cb_videobitrate", "cb_audiobitrate", "cb_channel"} +
                                  preview},
        // The branded layouts put the list's buttons above it and the
        // profile and output rows below it.
        {"kavri-mp4",
         fileToolbar +
             QStringList{"remove", "clear", "lv", "profiles", "ed_output", "browse", "open",
                         "cb_channel", "cb_size", "cb_videobitrate", "cb_audiobitrate"} +
             preview},
        {"kavri-dvd-mp4", dvdToolbar +
                              QStringList{"chapter", "cutter", "remove", "clear", "lv", "profiles",
                                          "ed_output", "browse", "open", "cb_size",
                                          "cb_videobitrate", "cb_audiobitrate", "cb_channel"} +
                              preview},
    };
    for (const Case& c : cases) {
        openActive(QString::fromLatin1(c.edition));
        // The list takes part once it shows rows, and Tab leaves it rather
        // than walking its cells.
        for (const char* caption : {"one", "two"}) {
            transcast::JobRow row;
            row.caption = QLatin1String(caption);
            window->controller().jobs().appendRow(row);
        }
        window->controller().jobs().setVisible(true);
        window->jobList()->setCurrentIndex(window->jobListModel()->index(0, 0));
        QList<QWidget*> widgets;
        QList<QImage> unfocused;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (c.order.contains(widget->objectName()) && widget->isVisible()) {
                widgets << widget;
                unfocused << widget->grab().toImage();
            }
        }
        QWidget* first = window->findChild<QWidget*>(c.order.first());
        ASSERT_NE(first, nullptr);
        first->setFocus(Qt::TabFocusReason);
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < c.order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            walked << focused->objectName();
            // The focus shows, on the skin's own buttons too.
            const qsizetype at = widgets.indexOf(focused);
            if (at >= 0) {
                EXPECT_NE(focused->grab().toImage(), unfocused.at(at))
                    << c.edition << ": no focus to be seen on "
                    << focused->objectName().toStdString();
            }
        }
        EXPECT_EQ(walked.join(' ').toStdString(), c.order.join(' ').toStdString()) << c.edition;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), first) << c.edition;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.order.last()) << c.edition;
    }
}

TEST_F(Keyboard, ReturnPressesTheFocusedButtonAndTheArrowsMoveTheBar)
{
    openActive();
    QWidget* addFiles = window->skin().object(QStringLiteral("openfiles"));
    addFiles->setFocus(Qt::TabFocusReason);
    QTest::keyClick(addFiles, Qt::Key_Return);
    EXPECT_EQ(interaction.fileFilters.size(), 1);
    // A click leaves the focus where it was.
    window->outputFolderEdit()->setFocus();
    QTest::mouseClick(window->skin().object(QStringLiteral("stopconverter")), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), window->outputFolderEdit());

    QWidget* bar = window->skin().object(QStringLiteral("play_bar"));
    bar->setFocus(Qt::TabFocusReason);
    QStringList seen;
    QObject::connect(&window->skin(), &Skin::pressed,
                     [&](const QString& name) { seen << "press " + name; });
    QObject::connect(&window->skin(), &Skin::released,
                     [&](const QString& name) { seen << "release " + name; });
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(window->skin().barPosition(QStringLiteral("play_bar")), Skin::BarMaximum);
    // As a drag of the mouse does: the preview seeks where it is let go.
    EXPECT_EQ(seen, QStringList({"press play_bar", "release play_bar", "press play_bar",
                                 "release play_bar"}));
}

TEST_F(Keyboard, ThePickerWalkedByKeysNamesEachProfileAndChoosesOnReturn)
{
    openActive();
    window->outputFolderEdit()->setFocus();
    const int before = window->controller().profile().selectedProfile();
    const QString shownName = window->skin().text(QStringLiteral("profilestext"));
    press("Ctrl+P");
    ASSERT_TRUE(window->navigation().isShown(QStringLiteral("pl_main")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(hint(), ProfileCatalogue::displayName(before));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    EXPECT_EQ(hint(), QStringLiteral("HEVC / AV1 / Today"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    // Today's profiles say what they are for after their name.
    EXPECT_EQ(hint(), ProfileCatalogue::displayName(133) + QStringLiteral(": ") +
                          ProfileCatalogue::hint(133));
    // Highlighting chose nothing: the box, the icon and the rules still
    // have the profile of before.
    EXPECT_EQ(window->controller().profile().selectedProfile(), before);
    EXPECT_EQ(window->skin().text(QStringLiteral("profilestext")), shownName);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(window->controller().profile().selectedProfile(), 133);
    EXPECT_FALSE(window->navigation().isShown(QStringLiteral("pl_main")));
    EXPECT_EQ(QApplication::focusWidget(), window->outputFolderEdit());
    // The icon beside the box is the chosen profile's category.
    EXPECT_TRUE(window->navigation()
                    .picture(QStringLiteral("im_mainico"))
                    ->picturePath()
                    .endsWith(NavigationLayout::categoryIconPicture(14)));
}

TEST_F(Keyboard, DeleteInTheOutputBoxEditsTheText)
{
    openActive();
    window->controller().busy().setPlaying(true);
    window->outputFolderEdit()->setFocus();
    window->outputFolderEdit()->setText(QStringLiteral("/tmp/x"));
    window->outputFolderEdit()->setCursorPosition(0);
    press("Del");
    EXPECT_EQ(window->outputFolderEdit()->text(), QStringLiteral("tmp/x"));
    EXPECT_TRUE(interaction.warnings.isEmpty());
}
