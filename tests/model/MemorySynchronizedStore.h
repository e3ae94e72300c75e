#pragma once

#include "platform/SynchronizedKeyValueStore.h"

#include <QHash>

// A synchronised store held in memory, standing in for another computer's
// copy: tests put bytes in and read what was written.
class MemorySynchronizedStore final : public SynchronizedKeyValueStore {
public:
    std::optional<QByteArray> data(const QString& key) const override {
        const auto it = values.constFind(key);
        return it == values.cend() ? std::nullopt : std::optional<QByteArray>(*it);
    }
    void setData(const QString& key, const QByteArray& value) override {
        values.insert(key, value);
    }
    void synchronize() override { ++synchronizations; }

    QHash<QString, QByteArray> values;
    int synchronizations = 0;
};
