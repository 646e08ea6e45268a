// Faults of DVD folders: a title set whose IFO file is damaged.
#include "dvd/dvdreadifolibrary.h"
#include "faultfixture.h"

namespace faults
{
namespace
{

class DvdFaults : public FaultFixture
{
};

// The IFO the fuzzing found first: a damaged program chain table made
// libdvdread write through a null pointer while opening the title set, which
// took the whole program down. It reads as a title set that cannot be read,
// and the file is left as it was.
TEST_F(DvdFaults, DamagedIfoThatCrashedLibdvdreadReadsAsUnreadable)
{
    const QString videoTs = sources + QStringLiteral("/disc/VIDEO_TS");
    QDir().mkpath(videoTs);
    const QString ifo = videoTs + QStringLiteral("/VTS_01_0.IFO");
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TRANSCAST_TEST_DATA "/dvd/corrupt-pgcit-crash.ifo"), ifo));
    const Snapshot disc = snapshot(sources);

    transcast::dvd::DvdReadIfoLibrary library;
    EXPECT_EQ(library.ifoOpen(QFile::encodeName(ifo).toStdString()), 0);
    EXPECT_TRUE(kept(disc, snapshot(sources)));
}

} // namespace
} // namespace faults
