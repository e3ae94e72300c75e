#include "model/StoredJson.h"

#include <QTimeZone>

#include <cmath>

namespace StoredJson {
namespace {

qint64 referenceMSecs() {
    static const qint64 value =
        QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    return value;
}

// About ±100,000 years: far beyond any real date, well inside what a double
// and QDateTime hold without overflow.
constexpr double maxSeconds = 3.2e12;

} // namespace

QJsonValue fromDate(const QDateTime& date) {
    const qint64 msecs = date.toMSecsSinceEpoch() - referenceMSecs();
    return QJsonValue(static_cast<double>(msecs) / 1000.0);
}

std::optional<QDateTime> toDate(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::fabs(seconds) > maxSeconds)
        return std::nullopt;
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(referenceMSecs() + msecs, QTimeZone::utc());
}

std::optional<QString> string(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<qint64> integer(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number) ||
        std::fabs(number) > double(maxInteger))
        return std::nullopt;
    return static_cast<qint64>(number);
}

bool optionalString(const QJsonObject& object, const char* key, std::optional<QString>* value) {
    const QJsonValue member = object.value(QLatin1String(key));
    value->reset();
    if (member.isString()) {
        *value = member.toString();
        return true;
    }
    return member.isUndefined() || member.isNull();
}

} // namespace StoredJson
