#pragma once

#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

// Finds a view by objectName anywhere under `root`, following both object
// children and visual children (items made by repeaters and views have only
// the latter). Null when there is none. Shared by the tests and the
// benchmarks, so it knows no test framework.
inline QObject* findByObjectName(QObject* root, const QString& name) {
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    if (auto* window = qobject_cast<QQuickWindow*>(root)) {
        if (QObject* found = findByObjectName(window->contentItem(), name))
            return found;
    }
    for (QObject* child : root->children()) {
        if (QObject* found = findByObjectName(child, name))
            return found;
    }
    if (auto* item = qobject_cast<QQuickItem*>(root)) {
        for (QQuickItem* child : item->childItems()) {
            if (child->parent() != root) {
                if (QObject* found = findByObjectName(child, name))
                    return found;
            }
        }
    }
    return nullptr;
}
