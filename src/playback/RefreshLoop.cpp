#include "playback/RefreshLoop.h"

#include "platform/Clock.h"
#include "playback/PlaybackViewModel.h"

RefreshLoop::RefreshLoop(PlaybackViewModel& playback, Clock& clock, QObject* parent)
    : QObject(parent)
    , playback_(&playback)
    , clock_(clock) {}

RefreshLoop::~RefreshLoop() {
    setRunning(false);
}

void RefreshLoop::setRunning(bool running) {
    if (running == isRunning()) {
        return;
    }
    if (running) {
        cancellation_.emplace();
        run(playback_, clock_, cancellation_->token());
    } else {
        cancellation_->cancel();
        cancellation_.reset();
    }
    Q_EMIT runningChanged();
}

QCoro::Task<> RefreshLoop::run(QPointer<PlaybackViewModel> playback, Clock& clock,
                               CancellationToken token) {
    // The token is checked before each pass only: a pass that has begun
    // finishes, as a stopped view no longer shows it anyway.
    while (!token.isCancelled() && playback) {
        co_await playback->refreshNowPlaying();
        if (playback) {
            co_await playback->refreshAppleMusic();
        }
        if (playback) {
            co_await playback->recordListeningSession();
        }
        // A sleep cut short (the view went) ends the loop at the check above.
        co_await clock.sleep(RefreshLoop::interval, token);
    }
}
