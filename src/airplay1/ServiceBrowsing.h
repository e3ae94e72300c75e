#pragma once

#include "airplay1/AirPlay1Speaker.h"

#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// One DNS-SD browse result: where the service is and, when asked for and
// announced, its TXT record.
struct BrowseResult {
    ServiceEndpoint endpoint;
    std::optional<QHash<QString, QString>> txt;

    friend bool operator==(const BrowseResult&, const BrowseResult&) = default;
};

// How long to wait before resolving an announced service again after
// `failures` failed attempts in a row: 1 s, 2 s, 4 s ... and never more
// than 30 s.
constexpr std::chrono::seconds resolveRetryDelay(int failures) {
    const int doublings = std::clamp(failures - 1, 0, 5);
    return std::min(std::chrono::seconds(1 << doublings), std::chrono::seconds(30));
}

// The DNS-SD adapter: browsers that hand the whole current result set to
// their handler, on the main thread, after every change.
class ServiceBrowsing {
public:
    using ResultsHandler = std::function<void(const QList<BrowseResult>&)>;

    // A running browser; destroying it stops browsing and no handler call
    // follows.
    class Browser {
    public:
        virtual ~Browser() = default;
    };

    virtual ~ServiceBrowsing() = default;
    // Browses `type` ("_raop._tcp") in the default domain. With `withTxt`,
    // each result is resolved for its TXT record, IPv4 address and port;
    // a failed resolve is tried again while the service stays announced.
    // When the DNS-SD service goes away every result goes with it, and
    // browsing picks up again once it is back.
    virtual std::unique_ptr<Browser> browse(const QString& type, bool withTxt,
                                            ResultsHandler handler) = 0;

    // The system's avahi-daemon over D-Bus. Without a daemon nothing is found.
    static std::shared_ptr<ServiceBrowsing> avahi();
};
