#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "common/managedprocess.h"

using namespace transcast;

namespace
{

struct ChildRun {
    QByteArray output;
    qsizetype largestBlock = 0;
    int endings = 0;
    bool outputAfterEnd = false;
    ManagedProcess::Exit exit;
    int ticks = 0; // event-loop timer ticks while the child ran
};

// Starts a run with `begin` and turns the event loop until it has ended.
ChildRun runToEnd(ManagedProcess& child, const std::function<void()>& begin,
                  const std::function<void(const QByteArray&)>& onBlock = nullptr)
{
    ChildRun run;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&run] { ++run.ticks; });
    tick.start(20);
    const auto blocks =
        QObject::connect(&child, &ManagedProcess::received, [&](const QByteArray& block) {
            run.outputAfterEnd |= run.endings > 0;
            run.output += block;
            run.largestBlock = qMax(run.largestBlock, block.size());
            if (onBlock)
                onBlock(block);
        });
    const auto end =
        QObject::connect(&child, &ManagedProcess::ended, [&](const ManagedProcess::Exit& exit) {
            ++run.endings;
            run.exit = exit;
            EXPECT_FALSE(child.isRunning()); // a handler may start the next run
            loop.quit();
        });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    begin();
    if (run.endings == 0)
        loop.exec();
    QObject::disconnect(blocks);
    QObject::disconnect(end);
    return run;
}

QStringList shell(const char* script)
{
    return {QStringLiteral("-c"), QString::fromLatin1(script)};
}

} // namespace

TEST(ManagedProcess, EveryBlockComesBeforeTheEndWithTheExitStatus)
{
    ManagedProcess child(256);
    const ChildRun run = runToEnd(child, [&] {
        child.start("sh", shell("head -c 10000 /dev/zero; echo oops >&2; exit 3"), "/");
    });
    EXPECT_EQ(run.endings, 1);
    EXPECT_FALSE(run.outputAfterEnd);
    EXPECT_EQ(run.output.size(), 10005); // the error output too, merged
    EXPECT_LE(run.largestBlock, 256);
    EXPECT_TRUE(run.exit.started);
    EXPECT_FALSE(run.exit.crashed || run.exit.stopped);
    EXPECT_EQ(run.exit.exitCode, 3);

    const ChildRun missing = runToEnd(child, [&] { child.start("/nonexistent/encoder", {}, "/"); });
    EXPECT_EQ(missing.endings, 1);
    EXPECT_FALSE(missing.exit.started);
    EXPECT_EQ(missing.exit.startFailure(), QStringLiteral("No such file or directory"));
}

TEST(ManagedProcess, TheChildHasAGroupOfItsOwnAndNoSignalBlocked)
{
    // Whatever the starting thread blocks must not reach the child.
    sigset_t blocked, before;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    pthread_sigmask(SIG_BLOCK, &blocked, &before);
    ManagedProcess child(4096);
    const ChildRun run = runToEnd(child, [&] {
        child.start("cat", {"/proc/self/stat", "/proc/self/status"}, "/");
    });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);

    const QString text = QString::fromLatin1(run.output);
    const QStringList stat = text.section(QLatin1Char(')'), 1).split(QLatin1Char(' '));
    ASSERT_GT(stat.size(), 3) << text.toStdString();
    EXPECT_EQ(stat.at(3), text.section(QLatin1Char(' '), 0, 0)) << "process group = its own id";
    EXPECT_TRUE(text.contains(QStringLiteral("SigBlk:\t0000000000000000")));
}

TEST(ManagedProcess, AStopEndsAStubbornChildAfterTheGraceWithoutBlocking)
{
    ManagedProcess child(256);
    // SIGTERM is ignored: only the kill after the grace ends it.
    QElapsedTimer clock;
    const ChildRun stubborn = runToEnd(
        child, [&] { child.start("sh", shell("trap '' TERM; echo up; exec sleep 30"), "/"); },
        [&](const QByteArray&) {
            clock.start();
            child.stop(400);
            EXPECT_TRUE(child.isStopping());
        });
    EXPECT_GE(clock.elapsed(), 300); // the grace, give or take a coarse timer's slack
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GT(stubborn.ticks, 10) << "the event loop ran during the grace";
    EXPECT_TRUE(stubborn.exit.stopped);
    EXPECT_TRUE(stubborn.exit.crashed);

    // One that honours SIGTERM ends at once, long before its grace is over.
    const ChildRun polite = runToEnd(child, [&] {
        child.start("sleep", {"30"}, "/");
        clock.start();
        child.stop(10000);
    });
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(polite.exit.stopped);
    EXPECT_FALSE(child.isStopping()); // the next run starts afresh
}
