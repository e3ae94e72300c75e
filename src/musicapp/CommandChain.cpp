#include "musicapp/CommandChain.h"

#include <QCoroSignal>

namespace {

QCoro::Task<> waitFor(std::shared_ptr<detail::CommandLink> link) {
    if (link && !link->done) {
        co_await qCoro(link.get(), &detail::CommandLink::finished);
    }
}

// The body lives in this frame, so a lambda's captures outlast its awaits.
QCoro::Task<> runAfter(std::shared_ptr<detail::CommandLink> previous,
                       std::shared_ptr<detail::CommandLink> link,
                       std::shared_ptr<CommandChain::Counts> counts, CommandChain::Body body) {
    co_await waitFor(std::move(previous));
    try {
        co_await body();
    } catch (...) {
        // Each command reports its own failures; one that got away ends here.
    }
    ++counts->finished;
    link->done = true;
    Q_EMIT link->finished();
}

} // namespace

void CommandChain::run(Body body) {
    auto link = std::make_shared<detail::CommandLink>();
    auto previous = std::exchange(tail_, link);
    ++counts_->issued;
    // Fire and forget: the task ends by itself.
    runAfter(std::move(previous), std::move(link), counts_, std::move(body));
}

QCoro::Task<> CommandChain::idle() {
    co_await waitFor(tail_);
}
