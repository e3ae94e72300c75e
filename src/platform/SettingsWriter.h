#pragma once

#include <QAnyStringView>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <memory>

class QSettings;

// The one way the program writes its preferences. Every value is visible to
// readers in this process at once; the file on disk (rewritten whole, atomically,
// so a kill leaves the old or the new file) follows either at once, for rare
// changes that must survive a crash right away, once a run of changes has
// settled (a slider, a text field being typed, volume steps), or within a
// bound (a session saved every few seconds), so the window does not wait on
// the disk at every step. A write that
// fails is reported once, until a later write succeeds again. Main thread only.
class SettingsWriter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSettle{1000};
    // The longest a change waits for the file, however often changes come.
    static constexpr std::chrono::milliseconds kMaxDelay{15000};

    static SettingsWriter& instance();

    // Stores and writes the file now.
    void writeNow(QAnyStringView key, const QVariant& value);
    // Stores now; the file follows once no change has come for kSettle.
    void writeSoon(QAnyStringView key, const QVariant& value);
    // Stores now; the file follows within kMaxDelay.
    void writeEventually(QAnyStringView key, const QVariant& value);
    // Writes what is still pending (at quit, or in a test).
    void flush();

Q_SIGNALS:
    // A sentence for the user; emitted once per run of failed writes.
    void writeFailed(const QString& description);

private:
    SettingsWriter();
    ~SettingsWriter() override;
    QSettings& pending();

    std::unique_ptr<QSettings> pending_;
    QTimer settle_;
    QTimer deadline_;
    bool failureTold_ = false;
};
