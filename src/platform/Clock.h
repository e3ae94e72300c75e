#pragma once

#include "platform/Cancellation.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>

#include <chrono>

// Wakes one sleeping coroutine; `completed` is false when the sleep was cancelled.
class SleepWaker : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void finished(bool completed);
};

// The program's source of time. Models read "now" and sleep through it so
// tests can move time forward instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;

    // Wall-clock time.
    virtual QDateTime now() const = 0;
    // A monotonic reading, unaffected by changes of the wall clock.
    virtual std::chrono::milliseconds monotonic() const = 0;
    // Resumes after `duration`, or earlier when `token` is cancelled.
    // Yields true when the whole duration passed.
    virtual QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                                    CancellationToken token = {}) = 0;

    // The real clock, shared by the whole program.
    static Clock& system();
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    std::chrono::milliseconds monotonic() const override;
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                            CancellationToken token = {}) override;
};
