#include "airplay1/RTSPClient.h"
#include "airplay1/AirPlay1Error.h"

#include "support/RunTask.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A client connected to a speaker whose every byte the test writes: the
// speaker reads whole requests and answers with whatever segments the test
// chooses.
struct Connected {
    QTcpServer server;
    std::unique_ptr<QTcpSocket> speaker;
    std::unique_ptr<RTSPClient> client;
    QByteArray received;

    Connected() {
        server.listen(QHostAddress::LocalHost, 0);
        client = std::make_unique<RTSPClient>(ServiceEndpoint{
            QStringLiteral("0011223344AA@Scripted"), QStringLiteral("_raop._tcp"),
            QStringLiteral("local"), 1, QStringLiteral("127.0.0.1"), server.serverPort()});
        auto connecting = client->connect();
        if (!waitUntil([&] { return server.hasPendingConnections(); }, 5s)) {
            ADD_FAILURE() << "the client never connected";
            return;
        }
        speaker.reset(server.nextPendingConnection());
        const RTSPAddresses addresses = runTask(std::move(connecting));
        EXPECT_EQ(addresses.local, "127.0.0.1");
        EXPECT_EQ(addresses.remote, "127.0.0.1");
    }

    // The next whole request (head and body), or nothing within the time.
    std::optional<QByteArray> nextRequest(std::chrono::milliseconds timeout = 5s) {
        qsizetype length = -1;
        const bool complete = waitUntil(
            [&] {
                received += speaker->readAll();
                const qsizetype end = received.indexOf("\r\n\r\n");
                if (end < 0) {
                    return false;
                }
                qsizetype body = 0;
                const qsizetype at = received.indexOf("Content-Length: ");
                if (at >= 0 && at < end) {
                    body =
                        received.mid(at + 16, received.indexOf("\r\n", at) - at - 16).toLongLong();
                }
                length = end + 4 + body;
                return received.size() >= length;
            },
            timeout);
        if (!complete) {
            return std::nullopt;
        }
        QByteArray request = received.left(length);
        received.remove(0, length);
        return request;
    }

    bool staysQuiet(std::chrono::milliseconds span = 150ms) {
        waitUntil([] { return false; }, span);
        received += speaker->readAll();
        return received.isEmpty();
    }

    void send(const QByteArray& bytes) {
        speaker->write(bytes);
        speaker->flush();
        waitUntil([&] { return speaker->bytesToWrite() == 0; }, 2s);
    }
};

TEST(RTSPClient, SendsRequestsOneAtATimeInCallOrder) {
    Connected c;
    const QString id = c.client->clientID();
    ASSERT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{16}$")).match(id).hasMatch());

    auto announce =
        c.client->request(QStringLiteral("ANNOUNCE"), QStringLiteral("rtsp://127.0.0.1/1"),
                          {{QStringLiteral("Transport"), QStringLiteral("t")},
                           {QStringLiteral("Range"), QStringLiteral("npt=0-")},
                           {QStringLiteral("Content-Type"), QStringLiteral("application/sdp")},
                           {QStringLiteral("RTP-Info"), QStringLiteral("seq=1")}},
                          QByteArray("v=0\r\n"));
    auto options = c.client->request(QStringLiteral("OPTIONS"), QStringLiteral("*"));

    const auto first = c.nextRequest();
    ASSERT_TRUE(first);
    const QByteArray expected = "ANNOUNCE rtsp://127.0.0.1/1 RTSP/1.0\r\n"
                                "CSeq: 1\r\n"
                                "User-Agent: Korvid/1.0\r\n"
                                "Client-Instance: " +
                                id.toLatin1() +
                                "\r\n"
                                "DACP-ID: " +
                                id.toLatin1() +
                                "\r\n"
                                "Active-Remote: 4071926385\r\n"
                                "Content-Type: application/sdp\r\n"
                                "RTP-Info: seq=1\r\n"
                                "Range: npt=0-\r\n"
                                "Transport: t\r\n"
                                "Content-Length: 5\r\n"
                                "\r\n"
                                "v=0\r\n";
    EXPECT_EQ(*first, expected);
    EXPECT_TRUE(c.staysQuiet()) << "the second request went out before the first reply";

    // The reply arrives in three segments, the cut inside the head.
    c.send("RTSP/1.0 200 OK\r\nCSe");
    c.send("q: 1\r\nsEsSiOn: 12345;timeout=60\r\n");
    EXPECT_TRUE(c.staysQuiet());
    c.send("Audio-Jack-Status: connected\r\n\r\n");

    const auto second = c.nextRequest();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->contains("\r\nCSeq: 2\r\n")) << second->toStdString();
    EXPECT_TRUE(second->contains("\r\nSession: 12345\r\n")) << second->toStdString();
    EXPECT_FALSE(second->contains("Content-Length")) << "no body, no length";
    c.send("RTSP/1.0 200 OK\r\nCSeq: 2\r\nPublic: ANNOUNCE, SETUP\r\n\r\n");

    const RTSPResponse announced = runTask(std::move(announce));
    EXPECT_EQ(announced.statusCode, 200);
    EXPECT_EQ(announced.header("audio-jack-status"), "connected");
    const RTSPResponse answered = runTask(std::move(options));
    EXPECT_EQ(answered.header("public"), "ANNOUNCE, SETUP");
    EXPECT_EQ(c.client->session(), "12345");
}

// A reply that cannot be read, a rejection, and a speaker that hangs up
// half-way through its reply or falls silent each fail the request.
TEST(RTSPClient, TurnsBrokenRepliesAndSpeakersIntoErrors) {
    const QString unreadable = "The speaker sent a reply Korvid couldn't read.";
    const struct {
        QByteArray reply;
        QString message;
        bool hangUp = false;
    } cases[] = {
        {"RTSP/1.0 OK\r\n\r\n", unreadable},
        {"RTSP/1.0\r\n\r\n", unreadable},
        {"\r\n\r\n", unreadable},
        {"RTSP/1.0 200 \xff\xfe\r\n\r\n", unreadable},
        {"RTSP/1.0 200 OK\r\nContent-Length: 999999999999\r\n\r\n", unreadable},
        {"RTSP/1.0 401 Unauthorized\r\n\r\n", "The speaker rejected RECORD (status 401)."},
        {"RTSP/1.0 200 OK\r\n", "The connection failed (closed by the speaker).", true},
    };
    for (const auto& c : cases) {
        Connected connected;
        auto record =
            connected.client->request(QStringLiteral("RECORD"), QStringLiteral("rtsp://x/1"));
        ASSERT_TRUE(connected.nextRequest());
        connected.send(c.reply);
        if (c.hangUp) {
            connected.speaker->close();
        }
        EXPECT_EQ(failureText(std::move(record)), c.message) << c.reply.toStdString();
    }

    Connected c;
    c.client->setTimeouts({.request = 300ms});
    auto options = c.client->request(QStringLiteral("OPTIONS"), QStringLiteral("*"));
    ASSERT_TRUE(c.nextRequest());
    const auto begun = std::chrono::steady_clock::now();
    const auto error = failureOf<AirPlay1Error>(std::move(options), 5s);
    ASSERT_TRUE(error) << "a silent speaker must fail the request";
    EXPECT_EQ(error->kind(), AirPlay1Error::Kind::connectionFailed);
    EXPECT_GE(std::chrono::steady_clock::now() - begun, 250ms);
    // The watchdog closed the connection: the channel is dead now.
    EXPECT_EQ(
        failureText(c.client->request(QStringLiteral("OPTIONS"), QStringLiteral("*"))).left(23),
        "The connection failed (");
}

// Between requests a speaker has nothing to say; one that keeps sending is
// dropped once it has sent more than the largest reply, not buffered.
TEST(RTSPClient, DropsASpeakerThatSendsMoreThanAReplyUnasked) {
    Connected c;
    c.send(
        QByteArray(RTSPResponseReader::maxHeadBytes + RTSPResponseReader::maxBodyBytes + 1, 'x'));
    // The client hung up on it, having read no more than that.
    EXPECT_TRUE(waitUntil([&] { return c.speaker->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_EQ(failureText(c.client->request(QStringLiteral("OPTIONS"), QStringLiteral("*"))),
              "The connection failed (the speaker sent more than a reply).");
}

// A loopback port whose listener's backlog is full: the kernel drops every
// further handshake, as with a speaker that left the network.
class BlackholedPort {
public:
    BlackholedPort() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        for (int i = 0; i < 16; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(fd, reinterpret_cast<sockaddr*>(&address), length);
            pollfd writable{fd, POLLOUT, 0};
            if (poll(&writable, 1, 200) != 1) {
                ::close(fd);
                port_ = ntohs(address.sin_port);
                return;
            }
            fillers_.push_back(fd);
        }
    }
    ~BlackholedPort() {
        for (const int fd : fillers_) {
            ::close(fd);
        }
        ::close(listener_);
    }
    // 0 when the backlog never filled up.
    quint16 port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    quint16 port_ = 0;
};

TEST(RTSPClient, GivesUpOnAnUnreachableSpeakerWithTheSystemsReason) {
    BlackholedPort blackholed;
    ASSERT_NE(blackholed.port(), 0) << "the listener's backlog never filled up";
    quint16 closed = 0;
    {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost, 0);
        closed = gone.serverPort();
    }
    const struct {
        quint16 port;
        const char* message;
        std::chrono::milliseconds atLeast;
    } cases[] = {
        {closed, "The connection failed (Connection refused).", 0ms},
        {blackholed.port(), "The connection failed (Connection timed out).", 250ms},
    };
    for (const auto& [port, message, atLeast] : cases) {
        RTSPClient client({QStringLiteral("x@Away"), QStringLiteral("_raop._tcp"),
                           QStringLiteral("local"), 1, QStringLiteral("127.0.0.1"), port});
        client.setTimeouts({.connection = 300ms});
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_EQ(failureText(client.connect()).toStdString(), message);
        const auto took = std::chrono::steady_clock::now() - begun;
        EXPECT_GE(took, atLeast) << message;
        EXPECT_LT(took, 2s) << message;
    }
}

TEST(RTSPResponseReader, ReadsHeadersAsSpeakersWriteThem) {
    RTSPResponseReader reader;
    reader.append("RTSP/1.0   200\r\n"
                  "  Public :  OPTIONS, SETUP \r\n"
                  "no colon here\r\n"
                  "Audio-Latency: 1\r\n"
                  "AUDIO-LATENCY: 11025\r\n"
                  "Content-Length: -4\r\n"
                  "Empty:\r\n"
                  "\r\n"
                  "RTSP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nab");
    const auto first = reader.take();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->statusCode, 200);
    EXPECT_EQ(first->headers, (QMap<QString, QString>{{"public", "OPTIONS, SETUP"},
                                                      {"audio-latency", "11025"},
                                                      {"content-length", "-4"},
                                                      {"empty", ""}}));
    EXPECT_FALSE(reader.take()) << "the second reply's body is not complete yet";
    reader.append("cRTSP");
    ASSERT_TRUE(reader.take());
    EXPECT_EQ(reader.buffered(), "RTSP");

    EXPECT_EQ(sessionIdentifier(" 12345 ;timeout=60"), QString("12345"));
    EXPECT_EQ(sessionIdentifier(";;"), std::nullopt);
}

} // namespace
