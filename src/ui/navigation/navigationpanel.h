#pragma once

#include <QFrame>

namespace transcast
{

// A panel of the profile picker (pl_main, a profile panel or a fly-out). Its
// controls live on an inner client area, so that the single-line border of
// the single-panel form takes its pixel from the client area, as a bordered
// window does, instead of being painted over by the controls.
class NavigationPanel : public QFrame
{
    Q_OBJECT

public:
    NavigationPanel(const QString& objectName, const QSize& size, QWidget* parent);

    // The parent of the panel's controls; control positions are relative to
    // it. Without a border it covers the whole panel.
    QWidget* client() const { return m_client; }

    // The single-panel form: a flat single-line border around a client area
    // one pixel smaller on every side. Off again: no border, full client.
    void setSingleLineBorder(bool on);
    bool hasSingleLineBorder() const { return m_border; }

private:
    QWidget* m_client;
    bool m_border = false;
};

} // namespace transcast
