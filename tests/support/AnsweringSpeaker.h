#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTcpServer>

#include <cstdint>

// An RTSP speaker stand-in on 127.0.0.1 that answers every request at once
// with 200 OK (pointing the audio, control and timing ports at `udpPort`),
// except the methods it is told to leave unanswered. It notes the methods
// it received, in order.
class AnsweringSpeaker : public QObject {
public:
    explicit AnsweringSpeaker(uint16_t udpPort, QSet<QByteArray> unansweredMethods = {});
    quint16 port() const { return server_.serverPort(); }
    const QList<QByteArray>& methods() const { return methods_; }

private:
    void answer(QTcpSocket* socket);

    QTcpServer server_;
    uint16_t udpPort_;
    QSet<QByteArray> unanswered_;
    QByteArray buffer_;
    QList<QByteArray> methods_;
};
