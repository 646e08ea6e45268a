#include "profiles/profileselector.h"

#include "common/edition.h"
#include "common/interaction.h"
#include "common/preferences.h"
#include "profiles/optionboxes.h"
#include "profiles/profilecatalogue.h"
#include "profiles/profiledefinitions.h"
#include "profiles/qualitytexts.h"
#include "profiles/rememberedchoices.h"

namespace transcast
{

ProfileSelector::ProfileSelector(const Edition& edition, const Preferences& preferences,
                                 OptionBoxes& boxes, RememberedChoices& remembered,
                                 Interaction& interaction, QObject* parent)
    : QObject(parent), m_edition(edition), m_preferences(preferences), m_boxes(boxes),
      m_remembered(remembered), m_interaction(interaction),
      m_definitionsPath(edition.dataFile(QStringLiteral("profiles.pop")))
{
}

int ProfileSelector::profileNumber() const
{
    return m_selectedProfile;
}

QString ProfileSelector::outputExtension() const
{
    return ProfileCatalogue::extensionOf(m_displayName);
}

bool ProfileSelector::sourceQualityApplies() const
{
    const int p = profileNumber();
    return m_edition.isFileMode() && !isListDriven(p) && !isDiscProfile(p) &&
           outputExtension() != QStringLiteral(".mp4");
}

bool ProfileSelector::selectProfile(int profile)
{
    // A profile whose lines are missing would convert with another
    // profile's options, or none: it cannot be chosen, and the current one
    // stays as it is.
    ProfileDefinitions::Group group;
    QString error;
    if (!ProfileDefinitions::readGroup(m_definitionsPath, profile, group, error)) {
        m_interaction.error(error);
        return false;
    }
    if (!group.isComplete(profile)) {
        m_interaction.error(
            QStringLiteral("Profile %1 cannot be chosen: its lines in \"%2\" are missing or "
                           "incomplete.")
                .arg(profile)
                .arg(m_definitionsPath));
        return false;
    }

    const QString name = ProfileCatalogue::displayName(profile);
    if (!name.isNull())
        m_displayName = name;
    emit displayNameChanged(m_displayName);

    m_remembered.save(m_selectedProfile, m_boxes);

    if (m_settings) {
        const QString key = m_preferences.intoOwnFormat() ? QStringLiteral("selcetsubindex")
                                                          : QStringLiteral("mainselcetsubindex");
        m_settings->writeInteger(QStringLiteral("profiles"), key, profile);
    }

    // From here on every rule reads the new number, the size and bitrate
    // lines below included.
    m_selectedProfile = profile;
    applySizeLine(group.sizeLine());
    applyBitrateLine(group.bitrateLine());
    m_optionLine = group.optionLine();

    m_remembered.restore(profile, m_boxes, m_edition.isDvdMode());
    if (m_afterSelection)
        m_afterSelection();
    // The icon shows the chosen profile's category, not the category the
    // picker last highlighted (a highlight chooses nothing).
    emit categoryIconRequested(ProfileCatalogue::category(profile));
    emit profileSelected(profile);
    return true;
}

void ProfileSelector::applySizeLine(const QString& line)
{
    const int p = profileNumber();
    OptionBox& size = m_boxes.size;
    size.clear();
    if (isDiscProfile(p)) {
        size.addItem(kPal);
        size.addItem(kNtsc);
    } else {
        for (const QString& item : ProfileDefinitions::splitItems(line))
            size.addItem(item);
    }
    // Today's profiles offer the source's own size whatever their container.
    if (((p < 15 || (p >= 102 && p <= 111)) && size.count() >= 2 &&
         outputExtension() != QStringLiteral(".mp4")) ||
        (p >= ProfileCatalogue::kFirstTodayProfile && size.count() >= 2))
        size.addItem(kOriginalSize);
    if (size.count() == 0) {
        size.addItem(kNoVideo);
        size.setCurrentIndex(0);
    }
}

void ProfileSelector::applyBitrateLine(const QString& line)
{
    if (isDiscProfile(profileNumber())) {
        setNoVideo(false);
        m_boxes.videoBitrate.setEnabled(false);
        m_boxes.audioBitrate.setEnabled(false);
        return;
    }
    m_boxes.videoBitrate.setEnabled(true);
    m_boxes.audioBitrate.setEnabled(true);
    syncSourceQualityEntries();
    if (line == QStringLiteral("*") && m_boxes.size.count() == 1) {
        setNoVideo(true);
        return;
    }
    setNoVideo(false);
    const QStringList items = ProfileDefinitions::splitItems(line);
    // The first item feeds the lowest quality. Items past the fifth have no
    // quality entry and are ignored.
    for (int k = 0; k < items.size() && k < 5; ++k)
        m_slots[static_cast<size_t>(4 - k)] = items.at(k);
}

void ProfileSelector::setNoVideo(bool on)
{
    m_noVideo = on;
    OptionBox& video = m_boxes.videoBitrate;
    if (on) {
        m_slots[0] = QStringLiteral("*");
        if (!video.contains(kNoVideo))
            video.addItem(kNoVideo);
        video.setCurrentIndex(video.indexOf(kNoVideo));
        m_boxes.size.setEnabled(false);
        video.setEnabled(false);
    } else {
        video.removeItem(kNoVideo);
        m_boxes.size.setEnabled(true);
        video.setEnabled(true);
    }
}

void ProfileSelector::syncSourceQualityEntries()
{
    const bool apply = sourceQualityApplies();
    const std::pair<OptionBox*, QString> entries[] = {{&m_boxes.videoBitrate, kOriginalVideo},
                                                      {&m_boxes.audioBitrate, kOriginalAudio}};
    for (const auto& [box, text] : entries) {
        if (apply && !box->contains(text))
            box->addItem(text);
        else if (!apply)
            box->removeItem(text);
    }
}

} // namespace transcast
