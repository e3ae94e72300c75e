#include "model/ListeningSessionStore.h"
#include "support/TestHome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Device = ListeningSession::Device;

ListeningSession localSession() {
    ListeningSession session;
    session.device = Device(Device::Local{});
    session.albumID = QStringLiteral("apple-5168076536886376188");
    session.albumTitle = QStringLiteral("Kid A");
    session.artistNames = QStringLiteral("Radiohead");
    session.trackIndex = 3;
    session.positionSeconds = 83.125;
    session.updatedAt = QDateTime(QDate(2026, 10, 22), QTime(12, 0, 5, 500), QTimeZone::utc());
    return session;
}

QJsonObject jsonOf(const QByteArray& bytes) {
    return QJsonDocument::fromJson(bytes).object();
}

TEST(ListeningSessionTest, EveryDeviceCaseRoundTripsAndDrawsItsKind) {
    const struct {
        Device device;
        const char* json;
        const char* image;
    } rows[] = {
        {Device::LegacyAirPlay{"AA:BB@Kitchen", "Kitchen"},
         R"({"legacyAirPlay":{"id":"AA:BB@Kitchen","name":"Kitchen"}})", "hifispeaker.fill"},
        {Device::AirPlay{"Living Room"}, R"({"airPlay":{"name":"Living Room"}})", "airplayaudio"},
        {Device::SpotifyConnect{"d1", "Phone", "Smartphone"},
         R"({"spotifyConnect":{"id":"d1","name":"Phone","type":"Smartphone"}})", "iphone"},
        {Device::Local{}, R"({"local":{}})", "laptopcomputer"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.device.toJson(), QJsonDocument::fromJson(row.json).object()) << row.json;
        EXPECT_EQ(row.device.systemImage(), row.image);
        ListeningSession session = localSession();
        session.device = row.device;
        session.spotifyURI = QStringLiteral("spotify:album:x");
        session.coverURL = QUrl("https://i.scdn.co/image/x");
        const auto decoded = ListeningSession::decode(session.encode().value());
        ASSERT_TRUE(decoded) << row.json;
        EXPECT_EQ(*decoded, session);
        EXPECT_EQ(jsonOf(session.encode().value()).value("coverURL").toString(),
                  "https://i.scdn.co/image/x");
    }
}

TEST(ListeningSessionTest, DeviceObjectsMustHoldExactlyOneKnownCase) {
    const struct {
        const char* json;
        const char* failure; // null when it decodes
    } rows[] = {
        {R"({"airPlay":{"name":"A"},"local":{}})", "Invalid number of keys found, expected one."},
        {R"({"bluetooth":{"name":"A"}})", "Invalid number of keys found, expected one."},
        {R"({})", "Invalid number of keys found, expected one."},
        {R"({"airPlay":{}})", "A field of the device is missing."},
        {R"({"spotifyConnect":{"id":"x","name":"y"}})", "A field of the device is missing."},
        {R"({"legacyAirPlay":{"id":"x","name":3}})", "A field of the device is missing."},
        {R"({"local":true})", "Expected an object for the device's fields."},
        {R"({"local":{},"bluetooth":1})", nullptr},
        {R"({"airPlay":{"name":"A","extra":1}})", nullptr},
    };
    for (const auto& row : rows) {
        QString failure;
        const auto device = Device::fromJson(QJsonDocument::fromJson(row.json).object(), &failure);
        EXPECT_EQ(device.has_value(), row.failure == nullptr) << row.json;
        if (row.failure) {
            EXPECT_EQ(failure, row.failure) << row.json;
        }

        // Inside a record, a bad device makes the whole record unreadable.
        QJsonObject record = jsonOf(localSession().encode().value());
        record.insert("device", QJsonDocument::fromJson(row.json).object());
        EXPECT_EQ(ListeningSession::decode(QJsonDocument(record).toJson()).has_value(),
                  row.failure == nullptr)
            << row.json;
    }
}

TEST(ListeningSessionTest, RecordsMissingOrMistypedMembersAreUnreadable) {
    const QJsonObject good = jsonOf(localSession().encode().value());
    const struct {
        const char* key;
        QJsonValue value; // undefined removes the key
        bool readable;
    } rows[] = {
        {"albumID", QJsonValue::Undefined, false},
        {"albumTitle", 5, false},
        {"artistNames", QJsonValue::Null, false},
        {"trackIndex", 1.5, false},
        {"trackIndex", "3", false},
        {"positionSeconds", QJsonValue::Undefined, false},
        {"updatedAt", "2026-10-22T12:00:00Z", false},
        {"coverURL", QJsonValue::Null, true},
        {"coverURL", 7, false},
        {"spotifyURI", QJsonValue::Null, true},
        {"spotifyURI", QJsonArray(), false},
        {"somethingNew", "ignored", true},
    };
    for (const auto& row : rows) {
        QJsonObject record = good;
        if (row.value.isUndefined())
            record.remove(row.key);
        else
            record.insert(row.key, row.value);
        EXPECT_EQ(ListeningSession::decode(QJsonDocument(record).toJson()).has_value(),
                  row.readable)
            << row.key;
    }
    EXPECT_FALSE(ListeningSession::decode("{\"device\":"));
    EXPECT_FALSE(ListeningSession::decode("[]"));
}

TEST(ListeningSessionTest, APositionWithoutJsonFormLeavesTheStoredRecord) {
    TestHome home;
    const ListeningSession good = localSession();
    ListeningSessionStore().save(good);
    const std::string stored =
        QSettings().value("lastListeningSession").toByteArray().toStdString();
    for (const double position : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        ListeningSession bad = good;
        bad.positionSeconds = position;
        bad.trackIndex = 7;
        ListeningSessionStore().save(bad);
        EXPECT_EQ(QSettings().value("lastListeningSession").toByteArray().toStdString(), stored)
            << position;
        EXPECT_EQ(ListeningSessionStore().previousLaunch(), good) << position;
    }
}

} // namespace
