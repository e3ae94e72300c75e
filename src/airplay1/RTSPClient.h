#pragma once

#include "airplay1/AirPlay1Speaker.h"
#include "airplay1/RTSPResponse.h"

#include <QByteArray>
#include <QCoroTask>
#include <QMap>
#include <QString>

#include <chrono>
#include <memory>

// The local and remote IPv4 addresses of a control connection, as dotted quads.
struct RTSPAddresses {
    QString local;
    QString remote;
};

// The RTSP/1.0 control channel to one speaker: one TCP connection over IPv4,
// requests sent strictly one at a time in call order, every failure turned
// into an AirPlay1Error.
//
// Confined to the thread that creates it, which must run a Qt event loop.
// Its coroutines keep the connection state alive on their own, so the client
// may be destroyed while a request is pending: that request then fails.
class RTSPClient {
public:
    struct Timeouts {
        // The TCP handshake: a speaker that never answers it fails as the
        // system words it ("Connection timed out").
        std::chrono::milliseconds connection{5000};
        // Until the connection is ready, whatever holds it up: timedOut.
        std::chrono::milliseconds ready{10000};
        // From sending a request to its whole reply.
        std::chrono::milliseconds request{10000};
    };

    // Sets everything up; connects only in connect(). The endpoint must carry
    // a resolved IPv4 host and port.
    explicit RTSPClient(ServiceEndpoint endpoint);
    ~RTSPClient();
    RTSPClient(const RTSPClient&) = delete;
    RTSPClient& operator=(const RTSPClient&) = delete;

    // Opens the connection; fails with connectionFailed carrying the system's
    // reason (refused, unreachable, timed out), or timedOut when it is not
    // ready in time.
    QCoro::Task<RTSPAddresses> connect();

    // Sends one request and reads its reply. A status other than 200 fails
    // with requestFailed; the connection stays usable then.
    QCoro::Task<RTSPResponse> request(QString method, QString uri,
                                      QMap<QString, QString> headers = {}, QByteArray body = {});

    // Closes the control channel; a pending request fails.
    void cancel();

    // 16 upper-case hexadecimal digits, fixed for the client's life.
    QString clientID() const;
    // Session identifier learnt from the speaker, empty before SETUP.
    QString session() const;

    // Shorter guards for tests; the defaults are what speakers get.
    void setTimeouts(Timeouts timeouts);

    struct State;

private:
    std::shared_ptr<State> state_;
};
