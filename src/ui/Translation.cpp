#include "ui/Translation.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

namespace Translation {

void install(const QLocale& locale) {
    // Held weakly: the application owns it and may go first.
    static QPointer<QTranslator> translator;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QStringLiteral(":/i18n");
    // The English file words the plurals the source texts leave as "(s)".
    if (translator->load(locale, QStringLiteral("korvid"), QStringLiteral("_"), folder) ||
        translator->load(QStringLiteral("korvid_en"), folder))
        QCoreApplication::installTranslator(translator);
}

} // namespace Translation
