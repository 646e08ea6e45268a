#include <gtest/gtest.h>

#include <QFile>
#include <QTimer>

#include "preview/dvdstreamprotocol.h"
#include "preview/previewplayer.h"
#include "support/testdiscs.h"
#include "unit/preview/disclocator.h"
#include "unit/preview/previewclips.h"

using namespace transcast;
using previewclips::discLocator;

namespace
{

class DvdStream : public ::testing::Test
{
protected:
    DvdStreamProtocol protocol;
    PreviewPlayer player;
    std::vector<double> reports;
    QString audioPlaying;

    void SetUp() override
    {
        const auto& discs = testdiscs::testDiscs();
        ASSERT_TRUE(discs.ok) << discs.error;
        player.setAudioOutput(QStringLiteral("null"));
        player.addStreamProtocol(&protocol);
    }

    // Plays a second of the locator, or to its end when shorter.
    bool playASecond(const QString& locator, int audioId = -1)
    {
        reports.clear();
        EXPECT_TRUE(player.prepare(nullptr));
        player.setAudioSourceId(audioId);
        player.setPositionHandler([&](double seconds) {
            reports.push_back(seconds);
            audioPlaying = player.propertyText(QStringLiteral("current-tracks/audio/src-id"));
            if (seconds > reports.front() + 1)
                player.stop();
        });
        QTimer limit;
        QObject::connect(&limit, &QTimer::timeout, [&] {
            ADD_FAILURE() << "Play did not return";
            player.stop();
        });
        limit.start(20000);
        const bool played = previewclips::playToEnd(player, locator);
        player.release();
        return played;
    }
};

// A title plays from the disc folder and from its image, sector by sector
// through the disc reader, with the audio track the row names.
TEST_F(DvdStream, TitlePlaysFromTheFolderAndTheImageWithItsAudioTrack)
{
    const auto& discs = testdiscs::testDiscs();
    for (const std::string& root : {discs.disc, discs.iso}) {
        SCOPED_TRACE(root);
        EXPECT_TRUE(playASecond(discLocator(root, 1, 0, 0x81), 0x81))
            << player.errorString().toStdString();
        ASSERT_GT(reports.size(), 5u);
        EXPECT_GT(reports.back(), reports.front() + 1);
        EXPECT_EQ(audioPlaying, QStringLiteral("129"));
    }
    EXPECT_TRUE(playASecond(discLocator(discs.disc, 1, 0, 0x80), 0x80));
    EXPECT_EQ(audioPlaying, QStringLiteral("128"));
}

// A later title of a title set starts in the middle of its VOB: the stream
// still starts at position 0 and plays.
TEST_F(DvdStream, LaterTitleOfATitleSetPlays)
{
    const auto& discs = testdiscs::testDiscs();
    EXPECT_TRUE(playASecond(discLocator(discs.disc, 3, 1, 0x80), 0x80))
        << player.errorString().toStdString();
    EXPECT_GT(reports.size(), 5u);
}

TEST_F(DvdStream, LocatorsThatCannotBeReadFail)
{
    const auto& discs = testdiscs::testDiscs();
    EXPECT_EQ(protocol.open(QStringLiteral("vts://01*0*99999999*0x80*0*/") +
                            QFile::decodeName(discs.disc.c_str())),
              nullptr);
    EXPECT_EQ(protocol.open(QStringLiteral("vts://no locator")), nullptr);
    EXPECT_EQ(protocol.open(QStringLiteral("vts://01*0*10*0x80*0*/no/such/disc")), nullptr);
    EXPECT_FALSE(playASecond(QStringLiteral("vts://09*0*10*0x80*0*/") +
                             QFile::decodeName(discs.disc.c_str())));
    EXPECT_FALSE(player.errorString().isEmpty());
}

} // namespace
