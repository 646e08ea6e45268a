#pragma once

#include <QObject>
#include <QString>

namespace transcast
{

// Notices on the desktop through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). The call is sent
// without waiting for its answer, so a slow or missing service never holds
// the window up; when there is no session bus or no service, nothing is
// shown and nothing is said.
class DesktopNotice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Sends one notice. False when no session bus could be reached (the
    // notice is then dropped); true when it was sent, whether or not a
    // service takes it.
    bool send(const QString& appName, const QString& summary, const QString& body);

    // The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the user's
    // bus socket in XDG_RUNTIME_DIR when there is one; empty for none.
    static QString sessionBusAddress();

signals:
    // The answer to a notice sent: whether a service showed it.
    void answered(bool shown);
};

} // namespace transcast
