#include <cerrno>
#include <csignal>

#include <gtest/gtest.h>

#include "common/interruptwatcher.h"

using transcast::InterruptWatcher;

// A signal can land between a failing call and the caller's look at errno;
// the handler's own write, which fails too once its pipe is full (nobody
// reads it here), must leave errno as the interrupted code had it.
TEST(InterruptWatcher, TheHandlerLeavesErrnoAsItWas)
{
    InterruptWatcher::catchInterrupts();
    for (int i = 0; i < 70000; ++i) {
        errno = EDOM;
        std::raise(SIGHUP);
        ASSERT_EQ(errno, EDOM) << "after signal " << i;
    }
}
