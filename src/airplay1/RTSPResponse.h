#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

// One RTSP reply: its status and its headers, names lower-cased, values
// trimmed. The body is read off the wire and dropped; nobody needs it.
struct RTSPResponse {
    int statusCode = 0;
    QMap<QString, QString> headers;

    QString header(const QString& lowerCaseName) const { return headers.value(lowerCaseName); }
    bool hasHeader(const QString& lowerCaseName) const { return headers.contains(lowerCaseName); }
};

// Cuts replies out of the bytes received on the control connection. The
// buffer persists between replies: a segment may end mid-reply or carry the
// start of the next one.
class RTSPResponseReader {
public:
    // Limits past which a reply counts as malformed rather than trusted.
    static constexpr qsizetype maxHeadBytes = 64 * 1024;
    static constexpr qint64 maxBodyBytes = 16 * 1024 * 1024;

    void append(const QByteArray& bytes) { buffer_.append(bytes); }

    // The next complete reply (head and body), or nothing while more bytes
    // are needed. Throws AirPlay1Error::badResponse on a malformed head.
    std::optional<RTSPResponse> take();

    // Bytes received and not yet consumed.
    const QByteArray& buffered() const { return buffer_; }

private:
    QByteArray buffer_;
    std::optional<RTSPResponse> head_; // parsed head still waiting for its body
    qint64 bodyBytes_ = 0;
};

// The session identifier in a Session header value: "12345;timeout=60"
// gives "12345"; nothing when no piece remains.
std::optional<QString> sessionIdentifier(const QString& headerValue);
