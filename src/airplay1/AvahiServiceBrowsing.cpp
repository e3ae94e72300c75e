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

#include <map>
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

// One browse of one service type. Lives while its handle lives; everything
// but the handler is touched on Avahi's thread, with its lock held.
struct BrowseState {
    AvahiConnection* connection = nullptr;
    QString type;
    bool withTxt = false;
    AvahiServiceBrowser* browser = nullptr;
    std::map<ResultKey, AvahiServiceResolver*> resolvers;
    std::map<ResultKey, BrowseResult> results;
    QPointer<QObject> receiver;  // main-thread object the snapshots go to
    ServiceBrowsing::ResultsHandler handler;

    void report();
    void dropAvahiObjects() {
        for (auto& [key, resolver] : resolvers) {
            avahi_service_resolver_free(resolver);
        }
        resolvers.clear();
        if (browser) {
            avahi_service_browser_free(browser);
            browser = nullptr;
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

void resolved(AvahiServiceResolver*, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
              const char* name, const char* type, const char* domain, const char*,
              const AvahiAddress* address, uint16_t port, AvahiStringList* txt,
              AvahiLookupResultFlags, void* userdata) {
    auto* state = static_cast<BrowseState*>(userdata);
    ResultKey key{interface, QString::fromUtf8(name), QString::fromUtf8(type),
                  QString::fromUtf8(domain)};
    if (event != AVAHI_RESOLVER_FOUND || !address || address->proto != AVAHI_PROTO_INET) {
        return;  // keep what we had; a later resolution may succeed
    }
    char text[AVAHI_ADDRESS_STR_MAX];
    avahi_address_snprint(text, sizeof text, address);
    BrowseResult result;
    result.endpoint = ServiceEndpoint{key.name, key.type, key.domain, int(interface),
                                      QString::fromLatin1(text), port};
    result.txt = txtDictionary(txt);
    auto& slot = state->results[key];
    if (!(slot == result)) {
        slot = std::move(result);
        state->report();
    }
}

void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags, void* userdata);

class AvahiConnection : public ServiceBrowsing, public std::enable_shared_from_this<AvahiConnection> {
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
            : connection_(std::move(connection)), state_(std::move(state)),
              receiver_(std::move(receiver)) {}
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

    std::unique_ptr<Browser> browse(const QString& type, bool withTxt, ResultsHandler handler) override {
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
        state->browser = avahi_service_browser_new(client_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                                   type.constData(), nullptr, AvahiLookupFlags(0),
                                                   &browsed, state);
    }

    // Runs on Avahi's thread (or inside avahi_client_new).
    static void clientChanged(AvahiClient* client, AvahiClientState clientState, void* userdata) {
        auto* self = static_cast<AvahiConnection*>(userdata);
        if (!self->client_) {
            self->client_ = client;  // called before avahi_client_new returned
        }
        if (clientState == AVAHI_CLIENT_S_RUNNING) {
            for (BrowseState* state : self->states_) {
                if (!state->browser) {
                    startBrowser(self, state);
                }
            }
        } else if (clientState == AVAHI_CLIENT_FAILURE || clientState == AVAHI_CLIENT_CONNECTING) {
            // The daemon went away: its browsers are dead. New ones start
            // when it is back; until then the last lists stand.
            for (BrowseState* state : self->states_) {
                state->resolvers.clear();
                state->browser = nullptr;
                state->results.clear();
            }
            if (clientState == AVAHI_CLIENT_FAILURE &&
                avahi_client_errno(client) == AVAHI_ERR_DISCONNECTED) {
                avahi_client_free(client);
                self->client_ = nullptr;
                int error = 0;
                self->client_ = avahi_client_new(avahi_threaded_poll_get(self->poll_),
                                                 AVAHI_CLIENT_NO_FAIL, &AvahiConnection::clientChanged,
                                                 self, &error);
            }
        }
    }
    static void startBrowser(AvahiConnection* self, BrowseState* state) { self->startBrowser(state); }

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
        if (auto it = state->resolvers.find(key); it != state->resolvers.end()) {
            avahi_service_resolver_free(it->second);
            state->resolvers.erase(it);
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
    if (state->resolvers.count(key) > 0) {
        return;
    }
    // Listed once resolved: without address and port nobody can connect.
    AvahiServiceResolver* resolver = avahi_service_resolver_new(
        state->connection->client(), interface, protocol, name, type, domain, AVAHI_PROTO_INET,
        AvahiLookupFlags(0), &resolved, state);
    if (resolver) {
        state->resolvers.emplace(std::move(key), resolver);
    }
}
} // namespace

std::shared_ptr<ServiceBrowsing> ServiceBrowsing::avahi() { return std::make_shared<AvahiConnection>(); }
