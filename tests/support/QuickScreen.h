#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

// Clicks the middle of `item` with the left mouse button, as a person does.
inline void clickItem(QQuickItem* item) {
    const QPointF middle = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(item->window(), Qt::LeftButton, Qt::NoModifier, middle.toPoint());
}

// Saves what `window` shows as `name`.png in "screenshots" beside the test
// executable, in the build tree; the file's path, or empty when nothing was
// drawn.
inline QString saveScreen(QQuickWindow* window, const QString& name) {
    const QImage image = window->grabWindow();
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (image.isNull() || !folder.mkpath(QStringLiteral(".")) || !image.save(path))
        return {};
    return path;
}
