#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;

// Keeps Korvid to one process per user session. The first process listens
// on a local socket; a later one (started by the desktop for a korvid://
// address) hands its message over and exits.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // Longer messages are dropped: an address is never this long.
    static constexpr qint64 maxMessageBytes = 64 * 1024;

    // In a folder only the user can enter, so other users can neither answer
    // in the running instance's place nor receive what is handed over. Empty
    // when there is no such folder: Korvid then runs without the hand-off.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance. A socket left behind by a process that
    // ended without cleaning up is replaced. False when another instance
    // answers, the socket cannot be created or there is no socket path.
    bool listen();

    // Hands `message` to the running instance. True once it was delivered;
    // false when none runs.
    static bool sendToRunning(const QString& message,
                              const QString& socketPath = defaultSocketPath(),
                              std::chrono::milliseconds timeout = std::chrono::seconds(3));

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    void acceptConnections();

    QString socketPath_;
    QLocalServer* server_ = nullptr;
};
