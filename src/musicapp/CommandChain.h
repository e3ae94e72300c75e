#pragma once

#include <QObject>

#include <QCoroTask>

#include <functional>
#include <memory>

namespace detail {
// Marks the end of one command, for the next one to wait on.
class CommandLink : public QObject {
    Q_OBJECT
public:
    bool done = false;
Q_SIGNALS:
    void finished();
};
} // namespace detail

// Runs asynchronous commands strictly in the order they were issued, each
// once the previous one has completed. A command's failure ends that command
// only. Main thread only.
class CommandChain {
public:
    using Body = std::function<QCoro::Task<>()>;

    void run(Body body);
    // Resumes once every command issued so far has finished.
    QCoro::Task<> idle();

private:
    std::shared_ptr<detail::CommandLink> tail_;
};
