#pragma once

#include "platform/Cancellation.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <optional>

class Clock;
class PlaybackViewModel;

// Keeps what plays current while the main window's tabs are shown: every
// pass refreshes Spotify, then the local player, then stores the session,
// and sleeps 5 seconds. The view starts it when the tabs appear and stops it
// when they go.
class RefreshLoop : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool running READ isRunning WRITE setRunning NOTIFY runningChanged)
public:
    static constexpr std::chrono::milliseconds interval{5000};

    RefreshLoop(PlaybackViewModel& playback, Clock& clock, QObject* parent = nullptr);
    ~RefreshLoop() override;

    bool isRunning() const { return cancellation_.has_value(); }
    void setRunning(bool running);

Q_SIGNALS:
    void runningChanged();

private:
    static QCoro::Task<> run(QPointer<PlaybackViewModel> playback, Clock& clock,
                             CancellationToken token);

    QPointer<PlaybackViewModel> playback_;
    Clock& clock_;
    std::optional<CancellationSource> cancellation_;
};
