#pragma once

#include <memory>

#include <QString>

#include "common/inifile.h"

namespace transcast
{

class Edition;
class ProfileSelector;
class RememberedChoices;
class Preferences;
struct OptionBoxes;

// The user's settings between runs: the settings INI file named after the
// executable ("transcast.ini"), in the INI folder. Loaded once at first show
// (which also selects the last profile of the current direction), saved once
// at close. Between the two only a profile selection writes to the file.
class SettingsStore
{
public:
    SettingsStore(const Edition& edition, Preferences& preferences, OptionBoxes& boxes,
                  ProfileSelector& selector, RememberedChoices& remembered);

    // The INI folder; Edition::configFolder() unless set.
    void setFolder(const QString& folder) { m_folder = folder; }
    QString settingsPath() const;
    QString profileSettingsPath() const;

    // Opens the per-profile file and the settings file, reads every setting
    // in its order and selects the recorded profile.
    void load();
    // Writes every setting in its order.
    void save();
    // Writes "Conversions at once" ([batch] conversionsAtOnce) at once, so
    // that a change made in the settings dialog outlives a crash.
    void storeConversionsAtOnce();
    // Writes the picture's handling ([picture] deinterlace, framerate, crop)
    // at once, for the same reason; absent until the user changes it.
    void storePictureHandling();

    bool isLoaded() const { return m_settings != nullptr; }
    // The open settings file (null before load).
    IniFile* settingsFile() { return m_settings.get(); }

    // The profile number recorded for a direction: "selcetsubindex" (into the
    // edition's format, defaulting to the edition's profile) or
    // "mainselcetsubindex" (out of it, defaulting to 1).
    int recordedProfile(bool intoOwnFormat) const;

    // The user's videos folder with a trailing separator.
    static QString defaultOutputFolder();

private:
    const Edition& m_edition;
    Preferences& m_preferences;
    OptionBoxes& m_boxes;
    ProfileSelector& m_selector;
    RememberedChoices& m_remembered;
    QString m_folder;
    std::unique_ptr<IniFile> m_settings;
};

} // namespace transcast
