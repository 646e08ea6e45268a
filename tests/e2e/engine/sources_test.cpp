#include "engine_fixture.h"

#include <QFile>

using namespace transcast;

using Sources = EngineFixture;

TEST_F(Sources, FilesAreProbedInDialogOrderAndUnreadableOnesSkipped)
{
    start();
    select(118);
    const QString text = QDir(sourceDir.path()).filePath(QStringLiteral("notes.avi"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a video");
    file.close();
    const QString b = clip("b clip's.avi", 3, QStringLiteral("640x480"));
    const QString a = clip("a.avi");
    interaction.fileChoices.push_back({b, text, a});
    controller->sources().addFiles();
    ASSERT_EQ(jobs().rowCount(), 2);
    EXPECT_TRUE(jobs().isVisible());
    EXPECT_EQ(jobs().caption(0), QStringLiteral("b clip's"));
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("640x480"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("00:00:03"));
    EXPECT_TRUE(jobs().subItem(0, JobList::OutputSizeColumn).endsWith(QStringLiteral("MB")));
    EXPECT_EQ(jobs().caption(1), QStringLiteral("a"));
    EXPECT_EQ(jobs().selectedRows(), QVector<int>({0}));
    EXPECT_TRUE(interaction.errors.isEmpty() && interaction.warnings.isEmpty());
}

TEST_F(Sources, AFolderScanKeepsVideoExtensionsAndNeverEntersSubfolders)
{
    start();
    select(118);
    clip("A.AVI");
    QFile text(QDir(sourceDir.path()).filePath(QStringLiteral("b.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    ASSERT_TRUE(QDir(sourceDir.path()).mkdir(QStringLiteral("c")));
    clip(QStringLiteral("c/inside.avi"));
    interaction.folderChoices.push_back(sourceDir.path());
    controller->sources().addFolder();
    ASSERT_EQ(jobs().rowCount(), 1);
    EXPECT_EQ(jobs().caption(0), QStringLiteral("A"));
}

TEST_F(Sources, OutOfTheEditionsFormatTheScanUsesItsFilter)
{
    start(QStringLiteral("transcast-mkv"));
    controller->state().BisSingle = false;
    clip("x.avi");
    clip("y.mkv");
    controller->sources().addFolderContents(sourceDir.path());
    ASSERT_EQ(jobs().rowCount(), 1);
    EXPECT_EQ(jobs().caption(0), QStringLiteral("y"));
}
