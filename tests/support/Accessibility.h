#pragma once

#include <QAccessible>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>

// What a screen reader is told about the items of a view, asked through the
// same interface Qt hands to the desktop's accessibility bus.

// Controls work out their names only once a screen reader is there, and the
// offscreen platform has none: say one came, as the bus does when Orca starts.
inline QAccessibleInterface* accessibleFace(QObject* item) {
    QAccessible::setActive(true);
    return item ? QAccessible::queryAccessibleInterface(item) : nullptr;
}

inline QString accessibleName(QObject* item) {
    QAccessibleInterface* face = accessibleFace(item);
    return face ? face->text(QAccessible::Name) : QString();
}

inline QAccessible::Role accessibleRole(QObject* item) {
    QAccessibleInterface* face = accessibleFace(item);
    return face ? face->role() : QAccessible::NoRole;
}

// Runs the item's default action as a screen reader's "activate" does.
inline bool pressAccessibly(QObject* item) {
    QAccessibleInterface* face = accessibleFace(item);
    QAccessibleActionInterface* actions = face ? face->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(QAccessibleActionInterface::pressAction()))
        return false;
    actions->doAction(QAccessibleActionInterface::pressAction());
    return true;
}

// The buttons and sliders on screen that a screen reader would announce
// with no name, by objectName (or class where they have none). A button's
// text is its name when it has no other: Qt hands it over only to a reader
// present when the button is made, which the offscreen platform never is.
inline QStringList unnamedControls(QQuickItem* root) {
    QStringList unnamed;
    if (!root || !root->isVisible())
        return unnamed;
    if ((root->inherits("QQuickAbstractButton") || root->inherits("QQuickSlider")) &&
        accessibleName(root).trimmed().isEmpty() &&
        root->property("text").toString().trimmed().isEmpty()) {
        unnamed << (root->objectName().isEmpty()
                        ? QString::fromLatin1(root->metaObject()->className())
                        : root->objectName());
    }
    for (QQuickItem* child : root->childItems())
        unnamed << unnamedControls(child);
    return unnamed;
}

inline QStringList unnamedControls(QQuickWindow* window) {
    return unnamedControls(window->contentItem());
}
