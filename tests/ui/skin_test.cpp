#include <QAbstractButton>
#include <QIcon>
#include <QAbstractSlider>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "ui/hints.h"
#include "ui/skin/skin.h"

using transcast::Hints;
using transcast::Skin;

namespace
{

const QString kBinDir = QStringLiteral(TRANSCAST_BIN_DIR);

const QStringList kObjectNames = {
    "profiles",   "profilestext", "openfiles",  "chapter",       "ifoopen",       "dvdopen",
    "openfolder", "converter",    "remove",     "clear",         "stopconverter", "browse",
    "open",       "help",         "file",       "dvdfile",       "play",          "stopplay",
    "pause",      "settings",     "cutter",     "play_bar",      "play_time",     "hint",
    "audio",      "subtitle",     "video_size", "video_quality", "audio_quality", "channels",
};
const QStringList kFileModeOnly = {"openfiles", "openfolder", "file"};
const QStringList kDvdModeOnly = {"dvdopen", "ifoopen", "chapter", "cutter",
                                  "dvdfile", "audio",   "subtitle"};

// The real skin from the program's folder, attached to a shown host.
class SkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.load(kBinDir + "/skn.skn")) << m_skin.errorString().toStdString();
        m_skin.attach(&m_host);
        m_host.resize(m_skin.form()->minimumSize());
    }

    void showIn(bool fileMode, bool branded = false)
    {
        m_skin.applyLayout(fileMode, branded);
        m_host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_host));
    }

    QPoint centreOf(const QString& name) const
    {
        QWidget* object = m_skin.object(name);
        return object->rect().center();
    }

    // Input through the window, as the platform delivers it: the widget under
    // the pointer receives it, so what lets the mouse through is honoured.
    QPoint inWindow(const QString& name) const
    {
        QWidget* object = m_skin.object(name);
        return object->mapTo(&m_host, object->rect().center());
    }
    void clickAt(const QPoint& pos)
    {
        QTest::mouseClick(m_host.windowHandle(), Qt::LeftButton, {}, pos);
    }

    QWidget m_host;
    Skin m_skin;
};

TEST_F(SkinTest, FindsEveryObjectByExactName)
{
    for (const QString& name : kObjectNames)
        EXPECT_NE(m_skin.object(name), nullptr) << name.toStdString();
    EXPECT_EQ(m_skin.object("Profiles"), nullptr);
    EXPECT_EQ(m_skin.object("no_such_object"), nullptr);
    EXPECT_EQ(m_skin.object(QString()), nullptr);
    // The form is the surface, not one of its objects.
    EXPECT_EQ(m_skin.object(Skin::FormName), nullptr);
    EXPECT_EQ(m_skin.form()->objectName(), Skin::FormName);

    for (const char* name : {"profilestext", "play_time", "hint"})
        EXPECT_NE(m_skin.label(name), nullptr) << name;
    ASSERT_NE(m_skin.bar("play_bar"), nullptr);
    EXPECT_EQ(m_skin.bar("play_bar")->minimum(), 0);
    EXPECT_EQ(m_skin.bar("play_bar")->maximum(), Skin::BarMaximum);
    for (const char* name : {"openfiles", "converter", "help", "file", "dvdfile", "profiles"})
        EXPECT_NE(qobject_cast<QAbstractButton*>(m_skin.object(name)), nullptr) << name;
}

TEST_F(SkinTest, EveryHintedNameIsAnObjectOfTheSkin)
{
    // A hint that no object can show would be dead text.
    for (const QString& name : m_skin.objectNames()) {
        if (!name.startsWith("deco_")) {
            EXPECT_TRUE(kObjectNames.contains(name)) << "unexpected object " << name.toStdString();
        }
    }
    int hinted = 0;
    for (const QString& name : kObjectNames)
        hinted += Hints::hintIndex(name) != Hints::Welcome;
    EXPECT_EQ(hinted, 25);
}

TEST_F(SkinTest, AttachHandsTheFormAndItsLookToTheHost)
{
    EXPECT_EQ(m_skin.form()->parentWidget(), &m_host);
    EXPECT_TRUE(m_skin.form()->styleSheet().isEmpty());
    EXPECT_TRUE(m_host.styleSheet().contains("#deco_header"));
    showIn(true);
    m_host.resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_skin.form()->geometry(), m_host.rect());
}

TEST_F(SkinTest, ShowsOnlyTheObjectsOfTheMode)
{
    showIn(true);
    for (const QString& name : kFileModeOnly)
        EXPECT_TRUE(m_skin.object(name)->isVisible()) << name.toStdString();
    for (const QString& name : kDvdModeOnly)
        EXPECT_FALSE(m_skin.object(name)->isVisible()) << name.toStdString();
    EXPECT_TRUE(m_skin.object("converter")->isVisible());

    m_skin.applyLayout(false, false);
    for (const QString& name : kFileModeOnly)
        EXPECT_FALSE(m_skin.object(name)->isVisible()) << name.toStdString();
    for (const QString& name : kDvdModeOnly)
        EXPECT_TRUE(m_skin.object(name)->isVisible()) << name.toStdString();
    EXPECT_TRUE(m_skin.object("remove")->isVisible());
}

TEST_F(SkinTest, CaptionsFollowTheDirectionChooserOfEachLayout)
{
    // cb_channel stands above the quality boxes in file mode, below in DVD
    // mode; its caption must go with it.
    for (const bool branded : {false, true}) {
        m_skin.applyLayout(true, branded);
        EXPECT_LT(m_skin.object("channels")->y(), m_skin.object("video_size")->y());
        m_skin.applyLayout(false, branded);
        EXPECT_GT(m_skin.object("channels")->y(), m_skin.object("audio_quality")->y());
    }
    // Switching back restores the design places.
    m_skin.applyLayout(true, false);
    EXPECT_EQ(m_skin.object("channels")->geometry().topLeft(), QPoint(576, 111));
    EXPECT_EQ(m_skin.form()->property("branded").toBool(), false);
    m_skin.applyLayout(true, true);
    EXPECT_EQ(m_skin.form()->property("branded").toBool(), true);
    EXPECT_EQ(m_skin.object("channels")->geometry().topLeft(), QPoint(554, 105));
}

TEST_F(SkinTest, ClickPressAndReleaseCarryTheObjectName)
{
    showIn(true);
    QSignalSpy clicks(&m_skin, &Skin::clicked);
    QSignalSpy presses(&m_skin, &Skin::pressed);
    QSignalSpy releases(&m_skin, &Skin::released);

    clickAt(inWindow("converter"));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toString(), "converter");
    ASSERT_EQ(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(0).toString(), "converter");
    ASSERT_EQ(releases.count(), 1);
    EXPECT_EQ(releases.at(0).at(0).toString(), "converter");

    // The profile text lies on the chooser and lets its clicks through.
    clickAt(inWindow("profilestext"));
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(1).at(0).toString(), "profiles");

    // A caption is no button, yet reports its click once.
    clickAt(inWindow("video_size"));
    ASSERT_EQ(clicks.count(), 3);
    EXPECT_EQ(clicks.at(2).at(0).toString(), "video_size");
    EXPECT_EQ(presses.count(), 3);
    EXPECT_EQ(releases.count(), 3);

    // The bare background has no name; the press still arrives, which is
    // what closes the profile picker.
    clickAt(QPoint(300, 500));
    EXPECT_EQ(presses.last().at(0).toString(), QString());
    EXPECT_EQ(clicks.count(), 4);
}

TEST_F(SkinTest, MovesReportTheObjectUnderThePointer)
{
    showIn(false);
    QSignalSpy moves(&m_skin, &Skin::moved);
    QTest::mouseMove(m_skin.object("video_size"), centreOf("video_size"));
    QTest::mouseMove(m_skin.object("audio"), centreOf("audio"));
    QTest::mouseMove(m_skin.form(), QPoint(300, 500));
    QTest::mouseMove(m_skin.object("play_bar"), centreOf("play_bar"));
    QStringList names;
    for (const auto& arguments : moves)
        names << arguments.at(0).toString();
    EXPECT_EQ(names, QStringList({"video_size", "audio", QString(), "play_bar"}));
}

TEST_F(SkinTest, MovesDriveTheHintLine)
{
    // The wiring the main window uses: every move sets the hint.
    showIn(true);
    QObject::connect(&m_skin, &Skin::moved, &m_skin, [this](const QString& name) {
        m_skin.setText("hint", Hints::hintFor(name, "Sample"));
    });
    QTest::mouseMove(m_skin.object("video_size"), centreOf("video_size"));
    EXPECT_EQ(m_skin.text("hint"),
              "Click the video size combobox to change the width and height of the video output.");
    QTest::mouseMove(m_skin.form(), QPoint(300, 500));
    EXPECT_EQ(m_skin.text("hint"), "Welcome to use Sample.");
}

TEST_F(SkinTest, TextAndBarAccess)
{
    EXPECT_TRUE(m_skin.setText("play_time", "00:01:05"));
    EXPECT_EQ(m_skin.text("play_time"), "00:01:05");
    EXPECT_TRUE(m_skin.setText("profilestext", "iPod Video"));
    EXPECT_EQ(m_skin.text("profilestext"), "iPod Video");
    EXPECT_FALSE(m_skin.setText("converter", "x"));
    EXPECT_FALSE(m_skin.setText("no_such_object", "x"));
    EXPECT_EQ(m_skin.text("no_such_object"), QString());

    EXPECT_TRUE(m_skin.setBarPosition("play_bar", 2500));
    EXPECT_EQ(m_skin.barPosition("play_bar"), 2500);
    m_skin.setBarPosition("play_bar", 12000);
    EXPECT_EQ(m_skin.barPosition("play_bar"), Skin::BarMaximum);
    m_skin.setBarPosition("play_bar", -3);
    EXPECT_EQ(m_skin.barPosition("play_bar"), 0);
    EXPECT_FALSE(m_skin.setBarPosition("hint", 10));
    EXPECT_EQ(m_skin.barPosition("no_such_object"), -1);
}

TEST_F(SkinTest, PressOnTheBarSeeksWhereThePointerIs)
{
    showIn(true);
    QSignalSpy presses(&m_skin, &Skin::pressed);
    QSignalSpy releases(&m_skin, &Skin::released);
    QWidget* bar = m_skin.object("play_bar");
    const QPoint quarter(bar->width() / 4, bar->height() / 2);
    int atRelease = -1;
    QObject::connect(&m_skin, &Skin::released, &m_skin,
                     [&](const QString&) { atRelease = m_skin.barPosition("play_bar"); });
    QTest::mousePress(m_host.windowHandle(), Qt::LeftButton, {}, bar->mapTo(&m_host, quarter));
    ASSERT_EQ(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(0).toString(), "play_bar");
    QTest::mouseRelease(m_host.windowHandle(), Qt::LeftButton, {}, bar->mapTo(&m_host, quarter));
    ASSERT_EQ(releases.count(), 1);
    EXPECT_EQ(releases.at(0).at(0).toString(), "play_bar");
    // The release reads the position the press put the handle at.
    EXPECT_NEAR(atRelease, 2500, 600);
}

TEST(SkinAttach, AMainWindowTakesTheFormAsItsClientArea)
{
    QMainWindow window;
    Skin skin;
    ASSERT_TRUE(skin.load(kBinDir + "/skn.skn"));
    skin.attach(&window);
    EXPECT_EQ(window.centralWidget(), skin.form());
    EXPECT_TRUE(window.styleSheet().contains("#deco_header"));
}

// The band's colour as painted: blue in the standard look, plum in the
// branded one (the sheet selects on the form's "branded" property).
bool bandIsPlum(Skin& skin)
{
    QWidget* band = skin.form()->findChild<QWidget*>("deco_header");
    const QColor colour = band->grab().toImage().pixelColor(band->width() / 2, 4);
    return colour.red() > colour.green();
}

TEST(SkinLook, FollowsTheLayoutChosenBeforeAndAfterTheFirstShow)
{
    QWidget host;
    Skin skin;
    ASSERT_TRUE(skin.load(kBinDir + "/skn.skn"));
    skin.setStyleProperties(true, true);
    skin.attach(&host);
    host.resize(skin.form()->minimumSize());
    skin.applyLayout(true, true);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_TRUE(bandIsPlum(skin));
    skin.applyLayout(true, false);
    EXPECT_FALSE(bandIsPlum(skin));
    skin.applyLayout(false, true);
    EXPECT_TRUE(bandIsPlum(skin));
}

// The share of a picture's pixels that are not transparent.
double coverage(const QImage& image)
{
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 0;
    return image.isNull() ? 0.0 : double(covered) / (image.width() * image.height());
}

TEST(SkinLoad, TheSheetAndTheIconsAreTakenOutOfTheFileAndTheRestStaysIntact)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile square(dir.filePath("square.svg"));
    ASSERT_TRUE(square.open(QIODevice::WriteOnly));
    square.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10">)"
                 R"(<rect x="0" y="0" width="10" height="10" fill="#c00000"/></svg>)");
    square.close();
    ASSERT_TRUE(QFile::copy(square.fileName(), dir.filePath("other.svg")));
    QFile skinFile(dir.filePath("skn.skn"));
    ASSERT_TRUE(skinFile.open(QIODevice::WriteOnly));
    // Characters beyond ASCII before and in the sheet; properties on both
    // sides of it; an icon of one file, one of two files (the loader's),
    // and a button's sheet that stays its own.
    skinFile.write(u8R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>popvidmorph</class><!-- Übersicht -->
<widget class="QWidget" name="popvidmorph">
 <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>200</height></rect></property>
 <property name="styleSheet"><string notr="true">/* größer, 大 */ QPushButton#converter { color: red; } a &gt; b {}</string></property>
 <property name="windowTitle"><string>Fünf</string></property>
 <widget class="QPushButton" name="converter">
  <property name="styleSheet"><string>font-weight: bold;</string></property>
  <property name="icon"><iconset><normaloff>square.svg</normaloff><normalon>square.svg</normalon></iconset></property>
 </widget>
 <widget class="QToolButton" name="play">
  <property name="icon"><iconset><normaloff>square.svg</normaloff><normalon>other.svg</normalon></iconset></property>
  <property name="text"><string>Play</string></property>
 </widget>
</widget>
</ui>)");
    skinFile.close();
    QWidget host;
    Skin skin;
    ASSERT_TRUE(skin.load(skinFile.fileName())) << skin.errorString().toStdString();
    EXPECT_EQ(skin.form()->windowTitle(), QString::fromUtf8(u8"Fünf"));
    EXPECT_EQ(skin.form()->size(), QSize(300, 200));
    auto* converter = qobject_cast<QAbstractButton*>(skin.object("converter"));
    EXPECT_EQ(converter->styleSheet(), "font-weight: bold;");
    auto* play = qobject_cast<QAbstractButton*>(skin.object("play"));
    EXPECT_EQ(play->text(), "Play");
    skin.attach(&host);
    EXPECT_TRUE(skin.form()->styleSheet().isEmpty());
    EXPECT_EQ(
        host.styleSheet(),
        QString::fromUtf8(u8"/* größer, 大 */ QPushButton#converter { color: red; } a > b {}"));

    // Both icons draw the file's left half, red, and keep its shape.
    for (QAbstractButton* button : {converter, play}) {
        const QImage normal = button->icon().pixmap(QSize(40, 40)).toImage();
        EXPECT_EQ(normal.size(), QSize(40, 20)) << button->objectName().toStdString();
        EXPECT_NEAR(coverage(normal), 0.5, 0.05);
        EXPECT_EQ(QColor(normal.pixel(5, 10)), QColor(0xc0, 0, 0));
    }
    // Disabled, it is the style's faded drawing of it.
    const QImage disabled = converter->icon().pixmap(QSize(40, 40), QIcon::Disabled).toImage();
    EXPECT_NE(QColor(disabled.pixel(5, 10)), QColor(0xc0, 0, 0));
    EXPECT_NEAR(coverage(disabled), 0.5, 0.05);
}

TEST(SkinLoad, RefusesFilesThatAreNoSkin)
{
    Skin skin;
    EXPECT_FALSE(skin.load("/nonexistent/skn.skn"));
    EXPECT_TRUE(skin.errorString().contains("skn.skn"));
    EXPECT_EQ(skin.form(), nullptr);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile wrongForm(dir.filePath("wrong.skn"));
    ASSERT_TRUE(wrongForm.open(QIODevice::WriteOnly));
    wrongForm.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>other</class>
<widget class="QWidget" name="other"><widget class="QPushButton" name="converter"/></widget>
</ui>)");
    wrongForm.close();
    EXPECT_FALSE(skin.load(wrongForm.fileName()));
    EXPECT_TRUE(skin.errorString().contains("popvidmorph"));

    // A failed load keeps the skin in force.
    ASSERT_TRUE(skin.load(kBinDir + "/skn.skn"));
    QWidget* form = skin.form();
    EXPECT_FALSE(skin.load(wrongForm.fileName()));
    EXPECT_EQ(skin.form(), form);
    EXPECT_NE(skin.object("converter"), nullptr);
}

TEST(SkinPictures, EveryPictureTheSkinNamesIsBesideItAndLoads)
{
    QFile file(kBinDir + "/skn.skn");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QStringList names;
    static const QRegularExpression designerPicture(QStringLiteral(">skin/([^<]+)<"));
    static const QRegularExpression stylePicture(QStringLiteral("url\\(skin:([^)]+)\\)"));
    for (const auto& pattern : {designerPicture, stylePicture}) {
        for (const auto& match : pattern.globalMatch(text)) {
            if (!names.contains(match.captured(1)))
                names << match.captured(1);
        }
    }
    EXPECT_GT(names.size(), 15);
    for (const QString& name : names) {
        const QString path = kBinDir + "/skin/" + name;
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_FALSE(QImage(path).isNull()) << "cannot load " << path.toStdString();
    }

    // The labels' pictures are drawn as the toolkit's image reader draws
    // their files.
    Skin skin;
    ASSERT_TRUE(skin.load(kBinDir + "/skn.skn"));
    static const QRegularExpression labelPicture(
        QStringLiteral("name=\"([^\"]+)\">\\s*(?:<property[^\\n]*\\n\\s*)*?"
                       "<property name=\"pixmap\"><pixmap>(skin/[^<]+)<"));
    int compared = 0;
    for (const auto& match : labelPicture.globalMatch(text)) {
        auto* label = skin.form()->findChild<QLabel*>(match.captured(1));
        ASSERT_NE(label, nullptr) << match.captured(1).toStdString();
        const QImage expected = QImage(kBinDir + "/" + match.captured(2))
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  expected)
            << match.captured(1).toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 5);
}

} // namespace
