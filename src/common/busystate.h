#pragma once

namespace transcast
{

// Whether a batch converts and whether a preview plays: what the busy guards
// ask before an action. Each flag has one writer, the object that runs it
// (the batch converts, the preview controller plays), which holds this
// object mutable and signals the change itself; every other part, those
// below the engine and the preview included, gets it const. One instance
// lives with the Controller, on the main thread.
class BusyState
{
public:
    bool isConverting() const { return m_converting; }
    bool isPlaying() const { return m_playing; }
    // A batch converts or a preview plays.
    bool isBusy() const { return m_converting || m_playing; }

    // For the writers named above (and tests that stand in for them). Each
    // returns whether the flag changed.
    bool setConverting(bool converting) { return change(m_converting, converting); }
    bool setPlaying(bool playing) { return change(m_playing, playing); }

private:
    static bool change(bool& flag, bool value)
    {
        const bool changed = flag != value;
        flag = value;
        return changed;
    }

    bool m_converting = false;
    bool m_playing = false;
};

} // namespace transcast
