#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// Maps the symbol names the screens use ("house.fill", "gearshape.fill", ...)
// to freedesktop icon-theme names, with a bundled picture for themes that
// lack one.
namespace IconNames {
// Empty for an unknown symbol.
QString themeName(const QString& symbol);
QUrl fallback(const QString& symbol);
} // namespace IconNames

class IconNamesObject : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Icons)
    QML_SINGLETON
public:
    using QObject::QObject;
    Q_INVOKABLE QString themeName(const QString& symbol) const {
        return IconNames::themeName(symbol);
    }
    Q_INVOKABLE QUrl fallback(const QString& symbol) const { return IconNames::fallback(symbol); }
};
