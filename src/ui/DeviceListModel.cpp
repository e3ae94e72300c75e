#include "ui/DeviceListModel.h"

#include "playback/PlaybackViewModel.h"
#include "ui/PlaybackTexts.h"

DeviceListModel::DeviceListModel(PlaybackViewModel& playback, QObject* parent)
    : QAbstractListModel(parent)
    , playback_(playback) {
    connect(&playback_, &PlaybackViewModel::devicesChanged, this, &DeviceListModel::reload);
    connect(&playback_, &PlaybackViewModel::selectedDeviceIDChanged, this, [this] {
        if (!devices_.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(devices_.size()) - 1), {IsSelectedRole});
    });
    connect(&playback_, &PlaybackViewModel::isLoadingDevicesChanged, this,
            &DeviceListModel::isLoadingChanged);
    reload();
}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(devices_.size());
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= devices_.size())
        return {};
    const SpotifyDevice& device = devices_[index.row()];
    switch (role) {
    case IdRole:
        return device.id;
    case NameRole:
        return PlaybackTexts::readableName(device.name);
    case SymbolRole:
        return PlaybackTexts::spotifyDeviceSymbol(device.type);
    case IsSelectedRole:
        return playback_.selectedDeviceID() == device.id;
    default:
        return {};
    }
}

QHash<int, QByteArray> DeviceListModel::roleNames() const {
    return {
        {IdRole, "id"}, {NameRole, "name"}, {SymbolRole, "symbol"}, {IsSelectedRole, "isSelected"}};
}

bool DeviceListModel::isLoading() const {
    return playback_.isLoadingDevices();
}

void DeviceListModel::refresh() {
    playback_.refreshDevices();
}

void DeviceListModel::select(const QString& id) {
    for (const SpotifyDevice& device : devices_) {
        if (device.id == id) {
            playback_.selectDevice(device);
            return;
        }
    }
}

void DeviceListModel::reload() {
    QList<SpotifyDevice> listed;
    for (const SpotifyDevice& device : playback_.devices()) {
        // Without an id a device cannot be chosen: Spotify gives it none while
        // it is restricted or not yet ready.
        if (!device.id.trimmed().isEmpty())
            listed.append(device);
    }
    const bool countChanges = listed.size() != devices_.size();
    beginResetModel();
    devices_ = std::move(listed);
    endResetModel();
    if (countChanges)
        Q_EMIT countChanged();
}
