#pragma once

#include <memory>

#include <QStringList>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "common/busystate.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/preferences.h"
#include "profiles/pickerstate.h"
#include "ui/navigation/navigation.h"
#include "ui/navigation/navigationlayout.h"
#include "ui/navigation/navigationpanel.h"
#include "ui/navigation/picturelabel.h"

namespace transcast::test
{

// Records what the picker tells the user; answers nothing else.
class RecordingInteraction : public Interaction
{
public:
    void warn(const QString& text) override { warnings << text; }
    void inform(const QString& text) override { informs << text; }
    void error(const QString& text) override { errors << text; }
    bool confirm(const QString&, QuestionKind, DefaultAnswer) override { return false; }
    QStringList chooseFiles(const QString&, bool) override { return {}; }
    QString chooseFolder(const QString&) override { return {}; }

    QStringList warnings;
    QStringList informs;
    QStringList errors;
};

// A real picker on a shown host window (offscreen), with the pictures the
// build generated unless a test points the edition elsewhere.
class NavigationFixture : public ::testing::Test
{
protected:
    void start(const QString& exeFileName = QStringLiteral("transcast"),
               const QString& folder = QStringLiteral(TRANSCAST_BIN_DIR))
    {
        nav = nullptr;
        host = std::make_unique<QWidget>();
        host->resize(760, 530);
        play = new QWidget(host.get());
        play->setObjectName(QStringLiteral("pl_play"));
        play->setGeometry(559, 294, 185, 150);
        edition = std::make_unique<Edition>(exeFileName, folder);
        nav = new Navigation(host.get(), *edition, state, preferences, busy, interaction, play);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }

    // The first-show steps the picker owns.
    bool firstShow(bool dvdMode = false, bool branded = false)
    {
        nav->applyLayout(dvdMode, branded);
        return nav->showInitialPictures();
    }

    // A pointer move without a pressed button, through the window, so that
    // it reaches whatever control lies on top at that point.
    void hover(QWidget* widget, QPoint at = QPoint())
    {
        QTest::mouseMove(widget, at.isNull() ? widget->rect().center() : at);
    }
    void hoverButton(int n) { hover(nav->button(n)); }
    void hoverCategory(int c) { hover(nav->categoryImage(c)); }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    QString file(const QString& relative) const { return edition->dataFile(relative); }
    bool lit(int n) const
    {
        return nav->button(n)->picturePath() == file(NavigationLayout::buttonPicture(n, true));
    }
    bool normal(int n) const
    {
        return nav->button(n)->picturePath() == file(NavigationLayout::buttonPicture(n, false));
    }
    bool categoryLit(int c) const
    {
        return nav->categoryImage(c)->picturePath() ==
               file(NavigationLayout::categoryPicture(c, true));
    }
    bool shown(const char* panel) const { return nav->isShown(QLatin1String(panel)); }
    // The names of the shown panels, pl_main first.
    QStringList shownPanels() const
    {
        QStringList names;
        const QStringList all = QStringList{QStringLiteral("pl_main")} + nav->profilePanelNames();
        for (const QString& name : all) {
            if (nav->isShown(name))
                names << name;
        }
        return names;
    }
    NavigationPanel* panel(const char* name) const { return nav->panel(QLatin1String(name)); }

    // The picker's highlight and pages, and what it reads.
    PickerState state;
    Preferences preferences;
    BusyState busy;
    RecordingInteraction interaction;
    std::unique_ptr<Edition> edition;
    std::unique_ptr<QWidget> host;
    QWidget* play = nullptr;
    Navigation* nav = nullptr;
};

} // namespace transcast::test
