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
    // A moment to compare with later; `own` counts the commands taking it,
    // which have done their work by then.
    struct Mark {
        quint64 issued = 0;
        bool settled = false;
    };
    Mark mark(quint64 own = 0) const {
        return {counts_->issued, counts_->issued - counts_->finished <= own};
    }
    // Whether no other command was on its way at the mark, nor issued since.
    bool quietSince(Mark mark) const { return mark.settled && counts_->issued == mark.issued; }

    struct Counts {
        quint64 issued = 0;
        quint64 finished = 0;
    };

private:
    std::shared_ptr<detail::CommandLink> tail_;
    // Shared with the running commands, which may outlive the chain.
    std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
};
