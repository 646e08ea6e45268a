#pragma once

namespace transcast
{

// Where the profile picker stands: its highlight and the page each two-page
// panel showed last. The picker (the window's navigation) is its only
// writer as the pointer and the keys move; the settings store keeps it
// between runs, and a change of direction moves the highlight to that
// direction's recorded profile. The profile rules never read it: they read
// the profile actually chosen (ProfileSelector::selectedProfile).
struct PickerState {
    // Highlighted category (1..14) and profile button (1..148); -1 for none.
    int selectIndex = -1;
    int selectSubIndex = -1;
    // Which page of the two-page video, audio and today's panels was shown
    // last.
    bool videoFirstPage = true;
    bool audioFirstPage = true;
    bool todayFirstPage = true;
};

} // namespace transcast
