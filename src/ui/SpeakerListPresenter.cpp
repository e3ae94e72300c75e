#include "ui/SpeakerListPresenter.h"

#include "musicapp/AppleMusicLibrary.h"
#include "platform/Clock.h"
#include "playback/SpeakerList.h"
#include "ui/PlaybackTexts.h"

#include <QVariantMap>

using PlaybackTexts::readableName;

SpeakerListPresenter::SpeakerListPresenter(AppleMusicLibrary& library, Clock& clock,
                                           QObject* parent)
    : QObject(parent)
    , library_(library)
    , clock_(clock) {
    for (auto signal :
         {&AppleMusicLibrary::musicDevicesChanged, &AppleMusicLibrary::legacySpeakersChanged,
          &AppleMusicLibrary::outputChanged}) {
        connect(&library_, signal, this, [this] {
            Q_EMIT rowsChanged();
            Q_EMIT emptyTextChanged();
        });
    }
    connect(&library_, &AppleMusicLibrary::musicAccessProblemChanged, this,
            &SpeakerListPresenter::accessProblemChanged);
}

SpeakerListPresenter::~SpeakerListPresenter() {
    close();
}

QString SpeakerListPresenter::footnote() const {
    return tr(
        "Speakers play through the music player, which reaches every output of this computer. "
        "Legacy speakers only support AirPlay 1, so Korvid streams to them itself; "
        "copy-protected files can't play on them.");
}

QVariantList SpeakerListPresenter::rows() const {
    const QString selected = library_.outputID();
    QVariantList rows;
    for (const SpeakerOption& option : speakerOptionsOf(library_)) {
        rows.append(QVariantMap{
            {QStringLiteral("id"), option.id()},
            {QStringLiteral("name"), readableName(option.output.displayName())},
            {QStringLiteral("symbol"), option.output.systemImage()},
            {QStringLiteral("isLegacy"), option.output.isLegacy()},
            {QStringLiteral("isSelected"), option.id() == selected},
        });
    }
    return rows;
}

QString SpeakerListPresenter::emptyText() const {
    if (!speakerOptionsOf(library_).isEmpty())
        return {};
    return searched_ ? tr("No speakers found") : tr("Looking for speakers…");
}

QString SpeakerListPresenter::accessProblem() const {
    return library_.musicAccessProblemText();
}

QString SpeakerListPresenter::buttonSymbol() const {
    const auto& output = library_.output();
    return output ? output->systemImage() : QStringLiteral("airplayaudio");
}

QString SpeakerListPresenter::selectedName() const {
    const auto& output = library_.output();
    return output ? readableName(output->displayName()) : tr("None Selected");
}

void SpeakerListPresenter::open() {
    close();
    setSearched(false);
    search_ = std::make_shared<CancellationSource>();
    library_.refreshStatus();
    [](QPointer<SpeakerListPresenter> self, AppleMusicLibrary& library, Clock& clock,
       CancellationToken token) -> QCoro::Task<> {
        co_await library.refreshSpeakers();
        if (!self || token.isCancelled())
            co_return;
        const bool waited = co_await clock.sleep(searchTime, token);
        if (self && waited && !token.isCancelled())
            self->setSearched(true);
    }(this, library_, clock_, search_->token());
}

void SpeakerListPresenter::close() {
    if (search_) {
        search_->cancel();
        search_.reset();
    }
}

void SpeakerListPresenter::choose(const QString& id) {
    for (const SpeakerOption& option : speakerOptionsOf(library_)) {
        if (option.id() == id) {
            library_.select(option.output);
            return;
        }
    }
}

void SpeakerListPresenter::setSearched(bool value) {
    if (searched_ == value)
        return;
    searched_ = value;
    Q_EMIT emptyTextChanged();
}
