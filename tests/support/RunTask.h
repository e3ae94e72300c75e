#pragma once

#include "platform/KorvidError.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <exception>
#include <optional>
#include <stdexcept>
#include <type_traits>

// Runs a coroutine to completion on the test's event loop and hands back its
// result or rethrows its exception. A task that has not finished within the
// time-out fails the test with TaskTimedOut.
struct TaskTimedOut : std::runtime_error {
    TaskTimedOut()
        : std::runtime_error("the task did not finish in time") {}
};

namespace detail {
template <typename T> struct TaskOutcome {
    std::conditional_t<std::is_void_v<T>, bool, std::optional<T>> value{};
    std::exception_ptr error;
    bool done = false;
    QEventLoop* loop = nullptr;
};

template <typename T>
QCoro::Task<> awaitInto(QCoro::Task<T> task, std::shared_ptr<TaskOutcome<T>> outcome) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            outcome->value = true;
        } else {
            outcome->value.emplace(co_await std::move(task));
        }
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    if (outcome->loop) {
        outcome->loop->quit();
    }
}
} // namespace detail

template <typename T>
T runTask(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    auto outcome = std::make_shared<detail::TaskOutcome<T>>();
    // Kept alive past a time-out, so a late resumption finds its frame.
    static std::vector<QCoro::Task<>> abandoned;
    auto wrapper = detail::awaitInto(std::move(task), outcome);
    if (!outcome->done) {
        QEventLoop loop;
        outcome->loop = &loop;
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
        outcome->loop = nullptr;
    }
    if (!outcome->done) {
        abandoned.push_back(std::move(wrapper));
        throw TaskTimedOut();
    }
    if (outcome->error) {
        std::rethrow_exception(outcome->error);
    }
    if constexpr (!std::is_void_v<T>) {
        return std::move(*outcome->value);
    }
}

// The error a task ends with, or nothing when it succeeded.
template <typename Error, typename T>
std::optional<Error> failureOf(QCoro::Task<T> task,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    try {
        runTask(std::move(task), timeout);
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

// What a task's failure tells the user; "(no failure)" when it succeeded.
template <typename T>
QString failureText(QCoro::Task<T> task,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto error = failureOf<KorvidError>(std::move(task), timeout);
    return error ? error->description() : QStringLiteral("(no failure)");
}

// Spins the event loop until `condition` holds or the time-out passes.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
