// The clock inside DVD sectors as the preview's title stream reads and moves
// it. Any bytes, taken as one sector (cut or padded with zeros): reading the
// navigation times never fails, and moving the times by any amount and back
// gives the sector back unchanged (only time fields are written, never what
// the parsing walks by).
#include <cstring>

#include "dvd/packtimestamps.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char sector[2048] = {};
    std::memcpy(sector, data, std::min<size_t>(size, sizeof sector));
    transcast::dvd::readNavigationPack(sector);
    for (const std::int64_t ticks : {std::int64_t(9000), std::int64_t(-48600),
                                     (std::int64_t(1) << 33) - 1, std::int64_t(1) << 40}) {
        unsigned char moved[2048];
        std::memcpy(moved, sector, sizeof moved);
        transcast::dvd::shiftPackTimestamps(moved, ticks);
        transcast::dvd::shiftPackTimestamps(moved, -ticks);
        FUZZ_CHECK(std::memcmp(moved, sector, sizeof moved) == 0);
    }
    return 0;
}
