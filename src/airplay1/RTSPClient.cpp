#include "airplay1/RTSPClient.h"

#include "airplay1/AirPlay1Error.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <coroutine>
#include <deque>

namespace {
QString dottedQuad(const QHostAddress& address, bool* ok) {
    const quint32 ipv4 = address.toIPv4Address(ok);
    return *ok ? QHostAddress(ipv4).toString() : QString();
}
} // namespace

// Everything the coroutines touch lives here, shared with their frames, so a
// client destroyed mid-request leaves them a valid object to fail on.
struct RTSPClient::State : std::enable_shared_from_this<State> {
    static constexpr qint64 maxUnreadBytes =
        RTSPResponseReader::maxHeadBytes + RTSPResponseReader::maxBodyBytes;

    explicit State(ServiceEndpoint endpoint)
        : endpoint(std::move(endpoint)) {
        const quint64 id = QRandomGenerator::system()->generate64();
        clientID = QString::number(id, 16).toUpper().rightJustified(16, u'0');
    }

    ~State() {
        if (socket) {
            // Coroutines only ever resume from the event loop, never from
            // inside a socket signal, so the socket is not on the stack here.
            socket->disconnect();
            socket->abort();
            socket.reset();
        }
    }

    void ensureSocket() {
        if (socket) {
            return;
        }
        socket = std::make_unique<QTcpSocket>();
        // Speakers sit on the local network: a desktop proxy setting must
        // not route (or delay) the connection.
        socket->setProxy(QNetworkProxy::NoProxy);
        std::weak_ptr<State> weak = weak_from_this();
        const auto onEvent = [weak] {
            if (auto self = weak.lock()) {
                self->wake();
            }
        };
        QObject::connect(socket.get(), &QTcpSocket::connected, socket.get(), onEvent);
        QObject::connect(socket.get(), &QTcpSocket::readyRead, socket.get(), [weak] {
            auto self = weak.lock();
            if (!self) {
                return;
            }
            // What a speaker sends unasked waits here until the next reply
            // is read. More than the largest reply is no reply: the session
            // is dropped rather than buffered without end.
            if (self->socket->bytesAvailable() > maxUnreadBytes && self->errorText.isEmpty()) {
                self->errorText = QStringLiteral("the speaker sent more than a reply");
                self->socket->abort();
            }
            self->wake();
        });
        QObject::connect(socket.get(), &QTcpSocket::disconnected, socket.get(), [weak] {
            if (auto self = weak.lock()) {
                self->closedByPeer = true;
                self->wake();
            }
        });
        QObject::connect(socket.get(), &QTcpSocket::errorOccurred, socket.get(),
                         [weak](QAbstractSocket::SocketError error) {
                             auto self = weak.lock();
                             if (!self) {
                                 return;
                             }
                             if (error == QAbstractSocket::RemoteHostClosedError) {
                                 self->closedByPeer = true;
                             } else if (self->errorText.isEmpty()) {
                                 self->errorText = self->socket->errorString();
                             }
                             self->wake();
                         });
    }

    // Resumes the one suspended coroutine, later from the event loop: never
    // inside a socket signal, whose emitter the resumed code may destroy.
    void wake() {
        if (!waiter) {
            return;
        }
        const auto handle = std::exchange(waiter, {});
        QTimer::singleShot(0, [self = shared_from_this(), handle] { handle.resume(); });
    }

    struct Wait {
        State* state;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { state->waiter = handle; }
        void await_resume() const noexcept {}
    };
    Wait nextEvent() { return Wait{this}; }

    // Strict call order: the first caller runs, later ones queue up.
    struct Turn {
        State* state;
        bool await_ready() const noexcept {
            if (!state->busy) {
                state->busy = true;
                return true;
            }
            return false;
        }
        void await_suspend(std::coroutine_handle<> handle) { state->queued.push_back(handle); }
        void await_resume() const noexcept {}
    };
    void endTurn() {
        if (queued.empty()) {
            busy = false;
            return;
        }
        const auto next = queued.front();
        queued.pop_front();
        QTimer::singleShot(0, [self = shared_from_this(), next] { next.resume(); });
    }

    // A later arm or a disarm defuses every earlier timer.
    void armWatchdog(std::chrono::milliseconds after) {
        const quint64 armed = ++generation;
        QTimer::singleShot(after, socket.get(), [weak = weak_from_this(), armed] {
            auto self = weak.lock();
            if (!self || self->generation != armed) {
                return;
            }
            self->watchdogFired = true;
            self->socket->abort();
            self->wake();
        });
    }
    void disarmWatchdog() { ++generation; }

    void cancel() {
        cancelled = true;
        if (socket) {
            socket->abort();
        }
        wake();
    }

    void throwIfDead() const {
        if (watchdogFired) {
            throw AirPlay1Error::connectionFailed(QStringLiteral("no reply in time"));
        }
        if (cancelled) {
            throw AirPlay1Error::connectionFailed(QStringLiteral("cancelled"));
        }
        if (!errorText.isEmpty()) {
            throw AirPlay1Error::connectionFailed(errorText);
        }
    }

    ServiceEndpoint endpoint;
    std::unique_ptr<QTcpSocket> socket;
    RTSPResponseReader reader;
    int cseq = 0;
    QString session;
    QString clientID;
    Timeouts timeouts;

    std::coroutine_handle<> waiter;
    bool busy = false;
    std::deque<std::coroutine_handle<>> queued;
    quint64 generation = 0;
    bool watchdogFired = false;
    bool cancelled = false;
    bool closedByPeer = false;
    bool handshakeTimedOut = false;
    bool readyTimedOut = false;
    QString errorText;
};

namespace {
using State = RTSPClient::State;

QCoro::Task<RTSPAddresses> connectTask(std::shared_ptr<State> s) {
    s->throwIfDead();
    s->ensureSocket();
    QHostAddress host;
    if (!host.setAddress(s->endpoint.host) || host.protocol() != QAbstractSocket::IPv4Protocol) {
        throw AirPlay1Error::connectionFailed(QStringLiteral("no IPv4 address"));
    }
    s->socket->connectToHost(host, s->endpoint.port);
    const auto unlessConnected = [weak = std::weak_ptr<State>(s)](bool State::*flag) {
        return [weak, flag] {
            auto self = weak.lock();
            if (self && self->socket->state() != QAbstractSocket::ConnectedState) {
                (*self).*flag = true;
                self->wake();
            }
        };
    };
    // A speaker that drops the handshake would keep the socket trying for
    // minutes; give up as the system would, with its own words.
    QTimer::singleShot(s->timeouts.connection, s->socket.get(),
                       unlessConnected(&State::handshakeTimedOut));
    QTimer::singleShot(s->timeouts.ready, s->socket.get(), unlessConnected(&State::readyTimedOut));
    while (s->socket->state() != QAbstractSocket::ConnectedState) {
        if (s->handshakeTimedOut) {
            s->socket->abort();
            throw AirPlay1Error::connectionFailed(qt_error_string(ETIMEDOUT));
        }
        if (s->readyTimedOut) {
            s->socket->abort();
            throw AirPlay1Error::timedOut();
        }
        if (!s->errorText.isEmpty() && !s->cancelled) {
            s->socket->abort();
        }
        s->throwIfDead();
        if (s->closedByPeer) {
            throw AirPlay1Error::connectionFailed(QStringLiteral("closed by the speaker"));
        }
        co_await s->nextEvent();
    }
    s->socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    bool localOk = false;
    bool remoteOk = false;
    RTSPAddresses addresses{dottedQuad(s->socket->localAddress(), &localOk),
                            dottedQuad(s->socket->peerAddress(), &remoteOk)};
    if (!localOk || !remoteOk) {
        s->cancel();
        throw AirPlay1Error::connectionFailed(QStringLiteral("no IPv4 address"));
    }
    co_return addresses;
}

QByteArray encodeRequest(const State& s, const QString& method, const QString& uri,
                         const QMap<QString, QString>& headers, const QByteArray& body) {
    QStringList lines;
    lines << method + u' ' + uri + QStringLiteral(" RTSP/1.0")
          << QStringLiteral("CSeq: ") + QString::number(s.cseq)
          << QStringLiteral("User-Agent: Korvid/1.0")
          << QStringLiteral("Client-Instance: ") + s.clientID
          << QStringLiteral("DACP-ID: ") + s.clientID
          << QStringLiteral("Active-Remote: 4071926385");
    if (!s.session.isEmpty()) {
        lines << QStringLiteral("Session: ") + s.session;
    }
    // QMap keeps names in code-point order, as the wire wants them.
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        lines << it.key() + QStringLiteral(": ") + it.value();
    }
    if (!body.isEmpty()) {
        lines << QStringLiteral("Content-Length: ") + QString::number(body.size());
    }
    QByteArray bytes = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")).toUtf8();
    bytes.append(body);
    return bytes;
}

QCoro::Task<RTSPResponse> readResponse(std::shared_ptr<State> s) {
    for (;;) {
        if (auto response = s->reader.take()) {
            co_return std::move(*response);
        }
        // Receive one chunk.
        for (;;) {
            if (s->socket->bytesAvailable() > 0) {
                s->reader.append(s->socket->readAll());
                break;
            }
            s->throwIfDead();
            if (s->closedByPeer || s->socket->state() == QAbstractSocket::UnconnectedState) {
                throw AirPlay1Error::connectionFailed(QStringLiteral("closed by the speaker"));
            }
            co_await s->nextEvent();
        }
    }
}

QCoro::Task<RTSPResponse> perform(std::shared_ptr<State> s, QString method, QString uri,
                                  QMap<QString, QString> headers, QByteArray body) {
    s->throwIfDead();
    if (!s->socket || s->socket->state() != QAbstractSocket::ConnectedState) {
        throw AirPlay1Error::connectionFailed(s->closedByPeer
                                                  ? QStringLiteral("closed by the speaker")
                                                  : QStringLiteral("not connected"));
    }
    ++s->cseq;
    const QByteArray bytes = encodeRequest(*s, method, uri, headers, body);
    s->armWatchdog(s->timeouts.request);
    RTSPResponse response;
    try {
        if (s->socket->write(bytes) != bytes.size()) {
            throw AirPlay1Error::connectionFailed(s->socket->errorString());
        }
        response = co_await readResponse(s);
    } catch (...) {
        s->disarmWatchdog();
        throw;
    }
    s->disarmWatchdog();
    const auto sessionHeader = response.headers.constFind(QStringLiteral("session"));
    if (sessionHeader != response.headers.cend()) {
        if (auto id = sessionIdentifier(*sessionHeader)) {
            s->session = *id;
        }
    }
    if (response.statusCode != 200) {
        throw AirPlay1Error::requestFailed(method, response.statusCode);
    }
    co_return response;
}

QCoro::Task<RTSPResponse> requestTask(std::shared_ptr<State> s, QString method, QString uri,
                                      QMap<QString, QString> headers, QByteArray body) {
    co_await State::Turn{s.get()};
    try {
        RTSPResponse response = co_await perform(s, std::move(method), std::move(uri),
                                                 std::move(headers), std::move(body));
        s->endTurn();
        co_return response;
    } catch (...) {
        s->endTurn();
        throw;
    }
}
} // namespace

RTSPClient::RTSPClient(ServiceEndpoint endpoint)
    : state_(std::make_shared<State>(std::move(endpoint))) {}

RTSPClient::~RTSPClient() {
    state_->cancel();
}

QCoro::Task<RTSPAddresses> RTSPClient::connect() {
    return connectTask(state_);
}

QCoro::Task<RTSPResponse> RTSPClient::request(QString method, QString uri,
                                              QMap<QString, QString> headers, QByteArray body) {
    return requestTask(state_, std::move(method), std::move(uri), std::move(headers),
                       std::move(body));
}

void RTSPClient::cancel() {
    state_->cancel();
}

QString RTSPClient::clientID() const {
    return state_->clientID;
}

QString RTSPClient::session() const {
    return state_->session;
}

void RTSPClient::setTimeouts(Timeouts timeouts) {
    state_->timeouts = timeouts;
}
