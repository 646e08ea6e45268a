#pragma once

#include <QComboBox>

namespace transcast
{

// A combo box that never cuts its text: a current text wider than the box
// ends in "…" and shows whole in the tooltip, and the popup list is wide
// enough for the longest entry.
class ElidingComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ElidingComboBox(QWidget* parent = nullptr);

    // The text as drawn: the current text, elided when it does not fit.
    QString shownText() const;
    // The tooltip the box shows: the whole current text when it is elided,
    // else nothing.
    QString fullTextTip() const;
    void showPopup() override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
};

} // namespace transcast
