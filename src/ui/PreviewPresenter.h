#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqml.h>

#include <QCoroTask>

#include <functional>
#include <optional>

class PreviewPlayer;

// The preview button of the Up Next card. For each Spotify album shown it
// asks once for the address of a preview clip; the button shows only when one
// came back, and the progress indicator only while the question is open.
// Spotify hands no preview addresses to new apps, so usually neither shows.
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
    bool hasPreview() const { return url_.has_value(); }
    bool isPlaying() const { return playing_; }
    QString symbol() const;

    Q_INVOKABLE void togglePreview();
    Q_INVOKABLE void stopPreview();

Q_SIGNALS:
    void albumIDChanged();
    void stateChanged();

private:
    QCoro::Task<> ask(QString albumID, quint64 question);

    Lookup lookup_;
    PreviewPlayer& player_;
    QString albumID_;
    // Answers to an earlier question (another album) are dropped.
    quint64 question_ = 0;
    bool loading_ = false;
    bool playing_ = false;
    std::optional<QUrl> url_;
};
