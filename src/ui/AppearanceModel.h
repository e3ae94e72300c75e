#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

class MusicSourceSettings;

// The window's tint and colour scheme, which follow the chosen source.
class AppearanceModel : public QObject {
    Q_OBJECT
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
