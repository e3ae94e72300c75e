#include "model/UnifiedAlbum.h"

#include <QTimeZone>

UnifiedAlbum UnifiedAlbum::withRecency(const QDateTime& date) const {
    UnifiedAlbum copy = *this;
    if (date.isValid() && (!sortDate.isValid() || date > sortDate))
        copy.sortDate = date;
    return copy;
}

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
}
