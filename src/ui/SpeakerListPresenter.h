#pragma once

#include "musicapp/SpeakerOutput.h"
#include "platform/Cancellation.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

class AppleMusicLibrary;
class Clock;

// The speaker sheet for local albums: its rows from the library's speaker
// options, what shows while there are none, and the choice of a row.
class SpeakerListPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the local library")
    Q_PROPERTY(QString header READ header CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString footnote READ footnote CONSTANT)
    Q_PROPERTY(QString legacyLabel READ legacyLabel CONSTANT)
    Q_PROPERTY(QString legacyAccessibleName READ legacyAccessibleName CONSTANT)
    Q_PROPERTY(QString alsoPlayLabel READ alsoPlayLabel CONSTANT)
    // Each row: id, name, symbol, isLegacy, isSelected; for legacy speakers
    // also canAlsoPlay (it may join the selected one), alsoPlays (it has),
    // inGroup (it plays as one of several), volume and volumeName.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY rowsChanged)
    // "Looking for speakers…" until the search has had its time, then
    // "No speakers found"; empty while there are rows.
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY emptyTextChanged)
    Q_PROPERTY(QString accessProblem READ accessProblem NOTIFY accessProblemChanged)
    // The selected output's symbol, or "airplayaudio" without one.
    Q_PROPERTY(QString buttonSymbol READ buttonSymbol NOTIFY rowsChanged)
    // The selected output's name, or "None Selected".
    Q_PROPERTY(QString selectedName READ selectedName NOTIFY rowsChanged)

public:
    // How long the list looks for speakers before it says there are none.
    static constexpr std::chrono::milliseconds searchTime{3000};

    SpeakerListPresenter(AppleMusicLibrary& library, Clock& clock, QObject* parent = nullptr);
    ~SpeakerListPresenter() override;

    QString header() const { return tr("Speakers"); }
    QString title() const { return tr("Choose a speaker"); }
    QString footnote() const;
    QString legacyLabel() const { return tr("Legacy"); }
    QString legacyAccessibleName() const { return tr("Legacy AirPlay 1 speaker"); }
    QString alsoPlayLabel() const { return tr("Also play here"); }
    QVariantList rows() const;
    QString emptyText() const;
    QString accessProblem() const;
    QString buttonSymbol() const;
    QString selectedName() const;
    bool hasSearched() const { return searched_; }

    // The sheet opened: looks for speakers (legacy speakers and the music
    // player's outputs) and refreshes the player's status; after the search
    // time an empty list says so. Opening again starts a new search.
    Q_INVOKABLE void open();
    // The sheet closed: a search still running stops.
    Q_INVOKABLE void close();
    // Plays local albums on the row's output; an unknown id does nothing.
    Q_INVOKABLE void choose(const QString& id);
    // Adds the row's legacy speaker to the selected one, or takes it out.
    Q_INVOKABLE void setAlsoPlaying(const QString& id, bool on);
    // The level of the row's speaker in the group.
    Q_INVOKABLE void setVolume(const QString& id, double percent);

Q_SIGNALS:
    void rowsChanged();
    void emptyTextChanged();
    void accessProblemChanged();

private:
    void setSearched(bool value);
    // The output of the row `id`; none for an unknown id.
    std::optional<SpeakerOutput> outputOf(const QString& id) const;

    AppleMusicLibrary& library_;
    Clock& clock_;
    std::shared_ptr<CancellationSource> search_;
    bool searched_ = false;
};
