#include "airplay1/AirPlay1Error.h"

AirPlay1Error::AirPlay1Error(Kind kind, QString description, QString detail, int status)
    : KorvidError(std::move(description))
    , kind_(kind)
    , detail_(std::move(detail))
    , status_(status) {}

AirPlay1Error AirPlay1Error::connectionFailed(const QString& detail) {
    return {Kind::connectionFailed,
            QStringLiteral("The connection failed (") + detail + QStringLiteral(")."), detail, 0};
}

AirPlay1Error AirPlay1Error::requestFailed(const QString& method, int status) {
    return {Kind::requestFailed,
            QStringLiteral("The speaker rejected ") + method + QStringLiteral(" (status ") +
                QString::number(status) + QStringLiteral(")."),
            method, status};
}

AirPlay1Error AirPlay1Error::socketFailed(const QString& detail) {
    return {Kind::socketFailed,
            QStringLiteral("Couldn't open an audio socket (") + detail + QStringLiteral(")."),
            detail, 0};
}

AirPlay1Error AirPlay1Error::timedOut() {
    return {Kind::timedOut, QStringLiteral("The speaker stopped responding."), {}, 0};
}

AirPlay1Error AirPlay1Error::badResponse() {
    return {
        Kind::badResponse, QStringLiteral("The speaker sent a reply Korvid couldn't read."), {}, 0};
}
