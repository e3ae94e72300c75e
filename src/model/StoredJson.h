#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Readers and writers shared by the JSON records the program stores. Dates
// are a JSON number of seconds since 2001-01-01 00:00:00 UTC, the form
// earlier versions wrote.
namespace StoredJson {
QJsonValue fromDate(const QDateTime& date);
// Absent unless the value is a finite number within the range of dates.
std::optional<QDateTime> toDate(const QJsonValue& value);

// Absent unless the member is a string.
std::optional<QString> string(const QJsonObject& object, const char* key);
// The largest whole number a JSON number keeps exactly: 2^53.
inline constexpr qint64 maxInteger = qint64(1) << 53;
// Absent unless the member is a whole number of at most maxInteger in size.
std::optional<qint64> integer(const QJsonObject& object, const char* key);
// An optional string member: absent or null gives true and no value; a
// string gives true and the value; anything else is malformed (false).
bool optionalString(const QJsonObject& object, const char* key, std::optional<QString>* value);
} // namespace StoredJson
