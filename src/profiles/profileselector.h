#pragma once

#include <array>
#include <functional>

#include <QObject>
#include <QString>

#include "common/inifile.h"

namespace transcast
{

class Edition;
class Interaction;
class RememberedChoices;
struct ControllerState;
struct OptionBoxes;

// The current output profile: which number was made current last, its
// display name, the five video bitrates behind the quality entries, the
// encoder option line, and whether the profile has no video at all.
// `selectProfile` makes a profile current by reading its group of
// profiles.pop into the option boxes.
//
// The profile rules read the profile number P from the controller's
// selectSubIndex (the last highlighted picker button), not from
// selectedProfile: the two differ when the pointer rested on another button
// after the last selection.
class ProfileSelector : public QObject
{
    Q_OBJECT
public:
    ProfileSelector(const Edition& edition, ControllerState& state, OptionBoxes& boxes,
                    RememberedChoices& remembered, Interaction& interaction,
                    QObject* parent = nullptr);

    // The settings file that records the last profile of each direction;
    // selections before it is set record nothing.
    void setSettingsFile(IniFile* settings) { m_settings = settings; }
    // Called at the end of every selection (the size estimates).
    void setAfterSelection(std::function<void()> hook) { m_afterSelection = std::move(hook); }
    // profiles.pop; by default beside the executable.
    void setDefinitionsPath(const QString& path) { m_definitionsPath = path; }

    void selectProfile(int profile);

    int selectedProfile() const { return m_selectedProfile; }
    const QString& displayName() const { return m_displayName; }
    // The text after the display name's first "*" up to its last character;
    // compared case-sensitively (".MP4" is not ".mp4").
    QString outputExtension() const;
    const std::array<QString, 5>& videoBitrateSlots() const { return m_slots; }
    const QString& optionLine() const { return m_optionLine; }
    bool noVideoMode() const { return m_noVideo; }

    // P from the controller.
    int profileNumber() const;
    // The source-quality entries are offered: file mode, a size-driven
    // profile that is not a disc profile, and an output other than ".mp4".
    bool sourceQualityApplies() const;

    static bool isDiscProfile(int p) { return p >= 112 && p <= 114; }
    static bool isListDriven(int p) { return p >= 15 && p <= 101; }

signals:
    // The category icon to show (the controller's selectIndex).
    void categoryIconRequested(int category);
    void displayNameChanged(const QString& name);
    void profileSelected(int profile);

private:
    void applySizeLine(const QString& line);
    void applyBitrateLine(const QString& line);
    void setNoVideo(bool on);
    void syncSourceQualityEntries();

    const Edition& m_edition;
    ControllerState& m_state;
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
