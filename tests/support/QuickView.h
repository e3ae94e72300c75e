#pragma once

#include "support/FindItem.h"
#include "ui/UiComposition.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// Korvid's views over the models a test made, in an offscreen window: the
// whole main window, or one view file filling a window of its own. Items are
// named by their objectName.
class QuickView {
public:
    // False (and a test failure) when the main window does not load.
    // The screens are reviewed at 1280×800.
    bool showMainWindow(const UiModels& models) {
        if (!loadWindow(UiComposition::mainWindowUrl(), UiComposition::mainWindowProperties,
                        models))
            return false;
        window_->resize(1280, 800);
        return QTest::qWaitForWindowExposed(window_);
    }

    // The tray panel, loaded hidden as the tray icon keeps it until clicked.
    bool loadTrayPanel(const UiModels& models) {
        return loadWindow(UiComposition::trayPanelUrl(), UiComposition::trayPanelProperties,
                          models);
    }

    // `name` is the view's file in the module ("ConnectSpotifyView"),
    // `properties` its required properties; `models` as far as it needs them.
    bool showView(const QString& name, const QVariantMap& properties, QSize size,
                  const UiModels& models = {}) {
        UiComposition::useViewStyle();
        UiComposition::prepare(engine_, models);
        QQmlComponent component(&engine_, UiComposition::viewUrl(name));
        view_.reset(qobject_cast<QQuickItem*>(component.createWithInitialProperties(properties)));
        EXPECT_TRUE(view_) << component.errorString().toStdString();
        if (!view_)
            return false;
        ownWindow_ = std::make_unique<QQuickWindow>();
        window_ = ownWindow_.get();
        window_->resize(size);
        view_->setParentItem(window_->contentItem());
        view_->setSize(size);
        window_->show();
        return QTest::qWaitForWindowExposed(window_);
    }

    QQuickWindow* window() const { return window_; }

    // Null when there is no such item (yet). Where a sheet is made twice
    // (the toolbar's and Settings' speaker sheet), the one on screen.
    QObject* find(const char* name) const { return find(QString::fromUtf8(name)); }
    QObject* find(const QString& wanted) const {
        const auto shown = [](QObject* found) {
            auto* item = qobject_cast<QQuickItem*>(found);
            return item && item->isVisible();
        };
        QObject* found = findByObjectName(window_, wanted, shown);
        return found ? found : findByObjectName(window_, wanted);
    }
    // Invalid, and a test failure, when there is no such item.
    QVariant property(const char* name, const char* property) const {
        QObject* found = find(name);
        EXPECT_TRUE(found) << "no item " << name;
        return found ? found->property(property) : QVariant();
    }
    bool visible(const char* name) const {
        QObject* found = find(name);
        return found && found->property("visible").toBool();
    }
    // Clicks the middle of the item with the left mouse button, as a person
    // does, scrolling it into view first.
    void click(const char* name) const {
        auto* item = qobject_cast<QQuickItem*>(find(name));
        EXPECT_TRUE(item) << "no item " << name;
        if (!item)
            return;
        // Where the item is drawn: layouts that just changed place it only when
        // they are polished, which a person never clicks before.
        QList<QQuickItem*> chain;
        for (QQuickItem* at = item; at; at = at->parentItem())
            chain.prepend(at);
        for (QQuickItem* at : chain)
            at->ensurePolished();
        scrollIntoView(item);
        const QPointF middle = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window_, Qt::LeftButton, Qt::NoModifier, middle.toPoint());
    }

    // Types `text` (plain ASCII) into whatever has the keyboard focus.
    void type(const char* text) const {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(window_, *c);
    }

    // Saves what the window shows as `name`.png in "screenshots" beside the
    // test executable, in the build tree; false when nothing was drawn.
    bool saveScreen(const QString& name) const {
        // Let sheets and alerts finish fading in.
        QTest::qWait(400);
        const QImage image = window_->grabWindow();
        const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
        return !image.isNull() && folder.mkpath(QStringLiteral(".")) &&
               image.save(folder.filePath(name + QStringLiteral(".png")));
    }

private:
    bool loadWindow(const QUrl& url, QVariantMap (*properties)(QQmlEngine&, const UiModels&),
                    const UiModels& models) {
        UiComposition::useViewStyle();
        UiComposition::prepare(engine_, models);
        engine_.setInitialProperties(properties(engine_, models));
        engine_.load(url);
        if (!engine_.rootObjects().isEmpty())
            window_ = qobject_cast<QQuickWindow*>(engine_.rootObjects().constFirst());
        EXPECT_TRUE(window_) << url.toString().toStdString() << " did not load";
        return window_ != nullptr;
    }

    // Moves every scrolling area around `item` so that the item is inside it.
    static void scrollIntoView(QQuickItem* item) {
        for (QQuickItem* area = item->parentItem(); area; area = area->parentItem()) {
            if (!area->inherits("QQuickFlickable"))
                continue;
            auto* content = area->property("contentItem").value<QQuickItem*>();
            if (!content)
                continue;
            const QRectF box = item->mapRectToItem(content, item->boundingRect());
            const qreal top = area->property("contentY").toReal();
            if (box.bottom() > top + area->height())
                area->setProperty("contentY", box.bottom() - area->height());
            else if (box.top() < top)
                area->setProperty("contentY", box.top());
        }
        QCoreApplication::processEvents();
    }

    QQmlApplicationEngine engine_;
    std::unique_ptr<QQuickWindow> ownWindow_;
    std::unique_ptr<QQuickItem> view_;
    QQuickWindow* window_ = nullptr;
};
