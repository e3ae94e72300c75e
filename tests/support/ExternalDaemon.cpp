#include "support/ExternalDaemon.h"

#include "support/RunTask.h"

#include <QLocalSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>

#include <sys/prctl.h>

ExternalDaemon::ExternalDaemon(QString program) : program_(std::move(program)) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes must not leave its peer running (and announcing)
    // for the tests after it.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

ExternalDaemon::~ExternalDaemon() {
    if (isRunning()) {
        stop();
    }
}

QString ExternalDaemon::findProgram(const QString& name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"),
                                                     QStringLiteral("/sbin")});
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
    process_.setProcessEnvironment(environment_);
    process_.setWorkingDirectory(dir_.path());
    process_.start(path, arguments);
    if (!process_.waitForStarted(5000)) {
        errorText_ = program_ + QStringLiteral(" did not start: ") + process_.errorString();
        return false;
    }
    const bool answered = waitUntil([&] { return !isRunning() || ready(); }, timeout);
    if (!isRunning()) {
        errorText_ = program_ + QStringLiteral(" exited early: ") + QString::fromLocal8Bit(output());
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
    if (!isRunning()) {
        return process_.exitCode();
    }
    process_.terminate();
    if (process_.waitForFinished(int(grace.count()))) {
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    process_.kill();
    process_.waitForFinished(5000);
    return -1;
}

void ExternalDaemon::kill() {
    if (isRunning()) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QByteArray ExternalDaemon::output() {
    output_ += process_.readAll();
    return output_;
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
