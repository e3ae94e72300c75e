#include "musicapp/MicrophoneMonitor.h"

#include "musicapp/MicrophoneRules.h"
#include "musicapp/PulseAudioInputSystem.h"
#include "platform/Clock.h"

#include <QCoreApplication>

MicrophoneMonitor::MicrophoneMonitor(QObject* parent)
    : MicrophoneMonitor(std::make_unique<PulseAudioInputSystem>(), Clock::system(),
                        QCoreApplication::applicationPid(), parent) {}

MicrophoneMonitor::MicrophoneMonitor(std::unique_ptr<AudioInputSystem> system, Clock& clock,
                                     qint64 ownProcessId, QObject* parent)
    : QObject(parent)
    , system_(std::move(system))
    , clock_(clock)
    , ownProcessId_(ownProcessId) {
    connect(
        system_.get(), &AudioInputSystem::stateChanged, this,
        [this](const AudioInputState& state) { update(isMicrophoneInUse(state, ownProcessId_)); });
}

MicrophoneMonitor::~MicrophoneMonitor() {
    // Ends a pending release without a report; the server connection goes
    // with system_.
    cancelRelease();
}

void MicrophoneMonitor::start() {
    if (started_) {
        return;
    }
    started_ = true;
    system_->start();
}

void MicrophoneMonitor::update(bool inUse) {
    if (inUse) {
        cancelRelease();
        if (!isInUse_) {
            report(true);
        }
        return;
    }
    if (isInUse_ && !release_) {
        release_.emplace();
        releaseLater(this, clock_, release_->token());
    }
}

void MicrophoneMonitor::cancelRelease() {
    if (release_) {
        // Moved out first: the sleeper may resume inside cancel().
        CancellationSource pending = *release_;
        release_.reset();
        pending.cancel();
    }
}

QCoro::Task<> MicrophoneMonitor::releaseLater(QPointer<MicrophoneMonitor> self, Clock& clock,
                                              CancellationToken token) {
    const bool completed = co_await clock.sleep(kReleaseDelay, token);
    if (!completed || token.isCancelled() || !self) {
        co_return;
    }
    self->release_.reset();
    self->report(false);
}

void MicrophoneMonitor::report(bool inUse) {
    isInUse_ = inUse;
    Q_EMIT isInUseChanged(inUse);
    if (onChange) {
        onChange(inUse);
    }
}
