// The DNS-SD adapter over the avahi-daemon. Avahi runs its own poll thread;
// results are collected there under its lock and handed to the main thread
// as complete snapshots.
#include "airplay1/ServiceBrowsing.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

namespace {

class AvahiConnection;

struct ResultKey {
    AvahiIfIndex interface;
    QString name;
    QString type;
    QString domain;
    friend bool operator<(const ResultKey& a, const ResultKey& b) {
        return std::tie(a.interface, a.name, a.type, a.domain) <
               std::tie(b.interface, b.name, b.type, b.domain);
    }
};

struct BrowseState;

// The resolving of one announced service: the running resolver, or, after
// a failed attempt, the timer of the next one.
struct Resolution {
    BrowseState* state = nullptr;
    ResultKey key;
    AvahiProtocol protocol = AVAHI_PROTO_INET;
    AvahiServiceResolver* resolver = nullptr;
    AvahiTimeout* retry = nullptr;
    int failures = 0; // in a row; a success starts the count again
};

// One browse of one service type. Lives while its handle lives; everything
// but the handler is touched on Avahi's thread, with its lock held.
struct BrowseState {
    AvahiConnection* connection = nullptr;
    QString type;
    bool withTxt = false;
    AvahiServiceBrowser* browser = nullptr;
    std::map<ResultKey, std::unique_ptr<Resolution>> resolutions;
    std::map<ResultKey, BrowseResult> results;
    QPointer<QObject> receiver; // main-thread object the snapshots go to
    ServiceBrowsing::ResultsHandler handler;

    void report();
    void dropAvahiObjects();
    // The daemon is gone: so is everything it told us.
    void forgetEverything() {
        dropAvahiObjects();
        if (!results.empty()) {
            results.clear();
            report();
        }
    }
};

QHash<QString, QString> txtDictionary(AvahiStringList* list) {
    QHash<QString, QString> txt;
    for (AvahiStringList* item = list; item; item = avahi_string_list_get_next(item)) {
        char* key = nullptr;
        char* value = nullptr;
        size_t size = 0;
        if (avahi_string_list_get_pair(item, &key, &value, &size) != 0) {
            continue;
        }
        txt.insert(QString::fromUtf8(key),
                   value ? QString::fromUtf8(value, qsizetype(size)) : QString());
        avahi_free(key);
        avahi_free(value);
    }
    return txt;
}

void startResolving(Resolution* resolution);

void retryDue(AvahiTimeout*, void* userdata) {
    startResolving(static_cast<Resolution*>(userdata));
}

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
              AvahiResolverEvent event, const char*, const char*, const char*, const char*,
              const AvahiAddress* address, uint16_t port, AvahiStringList* txt,
              AvahiLookupResultFlags, void* userdata);
void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags, void* userdata);

class AvahiConnection : public ServiceBrowsing,
                        public std::enable_shared_from_this<AvahiConnection> {
public:
    AvahiConnection() {
        poll_ = avahi_threaded_poll_new();
        if (!poll_) {
            return;
        }
        int error = 0;
        // Without a daemon the client waits for one instead of failing.
        client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL,
                                   &AvahiConnection::clientChanged, this, &error);
        if (client_) {
            avahi_threaded_poll_start(poll_);
        }
    }

    ~AvahiConnection() override {
        if (poll_) {
            avahi_threaded_poll_stop(poll_);
            if (client_) {
                avahi_client_free(client_);
            }
            avahi_threaded_poll_free(poll_);
        }
    }

    class Handle : public Browser {
    public:
        Handle(std::shared_ptr<AvahiConnection> connection, std::unique_ptr<BrowseState> state,
               std::unique_ptr<QObject> receiver)
            : connection_(std::move(connection))
            , state_(std::move(state))
            , receiver_(std::move(receiver)) {}
        ~Handle() override {
            connection_->remove(state_.get());
            // Snapshots still queued for the receiver die with it.
            receiver_.reset();
        }

    private:
        std::shared_ptr<AvahiConnection> connection_;
        std::unique_ptr<BrowseState> state_;
        std::unique_ptr<QObject> receiver_;
    };

    std::unique_ptr<Browser> browse(const QString& type, bool withTxt,
                                    ResultsHandler handler) override {
        auto state = std::make_unique<BrowseState>();
        auto receiver = std::make_unique<QObject>();
        state->connection = this;
        state->type = type;
        state->withTxt = withTxt;
        state->receiver = receiver.get();
        state->handler = std::move(handler);
        if (poll_) {
            avahi_threaded_poll_lock(poll_);
            states_.insert(state.get());
            if (client_ && avahi_client_get_state(client_) == AVAHI_CLIENT_S_RUNNING) {
                startBrowser(state.get());
            }
            avahi_threaded_poll_unlock(poll_);
        }
        return std::make_unique<Handle>(shared_from_this(), std::move(state), std::move(receiver));
    }

    AvahiClient* client() const { return client_; }
    const AvahiPoll* poll() const { return avahi_threaded_poll_get(poll_); }

private:
    void remove(BrowseState* state) {
        if (!poll_) {
            return;
        }
        avahi_threaded_poll_lock(poll_);
        state->dropAvahiObjects();
        states_.erase(state);
        avahi_threaded_poll_unlock(poll_);
    }

    void startBrowser(BrowseState* state) {
        const QByteArray type = state->type.toUtf8();
        state->browser =
            avahi_service_browser_new(client_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, type.constData(),
                                      nullptr, AvahiLookupFlags(0), &browsed, state);
    }

    // Runs on Avahi's thread (or inside avahi_client_new).
    static void clientChanged(AvahiClient* client, AvahiClientState clientState, void* userdata) {
        auto* self = static_cast<AvahiConnection*>(userdata);
        if (!self->client_) {
            self->client_ = client; // called before avahi_client_new returned
        }
        switch (clientState) {
        case AVAHI_CLIENT_S_RUNNING:
            for (BrowseState* state : self->states_) {
                if (!state->browser) {
                    self->startBrowser(state);
                }
            }
            break;
        case AVAHI_CLIENT_S_REGISTERING:
        case AVAHI_CLIENT_S_COLLISION:
            break; // our host name is being settled; browsing goes on
        case AVAHI_CLIENT_CONNECTING:
        case AVAHI_CLIENT_FAILURE:
            // No daemon, no results: what it found may have gone meanwhile.
            // Whatever is still there is found again once it is back.
            for (BrowseState* state : self->states_) {
                state->forgetEverything();
            }
            if (clientState == AVAHI_CLIENT_FAILURE &&
                avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
                // A client that lost its daemon stays dead; a new one waits
                // for the daemon to come back.
                avahi_client_free(client);
                self->client_ = nullptr;
                int error = 0;
                self->client_ = avahi_client_new(self->poll(), AVAHI_CLIENT_NO_FAIL,
                                                 &AvahiConnection::clientChanged, self, &error);
            }
            break;
        }
    }

    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    std::set<BrowseState*> states_;
};

void BrowseState::report() {
    QList<BrowseResult> snapshot;
    snapshot.reserve(qsizetype(results.size()));
    for (const auto& [key, result] : results) {
        snapshot.append(result);
    }
    QObject* target = receiver.data();
    if (!target) {
        return;
    }
    // `this` stays valid while the receiver lives: both go with the handle.
    QMetaObject::invokeMethod(
        target, [this, snapshot] { handler(snapshot); }, Qt::QueuedConnection);
}

void freeResolution(Resolution& resolution) {
    if (resolution.resolver) {
        avahi_service_resolver_free(resolution.resolver);
        resolution.resolver = nullptr;
    }
    if (resolution.retry) {
        const AvahiPoll* poll = resolution.state->connection->poll();
        poll->timeout_free(resolution.retry);
        resolution.retry = nullptr;
    }
}

void BrowseState::dropAvahiObjects() {
    for (auto& [key, resolution] : resolutions) {
        freeResolution(*resolution);
    }
    resolutions.clear();
    if (browser) {
        avahi_service_browser_free(browser);
        browser = nullptr;
    }
}

void retryLater(Resolution* resolution) {
    ++resolution->failures;
    const auto delay = std::chrono::milliseconds(resolveRetryDelay(resolution->failures));
    timeval due{};
    avahi_elapse_time(&due, unsigned(delay.count()), 0);
    const AvahiPoll* poll = resolution->state->connection->poll();
    if (resolution->retry) {
        poll->timeout_update(resolution->retry, &due);
    } else {
        resolution->retry = poll->timeout_new(poll, &due, &retryDue, resolution);
    }
}

void startResolving(Resolution* resolution) {
    const ResultKey& key = resolution->key;
    const QByteArray name = key.name.toUtf8();
    const QByteArray type = key.type.toUtf8();
    const QByteArray domain = key.domain.toUtf8();
    resolution->resolver = avahi_service_resolver_new(
        resolution->state->connection->client(), key.interface, resolution->protocol,
        name.constData(), type.constData(), domain.constData(), AVAHI_PROTO_INET,
        AvahiLookupFlags(0), &resolved, resolution);
    if (!resolution->resolver) {
        retryLater(resolution);
    }
}

void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
              AvahiResolverEvent event, const char*, const char*, const char*, const char*,
              const AvahiAddress* address, uint16_t port, AvahiStringList* txt,
              AvahiLookupResultFlags, void* userdata) {
    auto* resolution = static_cast<Resolution*>(userdata);
    if (event != AVAHI_RESOLVER_FOUND || !address || address->proto != AVAHI_PROTO_INET) {
        // A missed answer must not hide the speaker for good: ask again
        // while it is announced. What we had meanwhile stays.
        avahi_service_resolver_free(resolver);
        resolution->resolver = nullptr;
        retryLater(resolution);
        return;
    }
    resolution->failures = 0;
    const ResultKey& key = resolution->key;
    char text[AVAHI_ADDRESS_STR_MAX];
    avahi_address_snprint(text, sizeof text, address);
    BrowseResult result;
    result.endpoint = ServiceEndpoint{
        key.name, key.type, key.domain, int(interface), QString::fromLatin1(text), port};
    result.txt = txtDictionary(txt);
    BrowseState* state = resolution->state;
    auto& slot = state->results[key];
    if (!(slot == result)) {
        slot = std::move(result);
        state->report();
    }
}

void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags, void* userdata) {
    auto* state = static_cast<BrowseState*>(userdata);
    if (event != AVAHI_BROWSER_NEW && event != AVAHI_BROWSER_REMOVE) {
        return;
    }
    ResultKey key{interface, QString::fromUtf8(name), QString::fromUtf8(type),
                  QString::fromUtf8(domain)};
    if (event == AVAHI_BROWSER_REMOVE) {
        if (auto it = state->resolutions.find(key); it != state->resolutions.end()) {
            freeResolution(*it->second);
            state->resolutions.erase(it);
        }
        if (state->results.erase(key) > 0) {
            state->report();
        }
        return;
    }
    if (!state->withTxt) {
        BrowseResult result;
        result.endpoint = ServiceEndpoint{key.name, key.type, key.domain, int(interface), {}, 0};
        state->results[key] = std::move(result);
        state->report();
        return;
    }
    if (state->resolutions.count(key) > 0) {
        return;
    }
    // Listed once resolved: without address and port nobody can connect.
    auto resolution = std::make_unique<Resolution>();
    resolution->state = state;
    resolution->key = key;
    resolution->protocol = protocol;
    startResolving(resolution.get());
    state->resolutions.emplace(std::move(key), std::move(resolution));
}
} // namespace

std::shared_ptr<ServiceBrowsing> ServiceBrowsing::avahi() {
    return std::make_shared<AvahiConnection>();
}
