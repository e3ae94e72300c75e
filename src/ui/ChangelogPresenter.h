#pragma once

#include <QLocale>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The release notes as the "What's New" screen lists them: one section per
// release ("Version 1.2.1", title, long date) with its changes and pills.
class ChangelogPresenter : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Changelog)
    QML_SINGLETON
    Q_PROPERTY(QVariantList sections READ sections CONSTANT)

public:
    explicit ChangelogPresenter(QLocale locale = QLocale(), QObject* parent = nullptr);

    QVariantList sections() const { return sections_; }

private:
    QVariantList sections_;
};
