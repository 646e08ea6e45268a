#include "profiles/settingsstore.h"

#include <QDir>
#include <QStandardPaths>

#include "common/edition.h"
#include "common/preferences.h"
#include "profiles/optionboxes.h"
#include "profiles/profileselector.h"
#include "profiles/rememberedchoices.h"

namespace transcast
{

namespace
{
const QString kPlane = QStringLiteral("plane");
const QString kProfiles = QStringLiteral("profiles");
const QString kOutput = QStringLiteral("output");
const QString kIntoKey = QStringLiteral("selcetsubindex");
const QString kOutOfKey = QStringLiteral("mainselcetsubindex");
const QString kBatch = QStringLiteral("batch");
const QString kConversionsKey = QStringLiteral("conversionsAtOnce");
const QString kPicture = QStringLiteral("picture");
const QString kDeinterlaceKey = QStringLiteral("deinterlace");
const QString kFrameRateKey = QStringLiteral("framerate");
const QString kCropKey = QStringLiteral("crop");
const QString kSourceRate = QStringLiteral("source");
const QString kProfileRate = QStringLiteral("profile");
const QString kCropOn = QStringLiteral("automatic");
const QString kCropOff = QStringLiteral("off");
} // namespace

SettingsStore::SettingsStore(const Edition& edition, Preferences& preferences, OptionBoxes& boxes,
                             ProfileSelector& selector, RememberedChoices& remembered)
    : m_edition(edition), m_preferences(preferences), m_boxes(boxes), m_selector(selector),
      m_remembered(remembered)
{
}

QString SettingsStore::settingsPath() const
{
    const QString folder = m_folder.isEmpty() ? Edition::configFolder() : m_folder;
    return QDir(folder).filePath(m_edition.settingsFileName());
}

QString SettingsStore::profileSettingsPath() const
{
    const QString folder = m_folder.isEmpty() ? Edition::configFolder() : m_folder;
    return QDir(folder).filePath(m_edition.profileSettingsFileName());
}

QString SettingsStore::defaultOutputFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/Videos");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

int SettingsStore::recordedProfile(bool intoOwnFormat) const
{
    if (!m_settings)
        return intoOwnFormat ? m_edition.defaultProfile() : 1;
    return intoOwnFormat ? m_settings->readInteger(kProfiles, kIntoKey, m_edition.defaultProfile())
                         : m_settings->readInteger(kProfiles, kOutOfKey, 1);
}

void SettingsStore::load()
{
    m_remembered.setFile(profileSettingsPath());
    m_settings = std::make_unique<IniFile>(settingsPath());
    m_selector.setSettingsFile(m_settings.get());

    PickerState& picker = m_selector.picker();
    picker.videoFirstPage = m_settings->readBool(kPlane, QStringLiteral("video"), true);
    picker.audioFirstPage = m_settings->readBool(kPlane, QStringLiteral("audio"), true);
    picker.todayFirstPage = m_settings->readBool(kPlane, QStringLiteral("today"), true);
    const QString folder =
        m_settings->readString(kOutput, QStringLiteral("path"), defaultOutputFolder());
    m_preferences.setOutputFolder(folder);
    m_preferences.setOutputFolderText(folder);
    picker.selectIndex = m_settings->readInteger(kProfiles, QStringLiteral("selcetindex"), 1);
    const bool into = m_settings->readBool(kProfiles, QStringLiteral("BisSingle"), true);
    m_preferences.setIntoOwnFormat(into);
    picker.selectSubIndex = recordedProfile(into);
    m_boxes.channel.setCurrentIndex(into ? 0 : 1);
    // A recorded profile that cannot be chosen (profiles.pop lost its
    // lines) gives way to the direction's default.
    const int fallback = into ? m_edition.defaultProfile() : 1;
    if (!m_selector.selectProfile(picker.selectSubIndex) && picker.selectSubIndex != fallback) {
        picker.selectSubIndex = fallback;
        m_selector.selectProfile(fallback);
    }
    m_preferences.setFinishAction(
        m_settings->readInteger(kProfiles, QStringLiteral("FinishSelcet"), 0));
    // Written on a machine with more cores, the count is cut to this one's.
    m_preferences.setConversionsAtOnce(m_settings->readInteger(kBatch, kConversionsKey, 1));
    // A word this version does not know keeps the default.
    PictureHandling picture;
    picture.setDeinterlaceWord(m_settings->readString(kPicture, kDeinterlaceKey));
    picture.frameRateAsSource = m_settings->readString(kPicture, kFrameRateKey) == kSourceRate;
    picture.cropBars = m_settings->readString(kPicture, kCropKey) == kCropOn;
    m_preferences.setPictureHandling(picture);
}

void SettingsStore::storePictureHandling()
{
    const PictureHandling& picture = m_preferences.pictureHandling();
    if (!m_settings || (picture == PictureHandling() &&
                        m_settings->readString(kPicture, kDeinterlaceKey).isNull()))
        return;
    m_settings->writeString(kPicture, kDeinterlaceKey, picture.deinterlaceWord());
    m_settings->writeString(kPicture, kFrameRateKey,
                            picture.frameRateAsSource ? kSourceRate : kProfileRate);
    m_settings->writeString(kPicture, kCropKey, picture.cropBars ? kCropOn : kCropOff);
}

void SettingsStore::storeConversionsAtOnce()
{
    // Absent until the user changes it, so that a file written before the
    // setting existed reads the same.
    if (m_settings && (m_preferences.conversionsAtOnce() != 1 ||
                       !m_settings->readString(kBatch, kConversionsKey).isNull()))
        m_settings->writeInteger(kBatch, kConversionsKey, m_preferences.conversionsAtOnce());
}

void SettingsStore::save()
{
    if (!m_settings)
        return;
    const PickerState& picker = m_selector.picker();
    const bool into = m_preferences.intoOwnFormat();
    m_settings->writeBool(kProfiles, QStringLiteral("BisSingle"), into);
    // The profile chosen, not the picker button the pointer rested on last.
    const int chosen = m_selector.selectedProfile();
    m_settings->writeInteger(kProfiles, into ? kIntoKey : kOutOfKey,
                             chosen > 0 ? chosen : picker.selectSubIndex);
    m_settings->writeString(kOutput, QStringLiteral("path"), m_preferences.outputFolder());
    m_settings->writeInteger(kProfiles, QStringLiteral("selcetindex"), picker.selectIndex);
    m_settings->writeInteger(kProfiles, QStringLiteral("FinishSelcet"),
                             m_preferences.finishAction());
    m_settings->writeBool(kPlane, QStringLiteral("video"), picker.videoFirstPage);
    m_settings->writeBool(kPlane, QStringLiteral("audio"), picker.audioFirstPage);
    m_settings->writeBool(kPlane, QStringLiteral("today"), picker.todayFirstPage);
    storeConversionsAtOnce();
    storePictureHandling();
    m_selector.setSettingsFile(nullptr);
    m_settings.reset();
}

} // namespace transcast
