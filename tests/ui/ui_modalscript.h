#pragma once

#include <functional>

#include <QApplication>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

// Answers the next modal dialog of type T: a timer waits until one is the
// active modal widget and hands it to `answer`, which must close it (click a
// button, accept, reject). Use it right before the call that runs exec().
// When no such dialog opens, the test fails and whatever modal widget is
// open is rejected so the test does not hang.
template <typename T> void whenModal(std::function<void(T*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, attempts = 0]() mutable {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
            return;
        }
        if (++attempts < 500)
            return;
        timer->stop();
        timer->deleteLater();
        ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " opened";
        if (QWidget* other = QApplication::activeModalWidget())
            other->close();
    });
    timer->start();
}

// Lets queued events (and detached work) run until `done` holds, for at most
// a bounded number of rounds; returns whether it held.
inline bool processEventsUntil(const std::function<bool()>& done, int rounds = 500)
{
    for (int i = 0; i < rounds && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return done();
}
