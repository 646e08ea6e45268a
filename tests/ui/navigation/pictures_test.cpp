#include <filesystem>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include "navigationfixture.h"

namespace transcast::test
{
namespace
{

using Layout = NavigationLayout;

class PicturesTest : public NavigationFixture
{
};

TEST_F(PicturesTest, FirstShowGivesEveryButtonItsNormalPictureAndClosesFlyOuts)
{
    start();
    nav->applyLayout(false, false);
    nav->openNavigation(118);
    hoverButton(4);
    hoverButton(120);
    ASSERT_TRUE(shown("pl_mp4"));

    ASSERT_TRUE(nav->showInitialPictures());
    for (int n = 1; n <= Layout::kButtonCount; ++n)
        EXPECT_TRUE(normal(n)) << "btim_" << n;
    for (const char* flyOut : {"pl_avi", "pl_mpeg", "pl_mp4", "pl_mkv"})
        EXPECT_FALSE(shown(flyOut)) << flyOut;
    for (int c = 1; c <= Layout::kCategoryCount; ++c)
        EXPECT_FALSE(nav->categoryImage(c)->picturePath().isEmpty());
    EXPECT_TRUE(interaction.errors.isEmpty());
}

// The generated pictures are what the picker's controls expect: one for
// every name the picker loads, each the size of its control, and a visibly
// different highlight wherever a button can be chosen.
TEST_F(PicturesTest, GeneratedPicturesFitTheirControls)
{
    const Edition bin(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR));
    const auto image = [&](const QString& relative) { return QImage(bin.dataFile(relative)); };
    for (int n = 1; n <= Layout::kButtonCount; ++n) {
        const QImage general = image(Layout::buttonPicture(n, false));
        const QImage move = image(Layout::buttonPicture(n, true));
        ASSERT_FALSE(general.isNull()) << n;
        ASSERT_FALSE(move.isNull()) << n;
        EXPECT_EQ(general.size(), Layout::buttonRect(n).size()) << n;
        EXPECT_EQ(move.size(), general.size()) << n;
        if (Layout::answersClick(n) || Layout::kind(n) == Layout::ButtonKind::Opener) {
            EXPECT_NE(general, move) << n;
        }
    }
    for (int c = 1; c <= Layout::kCategoryCount; ++c) {
        const QImage general = image(Layout::categoryPicture(c, false));
        EXPECT_EQ(general.size(), Layout::categoryRect(c).size()) << c;
        EXPECT_NE(general, image(Layout::categoryPicture(c, true))) << c;
    }
    for (int c = 1; c <= Layout::kCategoryIconCount; ++c)
        EXPECT_EQ(image(Layout::categoryIconPicture(c)).size(),
                  QSize(Layout::kIconSize, Layout::kIconSize))
            << c;
    for (const Layout::StaticPicture& picture : Layout::staticPictures())
        EXPECT_EQ(image(QLatin1String(picture.file)).size(),
                  Layout::staticPictureRect(picture).size())
            << picture.name;
}

class MissingPictureTest : public NavigationFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        std::filesystem::copy(TRANSCAST_BIN_DIR "/images", folder.filePath("images").toStdString(),
                              std::filesystem::copy_options::recursive);
        start(QStringLiteral("transcast"), folder.path());
    }

    QString copy(const QString& relative) const { return folder.filePath(relative); }

    QTemporaryDir folder;
};

TEST_F(MissingPictureTest, FirstShowStopsAtTheMissingButtonPicture)
{
    const QString missing = copy(Layout::buttonPicture(57, false));
    ASSERT_TRUE(QFile::remove(missing));
    EXPECT_FALSE(firstShow());
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_EQ(interaction.errors.first(),
              QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    EXPECT_TRUE(normal(56));
    EXPECT_TRUE(nav->button(57)->picturePath().isEmpty());
    EXPECT_TRUE(nav->button(58)->picturePath().isEmpty());
}

TEST_F(MissingPictureTest, HoverStopsAtTheFailedLoadAndTheNextHoverTriesAgain)
{
    ASSERT_TRUE(firstShow());
    nav->openNavigation(1);
    const QString missing = copy(Layout::categoryPicture(3, true));
    const QString kept = missing + QStringLiteral(".kept");
    ASSERT_TRUE(QFile::rename(missing, kept));

    hoverCategory(3);
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(interaction.errors.first().contains(missing));
    EXPECT_EQ(state.selectIndex, 1);
    EXPECT_FALSE(shown("pl_ipod"));
    EXPECT_FALSE(shown("pl_video1")) << "the step before the failed load has run";

    ASSERT_TRUE(QFile::rename(kept, missing));
    hover(nav->categoryImage(3), QPoint(20, 5));
    EXPECT_EQ(state.selectIndex, 3);
    EXPECT_TRUE(shown("pl_ipod"));
    EXPECT_EQ(interaction.errors.size(), 1);
}

TEST_F(MissingPictureTest, AnUnreadableHighlightKeepsTheOldButtonSelected)
{
    ASSERT_TRUE(firstShow());
    nav->openNavigation(27);
    hoverButton(27);
    QFile broken(copy(Layout::buttonPicture(28, true)));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a bitmap");
    broken.close();

    hoverButton(28);
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(interaction.errors.first().contains(QStringLiteral("not a readable bitmap")));
    EXPECT_EQ(state.selectSubIndex, 27);
    EXPECT_TRUE(normal(27)) << "the restore before the failed load has run";
}

// The picker's own header check takes a bitmap exactly when the toolkit's
// bitmap reader does, and what it takes is drawn.
TEST(PictureLabelHeader, TakesWhatTheBitmapReaderTakesAndDrawsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage colour(6, 4, QImage::Format_RGB32);
    colour.fill(QColor(0x20, 0x80, 0xe0));
    QImage mono = colour.convertToFormat(QImage::Format_Mono);
    QImage indexed = colour.convertToFormat(QImage::Format_Indexed8);
    QByteArray good;
    QList<QByteArray> files;
    for (const QImage& image : {colour, mono, indexed}) {
        const QString path = dir.filePath("picture.bmp");
        ASSERT_TRUE(image.save(path, "BMP"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        files << file.readAll();
    }
    good = files.first();
    // A byte changed at `at` to `value`.
    const auto changed = [&good](int at, char value) {
        QByteArray bytes = good;
        bytes[at] = value;
        return bytes;
    };
    files << changed(0, 'P') << changed(28, 7) /* depth */ << changed(26, 2) /* planes */
          << changed(18, 0) /* width */ << changed(30, 9)                    /* compression */
          << good.left(20) << QByteArray("BM") << QByteArray("not a bitmap at all");
    int taken = 0;
    for (int i = 0; i < files.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("case%1.bmp").arg(i));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(files[i]);
        file.close();
        QImageReader reader(path, "BMP");
        const bool readable = reader.canRead() && reader.size().isValid();
        PictureLabel label(QStringLiteral("case"), nullptr);
        label.resize(6, 4);
        QString problem;
        EXPECT_EQ(label.loadPicture(path, &problem), readable) << "case " << i;
        EXPECT_EQ(problem.isEmpty(), readable) << "case " << i;
        if (readable) {
            ++taken;
            label.grab();
            EXPECT_EQ(label.picture().size(), QSize(6, 4)) << "case " << i;
        }
    }
    EXPECT_EQ(taken, 3);
}

} // namespace
} // namespace transcast::test
