#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class MusicSourceSettings;

// The window's tint and colour scheme, which follow the chosen source.
class AppearanceModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the source settings")
    Q_PROPERTY(QColor tint READ tint NOTIFY changed)
    Q_PROPERTY(bool dark READ dark NOTIFY changed)

public:
    explicit AppearanceModel(MusicSourceSettings* sourceSettings, QObject* parent = nullptr);

    QColor tint() const;
    bool dark() const;

Q_SIGNALS:
    void changed();

private:
    QPointer<MusicSourceSettings> sourceSettings_;
};
