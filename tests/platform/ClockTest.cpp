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

TEST(ClockTest, FakeClockWakesSleepersWhenTimePasses) {
    FakeClock clock;
    int resumed = 0;
    auto task = sleepThen(clock, 2s, {}, &resumed);
    ASSERT_EQ(clock.sleeperCount(), 1);
    clock.advance(1999ms);
    waitUntil([] { return false; }, 20ms);
    EXPECT_EQ(resumed, 0);
    clock.advance(1ms);
    EXPECT_TRUE(runTask(std::move(task), 1s));
    EXPECT_EQ(resumed, 1);
    EXPECT_EQ(clock.sleeperCount(), 0);
}

TEST(ClockTest, FakeClockSleepEndsEarlyOnCancel) {
    FakeClock clock;
    CancellationSource source;
    int resumed = 0;
    auto task = sleepThen(clock, 5s, source.token(), &resumed);
    source.cancel();
    EXPECT_FALSE(runTask(std::move(task), 1s));
    const auto before = clock.now();
    clock.advance(10s);
    EXPECT_EQ(before.msecsTo(clock.now()), 10'000);
    EXPECT_EQ(resumed, 1);
}

} // namespace

namespace {
TEST(ClockTest, FakeClockCancelAfterWakeResumesOnce) {
    FakeClock clock;
    CancellationSource source;
    int resumed = 0;
    auto task = sleepThen(clock, 1s, source.token(), &resumed);
    // The wake-up is on its way when the cancellation comes: the sleeper
    // resumes once, with the wake-up.
    clock.advance(1s);
    source.cancel();
    EXPECT_TRUE(runTask(std::move(task), 1s));
    waitUntil([] { return false; }, 20ms);
    EXPECT_EQ(resumed, 1);
}
} // namespace
