#pragma once

#include "platform/KorvidError.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QNetworkRequest>
#include <QString>

#include <chrono>
#include <optional>
#include <utility>

class QNetworkAccessManager;

// A request that never got a whole HTTP answer: no network, refused, timed
// out, TLS failure, or a connection that broke after the headers. The
// description is the network layer's text.
class SpotifyTransportError : public KorvidError {
public:
    using KorvidError::KorvidError;
};

// HTTP plumbing shared by the sign-in and the Web API client.
namespace SpotifyHttp {

inline constexpr std::chrono::seconds requestTimeout{60};
// Larger answers are refused rather than held in memory.
inline constexpr qint64 maxBodyBytes = 16 * 1024 * 1024;

struct Answer {
    int status = 0;
    QByteArray body;
};

using QueryItems = QList<std::pair<QString, QString>>;

// Percent-encodes everything outside the characters a URL query allows,
// and also "&", "=" and "+", so a value can never split or change a pair.
QByteArray encodeComponent(const QString& text);
// name=value pairs joined with "&", in the given order.
QByteArray encodeQuery(const QueryItems& items);

// The text of a body, or nothing when it is not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& body);

// Sends the request with the given method, and the body when there is one
// (without one, no body and no Content-Type are sent). Yields the HTTP answer
// whatever its status; throws SpotifyTransportError when there is none, or
// when no byte arrived for `timeout` before it was whole.
QCoro::Task<Answer> perform(QNetworkAccessManager& network, QNetworkRequest request,
                            QByteArray method, std::optional<QByteArray> body = std::nullopt,
                            std::chrono::milliseconds timeout = requestTimeout);

} // namespace SpotifyHttp
