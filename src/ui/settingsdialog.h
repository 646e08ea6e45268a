#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QSpinBox;

namespace transcast
{

struct PictureHandling;

// The settings dialog: what happens after a batch has converted, as the
// radio group rg_finish (0 nothing, 1 open the target folder, 2 shut down),
// how many conversions a batch runs at once (1 .. the machine's cores), and
// how the picture is handled (deinterlacing, frame rate, black bars).
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    // Shows the dialog modally with the group at `finishAction` and the
    // count at `conversionsAtOnce`. "OK" stores the chosen position into
    // `finishAction` and the count into `conversionsAtOnce` and returns
    // true; "Cancel" (or closing the window) leaves both as they were and
    // returns false. A finish action outside 0..2 shows no choice and stays
    // unless the user picks one. `picture` likewise.
    bool edit(int& finishAction, int& conversionsAtOnce, PictureHandling& picture);

    // The chosen position, -1 when none.
    int selectedPosition() const;
    void selectPosition(int position);

    QGroupBox* finishGroup() const { return m_group; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QSpinBox* conversionsBox() const { return m_conversions; }
    QComboBox* deinterlaceBox() const { return m_deinterlace; }
    QComboBox* frameRateBox() const { return m_frameRate; }
    QComboBox* cropBox() const { return m_crop; }

private:
    QGroupBox* m_group;
    QButtonGroup* m_choices;
    QSpinBox* m_conversions;
    QComboBox* m_deinterlace;
    QComboBox* m_frameRate;
    QComboBox* m_crop;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace transcast
