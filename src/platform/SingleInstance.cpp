#include "platform/SingleInstance.h"

#include "platform/PrivateFolder.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

QString SingleInstance::defaultSocketPath() {
    const QString folder = privateRuntimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("korvid-instance"));
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::listen() {
    if (server_)
        return true;
    if (socketPath_.isEmpty())
        return false;
    {
        // Someone answering there is the running instance; a file nobody
        // answers on was left by a process that ended without cleaning up.
        QLocalSocket probe;
        probe.connectToServer(socketPath_);
        if (probe.waitForConnected(500))
            return false;
    }
    QLocalServer::removeServer(socketPath_);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath_)) {
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its line is dropped after a while.
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > maxMessageBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(maxMessageBytes).trimmed();
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            if (!line.isEmpty())
                Q_EMIT messageReceived(QString::fromUtf8(line));
        });
    }
}

bool SingleInstance::sendToRunning(const QString& message, const QString& socketPath,
                                   std::chrono::milliseconds timeout) {
    QByteArray line = message.toUtf8();
    if (line.contains('\n') || line.size() >= maxMessageBytes)
        return false;
    line.append('\n');
    if (socketPath.isEmpty())
        return false;
    const int ms = static_cast<int>(timeout.count());
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(ms))
        return false;
    socket.write(line);
    if (!socket.waitForBytesWritten(ms))
        return false;
    // The running instance confirms it read the whole line.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(ms))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}
