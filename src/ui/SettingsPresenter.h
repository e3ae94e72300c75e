#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The fixed labels, captions and ranges of the Settings screen.
class SettingsPresenter : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(SettingsTexts)
    QML_SINGLETON
    // The sources in the pickers' order: value (MusicSourceSettings.current), label.
    Q_PROPERTY(QVariantList sources READ sources CONSTANT)
    Q_PROPERTY(QString sourceCaption READ sourceCaption CONSTANT)
    Q_PROPERTY(QStringList displayStyleLabels READ displayStyleLabels CONSTANT)
    Q_PROPERTY(int minTracksLowest READ minTracksLowest CONSTANT)
    Q_PROPERTY(int minTracksHighest READ minTracksHighest CONSTANT)
    Q_PROPERTY(QString filteringCaption READ filteringCaption CONSTANT)
    Q_PROPERTY(QString versionLine READ versionLine CONSTANT)

public:
    using QObject::QObject;

    QVariantList sources() const;
    // The views ask by source, never by a bare number.
    Q_INVOKABLE static bool includesSpotify(int source);
    QString sourceCaption() const;
    // In the order of AlbumDisplayStyles::allCases().
    QStringList displayStyleLabels() const;
    int minTracksLowest() const { return 1; }
    int minTracksHighest() const { return 10; }
    QString filteringCaption() const;
    QString versionLine() const;

    // The slider hands over a real number; the setting takes its whole part.
    Q_INVOKABLE static int minTracksFromSlider(double value);
};
