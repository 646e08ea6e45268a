#include "ui/settingsdialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/preferences.h"
#include "ui/dialogbuttons.h"

namespace transcast
{

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fm_set"));
    setWindowTitle(QStringLiteral("Settings"));

    m_group = new QGroupBox(QStringLiteral("Settings"), this);
    m_group->setObjectName(QStringLiteral("rg_finish"));
    m_choices = new QButtonGroup(this);
    auto* groupLayout = new QVBoxLayout(m_group);
    const QString texts[] = {
        QStringLiteral("Do nothing after converting finished"),
        QStringLiteral("Open the target folder after converting finished"),
        QStringLiteral("Automatically shutdown after converting finished"),
    };
    int id = 0;
    for (const QString& text : texts) {
        auto* choice = new QRadioButton(text, m_group);
        m_choices->addButton(choice, id++);
        groupLayout->addWidget(choice);
    }

    m_conversions = new QSpinBox(this);
    m_conversions->setObjectName(QStringLiteral("sp_conversions"));
    m_conversions->setRange(1, Preferences::maxConversionsAtOnce());
    m_conversions->setToolTip(
        QStringLiteral("How many files convert side by side. 1 converts one after the other; "
                       "more use more of the processor's cores."));
    auto* conversionsRow = new QFormLayout;
    conversionsRow->addRow(QStringLiteral("Conversions at once"), m_conversions);

    // Listed in the order of PictureHandling's values.
    const auto choiceBox = [this](const char* name, const QStringList& items, const char* tip) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->addItems(items);
        box->setToolTip(QLatin1String(tip));
        return box;
    };
    m_deinterlace = choiceBox(
        "cb_deinterlace", PictureHandling::deinterlaceWords(),
        "Automatic makes interlaced video (TV, camcorders) and telecined film whole before it is "
        "scaled, and leaves progressive video as it is.");
    m_frameRate = choiceBox(
        "cb_framerate", {QStringLiteral("as the profile says"), QStringLiteral("as the source")},
        "As the source keeps a 30 or 60 fps video's every frame (up to 60, and no "
        "more than the profile's device plays).");
    m_crop = choiceBox("cb_crop", {QStringLiteral("off"), QStringLiteral("automatic")},
                       "Automatic cuts off the black bars of a film letterboxed in its source.");
    conversionsRow->addRow(QStringLiteral("Deinterlace:"), m_deinterlace);
    conversionsRow->addRow(QStringLiteral("Frame rate:"), m_frameRate);
    conversionsRow->addRow(QStringLiteral("Crop black bars:"), m_crop);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->addLayout(conversionsRow);
    layout->addLayout(okCancelRow(m_ok, m_cancel));
    setFixedSize(sizeHint());
}

bool SettingsDialog::edit(int& finishAction, int& conversionsAtOnce, PictureHandling& picture)
{
    selectPosition(finishAction);
    m_conversions->setValue(conversionsAtOnce);
    m_deinterlace->setCurrentIndex(static_cast<int>(picture.deinterlace));
    m_frameRate->setCurrentIndex(picture.frameRateAsSource ? 1 : 0);
    m_crop->setCurrentIndex(picture.cropBars ? 1 : 0);
    if (exec() != QDialog::Accepted)
        return false;
    const int chosen = selectedPosition();
    if (chosen >= 0)
        finishAction = chosen;
    conversionsAtOnce = m_conversions->value();
    picture.deinterlace = static_cast<PictureHandling::Deinterlace>(m_deinterlace->currentIndex());
    picture.frameRateAsSource = m_frameRate->currentIndex() == 1;
    picture.cropBars = m_crop->currentIndex() == 1;
    return true;
}

int SettingsDialog::selectedPosition() const
{
    return m_choices->checkedId();
}

void SettingsDialog::selectPosition(int position)
{
    if (QAbstractButton* choice = m_choices->button(position)) {
        choice->setChecked(true);
        return;
    }
    // Radio buttons in an exclusive group cannot all be unchecked directly.
    m_choices->setExclusive(false);
    for (QAbstractButton* choice : m_choices->buttons())
        choice->setChecked(false);
    m_choices->setExclusive(true);
}

} // namespace transcast
