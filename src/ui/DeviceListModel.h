#pragma once

#include "spotify/SpotifyRecords.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

class PlaybackViewModel;

// The Spotify Connect devices as the device picker lists them: the devices
// the last refresh found that have an id, each with its type's symbol and
// whether it is the one Spotify albums play on.
class DeviceListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the coordinator")
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString emptyTitle READ emptyTitle CONSTANT)
    Q_PROPERTY(QString emptyText READ emptyText CONSTANT)

public:
    enum Role { IdRole = Qt::UserRole + 1, NameRole, SymbolRole, IsSelectedRole };

    explicit DeviceListModel(PlaybackViewModel& playback, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool isLoading() const;
    QString title() const { return tr("Spotify Speakers"); }
    QString emptyTitle() const { return tr("No Devices Found"); }
    QString emptyText() const {
        return tr("Open Spotify on a speaker, computer, or phone, then refresh.");
    }

    // Asks Spotify for its devices again.
    Q_INVOKABLE void refresh();
    // Plays Spotify albums on the device with `id`; an unlisted id does nothing.
    Q_INVOKABLE void select(const QString& id);

Q_SIGNALS:
    void countChanged();
    void isLoadingChanged();

private:
    void reload();

    PlaybackViewModel& playback_;
    QList<SpotifyDevice> devices_; // those with an id
};
