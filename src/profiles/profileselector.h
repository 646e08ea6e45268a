#pragma once

#include <array>
#include <functional>

#include <QObject>
#include <QString>

#include "common/inifile.h"
#include "profiles/pickerstate.h"

namespace transcast
{

class Edition;
class Interaction;
class RememberedChoices;
class Preferences;
struct OptionBoxes;

// The current output profile: which number was made current last, its
// display name, the five video bitrates behind the quality entries, the
// encoder option line, and whether the profile has no video at all.
// `selectProfile` makes a profile current by reading its group of
// profiles.pop into the option boxes.
//
// The profile rules read the profile number P of the profile actually
// chosen (selectedProfile), never the picker's selectSubIndex: that one
// follows the pointer over the buttons, and a button merely hovered must not
// change the conversion, the estimate or the profile saved at close.
class ProfileSelector : public QObject
{
    Q_OBJECT
public:
    ProfileSelector(const Edition& edition, const Preferences& preferences, OptionBoxes& boxes,
                    RememberedChoices& remembered, Interaction& interaction,
                    QObject* parent = nullptr);

    // The settings file that records the last profile of each direction;
    // selections before it is set record nothing.
    void setSettingsFile(IniFile* settings) { m_settings = settings; }
    // Called at the end of every selection (the size estimates).
    void setAfterSelection(std::function<void()> hook) { m_afterSelection = std::move(hook); }
    // profiles.pop; by default beside the executable.
    void setDefinitionsPath(const QString& path) { m_definitionsPath = path; }

    // False, with the reason shown, when the profile cannot be chosen (its
    // group of profiles.pop is unreadable, missing or incomplete); the
    // current profile then stays.
    bool selectProfile(int profile);

    int selectedProfile() const { return m_selectedProfile; }
    // Where the picker stands; the picker moves it, the settings keep it.
    const PickerState& picker() const { return m_picker; }
    PickerState& picker() { return m_picker; }
    const QString& displayName() const { return m_displayName; }
    // The text after the display name's first "*" up to its last character;
    // compared case-sensitively (".MP4" is not ".mp4").
    QString outputExtension() const;
    const std::array<QString, 5>& videoBitrateSlots() const { return m_slots; }
    const QString& optionLine() const { return m_optionLine; }
    bool noVideoMode() const { return m_noVideo; }

    // P: the chosen profile (0 before any choice).
    int profileNumber() const;
    // The source-quality entries are offered: file mode, a size-driven
    // profile that is not a disc profile, and an output other than ".mp4".
    bool sourceQualityApplies() const;

    static bool isDiscProfile(int p) { return p >= 112 && p <= 114; }
    static bool isListDriven(int p) { return p >= 15 && p <= 101; }

signals:
    // The category icon to show: the chosen profile's category.
    void categoryIconRequested(int category);
    void displayNameChanged(const QString& name);
    void profileSelected(int profile);

private:
    void applySizeLine(const QString& line);
    void applyBitrateLine(const QString& line);
    void setNoVideo(bool on);
    void syncSourceQualityEntries();

    const Edition& m_edition;
    const Preferences& m_preferences;
    PickerState m_picker;
    OptionBoxes& m_boxes;
    RememberedChoices& m_remembered;
    Interaction& m_interaction;
    IniFile* m_settings = nullptr;
    std::function<void()> m_afterSelection;
    QString m_definitionsPath;

    int m_selectedProfile = 0;
    QString m_displayName;
    std::array<QString, 5> m_slots;
    QString m_optionLine;
    bool m_noVideo = false;
};

} // namespace transcast
