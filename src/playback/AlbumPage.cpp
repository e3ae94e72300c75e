#include "playback/AlbumPage.h"

#include "musicapp/AppleMusicLibrary.h"
#include "playback/GenreChips.h"

#include <QPointer>

AlbumPage::AlbumPage(AppleMusicLibrary& appleMusic, MusicSourceSettings& sourceSettings,
                     AlbumFilterSettings& filterSettings, std::shared_ptr<AlbumRecordCache> records,
                     QObject* parent)
    : QObject(parent)
    , appleMusic_(appleMusic)
    , sourceSettings_(sourceSettings)
    , filterSettings_(filterSettings)
    , records_(records ? std::move(records) : std::make_shared<AlbumRecordCache>())
    , genreChips_(genreChipList({}, {})) {}

AlbumPage::~AlbumPage() = default;

void AlbumPage::beginLoad() {
    if (loads_++ == 0)
        Q_EMIT isLoadingChanged();
    setErrorMessage(std::nullopt);
}

void AlbumPage::endLoad() {
    if (--loads_ == 0)
        Q_EMIT isLoadingChanged();
}

void AlbumPage::setErrorMessage(std::optional<QString> message) {
    if (message == errorMessage_)
        return;
    errorMessage_ = std::move(message);
    Q_EMIT errorMessageChanged();
}

QCoro::Task<bool> AlbumPage::appendLocalAlbums(QList<AlbumRecord>& records) {
    QPointer<AlbumPage> self(this);
    co_await appleMusic_.requestAuthorizationIfNeeded();
    if (!self)
        co_return false;
    const QList<AppleMusicAlbum> local = appleMusic_.albums();
    records.reserve(records.size() + local.size());
    for (const AppleMusicAlbum& album : local)
        records.append(records_->local(album));
    records_->finishLocalPass();
    co_return true;
}

void AlbumPage::updateGenreChips(const QList<DisplayAlbum>& albums) {
    QVariantList chips = genreChipList(albums, genreRecency_);
    if (chips == genreChips_)
        return;
    genreChips_ = std::move(chips);
    Q_EMIT genreChipsChanged();
}

void AlbumPage::noteGenreChoice(const Genre& previous, const Genre& chosen,
                                const QList<DisplayAlbum>& albums) {
    if (!noteChosenGenre(genreRecency_, previous, chosen))
        return;
    Q_EMIT genreRecencyChanged();
    updateGenreChips(albums);
}
