#include "musicapp/MusicAppController.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/MpdCommands.h"
#include "musicapp/MpdEndpoints.h"
#include "musicapp/SerialWorker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <future>
#include <thread>
#include <type_traits>

namespace {

MusicAppError toMusicAppError(const MpdFailure& failure) {
    if (failure.kind() == MpdFailure::Kind::notPermitted) {
        return MusicAppError::notPermitted();
    }
    return MusicAppError::script(failure.message());
}

bool isSocketPath(const QString& host) {
    return host.startsWith(QLatin1Char('/'));
}

} // namespace

class MusicAppController::Engine {
public:
    explicit Engine(Options options)
        : options_(std::move(options)) {
        if (!options_.connector) {
            options_.connector = std::make_shared<LibMpdConnector>();
        }
    }

    // A connection to the first MPD that answers, or the reason none does.
    std::unique_ptr<MpdClient> open() {
        if (auto client = tryOpen()) {
            return client;
        }
        throw MpdFailure(MpdFailure::Kind::connection,
                         lastFailure_.isEmpty() ? QStringLiteral("No music player answers.")
                                                : lastFailure_);
    }

    std::unique_ptr<MpdClient> tryOpen() {
        lastFailure_.clear();
        if (lastAnswered_) {
            if (auto client = attempt(*lastAnswered_)) {
                return client;
            }
        }
        QList<MpdAddress> candidates = options_.addresses;
        // Without a private folder Korvid has no MPD of its own.
        if (!options_.ownDaemon.socketPath.isEmpty()) {
            candidates.append(MpdAddress{options_.ownDaemon.socketPath, 0});
        }
        for (const MpdAddress& address : candidates) {
            if (lastAnswered_ && address == *lastAnswered_) {
                continue;
            }
            if (auto client = attempt(address)) {
                lastAnswered_ = address;
                return client;
            }
        }
        lastAnswered_.reset();
        return nullptr;
    }

    void launch() {
        if (tryOpen()) {
            return;
        }
        if (options_.startDaemon) {
            if (!options_.startDaemon()) {
                throw MusicAppError::notInstalled();
            }
        } else if (auto failure =
                       startMpdDaemon(options_.musicFolder, options_.ownDaemon, listSoundSinks())) {
            throw *failure;
        }
        std::this_thread::sleep_for(options_.launchWait);
    }

    // Pauses the MPD that answers when it is Korvid's own (started hidden,
    // with nothing else on the desktop to stop it); a user's MPD plays on.
    void pauseIfOwn() {
        const std::unique_ptr<MpdClient> client = tryOpen();
        if (client && lastAnswered_ && lastAnswered_->host == options_.ownDaemon.socketPath) {
            client->pause();
        }
    }

    void pauseBetweenPolls() const { std::this_thread::sleep_for(options_.pollInterval); }

    MpdCommands::StatusHints statusHints() {
        MpdCommands::StatusHints hints;
        if (lastAnswered_ && lastAnswered_->host == options_.ownDaemon.socketPath) {
            hints.outputKinds = readOutputKinds(options_.ownDaemon.outputKindsPath());
        }
        hints.lastQueue = lastQueue();
        return hints;
    }

    // Kept in a file as well, so a restarted Korvid knows its queue.
    void rememberQueue(const QStringList& files) {
        lastQueue_ = files;
        const QString path = options_.ownDaemon.lastQueuePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(files.join(QLatin1Char('\n')).toUtf8());
            file.commit();
        }
    }

private:
    QStringList lastQueue() {
        if (!lastQueue_) {
            QFile file(options_.ownDaemon.lastQueuePath());
            lastQueue_ = file.open(QIODevice::ReadOnly)
                             ? QString::fromUtf8(file.read(1 << 20))
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                             : QStringList{};
        }
        return *lastQueue_;
    }

    std::unique_ptr<MpdClient> attempt(const MpdAddress& address) {
        // A missing socket file cannot answer; skipping it saves a system call
        // and keeps the reason of a real refusal. Another user's socket is
        // never spoken to.
        if (isSocketPath(address.host) && !isTrustedLocalSocket(address.host)) {
            return nullptr;
        }
        try {
            return options_.connector->connect(address);
        } catch (const MpdFailure& failure) {
            if (failure.kind() == MpdFailure::Kind::notPermitted) {
                throw;
            }
            lastFailure_ = failure.message();
            return nullptr;
        }
    }

    Options options_;
    std::optional<MpdAddress> lastAnswered_;
    QString lastFailure_;
    std::optional<QStringList> lastQueue_;
};

MusicAppController::MusicAppController(Options options)
    : trackFile_(options.trackFile)
    , engine_(std::make_shared<Engine>(std::move(options)))
    , worker_(std::make_unique<SerialWorker>("Korvid.musicapp")) {}

MusicAppController::~MusicAppController() {
    // Runs what callers already queued, so each of them gets its outcome.
    worker_.reset();
}

QList<MpdAddress> MusicAppController::standardMpdAddresses() {
    return userMpdAddresses(MpdEnvironment::current());
}

template <typename T> QCoro::Task<T> MusicAppController::perform(std::function<T(Engine&)> work) {
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    worker_->post([promise, work = std::move(work), engine = engine_] {
        try {
            try {
                if constexpr (std::is_void_v<T>) {
                    work(*engine);
                } else {
                    promise->addResult(work(*engine));
                }
            } catch (const MpdFailure& failure) {
                throw toMusicAppError(failure);
            }
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    if constexpr (std::is_void_v<T>) {
        co_await future;
    } else {
        co_return co_await future;
    }
}

template <typename T>
QCoro::Task<T> MusicAppController::performOnClient(std::function<T(MpdClient&)> work) {
    return perform<T>([work = std::move(work)](Engine& engine) -> T {
        const std::unique_ptr<MpdClient> client = engine.open();
        return work(*client);
    });
}

QCoro::Task<> MusicAppController::launchIfNeeded() {
    return perform<void>([](Engine& engine) { engine.launch(); });
}

QCoro::Task<bool> MusicAppController::isRunning() {
    return perform<bool>([](Engine& engine) { return engine.tryOpen() != nullptr; });
}

QCoro::Task<MusicPlayerStatus> MusicAppController::status() {
    return perform<MusicPlayerStatus>([](Engine& engine) {
        const std::unique_ptr<MpdClient> client = engine.open();
        return MpdCommands::readStatus(*client, engine.statusHints());
    });
}

QCoro::Task<> MusicAppController::playQueue(QStringList trackIDs, int startIndex,
                                            double startSeconds,
                                            std::optional<QString> deviceName) {
    MpdCommands::QueueRequest request;
    request.startIndex = startIndex;
    request.startSeconds = startSeconds;
    request.deviceName = std::move(deviceName);
    // The library index belongs to the caller's thread: ids become files here.
    for (const QString& id : trackIDs) {
        request.files.append(trackFile_ ? trackFile_(id) : QString());
    }
    return perform<void>([request = std::move(request)](Engine& engine) {
        const std::unique_ptr<MpdClient> client = engine.open();
        engine.rememberQueue(
            MpdCommands::playQueue(*client, request, [&engine] { engine.pauseBetweenPolls(); }));
    });
}

QCoro::Task<> MusicAppController::setDeviceVolume(int volume, QString deviceName) {
    return performOnClient<void>([volume, deviceName = std::move(deviceName)](MpdClient& client) {
        MpdCommands::setDeviceVolume(client, volume, deviceName);
    });
}

QCoro::Task<> MusicAppController::setMusicVolume(int volume) {
    return performOnClient<void>([volume](MpdClient& client) {
        client.setVolume(static_cast<unsigned>(MpdCommands::clampVolume(volume)));
    });
}

bool MusicAppController::pauseOwnPlayer(std::chrono::milliseconds bound) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    worker_->post([done, engine = engine_] {
        try {
            engine->pauseIfOwn();
        } catch (...) {
            // Quitting goes on; nothing is left to tell.
        }
        done->set_value();
    });
    return finished.wait_for(bound) == std::future_status::ready;
}

QCoro::Task<> MusicAppController::pause() {
    return performOnClient<void>([](MpdClient& client) { client.pause(); });
}

QCoro::Task<> MusicAppController::play() {
    return performOnClient<void>([](MpdClient& client) { client.play(); });
}

QCoro::Task<> MusicAppController::nextTrack() {
    return performOnClient<void>([](MpdClient& client) { client.next(); });
}

QCoro::Task<> MusicAppController::restartTrack() {
    return seekWithinTrack(0);
}

QCoro::Task<> MusicAppController::seekWithinTrack(double seconds) {
    return performOnClient<void>([seconds](MpdClient& client) { client.seekCurrent(seconds); });
}

QCoro::Task<> MusicAppController::selectDevice(QString deviceName) {
    return performOnClient<void>([deviceName = std::move(deviceName)](MpdClient& client) {
        MpdCommands::selectOutput(client, deviceName);
    });
}

QCoro::Task<std::optional<QString>> MusicAppController::musicDirectory() {
    return performOnClient<std::optional<QString>>(
        [](MpdClient& client) { return client.musicDirectory(); });
}
