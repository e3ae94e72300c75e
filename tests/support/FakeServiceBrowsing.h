#pragma once

#include "airplay1/ServiceBrowsing.h"

#include <QMap>

// DNS-SD without a network: the test hands each browser its result sets.
class FakeServiceBrowsing : public ServiceBrowsing {
public:
    struct Entry {
        bool withTxt = false;
        ResultsHandler handler;
        bool alive = true;
    };

    std::unique_ptr<Browser> browse(const QString& type, bool withTxt,
                                    ResultsHandler handler) override {
        ++browseCalls;
        auto entry = std::make_shared<Entry>(Entry{withTxt, std::move(handler)});
        browsers[type] = entry;
        return std::make_unique<Handle>(entry);
    }

    // Delivers a complete result set to the browser of `type`, as the
    // platform would on the main thread.
    void deliver(const QString& type, const QList<BrowseResult>& results) {
        const auto entry = browsers.value(type);
        if (entry && entry->alive) {
            entry->handler(results);
        }
    }

    int browseCalls = 0;
    QMap<QString, std::shared_ptr<Entry>> browsers;

private:
    struct Handle : Browser {
        explicit Handle(std::shared_ptr<Entry> e)
            : entry(std::move(e)) {}
        ~Handle() override { entry->alive = false; }
        std::shared_ptr<Entry> entry;
    };
};
