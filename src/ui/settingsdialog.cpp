#include "ui/settingsdialog.h"

#include <QButtonGroup>
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

bool SettingsDialog::edit(int& finishAction, int& conversionsAtOnce)
{
    selectPosition(finishAction);
    m_conversions->setValue(conversionsAtOnce);
    if (exec() != QDialog::Accepted)
        return false;
    const int chosen = selectedPosition();
    if (chosen >= 0)
        finishAction = chosen;
    conversionsAtOnce = m_conversions->value();
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
