#include "ui/UiComposition.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "spotify/SpotifyAuthManager.h"
#include "spotify/SpotifySignIn.h"
#include "ui/AppearanceModel.h"
#include "ui/ChangelogPresenter.h"
#include "ui/ContentRootModel.h"
#include "ui/DisplayPreferences.h"
#include "ui/EmptyStateTexts.h"
#include "ui/IconNames.h"
#include "ui/LocalMusicSettings.h"
#include "ui/SettingsPresenter.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickStyle>

namespace UiComposition {

void expose(QQmlEngine& engine, const UiModels& models) {
    auto* context = engine.rootContext();
    context->setContextProperty(QStringLiteral("sourceSettings"), models.sourceSettings);
    context->setContextProperty(QStringLiteral("filterSettings"), models.filterSettings);
    context->setContextProperty(QStringLiteral("spotifyAuth"), models.spotifyAuth);
    context->setContextProperty(QStringLiteral("spotifySignIn"), models.spotifySignIn);
    context->setContextProperty(QStringLiteral("appleMusic"), models.appleMusic);
    context->setContextProperty(
        QStringLiteral("contentRoot"),
        new ContentRootModel(models.sourceSettings, models.spotifyAuth, &engine));
    context->setContextProperty(QStringLiteral("appearance"),
                                new AppearanceModel(models.sourceSettings, &engine));
    context->setContextProperty(QStringLiteral("emptyStates"),
                                new EmptyStatePresenter(models.sourceSettings, &engine));
    context->setContextProperty(QStringLiteral("displayPreferences"),
                                new DisplayPreferences(&engine));
    context->setContextProperty(QStringLiteral("settingsTexts"), new SettingsPresenter(&engine));
    context->setContextProperty(QStringLiteral("changelog"),
                                new ChangelogPresenter(QLocale(), &engine));
    context->setContextProperty(QStringLiteral("icons"), new IconNamesObject(&engine));
    context->setContextProperty(QStringLiteral("localMusic"),
                                new LocalMusicSettings(models.appleMusic, &engine));
}

void useViewStyle() {
    // The style can be chosen once per process, before the first view loads.
    static const bool chosen = [] {
        QQuickStyle::setStyle(QStringLiteral("Material"));
        return true;
    }();
    Q_UNUSED(chosen);
}

QUrl mainWindowUrl() {
    return QUrl(QStringLiteral("qrc:/korvid/qml/Main.qml"));
}

QUrl trayPanelUrl() {
    return QUrl(QStringLiteral("qrc:/korvid/qml/TrayPanel.qml"));
}

} // namespace UiComposition
