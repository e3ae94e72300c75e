#include "platform/SecretServiceKeychain.h"

#include <QCoroSignal>
#include <qt6keychain/keychain.h>

#include <memory>

namespace {

struct JobDeleter {
    void operator()(QKeychain::Job* job) const { job->deleteLater(); }
};

template <typename JobType>
std::unique_ptr<JobType, JobDeleter> makeJob(const QString& service, const QString& account) {
    std::unique_ptr<JobType, JobDeleter> job(new JobType(service));
    job->setAutoDelete(false);
    // A plain-text copy of a token set is never acceptable.
    job->setInsecureFallback(false);
    job->setKey(account);
    return job;
}

// Runs a configured job to its end and yields its error code.
QCoro::Task<QKeychain::Error> run(QKeychain::Job* job) {
    // Started from the event loop, so the wait below is in place before the
    // job can finish.
    QMetaObject::invokeMethod(job, &QKeychain::Job::start, Qt::QueuedConnection);
    co_await qCoro(job, &QKeychain::Job::finished);
    co_return job->error();
}

bool isServiceFailure(QKeychain::Error error) {
    return error != QKeychain::NoError && error != QKeychain::EntryNotFound;
}

} // namespace

QCoro::Task<> SecretServiceKeychain::save(QString service, QString account, QByteArray data) {
    // Remove first, then add: whatever either step reports, the old value
    // must not survive beside the new one.
    co_await remove(service, account);
    auto job = makeJob<QKeychain::WritePasswordJob>(service, account);
    job->setBinaryData(data);
    if (isServiceFailure(co_await run(job.get()))) {
        fallbackUsed_ = true;
        memory_.put(service, account, std::move(data));
    }
}

QCoro::Task<std::optional<QByteArray>> SecretServiceKeychain::load(QString service,
                                                                   QString account) {
    auto job = makeJob<QKeychain::ReadPasswordJob>(service, account);
    const QKeychain::Error error = co_await run(job.get());
    if (error == QKeychain::NoError)
        co_return job->binaryData();
    if (isServiceFailure(error)) {
        fallbackUsed_ = true;
        co_return memory_.get(service, account);
    }
    co_return std::nullopt;
}

QCoro::Task<> SecretServiceKeychain::remove(QString service, QString account) {
    memory_.erase(service, account);
    auto job = makeJob<QKeychain::DeletePasswordJob>(service, account);
    co_await run(job.get());
}
