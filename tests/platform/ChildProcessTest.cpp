// The test peers' launcher: what the program printed, how it ended, and that
// a test's time-out or teardown never leaves it running.
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace std::chrono_literals;

TEST(ChildProcessTest, RunsWhereItIsToldAndTimeOutAndTeardownEndIt) {
    const ProgramRun slow = runProgram("sleep", {"30"}, 200ms);
    EXPECT_FALSE(slow.exitCode);
    EXPECT_TRUE(slow.output.contains("no end in time"));

    pid_t pid = -1;
    {
        // It runs in the folder and environment it is given.
        QProcessEnvironment environment;
        environment.insert("KORVID_PROBE", "a b");
        ChildProcess done;
        ASSERT_TRUE(done.start("/bin/sh", {"-c", "printf '%s|' \"$KORVID_PROBE\"; pwd"},
                               environment, "/tmp"));
        ASSERT_TRUE(done.waitForFinished(10s));
        EXPECT_EQ(done.output(), "a b|/tmp\n");

        ChildProcess process;
        ASSERT_TRUE(process.start("sleep", {"30"}));
        pid = process.pid();
        EXPECT_TRUE(process.isRunning());
        EXPECT_FALSE(process.waitForFinished(50ms));
    }
    // Reaped by the destructor: the pid is gone.
    EXPECT_EQ(::kill(pid, 0), -1);
}

} // namespace
