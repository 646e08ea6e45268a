#include "common/busyguards.h"

#include "common/controllerstate.h"
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

bool playingThenConverting(const ControllerState& state, Interaction& interaction)
{
    return refuse(state.playing, kStopPlay, interaction) ||
           refuse(state.converting, kStopConvert, interaction);
}

bool convertingThenPlaying(const ControllerState& state, Interaction& interaction)
{
    return refuse(state.converting, kStopConvert, interaction) ||
           refuse(state.playing, kStopPlay, interaction);
}

bool converting(const ControllerState& state, Interaction& interaction)
{
    return refuse(state.converting, kStopConvert, interaction);
}

} // namespace transcast::BusyGuards
