#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// A per-user key-value store that a platform keeps in step between the user's
// computers. Reads may find nothing at any time; writes are fire-and-forget.
class SynchronizedKeyValueStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SynchronizedKeyValueStore() override = default;

    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QString& key, const QByteArray& value) = 0;
    // Asks the platform to exchange pending changes soon.
    virtual void synchronize() = 0;

Q_SIGNALS:
    // Another computer changed the store; delivered on the main thread.
    void changedExternally();
};

// Linux has no such service: this store reads nothing and keeps nothing, so
// the local copies carry the data alone.
class NullSynchronizedKeyValueStore final : public SynchronizedKeyValueStore {
    Q_OBJECT
public:
    using SynchronizedKeyValueStore::SynchronizedKeyValueStore;

    std::optional<QByteArray> data(const QString&) const override { return std::nullopt; }
    void setData(const QString&, const QByteArray&) override {}
    void synchronize() override {}
};
