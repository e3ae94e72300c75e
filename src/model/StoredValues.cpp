#include "model/StoredValues.h"

#include <QMetaType>
#include <QString>

#include <cmath>

namespace StoredValues {

std::optional<qint64> integer(const QVariant& stored) {
    switch (stored.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
        return stored.toLongLong();
    case QMetaType::QString: {
        bool ok = false;
        const qint64 value = stored.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(value) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> number(const QVariant& stored) {
    switch (stored.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Double:
    case QMetaType::Float:
        return stored.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        // Stored text is always written in the C locale.
        const double value = stored.toString().trimmed().toDouble(&ok);
        return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace StoredValues
