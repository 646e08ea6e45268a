#include "profiles/settingsstore.h"

#include <QDir>
#include <QStandardPaths>

#include "common/controllerstate.h"
#include "common/edition.h"
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
} // namespace

SettingsStore::SettingsStore(const Edition& edition, ControllerState& state, OptionBoxes& boxes,
                             ProfileSelector& selector, RememberedChoices& remembered)
    : m_edition(edition), m_state(state), m_boxes(boxes), m_selector(selector),
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

    m_state.videoFirstPage = m_settings->readBool(kPlane, QStringLiteral("video"), true);
    m_state.audioFirstPage = m_settings->readBool(kPlane, QStringLiteral("audio"), true);
    m_state.outputFolder =
        m_settings->readString(kOutput, QStringLiteral("path"), defaultOutputFolder());
    m_state.outputFolderText = m_state.outputFolder;
    m_state.selectIndex = m_settings->readInteger(kProfiles, QStringLiteral("selcetindex"), 1);
    m_state.intoOwnFormat = m_settings->readBool(kProfiles, QStringLiteral("BisSingle"), true);
    m_state.selectSubIndex = recordedProfile(m_state.intoOwnFormat);
    m_boxes.channel.setCurrentIndex(m_state.intoOwnFormat ? 0 : 1);
    // A recorded profile that cannot be chosen (profiles.pop lost its
    // lines) gives way to the direction's default.
    const int fallback = m_state.intoOwnFormat ? m_edition.defaultProfile() : 1;
    if (!m_selector.selectProfile(m_state.selectSubIndex) && m_state.selectSubIndex != fallback) {
        m_state.selectSubIndex = fallback;
        m_selector.selectProfile(fallback);
    }
    m_state.finishAction = m_settings->readInteger(kProfiles, QStringLiteral("FinishSelcet"), 0);
    // Written on a machine with more cores, the count is cut to this one's.
    m_state.conversionsAtOnce = ControllerState::boundedConversionsAtOnce(
        m_settings->readInteger(kBatch, kConversionsKey, 1));
}

void SettingsStore::storeConversionsAtOnce()
{
    // Absent until the user changes it, so that a file written before the
    // setting existed reads the same.
    if (m_settings && (m_state.conversionsAtOnce != 1 ||
                       !m_settings->readString(kBatch, kConversionsKey).isNull()))
        m_settings->writeInteger(kBatch, kConversionsKey, m_state.conversionsAtOnce);
}

void SettingsStore::save()
{
    if (!m_settings)
        return;
    m_settings->writeBool(kProfiles, QStringLiteral("BisSingle"), m_state.intoOwnFormat);
    // The profile chosen, not the picker button the pointer rested on last.
    const int chosen = m_selector.selectedProfile();
    m_settings->writeInteger(kProfiles, m_state.intoOwnFormat ? kIntoKey : kOutOfKey,
                             chosen > 0 ? chosen : m_state.selectSubIndex);
    m_settings->writeString(kOutput, QStringLiteral("path"), m_state.outputFolder);
    m_settings->writeInteger(kProfiles, QStringLiteral("selcetindex"), m_state.selectIndex);
    m_settings->writeInteger(kProfiles, QStringLiteral("FinishSelcet"), m_state.finishAction);
    m_settings->writeBool(kPlane, QStringLiteral("video"), m_state.videoFirstPage);
    m_settings->writeBool(kPlane, QStringLiteral("audio"), m_state.audioFirstPage);
    storeConversionsAtOnce();
    m_selector.setSettingsFile(nullptr);
    m_settings.reset();
}

} // namespace transcast
