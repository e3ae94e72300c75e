#include "platform/Clock.h"
#include "support/RunTask.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QCoro::Task<bool> sleepThen(Clock& clock, std::chrono::milliseconds duration,
                            CancellationToken token, int* resumed) {
    const bool completed = co_await clock.sleep(duration, token);
    ++*resumed;
    co_return completed;
}

TEST(ClockTest, SystemSleepCompletesOrIsCancelled) {
    int resumed = 0;
    const auto start = Clock::system().monotonic();
    EXPECT_TRUE(runTask(sleepThen(Clock::system(), 30ms, {}, &resumed)));
    EXPECT_GE(Clock::system().monotonic() - start, 30ms);

    CancellationSource source;
    QTimer::singleShot(20, [&] { source.cancel(); });
    EXPECT_FALSE(runTask(sleepThen(Clock::system(), 10s, source.token(), &resumed), 2s));
    EXPECT_EQ(resumed, 2);
    // An already cancelled token does not sleep at all.
    EXPECT_FALSE(runTask(sleepThen(Clock::system(), 10s, source.token(), &resumed), 1s));
}

} // namespace
