#pragma once

#include "playback/ResumeOffer.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqml.h>

#include <functional>
#include <optional>

class Clock;
class LocalPlayback;
class PlaybackViewModel;

// "Pick up where you left off?": asks the coordinator once for the offer and
// words it for the card. The card shows while `hasOffer` holds.
class ResumeOfferPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the coordinator")
    Q_PROPERTY(bool hasOffer READ hasOffer NOTIFY offerChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString albumTitle READ albumTitle NOTIFY offerChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY offerChanged)
    Q_PROPERTY(QString deviceText READ deviceText NOTIFY offerChanged)
    Q_PROPERTY(QString deviceSymbol READ deviceSymbol NOTIFY offerChanged)
    Q_PROPERTY(QString positionText READ positionText NOTIFY offerChanged)
    Q_PROPERTY(QString resumeText READ resumeText NOTIFY offerChanged)
    Q_PROPERTY(bool canPlayHere READ canPlayHere NOTIFY offerChanged)
    Q_PROPERTY(QUrl artwork READ artwork NOTIFY offerChanged)
public:
    using CoverSource = std::function<QUrl(const QString& albumID, const AlbumArtwork&)>;

    ResumeOfferPresenter(PlaybackViewModel& playback, LocalPlayback& appleMusic, Clock& clock,
                         CoverSource cover, QObject* parent = nullptr);

    bool hasOffer() const { return offer_.has_value(); }
    const std::optional<ResumeOffer>& offer() const { return offer_; }
    QString title() const { return tr("Pick up where you left off?"); }
    QString albumTitle() const;
    // "Track 3 · Played 2 hours ago".
    QString detail() const;
    QString deviceText() const;
    QString deviceSymbol() const;
    QString positionText() const;
    QString resumeText() const;
    // A local album can always start on this computer instead.
    bool canPlayHere() const { return offer_ && offer_->album; }
    QUrl artwork() const;

    // Asks for the offer; the coordinator gives one at most once in its life.
    Q_INVOKABLE void request();
    Q_INVOKABLE void resume();
    Q_INVOKABLE void playHere();
    Q_INVOKABLE void dismiss();

Q_SIGNALS:
    void offerChanged();

private:
    void setOffer(std::optional<ResumeOffer> offer);

    PlaybackViewModel& playback_;
    LocalPlayback& appleMusic_;
    Clock& clock_;
    CoverSource cover_;
    std::optional<ResumeOffer> offer_;
};
