#pragma once

#include "platform/Keychain.h"

// The desktop's Secret Service (gnome-keyring, KWallet, ...) through
// QtKeychain. Secrets never go to a plain file: when no Secret Service
// answers, items are kept in memory for the life of the process instead.
class SecretServiceKeychain final : public Keychain {
public:
    QCoro::Task<> save(QString service, QString account, QByteArray data) override;
    QCoro::Task<std::optional<QByteArray>> load(QString service, QString account) override;
    QCoro::Task<> remove(QString service, QString account) override;

    // True once a Secret Service call failed for a reason other than a
    // missing item, so items now live in memory.
    bool usesMemoryFallback() const { return fallbackUsed_; }

private:
    MemoryKeychain memory_;
    bool fallbackUsed_ = false;
};
