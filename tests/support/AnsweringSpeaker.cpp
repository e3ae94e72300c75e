#include "support/AnsweringSpeaker.h"

#include <QTcpSocket>

AnsweringSpeaker::AnsweringSpeaker(uint16_t udpPort, QSet<QByteArray> unansweredMethods)
    : udpPort_(udpPort)
    , unanswered_(std::move(unansweredMethods)) {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void AnsweringSpeaker::answer(QTcpSocket* socket) {
    buffer_ += socket->readAll();
    for (;;) {
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        const QByteArray head = buffer_.left(end);
        qsizetype length = 0;
        QByteArray cseq = "0";
        for (const QByteArray& line : head.split('\n')) {
            const QByteArray l = line.trimmed();
            if (l.toLower().startsWith("content-length:")) {
                length = l.mid(15).trimmed().toLongLong();
            } else if (l.toLower().startsWith("cseq:")) {
                cseq = l.mid(5).trimmed();
            }
        }
        if (buffer_.size() < end + 4 + length) {
            return;
        }
        buffer_.remove(0, end + 4 + length);
        const QByteArray method = head.left(head.indexOf(' '));
        methods_.append(method);
        if (unanswered_.contains(method)) {
            continue;
        }
        const QByteArray port = QByteArray::number(udpPort_);
        socket->write("RTSP/1.0 200 OK\r\nCSeq: " + cseq +
                      "\r\nSession: 1\r\nTransport: RTP/AVP/UDP;unicast;"
                      "mode=record;server_port=" +
                      port + ";control_port=" + port + ";timing_port=" + port + "\r\n\r\n");
    }
}
