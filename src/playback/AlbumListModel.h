#pragma once

#include "model/DisplayAlbum.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// A list of albums as the grids and menus show it. A new list replaces only
// the rows that changed, found by album id: rows that stay keep their place in
// the view (scroll position, hover), and an equal list changes nothing.
class AlbumListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QString nowPlayingAlbumID READ nowPlayingAlbumID WRITE setNowPlayingAlbumID NOTIFY
                   nowPlayingAlbumIDChanged)

public:
    enum Role {
        AlbumIDRole = Qt::UserRole + 1,
        TitleRole,
        ArtistNamesRole,
        GenreRole,
        ArtworkRole,
        IsPlayingRole,
    };
    // The address a view loads an album's cover from.
    using ArtworkURL = std::function<QUrl(const DisplayAlbum&)>;

    explicit AlbumListModel(QObject* parent = nullptr);

    // By default a remote cover's own address, and none for local covers.
    static QUrl remoteArtworkURL(const DisplayAlbum& album);
    void setArtworkURL(ArtworkURL artworkURL);

    // The albums of the rows, in order.
    QList<DisplayAlbum> albums() const;
    const DisplayAlbum& album(int row) const { return *rows_[row]; }
    // The album with that id, or null.
    const DisplayAlbum* albumWithID(const QString& id) const;

    void setAlbums(QList<DisplayAlbum> albums);
    // Shows the albums at `rows` of `source`, in that order. The model keeps
    // (a shared copy of) the list, so a filter costs no copies of albums.
    void setAlbums(QList<DisplayAlbum> source, const QList<qsizetype>& rows);

    int count() const { return int(rows_.size()); }
    const QString& nowPlayingAlbumID() const { return nowPlayingAlbumID_; }
    void setNowPlayingAlbumID(const QString& id);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // A new list that needs more row steps than this is shown by a reset:
    // one rebuild of the view is quicker than thousands of small changes.
    static constexpr qsizetype maxSteps = 100;

Q_SIGNALS:
    void countChanged();
    void nowPlayingAlbumIDChanged();

private:
    void emitChanged(const QList<int>& rows, const QList<int>& roles);
    int rowOf(const QString& id) const;

    QList<DisplayAlbum> source_;      // never changed once taken
    QList<const DisplayAlbum*> rows_; // into source_, or during a change also the old one
    ArtworkURL artworkURL_;
    QString nowPlayingAlbumID_;
};
