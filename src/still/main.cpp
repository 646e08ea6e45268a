// transcast-still: takes the first picture of one source for the window's
// preview pane and writes it to standard output. The window runs it as a
// program of its own, so that a source that crashes or hangs the video
// library costs only its picture, never the window and its list.
//
//   transcast-still WIDTH HEIGHT SOURCE
//
// SOURCE is an absolute path or a DVD locator ("vts://..."); the picture is
// at most WIDTH x HEIGHT, its shape kept. On success the output is the line
// "STILL <width> <height> <stride>\n" and then <height> rows of <stride>
// bytes, four a pixel (blue, green, red, alpha), exit status 0. Otherwise it
// is "FAILED <reason>\n" and the exit status is 1 (2 for a wrong command
// line).
#include <cstdio>
#include <cstdlib>
#include <string>

#include <cerrno>
#include <csignal>

#include <QCoreApplication>
#include <QSize>
#include <QString>
#include <QTimer>

#include <sys/prctl.h>
#include <unistd.h>

#include "common/standarddescriptors.h"
#include "preview/dvdstreamprotocol.h"
#include "preview/framegrabber.h"

namespace
{

bool writeAll(const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool writeLine(const QString& line)
{
    const QByteArray text = line.toUtf8() + '\n';
    return writeAll(text.constData(), static_cast<size_t>(text.size()));
}

} // namespace

int main(int argc, char* argv[])
{
    // Nobody reads a picture after the window has gone.
    const pid_t caller = getppid();
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != caller)
        return 1;
    transcast::keepStandardDescriptorsOpen();
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool widthOk = false;
    bool heightOk = false;
    const int width = arguments.value(1).toInt(&widthOk);
    const int height = arguments.value(2).toInt(&heightOk);
    if (arguments.size() != 4 || !widthOk || !heightOk || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: transcast-still WIDTH HEIGHT SOURCE\n");
        return 2;
    }

    transcast::DvdStreamProtocol dvdStreams;
    transcast::FrameGrabber grabber;
    grabber.addStreamProtocol(&dvdStreams);
    grabber.setMaximumSize(QSize(width, height));
    QObject::connect(&grabber, &transcast::FrameGrabber::grabbed, &application,
                     [](const QString&, const transcast::PreviewFrame& frame) {
                         const bool written = writeLine(QStringLiteral("STILL %1 %2 %3")
                                                            .arg(frame.width)
                                                            .arg(frame.height)
                                                            .arg(frame.stride)) &&
                                              writeAll(frame.pixels.constData(),
                                                       static_cast<size_t>(frame.pixels.size()));
                         // Ending the video library's instance takes longer
                         // than the picture did; the system ends it at once.
                         std::_Exit(written ? 0 : 1);
                     });
    QObject::connect(&grabber, &transcast::FrameGrabber::failed, &application,
                     [](const QString&, const QString& reason) {
                         writeLine(QStringLiteral("FAILED ") +
                                   QString(reason).replace(QLatin1Char('\n'), QLatin1Char(' ')));
                         QCoreApplication::exit(1);
                     });
    QTimer::singleShot(0, &grabber, [&grabber, &arguments] { grabber.grab(arguments.at(3)); });
    return application.exec();
}
