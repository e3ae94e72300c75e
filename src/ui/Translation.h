#pragma once

#include <QLocale>

// Puts the views' and presenters' texts into the language of `locale`, or
// English where Korvid has no translation for it. Repeated calls replace
// the language in force.
namespace Translation {
void install(const QLocale& locale = QLocale());
} // namespace Translation
