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

// Runs a configured job to its end and yields its error code; none when it
// did not end within `bound`. The job is then left to end by itself.
QCoro::Task<std::optional<QKeychain::Error>> run(QKeychain::Job* job,
                                                 std::chrono::milliseconds bound) {
    // Started from the event loop, so the wait below is in place before the
    // job can finish.
    QMetaObject::invokeMethod(job, &QKeychain::Job::start, Qt::QueuedConnection);
    const auto finished = co_await qCoro(job, &QKeychain::Job::finished, bound);
    if (!finished)
        co_return std::nullopt;
    co_return job->error();
}

// A job that did not end in time is left to end by itself: the service's
// answer may still come and is read into the job, which must be there then.
template <typename JobType> void abandon(std::unique_ptr<JobType, JobDeleter> job) {
    job.release()->setAutoDelete(true);
}

bool isServiceFailure(QKeychain::Error error) {
    return error != QKeychain::NoError && error != QKeychain::EntryNotFound;
}

} // namespace

QCoro::Task<> SecretServiceKeychain::save(QString service, QString account, QByteArray data) {
    // The Secret Service replaces an item with the same attributes in place,
    // so no moment passes without the item (removing it first did: a kill
    // between the two lost the sign-in).
    auto job = makeJob<QKeychain::WritePasswordJob>(service, account);
    job->setBinaryData(data);
    const auto error = co_await run(job.get(), answerWithin_);
    if (!error)
        abandon(std::move(job));
    if (error && !isServiceFailure(*error)) {
        memory_.erase(service, account);
        problem_ = KeychainProblem::none;
        co_return;
    }
    fallbackUsed_ = true;
    problem_ = error ? KeychainProblem::notStored : KeychainProblem::noAnswer;
    memory_.put(service, account, std::move(data));
}

QCoro::Task<std::optional<QByteArray>> SecretServiceKeychain::load(QString service,
                                                                   QString account) {
    // A value the service refused to store is newer than what it holds.
    if (auto kept = memory_.get(service, account))
        co_return kept;
    auto job = makeJob<QKeychain::ReadPasswordJob>(service, account);
    const auto error = co_await run(job.get(), answerWithin_);
    if (!error) {
        abandon(std::move(job));
        problem_ = KeychainProblem::noAnswer;
        co_return std::nullopt;
    }
    if (isServiceFailure(*error)) {
        fallbackUsed_ = true;
        problem_ = KeychainProblem::notRead;
        co_return std::nullopt;
    }
    problem_ = KeychainProblem::none;
    if (*error == QKeychain::NoError)
        co_return job->binaryData();
    co_return std::nullopt;
}

QCoro::Task<> SecretServiceKeychain::remove(QString service, QString account) {
    memory_.erase(service, account);
    auto job = makeJob<QKeychain::DeletePasswordJob>(service, account);
    const auto error = co_await run(job.get(), answerWithin_);
    if (!error)
        abandon(std::move(job));
    problem_ =
        error && !isServiceFailure(*error) ? KeychainProblem::none : KeychainProblem::notRemoved;
}
