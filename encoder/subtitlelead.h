#pragma once

#include <cstdint>
#include <deque>
#include <string>

// A DVD muxes a subpicture next to the pictures being decoded when it
// shows, and those sit in the stream up to a VOBU (about half a second)
// ahead of their own showing time. ffmpeg burns a subtitle in from the
// first picture it overlays after the subtitle's packet is read, so read in
// the disc's order every subtitle starts that much late. The lead hands the
// packs of the one subtitle stream being burnt on before every pack that
// shows later than the subtitle does, looking back up to a second.
namespace transcast
{

class SubtitleLead
{
public:
    // The subpicture stream to lead (0x20..0x3F); any other id passes the
    // stream through as it is.
    explicit SubtitleLead(int subtitleId);

    // Takes the next 2048-byte pack and appends to `out` the packs that can
    // no longer be overtaken, in their new order.
    void take(const unsigned char* sector, std::string& out);
    // Appends every pack still held.
    void finish(std::string& out);

    // How far back a subtitle may be moved, in 90 kHz ticks, and the most
    // packs ever held (a second of the fastest DVD stream is about 620).
    static constexpr std::int64_t leadTicks = 90000;
    static constexpr size_t heldPacks = 1024;

private:
    struct Pack {
        std::string bytes;
        bool timed = false;
        std::int64_t pts = 0; // the latest time its packets show at
    };
    void placeSubtitle(Pack pack, std::string& out);
    void release(std::string& out, bool all);

    const int m_subtitleId;
    std::deque<Pack> m_held;
    bool m_seenTime = false;
    std::int64_t m_newest = 0;      // the latest time seen on any other pack
    std::int64_t m_lastPlaced = -1; // where the subtitle's previous pack went, from the front
};

} // namespace transcast
