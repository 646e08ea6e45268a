#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/backgroundfilewriter.h"

using namespace transcast;

namespace
{

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// Requests in quick succession: whatever the writer skipped, the file ends
// as the last request left it, whole, with no file written aside left over;
// a writer that ends carries out what it was asked first.
TEST(BackgroundFileWriter, TheLastRequestWinsAndNothingIsLeftAside)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.json"));
    const QByteArray big(1 << 20, 'x');
    {
        BackgroundFileWriter writer;
        for (int i = 0; i < 200; ++i)
            writer.replace(path, big + QByteArray::number(i));
        writer.wait();
        EXPECT_EQ(contentOf(path), big + "199");

        writer.replace(path, "kept");
        writer.remove(path);
        writer.wait();
        EXPECT_FALSE(QFile::exists(path));

        writer.remove(path);
        writer.replace(path, "last");
    }
    EXPECT_EQ(contentOf(path), QByteArray("last"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.json"});
}

} // namespace
