#pragma once

#include "airplay1/AirPlay1Speaker.h"
#include "airplay1/ServiceBrowsing.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>

// Finds the legacy speakers the program can stream to itself and keeps them
// as a list sorted by display name. Main thread only.
class AirPlay1SpeakerBrowser : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<AirPlay1Speaker> speakers READ speakers NOTIFY speakersChanged)

public:
    explicit AirPlay1SpeakerBrowser(std::shared_ptr<ServiceBrowsing> browsing = nullptr,
                                    QObject* parent = nullptr);
    ~AirPlay1SpeakerBrowser() override;

    // Starts both browsers; later calls do nothing.
    void start();
    const QList<AirPlay1Speaker>& speakers() const { return speakers_; }

Q_SIGNALS:
    void speakersChanged();

private:
    void rebuild();

    std::shared_ptr<ServiceBrowsing> browsing_;
    std::unique_ptr<ServiceBrowsing::Browser> raopBrowser_;
    std::unique_ptr<ServiceBrowsing::Browser> airPlay2Browser_;
    QList<BrowseResult> raopResults_;
    QSet<QString> airPlay2Names_;
    QList<AirPlay1Speaker> speakers_;
};

// The TXT-record rules, pure so they can be checked on their own.
namespace AirPlay1Txt {
// A comma-separated TXT value as trimmed, non-empty entries.
QStringList values(const std::optional<QString>& value);
// True when the receiver needs neither a password nor encryption and
// takes audio over UDP.
bool canStream(const QHash<QString, QString>& txt);
// True when the codec list ("cn") offers uncompressed PCM ("0").
bool supportsPCM(const QHash<QString, QString>& txt);
// The part of a service name after the first '@'.
QString displayName(const QString& serviceName);
} // namespace AirPlay1Txt
