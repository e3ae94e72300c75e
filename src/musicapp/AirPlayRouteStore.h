#pragma once

#include <QObject>
#include <QString>

#include <optional>

// The names of the audio route in use and of the last one known, for views
// that show where sound goes. Held in memory only; nothing sets them yet.
class AirPlayRouteStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currentRouteName READ currentRouteNameText NOTIFY currentRouteNameChanged)
    Q_PROPERTY(
        QString lastKnownRouteName READ lastKnownRouteNameText NOTIFY lastKnownRouteNameChanged)
public:
    explicit AirPlayRouteStore(QObject* parent = nullptr)
        : QObject(parent) {}

    const std::optional<QString>& currentRouteName() const { return currentRouteName_; }
    const std::optional<QString>& lastKnownRouteName() const { return lastKnownRouteName_; }
    QString currentRouteNameText() const { return currentRouteName_.value_or(QString()); }
    QString lastKnownRouteNameText() const { return lastKnownRouteName_.value_or(QString()); }

    void setCurrentRouteName(std::optional<QString> name) {
        if (name != currentRouteName_) {
            currentRouteName_ = std::move(name);
            Q_EMIT currentRouteNameChanged();
        }
    }
    void setLastKnownRouteName(std::optional<QString> name) {
        if (name != lastKnownRouteName_) {
            lastKnownRouteName_ = std::move(name);
            Q_EMIT lastKnownRouteNameChanged();
        }
    }

Q_SIGNALS:
    void currentRouteNameChanged();
    void lastKnownRouteNameChanged();

private:
    std::optional<QString> currentRouteName_;
    std::optional<QString> lastKnownRouteName_;
};
