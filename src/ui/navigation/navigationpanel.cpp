#include "ui/navigation/navigationpanel.h"

namespace transcast
{

NavigationPanel::NavigationPanel(const QString& objectName, const QSize& size, QWidget* parent)
    : QFrame(parent), m_client(new QWidget(this))
{
    setObjectName(objectName);
    resize(size);
    setFrameStyle(QFrame::NoFrame);
    m_client->setObjectName(objectName + QStringLiteral("_client"));
    m_client->setGeometry(rect());
}

void NavigationPanel::setSingleLineBorder(bool on)
{
    m_border = on;
    setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
    m_client->setGeometry(on ? rect().adjusted(1, 1, -1, -1) : rect());
}

} // namespace transcast
