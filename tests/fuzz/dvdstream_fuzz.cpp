// What register.dat reads from a DVD title beside its sectors' bytes, and
// the sectors it edits before ffmpeg sees them: the input as a title set's
// IFO file (the program chain of a sector the input's first bytes name) and
// as a run of sectors, the first half a stretch and the rest what follows.
// Any bytes; an announcement made for a stretch is a pack ffmpeg can read.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dvd/programchain.h"
#include "encoder/pespacket.h"
#include "encoder/streamscan.h"
#include "encoder/stretchedges.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::int32_t sector = 0;
    std::memcpy(&sector, bytes.data(), std::min<size_t>(size, sizeof sector));
    if (const auto chain = transcast::dvd::parseProgramChain(bytes, sector)) {
        for (const int id : chain->subtitleIds)
            FUZZ_CHECK(id >= 0x20 && id <= 0x3F);
        for (const std::uint32_t entry : chain->palette)
            FUZZ_CHECK(transcast::dvd::paletteToRgb(entry) <= 0xFFFFFF);
    }

    const size_t count = (size + transcast::dvdSectorSize - 1) / transcast::dvdSectorSize;
    if (count == 0)
        return 0;
    std::vector<unsigned char> sectors(count * transcast::dvdSectorSize, 0);
    std::memcpy(sectors.data(), data, size);
    transcast::StreamScan scan;
    scan.feed(sectors.data(), sectors.size());
    transcast::StretchEdges edges;
    for (size_t i = 0; i < count; ++i) {
        unsigned char* at = sectors.data() + i * transcast::dvdSectorSize;
        if (i < (count + 1) / 2)
            edges.editStretch(at);
        else if (!edges.editTail(at))
            break;
    }
    std::string pack = transcast::StretchEdges::subtitleAnnouncement(sectors.data(), 0x20);
    if (!pack.empty()) {
        FUZZ_CHECK(pack.size() == transcast::dvdSectorSize);
        int subpictures = 0;
        transcast::forEachPacket(reinterpret_cast<unsigned char*>(pack.data()),
                                 [&](const transcast::PesPacket& packet) {
                                     subpictures += packet.dvdId == 0x20 && packet.hasPts;
                                 });
        FUZZ_CHECK(subpictures == 1);
    }
    return 0;
}
