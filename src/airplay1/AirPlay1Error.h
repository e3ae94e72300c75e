#pragma once

#include "platform/KorvidError.h"

#include <QString>

// The one error type of the AirPlay 1 engine. Each case builds the sentence
// the user sees; callers show description() as it is.
class AirPlay1Error : public KorvidError {
public:
    enum class Kind { connectionFailed, requestFailed, socketFailed, timedOut, badResponse };

    static AirPlay1Error connectionFailed(const QString& detail);
    static AirPlay1Error requestFailed(const QString& method, int status);
    static AirPlay1Error socketFailed(const QString& detail);
    static AirPlay1Error timedOut();
    static AirPlay1Error badResponse();

    Kind kind() const noexcept { return kind_; }
    // connectionFailed / socketFailed: the detail; requestFailed: the method.
    const QString& detail() const noexcept { return detail_; }
    // requestFailed only: the reply's status code (0 otherwise).
    int status() const noexcept { return status_; }

private:
    AirPlay1Error(Kind kind, QString description, QString detail, int status);

    Kind kind_;
    QString detail_;
    int status_;
};
