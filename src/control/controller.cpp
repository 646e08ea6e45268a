#include "control/controller.h"

#include "common/interaction.h"

namespace transcast
{

Controller::Controller(Edition edition, Interaction& interaction, Shell& shell, QObject* parent)
    : QObject(parent), m_edition(std::move(edition)), m_interaction(interaction), m_shell(shell),
      m_selector(m_edition, m_state, m_boxes, m_remembered, m_interaction),
      m_estimator(m_jobs, m_boxes, m_selector, m_interaction),
      m_settings(m_edition, m_state, m_boxes, m_selector, m_remembered),
      m_probe(m_edition.EncoderPath(), m_edition.ExeFolder()),
      m_sources(m_edition, m_state, m_jobs, m_probe, m_estimator, m_interaction),
      m_builder(m_edition, m_state, m_jobs, m_boxes, m_selector, m_estimator),
      m_runner(m_state, m_jobs, m_progress),
      m_batch(m_edition, m_state, m_jobs, m_builder, m_runner, m_progress, m_interaction, m_shell),
      m_dvd(m_edition, m_state, m_jobs, m_estimator, m_interaction)
{
    m_sources.setOwnFormatFilter(ownFormatFilter());
    m_state.OutputFolder = SettingsStore::defaultOutputFolder();
    m_state.outputFolderText = m_state.OutputFolder;
    for (const QString& text : m_edition.directionTexts())
        m_boxes.channel.addItem(text);
    m_selector.setAfterSelection([this] { m_estimator.refreshEstimates(); });

    auto refresh = [this] {
        hideNavigation();
        m_estimator.refreshEstimates();
    };
    connect(&m_boxes.size, &OptionBox::chosen, this, refresh);
    connect(&m_boxes.videoBitrate, &OptionBox::chosen, this, refresh);
    connect(&m_boxes.audioBitrate, &OptionBox::chosen, this, refresh);
    connect(&m_boxes.channel, &OptionBox::chosen, this, [this](int entry) {
        hideNavigation();
        changeDirection(entry);
    });
}

Controller::~Controller() = default;

void Controller::hideNavigation()
{
    if (m_hideNavigation)
        m_hideNavigation();
}

void Controller::loadSettings(const QString& settingsFolder)
{
    m_settings.setFolder(settingsFolder);
    m_settings.load();
    // Said once, here: every later write would fail as silently.
    for (const QString& path : {m_settings.settingsPath(), m_settings.profileSettingsPath()}) {
        const QString problem = IniFile(path).writeProblem();
        if (!problem.isEmpty()) {
            m_interaction.warn(QStringLiteral("The settings cannot be saved in \"%1\": %2.\r"
                                              "The program goes on, but changes to the settings "
                                              "will not be kept.")
                                   .arg(path, problem));
            return;
        }
    }
}

void Controller::saveSettings()
{
    m_settings.save();
}

void Controller::changeDirection(int entry)
{
    const bool into = entry == 0;
    if (m_jobs.rowCount() > 0 &&
        !m_interaction.confirm(QStringLiteral("Change function will clear list, continue?"),
                               Interaction::QuestionKind::Information)) {
        m_boxes.channel.setCurrentIndex(m_state.BisSingle ? 0 : 1);
        return;
    }
    m_jobs.clear();
    m_state.BisSingle = into;
    m_state.selectSubIndex = m_settings.recordedProfile(into);
    m_selector.selectProfile(m_state.selectSubIndex);
}

} // namespace transcast
