#include "app/TrayIcon.h"

#include "playback/PlaybackViewModel.h"
#include "ui/TrayPanelPresenter.h"
#include "ui/UiComposition.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QScreen>
#include <QWindow>

TrayIcon::TrayIcon(QQmlApplicationEngine& engine, QVariantMap panelProperties, QObject* parent)
    : QObject(parent)
    , engine_(engine)
    , playback_(panelProperties.value(QStringLiteral("playback")).value<PlaybackViewModel*>())
    , presenter_(panelProperties.value(QStringLiteral("tray")).value<TrayPanelPresenter*>())
    , panelProperties_(std::move(panelProperties)) {
    icon_.setIcon(QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                   QIcon(QStringLiteral(":/korvid/icons/note.svg"))));
    const auto showToolTip = [this] { icon_.setToolTip(presenter_->toolTip()); };
    connect(presenter_, &TrayPanelPresenter::toolTipChanged, this, showToolTip);
    showToolTip();
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    togglePanel();
                } else if (reason == QSystemTrayIcon::MiddleClick) {
                    playback_->togglePlayPause();
                }
            });
    icon_.show();
}

void TrayIcon::togglePanel() {
    if (!panel_) {
        engine_.setInitialProperties(panelProperties_);
        engine_.load(UiComposition::trayPanelUrl());
        if (engine_.rootObjects().isEmpty()) {
            return;
        }
        panel_ = qobject_cast<QWindow*>(engine_.rootObjects().constLast());
    }
    if (!panel_) {
        return;
    }
    if (panel_->isVisible()) {
        panel_->hide();
        return;
    }
    // Open beside the pointer, kept on the screen.
    const QRect screen = panel_->screen() ? panel_->screen()->availableGeometry() : QRect();
    QPoint at = QCursor::pos() - QPoint(panel_->width() / 2, 0);
    if (screen.isValid()) {
        at.setX(qBound(screen.left(), at.x(), screen.right() - panel_->width()));
        at.setY(qBound(screen.top(), at.y(), screen.bottom() - panel_->height()));
    }
    panel_->setPosition(at);
    panel_->show();
    panel_->requestActivate();
}
