// A plain Qt window of the main window's size that reports like
// `transcast --startup-report`: the floor any Qt program pays to start.
#include <cstdio>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(760, 530);
    window.show();
    std::printf("first-show-epoch-ms=%lld\n",
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stdout);
    QTimer::singleShot(1000, &app, [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    std::printf("idle-rss-kb=%lld\n",
                                line.mid(6).trimmed().split(' ').first().toLongLong());
            }
        }
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
