#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// Remote covers, fetched once and kept on disk: a cover that is in the folder
// is read from there and never fetched again. The folder is kept within
// bounds of size and age, the least recently used covers going first. Lives on a thread of its own,
// as network and disk must not hold up the views; everything is called
// there.
class CoverFetcher : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(QByteArray)>;
    // Why an address may not be fetched, empty when it may (fetchRefusal).
    using Policy = std::function<QString(const QUrl&)>;

    explicit CoverFetcher(QString folder, Policy policy, QObject* parent = nullptr);
    ~CoverFetcher() override;

    // Hands the cover's bytes to `done`, or empty bytes when it cannot be
    // had: refused by the policy (the address or a redirect), a failed or
    // oversized download, or no picture.
    // Requests for an address being fetched wait for that one download.
    void obtain(const QUrl& url, Done done);

    // Where the cover of `url` is kept.
    QString filePath(const QUrl& url) const;

private:
    void finished(QNetworkReply* reply);
    void answer(const QUrl& url, const QByteArray& bytes);

    QString folder_;
    Policy policy_;
    QNetworkAccessManager* network_ = nullptr;
    QHash<QUrl, QList<Done>> waiting_;
    int writesSinceTrim_ = 0;
};
