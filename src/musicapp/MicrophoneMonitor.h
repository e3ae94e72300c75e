#pragma once

#include "musicapp/AudioInputSystem.h"
#include "platform/Cancellation.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Clock;

// Tells whether anyone uses a microphone (a call, dictation), so playback can
// pause meanwhile. Use is reported at once; its end only after it has lasted
// kReleaseDelay, so a short gap never flickers. Lives on the main thread.
class MicrophoneMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isInUse READ isInUse NOTIFY isInUseChanged)
public:
    static constexpr std::chrono::milliseconds kReleaseDelay{2000};

    // Watches the desktop's sound server.
    explicit MicrophoneMonitor(QObject* parent = nullptr);
    // `ownProcessId`'s recordings never count: they are this program's own.
    MicrophoneMonitor(std::unique_ptr<AudioInputSystem> system, Clock& clock, qint64 ownProcessId,
                      QObject* parent = nullptr);
    ~MicrophoneMonitor() override;

    // Called with true when use starts and false when it has ended.
    std::function<void(bool)> onChange;

    bool isInUse() const { return isInUse_; }

    // Begins watching; later calls do nothing.
    void start();

Q_SIGNALS:
    void isInUseChanged(bool inUse);

private:
    void update(bool inUse);
    void report(bool inUse);
    void cancelRelease();
    static QCoro::Task<> releaseLater(QPointer<MicrophoneMonitor> self, Clock& clock,
                                      CancellationToken token);

    std::unique_ptr<AudioInputSystem> system_;
    Clock& clock_;
    qint64 ownProcessId_;
    bool started_ = false;
    bool isInUse_ = false;
    std::optional<CancellationSource> release_;
};
