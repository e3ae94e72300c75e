#include "ui/UiComposition.h"

#include "model/AlbumArtwork.h"
#include "musicapp/AppleMusicLibrary.h"
#include "platform/Clock.h"
#include "playback/AlbumListModel.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "playback/RefreshLoop.h"
#include "spotify/SpotifyAPI.h"
#include "ui/AlbumPages.h"
#include "ui/AlbumTrackList.h"
#include "ui/AppearanceModel.h"
#include "ui/ContentRootModel.h"
#include "ui/CoverImages.h"
#include "ui/DeviceListModel.h"
#include "ui/DisplayPreferences.h"
#include "ui/EmptyStateTexts.h"
#include "ui/LocalMusicSettings.h"
#include "ui/ModelTypes.h"
#include "ui/NowPlayingPresenter.h"
#include "ui/PreviewPlayer.h"
#include "ui/PreviewPresenter.h"
#include "ui/ResumeOfferPresenter.h"
#include "ui/SpeakerListPresenter.h"
#include "ui/SpotifySignIn.h"
#include "ui/Translation.h"
#include "ui/TrayPanelPresenter.h"

#include <QQmlEngine>
#include <QQuickStyle>

namespace UiComposition {

namespace {

// Covers come through the image provider when there is one, else only
// remote covers show, straight from their address.
NowPlayingPresenter::CoverSource coverSourceOf(CoverImages* covers) {
    return [covers](const QString& albumID, const AlbumArtwork& artwork) {
        return covers ? covers->source(albumID, artwork) : artwork.url().value_or(QUrl());
    };
}

// The playing album's tracks; Spotify's come from the Web API when there is one.
AlbumTrackList* albumTrackList(QQmlEngine& engine, const UiModels& models) {
    AlbumTrackList::SpotifyTracks spotify;
    if (SpotifyAPI* api = models.spotifyAPI) {
        spotify = [api](QString albumID) { return api->albumTracks(std::move(albumID)); };
    }
    auto lookup = [home = models.home,
                   local = models.appleMusic](const QString& id) -> std::optional<UnifiedAlbum> {
        if (home) {
            for (const DisplayAlbum& shown : home->albums()) {
                if (shown.id() == id) {
                    return shown.album;
                }
            }
        }
        return local->unifiedAlbum(id);
    };
    return new AlbumTrackList(*models.playback, *models.appleMusic, std::move(spotify),
                              std::move(lookup), &engine);
}

// The main window and the tray panel share one: they show the same.
NowPlayingPresenter* nowPlayingPresenter(QQmlEngine& engine, const UiModels& models) {
    if (auto* made =
            engine.findChild<NowPlayingPresenter*>(QString(), Qt::FindDirectChildrenOnly)) {
        return made;
    }
    Clock& clock = models.clock ? *models.clock : Clock::system();
    auto* presenter = new NowPlayingPresenter(*models.playback, *models.appleMusic, *models.home,
                                              clock, coverSourceOf(models.covers), &engine);
    presenter->setTracks(albumTrackList(engine, models));
    return presenter;
}

// The Up Next card's preview, played through the default audio output.
PreviewPresenter* previewPresenter(QQmlEngine& engine, const UiModels& models) {
    PreviewPresenter::Lookup lookup;
    if (SpotifyAPI* api = models.spotifyAPI)
        lookup = [api](QString albumID) { return api->firstPreviewURL(std::move(albumID)); };
    auto* player = new MediaPreviewPlayer(&engine);
    return new PreviewPresenter(std::move(lookup), *player, &engine);
}

} // namespace

void useViewStyle() {
    // The style can be chosen once per process, before the first view loads.
    static const bool chosen = [] {
        QQuickStyle::setStyle(QStringLiteral("Material"));
        return true;
    }();
    Q_UNUSED(chosen);
}

void prepare(QQmlEngine& engine, const UiModels& models) {
    Translation::install();
    // Where the module's files live in the resources.
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    if (models.covers)
        models.covers->install(engine);
}

QVariantMap mainWindowProperties(QQmlEngine& engine, const UiModels& models) {
    Clock& clock = models.clock ? *models.clock : Clock::system();
    CoverImages* covers = models.covers;
    const auto coverSource = coverSourceOf(covers);
    if (covers && models.home && models.library) {
        for (AlbumListModel* list :
             {models.home->recentlyPlayedModel(), models.home->discoverModel(),
              models.library->filteredModel()}) {
            list->setArtworkURL(covers->sourceFunction());
        }
    }
    return {
        {QStringLiteral("sourceSettings"), QVariant::fromValue(models.sourceSettings)},
        {QStringLiteral("filterSettings"), QVariant::fromValue(models.filterSettings)},
        {QStringLiteral("signIn"), QVariant::fromValue(models.spotifySignIn)},
        {QStringLiteral("contentRoot"), QVariant::fromValue(new ContentRootModel(
                                            models.sourceSettings, models.spotifyAuth, &engine))},
        {QStringLiteral("appearance"),
         QVariant::fromValue(new AppearanceModel(models.sourceSettings, &engine))},
        {QStringLiteral("emptyStates"), QVariant::fromValue(new EmptyStatePresenter(
                                            models.sourceSettings, models.appleMusic, &engine))},
        {QStringLiteral("displayPreferences"),
         QVariant::fromValue(new DisplayPreferences(&engine))},
        {QStringLiteral("localMusic"),
         QVariant::fromValue(new LocalMusicSettings(models.appleMusic, &engine))},
        {QStringLiteral("playback"), QVariant::fromValue(models.playback)},
        {QStringLiteral("speakers"),
         QVariant::fromValue(new SpeakerListPresenter(*models.appleMusic, clock, &engine))},
        {QStringLiteral("devices"),
         QVariant::fromValue(new DeviceListModel(*models.playback, &engine))},
        {QStringLiteral("nowPlaying"), QVariant::fromValue(nowPlayingPresenter(engine, models))},
        {QStringLiteral("preview"), QVariant::fromValue(previewPresenter(engine, models))},
        {QStringLiteral("resumeOffer"),
         QVariant::fromValue(new ResumeOfferPresenter(*models.playback, *models.appleMusic, clock,
                                                      coverSource, &engine))},
        {QStringLiteral("home"), QVariant::fromValue(models.home)},
        {QStringLiteral("library"), QVariant::fromValue(models.library)},
        {QStringLiteral("pages"),
         QVariant::fromValue(new AlbumPages(*models.home, *models.library, *models.playback,
                                            *models.sourceSettings, models.appleMusic, &engine))},
        {QStringLiteral("refreshLoop"),
         QVariant::fromValue(new RefreshLoop(*models.playback, clock, &engine))},
    };
}

QVariantMap trayPanelProperties(QQmlEngine& engine, const UiModels& models) {
    CoverImages* covers = models.covers;
    return {
        {QStringLiteral("appearance"),
         QVariant::fromValue(new AppearanceModel(models.sourceSettings, &engine))},
        {QStringLiteral("playback"), QVariant::fromValue(models.playback)},
        {QStringLiteral("nowPlaying"), QVariant::fromValue(nowPlayingPresenter(engine, models))},
        {QStringLiteral("tray"),
         QVariant::fromValue(new TrayPanelPresenter(
             *models.playback, *models.home,
             covers ? covers->sourceFunction() : AlbumListModel::ArtworkURL(), &engine))},
    };
}

QUrl viewUrl(const QString& name) {
    return QUrl(QStringLiteral("qrc:/qt/qml/Korvid/") + name + QStringLiteral(".qml"));
}

QUrl mainWindowUrl() {
    return viewUrl(QStringLiteral("Main"));
}

QUrl trayPanelUrl() {
    return viewUrl(QStringLiteral("TrayPanel"));
}

} // namespace UiComposition
