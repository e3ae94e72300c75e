#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QString>

#include <optional>
#include <utility>

// What went wrong with a keychain's last call, for the person to be told.
enum class KeychainProblem {
    none,
    noAnswer,   // it did not answer in time (a locked keyring's prompt left open)
    notStored,  // a save failed: the item is kept in memory until the program ends
    notRead,    // a load failed: the item could not be read
    notRemoved, // a removal failed: the item may still be there
};

// A per-user store of secret items keyed by service and account. A call
// never fails: a save that the store refuses is kept in memory, a load
// that fails yields nothing; problem() tells what the last call met.
class Keychain {
public:
    virtual ~Keychain() = default;

    virtual KeychainProblem problem() const { return KeychainProblem::none; }

    // Replaces the item's value.
    virtual QCoro::Task<> save(QString service, QString account, QByteArray data) = 0;
    virtual QCoro::Task<std::optional<QByteArray>> load(QString service, QString account) = 0;
    virtual QCoro::Task<> remove(QString service, QString account) = 0;
};

// Items held by this process only; they are gone when it ends. Stands in when
// no Secret Service answers, and serves pure-logic tests.
class MemoryKeychain final : public Keychain {
public:
    QCoro::Task<> save(QString service, QString account, QByteArray data) override;
    QCoro::Task<std::optional<QByteArray>> load(QString service, QString account) override;
    QCoro::Task<> remove(QString service, QString account) override;

    // Synchronous access for callers that hold the concrete type.
    void put(const QString& service, const QString& account, QByteArray data);
    std::optional<QByteArray> get(const QString& service, const QString& account) const;
    void erase(const QString& service, const QString& account);

private:
    QHash<std::pair<QString, QString>, QByteArray> items_;
};
