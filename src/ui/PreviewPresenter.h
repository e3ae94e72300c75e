#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqml.h>

#include <QCoroTask>

#include <functional>
#include <optional>

class PreviewPlayer;

// The preview button of the Up Next card. It shows for a Spotify album; the
// address of the clip is asked for only when the person presses it (once
// per album, with the progress indicator while the question is open), and
// the clip then plays. An album without a clip loses the button. Spotify
// hands no preview addresses to new apps, so that is the usual end.
class PreviewPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the Spotify client")
    Q_PROPERTY(QString albumID READ albumID WRITE setAlbumID NOTIFY albumIDChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool hasPreview READ hasPreview NOTIFY stateChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY stateChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY stateChanged)
public:
    // The preview address of a Spotify album id; nothing when it has none.
    using Lookup = std::function<QCoro::Task<std::optional<QUrl>>(QString albumID)>;

    PreviewPresenter(Lookup lookup, PreviewPlayer& player, QObject* parent = nullptr);

    // The Spotify album id of the card; empty for a local album or none.
    QString albumID() const { return albumID_; }
    void setAlbumID(const QString& albumID);
    bool isLoading() const { return loading_; }
    // The button is offered: a Spotify album not known to lack a clip.
    bool hasPreview() const { return !albumID_.isEmpty() && lookup_ && !lacksClip_; }
    bool isPlaying() const { return playing_; }
    QString symbol() const;

    Q_INVOKABLE void togglePreview();
    Q_INVOKABLE void stopPreview();

Q_SIGNALS:
    void albumIDChanged();
    void stateChanged();

private:
    // Asks for the clip's address and plays it when it comes.
    QCoro::Task<> askAndPlay(QString albumID, quint64 question);
    void play();

    Lookup lookup_;
    PreviewPlayer& player_;
    QString albumID_;
    // Answers to an earlier question (another album) are dropped.
    quint64 question_ = 0;
    bool loading_ = false;
    bool playing_ = false;
    bool lacksClip_ = false;
    std::optional<QUrl> url_;
};
