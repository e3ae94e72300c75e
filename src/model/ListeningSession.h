#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

// What the user was last listening to: album, track, position and device.
struct ListeningSession {
    // Where it played. Stored as an object with exactly one key, the case name.
    class Device {
    public:
        struct LegacyAirPlay {
            QString id;
            QString name;
            bool operator==(const LegacyAirPlay&) const = default;
        };
        struct AirPlay {
            QString name;
            bool operator==(const AirPlay&) const = default;
        };
        struct SpotifyConnect {
            QString id;
            QString name;
            QString type;
            bool operator==(const SpotifyConnect&) const = default;
        };
        struct Local {
            bool operator==(const Local&) const = default;
        };
        using Value = std::variant<LegacyAirPlay, AirPlay, SpotifyConnect, Local>;

        Device()
            : value_(Local{}) {}
        // A device is its case, so each case converts to one.
        Device(LegacyAirPlay value)
            : value_(std::move(value)) {} // NOLINT(google-explicit-constructor)
        Device(AirPlay value)
            : value_(std::move(value)) {} // NOLINT(google-explicit-constructor)
        Device(SpotifyConnect value)
            : value_(std::move(value)) {} // NOLINT(google-explicit-constructor)
        Device(Local value)
            : value_(value) {} // NOLINT(google-explicit-constructor)

        const Value& value() const { return value_; }
        template <typename Case> const Case* as() const { return std::get_if<Case>(&value_); }
        // The icon drawn for the device in the resume offer.
        QString systemImage() const;

        QJsonObject toJson() const;
        // Absent when the object does not hold exactly one known case with its
        // fields; `failure` then says why.
        static std::optional<Device> fromJson(const QJsonValue& value, QString* failure = nullptr);

        bool operator==(const Device&) const = default;

    private:
        Value value_;
    };

    Device device;
    QString albumID;
    QString albumTitle;
    QString artistNames;
    std::optional<QUrl> coverURL;
    std::optional<QString> spotifyURI;
    qint64 trackIndex = 0;
    double positionSeconds = 0;
    QDateTime updatedAt;

    bool operator==(const ListeningSession&) const = default;

    // Absent when a member has no JSON form: a position that is not a
    // finite number would be written as null, which no reader accepts.
    std::optional<QByteArray> encode() const;
    // Absent when any required member is missing or malformed.
    static std::optional<ListeningSession> decode(const QByteArray& json);
};
