#pragma once

#include <QObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

#include <functional>

// Finds a view by objectName anywhere under `root`, following both object
// children and visual children (items made by repeaters and views have only
// the latter); the first one `accept` takes, when given. Null when there is
// none. Shared by the tests and the benchmarks, so it knows no test framework.
inline QObject* findByObjectName(QObject* root, const QString& name,
                                 const std::function<bool(QObject*)>& accept = {}) {
    if (!root)
        return nullptr;
    if (root->objectName() == name && (!accept || accept(root)))
        return root;
    if (auto* window = qobject_cast<QQuickWindow*>(root)) {
        if (QObject* found = findByObjectName(window->contentItem(), name, accept))
            return found;
    }
    for (QObject* child : root->children()) {
        if (QObject* found = findByObjectName(child, name, accept))
            return found;
    }
    if (auto* item = qobject_cast<QQuickItem*>(root)) {
        for (QQuickItem* child : item->childItems()) {
            if (child->parent() != root) {
                if (QObject* found = findByObjectName(child, name, accept))
                    return found;
            }
        }
    }
    return nullptr;
}
