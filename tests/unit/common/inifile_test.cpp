#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "common/inifile.h"

using namespace transcast;

namespace
{

QString readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("pro transcast.ini")); }
};

} // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsDefault)
{
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("output"), QStringLiteral("path"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetindex"), 1), 1);
    EXPECT_TRUE(ini.readBool(QStringLiteral("plane"), QStringLiteral("video"), true));
    EXPECT_FALSE(QFile::exists(path())); // reading creates nothing

    writeAll(path(), "[profiles]\nother=3\n");
    EXPECT_EQ(ini.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetindex"), 7), 7);
    EXPECT_EQ(ini.readInteger(QStringLiteral("plane"), QStringLiteral("other"), 7), 7);
}

TEST_F(IniFileTest, NamesMatchWithoutLetterCaseAndValuesAreTrimmed)
{
    writeAll(path(), "; comment\r\n[Profiles]\r\n  SelcetIndex = 12 \r\nname=\"quoted text\"\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetindex"), 1), 12);
    EXPECT_EQ(ini.readString(QStringLiteral("PROFILES"), QStringLiteral("NAME")),
              QStringLiteral("quoted text"));
}

TEST_F(IniFileTest, NonNumbersReadAsTheDefault)
{
    writeAll(path(),
             "[17]\naudio bitrate=abc\nsize=3x\nvideo bitrate=\nChannel= -2\nbig=99999999999\n");
    IniFile ini(path());
    const QString s = QStringLiteral("17");
    EXPECT_EQ(ini.readInteger(s, QStringLiteral("audio bitrate"), 2), 2);
    EXPECT_EQ(ini.readInteger(s, QStringLiteral("size"), 4), 4);
    EXPECT_EQ(ini.readInteger(s, QStringLiteral("video bitrate"), 5), 5);
    EXPECT_EQ(ini.readInteger(s, QStringLiteral("Channel"), 0), -2);
    EXPECT_EQ(ini.readInteger(s, QStringLiteral("big"), 1), 1);
    EXPECT_TRUE(ini.readBool(s, QStringLiteral("Channel"), false)); // non-zero is true
    EXPECT_TRUE(ini.readBool(s, QStringLiteral("audio bitrate"), true));
}

TEST_F(IniFileTest, WritesKeepOtherSectionsKeysAndTheirOrder)
{
    writeAll(path(), "; kept\n[plane]\nvideo=1\naudio=1\n\n[output]\npath=/home/u/Videos/\n");
    IniFile ini(path());
    EXPECT_TRUE(ini.writeBool(QStringLiteral("PLANE"), QStringLiteral("Video"), false));
    EXPECT_TRUE(ini.writeInteger(QStringLiteral("plane"), QStringLiteral("extra"), 5));
    EXPECT_TRUE(ini.writeInteger(QStringLiteral("17"), QStringLiteral("audio bitrate"), 3));
    EXPECT_TRUE(ini.writeInteger(QStringLiteral("17"), QStringLiteral("Channel"), 0));
    EXPECT_EQ(readAll(path()), QStringLiteral("; kept\n[plane]\nvideo=0\naudio=1\nextra=5\n\n"
                                              "[output]\npath=/home/u/Videos/\n\n"
                                              "[17]\naudio bitrate=3\nChannel=0\n"));
    // A second object on the same file sees every write at once.
    IniFile other(path());
    EXPECT_FALSE(other.readBool(QStringLiteral("plane"), QStringLiteral("video"), true));
    EXPECT_EQ(other.readInteger(QStringLiteral("17"), QStringLiteral("audio bitrate"), 0), 3);
}

TEST_F(IniFileTest, FailedWriteLeavesTheFileAlone)
{
    IniFile ini(dir.filePath(QStringLiteral("missing-folder/x.ini")));
    EXPECT_FALSE(ini.writeInteger(QStringLiteral("a"), QStringLiteral("b"), 1));
}

TEST_F(IniFileTest, AWriteKilledMidwayLeavesTheOldOrTheNewFileNeverATornOne)
{
    const QString writer = QStringLiteral(TRANSCAST_BIN_DIR "/../tests/ini_writer");
    ASSERT_TRUE(QFile::exists(writer)) << qPrintable(writer);
    const QString a(20000, QLatin1Char('a'));
    const QString b(20000, QLatin1Char('b'));
    // The old file: what a kill before the first complete write leaves.
    ASSERT_TRUE(IniFile(path()).writeString(QStringLiteral("data"), QStringLiteral("value"), a));
    for (int round = 0; round < 15; ++round) {
        QProcess process;
        process.start(writer, {path()});
        ASSERT_TRUE(process.waitForReadyRead(5000));
        QThread::msleep(5 + round * 3);
        process.kill();
        process.waitForFinished();
        const QString value =
            IniFile(path()).readString(QStringLiteral("data"), QStringLiteral("value"));
        EXPECT_TRUE(value == a || value == b)
            << "round " << round << ": " << value.size() << " chars";
    }
}

// Bytes that are not UTF-8 (a path in an 8-bit encoding, another program's
// section) survive writes to other keys; CR LF files keep their line ends;
// what the program writes is UTF-8; an unchanged value rewrites nothing.
TEST_F(IniFileTest, LinesNotChangedKeepTheirBytes)
{
    const QByteArray original = "[other]\r\nname=caf\xe9\r\n\r\n[output]\r\npath=/v/\xe9t\xe9/\r\n"
                                "[profiles]\r\nselcetindex=1\r\n";
    writeAll(path(), original);
    IniFile ini(path());
    const QString latin1Path = ini.readString("output", "path");
    EXPECT_TRUE(ini.writeString("output", "path", latin1Path)); // the value read, saved again
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
    file.close();

    EXPECT_TRUE(ini.writeInteger("profiles", "selcetindex", 4));
    EXPECT_TRUE(ini.writeString("profiles", "FinishSelcet", QStringLiteral("\u00e9")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[other]\r\nname=caf\xe9\r\n\r\n[output]\r\npath=/v/\xe9t"
                                         "\xe9/\r\n[profiles]\r\nselcetindex=4\r\n"
                                         "FinishSelcet=\xc3\xa9\r\n"));
}

// Values are kept in memory, yet a change by another writer is read at
// once, even one in place that keeps the file's size. Writes made in the
// background are read at once, reach the file in the order asked, and keep
// what another writer put in meanwhile.
TEST_F(IniFileTest, KeptValuesFollowTheFileAndBackgroundWritesKeepTheirOrder)
{
    writeAll(path(), "[batch]\ncount=1\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger(QStringLiteral("batch"), QStringLiteral("count"), 0), 1);
    writeAll(path(), "[batch]\ncount=2\n");
    EXPECT_EQ(ini.readInteger(QStringLiteral("batch"), QStringLiteral("count"), 0), 2);

    IniFile::setWritesInBackground(true);
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(ini.writeInteger(QStringLiteral("batch"), QStringLiteral("count"), i));
        ASSERT_EQ(ini.readInteger(QStringLiteral("batch"), QStringLiteral("count"), -1), i);
        if (i == 25) {
            IniFile::flushWrites();
            writeAll(path(), readAll(path()).toUtf8() + "[other]\nkept=1\n");
        }
    }
    EXPECT_TRUE(ini.writeString(QStringLiteral("output"), QStringLiteral("path"), "/v"));
    IniFile::flushWrites();
    IniFile::setWritesInBackground(false);
    EXPECT_EQ(readAll(path()), QStringLiteral("[batch]\ncount=49\n[other]\nkept=1\n\n[output]\n"
                                              "path=/v\n"));
    EXPECT_EQ(ini.readString(QStringLiteral("other"), QStringLiteral("kept")), QStringLiteral("1"));
}
