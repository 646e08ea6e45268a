#include "subtitlelead.h"

#include <algorithm>

#include "pespacket.h"

namespace transcast
{

namespace
{

// A stream whose times jump back by more than the lead, or ahead by this
// much, has passed a discontinuity (a new cell or VOB): what was held before
// it must not be overtaken by what comes after.
constexpr std::int64_t jumpTicks = 10 * 90000;

} // namespace

SubtitleLead::SubtitleLead(int subtitleId)
    : m_subtitleId(subtitleId >= 0x20 && subtitleId <= 0x3F ? subtitleId : -1)
{
}

void SubtitleLead::take(const unsigned char* sector, std::string& out)
{
    if (m_subtitleId < 0) {
        out.append(reinterpret_cast<const char*>(sector), dvdSectorSize);
        return;
    }
    Pack pack;
    pack.bytes.assign(reinterpret_cast<const char*>(sector), dvdSectorSize);
    bool subtitle = false;
    forEachPacket(reinterpret_cast<unsigned char*>(pack.bytes.data()), [&](PesPacket& packet) {
        if (packet.dvdId == m_subtitleId) {
            subtitle = true;
            if (packet.hasPts) {
                pack.timed = true;
                pack.pts = packet.pts;
            }
        } else if (packet.hasPts && !subtitle && (!pack.timed || ptsBefore(pack.pts, packet.pts))) {
            pack.timed = true;
            pack.pts = packet.pts;
        }
    });
    if (subtitle) {
        placeSubtitle(std::move(pack), out);
        return;
    }
    if (pack.timed) {
        if (m_seenTime && (ptsBefore(pack.pts + leadTicks, m_newest) ||
                           ptsBefore(m_newest + jumpTicks, pack.pts))) {
            release(out, true);
            m_newest = pack.pts;
        } else if (!m_seenTime || ptsBefore(m_newest, pack.pts)) {
            m_newest = pack.pts;
        }
        m_seenTime = true;
    }
    m_held.push_back(std::move(pack));
    release(out, false);
}

void SubtitleLead::placeSubtitle(Pack pack, std::string& out)
{
    // Its own earlier packs stay before it: a subpicture spread over several
    // packs is read back in their order.
    size_t at = static_cast<size_t>(m_lastPlaced + 1);
    if (pack.timed) {
        while (at < m_held.size() && !(m_held[at].timed && ptsBefore(pack.pts, m_held[at].pts)))
            ++at;
    }
    // Held, it is passed on as soon as it reaches the front.
    pack.timed = false;
    m_held.insert(m_held.begin() + static_cast<std::ptrdiff_t>(at), std::move(pack));
    m_lastPlaced = static_cast<std::int64_t>(at);
    release(out, false);
}

void SubtitleLead::release(std::string& out, bool all)
{
    while (!m_held.empty()) {
        const Pack& front = m_held.front();
        // A pack showing a lead's length before the newest time seen can
        // no longer be overtaken: any subtitle still to come shows later.
        const bool settled = !front.timed || !ptsBefore(m_newest, front.pts + leadTicks);
        if (!all && !settled && m_held.size() <= heldPacks)
            break;
        out += front.bytes;
        m_held.pop_front();
        m_lastPlaced = std::max<std::int64_t>(m_lastPlaced - 1, -1);
    }
}

void SubtitleLead::finish(std::string& out)
{
    release(out, true);
}

} // namespace transcast
