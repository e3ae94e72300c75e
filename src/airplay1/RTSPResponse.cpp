#include "airplay1/RTSPResponse.h"

#include "airplay1/AirPlay1Error.h"

#include <QStringDecoder>

namespace {
const QByteArray headEnd = QByteArrayLiteral("\r\n\r\n");

RTSPResponse parseHead(const QByteArray& head) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(head);
    if (decoder.hasError()) {
        throw AirPlay1Error::badResponse();
    }
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.isEmpty()) {
        throw AirPlay1Error::badResponse();
    }
    const QStringList status = lines.first().split(u' ', Qt::SkipEmptyParts);
    bool ok = false;
    const int code = status.size() >= 2 ? status.at(1).toInt(&ok, 10) : 0;
    if (!ok) {
        throw AirPlay1Error::badResponse();
    }
    RTSPResponse response;
    response.statusCode = code;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) {
            continue;
        }
        response.headers.insert(line.left(colon).trimmed().toLower(),
                                line.mid(colon + 1).trimmed());
    }
    return response;
}
} // namespace

std::optional<RTSPResponse> RTSPResponseReader::take() {
    if (!head_) {
        const qsizetype end = buffer_.indexOf(headEnd);
        if (end < 0) {
            // A head that never ends is not a reply we can read.
            if (buffer_.size() > maxHeadBytes) {
                throw AirPlay1Error::badResponse();
            }
            return std::nullopt;
        }
        if (end > maxHeadBytes) {
            throw AirPlay1Error::badResponse();
        }
        const QByteArray head = buffer_.left(end);
        buffer_.remove(0, end + headEnd.size());
        RTSPResponse response = parseHead(head);
        bodyBytes_ = 0;
        const auto length = response.headers.constFind(QStringLiteral("content-length"));
        if (length != response.headers.cend()) {
            bool ok = false;
            const qint64 bytes = length->toLongLong(&ok, 10);
            if (ok && bytes > maxBodyBytes) {
                throw AirPlay1Error::badResponse();
            }
            if (ok && bytes > 0) {
                bodyBytes_ = bytes;
            }
        }
        head_ = std::move(response);
    }
    if (buffer_.size() < bodyBytes_) {
        return std::nullopt;
    }
    buffer_.remove(0, qsizetype(bodyBytes_));
    bodyBytes_ = 0;
    return std::exchange(head_, std::nullopt);
}

std::optional<QString> sessionIdentifier(const QString& headerValue) {
    const QStringList pieces = headerValue.split(u';', Qt::SkipEmptyParts);
    if (pieces.isEmpty()) {
        return std::nullopt;
    }
    return pieces.first().trimmed();
}
