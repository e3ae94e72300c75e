#pragma once

#include "model/MusicSource.h"

#include <QObject>

// The chosen album source, read once at start and written on every change.
class MusicSourceSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(int current READ currentIndex WRITE setCurrentIndex NOTIFY currentChanged)

public:
    explicit MusicSourceSettings(QObject* parent = nullptr);

    MusicSource current() const { return current_; }
    void setCurrent(MusicSource source);

    // The source as its position in MusicSources::allCases(), for the views.
    int currentIndex() const { return static_cast<int>(current_); }
    void setCurrentIndex(int index);

Q_SIGNALS:
    void currentChanged();

private:
    MusicSource current_;
};
