#pragma once

#include <QString>

namespace transcast
{

class Interaction;
class BusyState;

// The refusals of actions that must not run while a batch converts or a
// preview plays: the first busy flag tested shows its warning (OK button)
// and the action does nothing. Each returns true when the action is refused.
namespace BusyGuards
{

inline const QString kStopPlay = QStringLiteral("Please first stop play!");
inline const QString kStopConvert = QStringLiteral("Please first stop convert!");

// Convert, remove, clear, the title/chapter switch and the cutter.
bool playingThenConverting(const BusyState& busy, Interaction& interaction);
// Reading a DVD or IFO files.
bool convertingThenPlaying(const BusyState& busy, Interaction& interaction);
// Adding sources, opening the picker, starting a preview.
bool converting(const BusyState& busy, Interaction& interaction);

} // namespace BusyGuards

} // namespace transcast
