#include "platform/Keychain.h"

void MemoryKeychain::put(const QString& service, const QString& account, QByteArray data) {
    items_.insert({service, account}, std::move(data));
}

std::optional<QByteArray> MemoryKeychain::get(const QString& service,
                                              const QString& account) const {
    const auto it = items_.constFind({service, account});
    if (it == items_.constEnd())
        return std::nullopt;
    return *it;
}

void MemoryKeychain::erase(const QString& service, const QString& account) {
    items_.remove({service, account});
}

QCoro::Task<> MemoryKeychain::save(QString service, QString account, QByteArray data) {
    put(service, account, std::move(data));
    co_return;
}

QCoro::Task<std::optional<QByteArray>> MemoryKeychain::load(QString service, QString account) {
    co_return get(service, account);
}

QCoro::Task<> MemoryKeychain::remove(QString service, QString account) {
    erase(service, account);
    co_return;
}
