#pragma once

#include "model/DisplayAlbum.h"
#include "playback/AlbumRecordCache.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>

class AlbumFilterSettings;
class AppleMusicLibrary;
class MusicSourceSettings;

// What Home and the Library have in common: the sources their albums come
// from, the loads under way and the last one's error, and the genre chips
// in the order the user last chose genres.
class AlbumPage : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(QStringList genreRecency READ genreRecency NOTIFY genreRecencyChanged)
    Q_PROPERTY(QVariantList genreChips READ genreChips NOTIFY genreChipsChanged)

public:
    ~AlbumPage() override;

    bool isLoading() const { return loads_ > 0; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    QString errorMessageText() const { return errorMessage_.value_or(QString()); }
    const QStringList& genreRecency() const { return genreRecency_; }
    QVariantList genreChips() const { return genreChips_; }

Q_SIGNALS:
    void isLoadingChanged();
    void errorMessageChanged();
    void genreRecencyChanged();
    void genreChipsChanged();

protected:
    // `records` may be shared between pages; a private one when null.
    AlbumPage(AppleMusicLibrary& appleMusic, MusicSourceSettings& sourceSettings,
              AlbumFilterSettings& filterSettings, std::shared_ptr<AlbumRecordCache> records,
              QObject* parent);

    // Loads may overlap; the page is loading until the last one ends. A load
    // begun clears the error of the one before.
    void beginLoad();
    void endLoad();
    void setErrorMessage(std::optional<QString> message);

    // Appends every album of the local library, asking for access first.
    // False when the page was destroyed while it waited: the caller must
    // then return without touching it.
    QCoro::Task<bool> appendLocalAlbums(QList<AlbumRecord>& records);

    // The chips for these albums, announced when they differ.
    void updateGenreChips(const QList<DisplayAlbum>& albums);
    // The user went from `previous` to `chosen`: the recency list, and with
    // it the chips, follow.
    void noteGenreChoice(const Genre& previous, const Genre& chosen,
                         const QList<DisplayAlbum>& albums);

    AppleMusicLibrary& appleMusic_;
    MusicSourceSettings& sourceSettings_;
    AlbumFilterSettings& filterSettings_;
    std::shared_ptr<AlbumRecordCache> records_;

private:
    int loads_ = 0;
    std::optional<QString> errorMessage_;
    QStringList genreRecency_;
    QVariantList genreChips_;
};
