#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

// The release notes built into the program, newest first.
namespace Changelog {

struct Change {
    enum class Kind { new_, improved, fixed };
    Kind kind;
    QString text;
};

struct Release {
    QString version;
    QString title;
    QDateTime date;
    QList<Change> changes;
};

const QList<Release>& releases();

// "New", "Improved" or "Fixed".
QString pillLabel(Change::Kind kind);

// Reads a year-month-day text into the local start of that day; anything
// that does not give a real day is the distant past.
QDateTime releaseDate(const QString& yearMonthDay);
QDateTime distantPast();

// The day, month spelled out in full and year, in the locale's order,
// without a weekday (for instance "22 October 2026" or "October 22, 2026").
QString longDateText(const QDateTime& date, const QLocale& locale = QLocale());

} // namespace Changelog
