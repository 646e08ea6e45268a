#pragma once

#include <QObject>

namespace transcast
{

// The batch's progress bar: a position on the 0..10000 scale of one job and
// whether the bar is shown.
class ProgressModel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr int kMaximum = 10000;

    int value() const { return m_value; }
    bool isVisible() const { return m_visible; }
    void setValue(int value)
    {
        if (value == m_value)
            return;
        m_value = value;
        emit valueChanged(value);
    }
    void setVisible(bool visible)
    {
        if (visible == m_visible)
            return;
        m_visible = visible;
        emit visibilityChanged(visible);
    }

signals:
    void valueChanged(int value);
    void visibilityChanged(bool visible);

private:
    int m_value = 0;
    bool m_visible = false;
};

} // namespace transcast
