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
          &AppleMusicLibrary::outputChanged, &AppleMusicLibrary::groupChanged,
          &AppleMusicLibrary::airPlay1VolumePercentChanged}) {
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
    // Only a legacy speaker as the output takes others beside it.
    const bool grouping = library_.legacySpeaker().has_value();
    const bool isGroup = library_.groupSpeakers().size() > 1;
    QVariantList rows;
    for (const SpeakerOption& option : speakerOptionsOf(library_)) {
        const bool legacy = option.output.isLegacy();
        const bool isSelected = option.id() == selected;
        const QString speakerID = legacy ? option.output.legacySpeaker().id : QString();
        const bool alsoPlays = legacy && library_.isAlsoPlaying(speakerID);
        const QString name = readableName(option.output.displayName());
        rows.append(QVariantMap{
            {QStringLiteral("id"), option.id()},
            {QStringLiteral("name"), name},
            {QStringLiteral("symbol"), option.output.systemImage()},
            {QStringLiteral("isLegacy"), legacy},
            {QStringLiteral("isSelected"), isSelected},
            {QStringLiteral("canAlsoPlay"), legacy && grouping && !isSelected},
            {QStringLiteral("alsoPlays"), alsoPlays},
            {QStringLiteral("inGroup"), isGroup && (alsoPlays || (legacy && isSelected))},
            {QStringLiteral("volume"), library_.speakerVolumePercent(speakerID)},
            {QStringLiteral("volumeName"), tr("Volume of %1").arg(name)},
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

std::optional<SpeakerOutput> SpeakerListPresenter::outputOf(const QString& id) const {
    for (const SpeakerOption& option : speakerOptionsOf(library_)) {
        if (option.id() == id) {
            return option.output;
        }
    }
    return std::nullopt;
}

void SpeakerListPresenter::choose(const QString& id) {
    if (const auto output = outputOf(id)) {
        library_.select(*output);
    }
}

void SpeakerListPresenter::setAlsoPlaying(const QString& id, bool on) {
    if (const auto output = outputOf(id); output && output->isLegacy()) {
        library_.setAlsoPlaying(output->legacySpeaker(), on);
    }
}

void SpeakerListPresenter::setVolume(const QString& id, double percent) {
    if (const auto output = outputOf(id); output && output->isLegacy()) {
        library_.setSpeakerVolume(output->legacySpeaker().id, percent);
    }
}

void SpeakerListPresenter::setSearched(bool value) {
    if (searched_ == value)
        return;
    searched_ = value;
    Q_EMIT emptyTextChanged();
}
