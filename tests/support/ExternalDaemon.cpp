#include "support/ExternalDaemon.h"

#include "support/RunTask.h"

#include <QLocalSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

ExternalDaemon::ExternalDaemon(QString program)
    : program_(std::move(program)) {}

ExternalDaemon::~ExternalDaemon() {
    if (isRunning()) {
        stop();
    }
}

QString ExternalDaemon::findProgram(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    }
    return path;
}

bool ExternalDaemon::start(const QStringList& arguments, ReadinessCheck ready,
                           std::chrono::milliseconds timeout) {
    const QString path = findProgram(program_);
    if (path.isEmpty()) {
        errorText_ = program_ + QStringLiteral(" is not installed");
        return false;
    }
    if (!process_.start(path, arguments, environment_, dir_.path())) {
        errorText_ = process_.errorText();
        return false;
    }
    const bool answered = waitUntil([&] { return !isRunning() || ready(); }, timeout);
    if (!isRunning()) {
        errorText_ =
            program_ + QStringLiteral(" exited early: ") + QString::fromLocal8Bit(output());
        return false;
    }
    if (!answered) {
        errorText_ = program_ + QStringLiteral(" did not answer in time: ") +
                     QString::fromLocal8Bit(output());
        return false;
    }
    return true;
}

int ExternalDaemon::stop(std::chrono::milliseconds grace) {
    if (isRunning()) {
        process_.terminate();
        if (!process_.waitForFinished(grace)) {
            process_.kill();
            process_.waitForFinished(std::chrono::seconds(5));
        }
    }
    return process_.exitCode().value_or(-1);
}

void ExternalDaemon::kill() {
    if (isRunning()) {
        process_.kill();
        process_.waitForFinished(std::chrono::seconds(5));
    }
}

QByteArray ExternalDaemon::output() {
    return process_.output();
}

bool tcpPortAnswers(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

bool unixSocketAnswers(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(200);
}

quint16 freeTcpPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
