#pragma once

#include <QVariant>

#include <optional>

// Strict readers for values of the preferences store. The store keeps numbers
// as text, so a value counts as a number only when all of its text is one.
namespace StoredValues {
std::optional<qint64> integer(const QVariant& stored);
std::optional<double> number(const QVariant& stored);
} // namespace StoredValues
