#include "platform/NaturalOrder.h"

#include <QLocale>

QCollator naturalOrderCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
