#include "ui/desktopnotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QVariantMap>

namespace transcast
{

QString DesktopNotice::sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime + QStringLiteral("/bus");
    if (!runtime.isEmpty() && QFileInfo::exists(socket))
        return QStringLiteral("unix:path=") + socket;
    return QString();
}

bool DesktopNotice::send(const QString& appName, const QString& summary, const QString& body)
{
    // A connection of our own per notice, made from the address as it is
    // now: Qt's shared session connection would keep whatever bus it first
    // found, and would never be closed.
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return false;
    static int sent = 0;
    const QString name = QStringLiteral("transcast-notice-%1").arg(++sent);
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, no notice replaced, no icon, summary, body, no actions,
    // no hints, the server's own timeout.
    call << appName << 0u << QString() << summary << body << QStringList() << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name] {
        const bool shown = !watcher->isError();
        watcher->deleteLater();
        QDBusConnection::disconnectFromBus(name);
        emit answered(shown);
    });
    return true;
}

} // namespace transcast
