#include "platform/SettingsWriter.h"

#include <QEvent>
#include <QSettings>

namespace {
// QSettings writes its file from the event loop right after each change; this
// one leaves that to flush(), so changes can gather first.
class DeferredSettings final : public QSettings {
public:
    bool event(QEvent* event) override {
        return event->type() == QEvent::UpdateRequest || QSettings::event(event);
    }
};
} // namespace

SettingsWriter& SettingsWriter::instance() {
    static SettingsWriter writer;
    return writer;
}

SettingsWriter::SettingsWriter() {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettle);
    connect(&settle_, &QTimer::timeout, this, &SettingsWriter::flush);
    deadline_.setSingleShot(true);
    deadline_.setInterval(kMaxDelay);
    connect(&deadline_, &QTimer::timeout, this, &SettingsWriter::flush);
}

SettingsWriter::~SettingsWriter() = default;

QSettings& SettingsWriter::pending() {
    // Made per run of changes, so it always writes where the preferences
    // live now.
    if (!pending_) {
        pending_ = std::make_unique<DeferredSettings>();
    }
    return *pending_;
}

void SettingsWriter::writeNow(QAnyStringView key, const QVariant& value) {
    pending().setValue(key, value);
    flush();
}

void SettingsWriter::writeSoon(QAnyStringView key, const QVariant& value) {
    writeEventually(key, value);
    settle_.start();
}

void SettingsWriter::writeEventually(QAnyStringView key, const QVariant& value) {
    pending().setValue(key, value);
    if (!deadline_.isActive()) {
        deadline_.start();
    }
}

void SettingsWriter::flush() {
    settle_.stop();
    deadline_.stop();
    if (!pending_) {
        return;
    }
    pending_->sync();
    const bool failed = pending_->status() != QSettings::NoError;
    pending_.reset();
    if (!failed) {
        failureTold_ = false;
    } else if (!failureTold_) {
        failureTold_ = true;
        Q_EMIT writeFailed(
            tr("Korvid couldn't save its settings. Changes will be lost when it quits. Check that "
               "there is free space in your home folder."));
    }
}
