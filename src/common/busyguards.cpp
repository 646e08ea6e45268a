#include "common/busyguards.h"

#include "common/busystate.h"
#include "common/interaction.h"

namespace transcast::BusyGuards
{

namespace
{
bool refuse(bool busy, const QString& text, Interaction& interaction)
{
    if (busy)
        interaction.warn(text);
    return busy;
}
} // namespace

bool playingThenConverting(const BusyState& busy, Interaction& interaction)
{
    return refuse(busy.isPlaying(), kStopPlay, interaction) ||
           refuse(busy.isConverting(), kStopConvert, interaction);
}

bool convertingThenPlaying(const BusyState& busy, Interaction& interaction)
{
    return refuse(busy.isConverting(), kStopConvert, interaction) ||
           refuse(busy.isPlaying(), kStopPlay, interaction);
}

bool converting(const BusyState& busy, Interaction& interaction)
{
    return refuse(busy.isConverting(), kStopConvert, interaction);
}

} // namespace transcast::BusyGuards
