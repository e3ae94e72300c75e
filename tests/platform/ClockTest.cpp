#include "platform/Clock.h"
#include "support/FakeClock.h"
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

// A sleeper wakes when its time has passed, not before; one cancelled
// while its wake-up is on its way resumes only once, with the wake-up.
TEST(ClockTest, FakeClockWakesSleepersOnceWhenTimePasses) {
    FakeClock clock;
    int resumed = 0;
    auto woken = sleepThen(clock, 2s, {}, &resumed);
    ASSERT_EQ(clock.sleeperCount(), 1);
    clock.advance(1999ms);
    waitUntil([] { return false; }, 20ms);
    EXPECT_EQ(resumed, 0);
    clock.advance(1ms);
    EXPECT_TRUE(runTask(std::move(woken), 1s));
    EXPECT_EQ(resumed, 1);
    EXPECT_EQ(clock.sleeperCount(), 0);

    CancellationSource late;
    auto raced = sleepThen(clock, 1s, late.token(), &resumed);
    clock.advance(1s);
    late.cancel();
    EXPECT_TRUE(runTask(std::move(raced), 1s));
    waitUntil([] { return false; }, 20ms);
    EXPECT_EQ(resumed, 2);
}

} // namespace
