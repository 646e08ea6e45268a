#include "programchain.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <dvdread/dvd_reader.h>

#include "discreader.h"

namespace transcast::dvd
{

namespace
{

constexpr size_t sectorBytes = 2048;
// An IFO file is tens of kilobytes; a size beyond this is a damaged one.
constexpr std::int64_t largestIfoSectors = 8192;

// Where the fields lie (the layouts libdvdread's ifo_types.h declares).
constexpr size_t pgcitSectorAt = 0xCC; // in the title set's header
constexpr size_t subpCountAt = 0x254;  // the same
constexpr size_t subpControlAt = 0x1C; // in a program chain: 32 x 4 bytes
constexpr size_t paletteAt = 0xA4;     // 16 x 4 bytes
constexpr size_t cellTableAt = 0xE8;   // offset of the cell table
constexpr size_t programChainSize = 0xEC;
constexpr size_t cellSize = 24; // first sector at 8, last sector at 20

class Bytes
{
public:
    explicit Bytes(const std::string& bytes) : m_bytes(bytes) {}
    bool has(size_t at, size_t length) const
    {
        return at <= m_bytes.size() && length <= m_bytes.size() - at;
    }
    std::uint32_t u8(size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
    std::uint32_t u16(size_t at) const { return u8(at) << 8 | u8(at + 1); }
    std::uint32_t u32(size_t at) const { return u16(at) << 16 | u16(at + 2); }

private:
    const std::string& m_bytes;
};

ProgramChain describe(const Bytes& bytes, size_t chain, int subtitleTracks)
{
    ProgramChain found;
    for (int i = 0; i < 16; ++i)
        found.palette[static_cast<size_t>(i)] = bytes.u32(chain + paletteAt + 4 * i);
    for (int track = 0; track < subtitleTracks; ++track) {
        const std::uint32_t control = bytes.u32(chain + subpControlAt + 4 * track);
        if ((control & 0x80000000u) == 0) {
            found.subtitleIds.insert(0x20 + track);
            continue;
        }
        for (const int shift : {24, 16, 8, 0})
            found.subtitleIds.insert(0x20 + static_cast<int>((control >> shift) & 0x1F));
    }
    return found;
}

// The bytes of one file of the title set; empty when it cannot be read.
std::string readInfoFile(const DiscReader& disc, int titleSet, dvd_read_domain_t domain)
{
    std::unique_ptr<dvd_file_t, void (*)(dvd_file_t*)> file(
        DVDOpenFile(disc.handle(), titleSet, domain), DVDCloseFile);
    if (!file)
        return {};
    const std::int64_t sectors = DVDFileSize(file.get());
    if (sectors <= 0 || sectors > largestIfoSectors)
        return {};
    std::string bytes(static_cast<size_t>(sectors) * sectorBytes, '\0');
    if (DVDFileSeek(file.get(), 0) != 0)
        return {};
    const ssize_t got = DVDReadBytes(file.get(), bytes.data(), bytes.size());
    if (got <= 0)
        return {};
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

} // namespace

std::optional<ProgramChain> parseProgramChain(const std::string& ifo, std::int32_t sector)
{
    const Bytes bytes(ifo);
    if (!bytes.has(0, subpCountAt + 2) || ifo.compare(0, 12, "DVDVIDEO-VTS") != 0)
        return std::nullopt;
    const int subtitleTracks =
        static_cast<int>(std::min<std::uint32_t>(bytes.u16(subpCountAt), 32));
    const std::uint64_t table = std::uint64_t(bytes.u32(pgcitSectorAt)) * sectorBytes;
    if (table == 0 || !bytes.has(table, 8))
        return std::nullopt;
    const size_t pgcit = static_cast<size_t>(table);
    const int chains = static_cast<int>(bytes.u16(pgcit));

    std::optional<ProgramChain> first;
    for (int i = 0; i < chains && bytes.has(pgcit + 8 + 8 * i, 8); ++i) {
        const size_t chain = pgcit + bytes.u32(pgcit + 8 + 8 * i + 4);
        if (chain < pgcit || !bytes.has(chain, programChainSize))
            continue;
        if (!first)
            first = describe(bytes, chain, subtitleTracks);
        const size_t cells = chain + bytes.u16(chain + cellTableAt);
        const int cellCount = static_cast<int>(bytes.u8(chain + 3));
        for (int c = 0; c < cellCount && bytes.has(cells + cellSize * c, cellSize); ++c) {
            const size_t cell = cells + cellSize * c;
            const std::int64_t firstSector = bytes.u32(cell + 8);
            const std::int64_t lastSector = bytes.u32(cell + 20);
            if (firstSector <= sector && sector <= lastSector)
                return describe(bytes, chain, subtitleTracks);
        }
    }
    return first;
}

std::optional<ProgramChain> readProgramChain(const DvdLocator& locator, std::string* error)
{
    DiscReader disc;
    if (!disc.open(locator.root)) {
        if (error != nullptr)
            *error = disc.error();
        return std::nullopt;
    }
    for (const dvd_read_domain_t domain : {DVD_READ_INFO_FILE, DVD_READ_INFO_BACKUP_FILE}) {
        if (auto chain =
                parseProgramChain(readInfoFile(disc, locator.titleSet, domain), locator.startPos))
            return chain;
    }
    if (error != nullptr)
        *error = "cannot read the IFO file of title set " + std::to_string(locator.titleSet) +
                 " of the DVD " + locator.root;
    return std::nullopt;
}

std::uint32_t paletteToRgb(std::uint32_t yCrCb)
{
    // ITU-R BT.601, studio range: what a player's subpicture decoder uses.
    const double y = 1.164383 * (double((yCrCb >> 16) & 0xFF) - 16);
    const double cr = double((yCrCb >> 8) & 0xFF) - 128;
    const double cb = double(yCrCb & 0xFF) - 128;
    const auto channel = [](double value) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    };
    return channel(y + 1.596027 * cr) << 16 | channel(y - 0.391762 * cb - 0.812968 * cr) << 8 |
           channel(y + 2.017232 * cb);
}

} // namespace transcast::dvd
