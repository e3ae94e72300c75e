#include "ui/ResumeOfferPresenter.h"

#include "musicapp/LocalPlayback.h"
#include "platform/Clock.h"
#include "platform/SaturatingMath.h"
#include "playback/PlaybackViewModel.h"
#include "ui/PlaybackTexts.h"

ResumeOfferPresenter::ResumeOfferPresenter(PlaybackViewModel& playback, LocalPlayback& appleMusic,
                                           Clock& clock, CoverSource cover, QObject* parent)
    : QObject(parent)
    , playback_(playback)
    , appleMusic_(appleMusic)
    , clock_(clock)
    , cover_(std::move(cover)) {}

QString ResumeOfferPresenter::albumTitle() const {
    return offer_ ? offer_->session.albumTitle : QString();
}

QString ResumeOfferPresenter::detail() const {
    if (!offer_) {
        return {};
    }
    return tr("Track %1 · Played %2")
        .arg(offer_->session.trackIndex + 1)
        .arg(PlaybackTexts::relativeTime(offer_->session.updatedAt, clock_.now()));
}

QString ResumeOfferPresenter::deviceText() const {
    return offer_ ? tr("Last played on %1").arg(PlaybackTexts::deviceName(offer_->session.device))
                  : QString();
}

QString ResumeOfferPresenter::deviceSymbol() const {
    return offer_ ? offer_->session.device.systemImage() : QString();
}

QString ResumeOfferPresenter::positionText() const {
    return offer_ ? PlaybackTexts::time(
                        Saturating::millisecondsFromSeconds(offer_->session.positionSeconds))
                  : QString();
}

QString ResumeOfferPresenter::resumeText() const {
    return offer_ ? tr("Resume on %1").arg(PlaybackTexts::deviceName(offer_->session.device))
                  : QString();
}

QUrl ResumeOfferPresenter::artwork() const {
    return offer_ && cover_ ? cover_(offer_->session.albumID, offer_->artwork) : QUrl();
}

void ResumeOfferPresenter::request() {
    [](QPointer<ResumeOfferPresenter> self, PlaybackViewModel& playback) -> QCoro::Task<> {
        std::optional<ResumeOffer> offer = co_await playback.makeResumeOffer();
        if (self && offer) {
            self->setOffer(std::move(offer));
        }
    }(this, playback_);
}

void ResumeOfferPresenter::resume() {
    if (offer_) {
        playback_.resume(*offer_);
    }
    dismiss();
}

void ResumeOfferPresenter::playHere() {
    if (!canPlayHere()) {
        return;
    }
    [](LocalPlayback& local, PlaybackViewModel& playback, ResumeOffer offer) -> QCoro::Task<> {
        co_await local.selectThisMac();
        co_await playback.play(*offer.album, resumeTrackIndex(offer.session),
                               offer.session.positionSeconds);
    }(appleMusic_, playback_, *offer_);
    dismiss();
}

void ResumeOfferPresenter::dismiss() {
    setOffer(std::nullopt);
}

void ResumeOfferPresenter::setOffer(std::optional<ResumeOffer> offer) {
    offer_ = std::move(offer);
    Q_EMIT offerChanged();
}
