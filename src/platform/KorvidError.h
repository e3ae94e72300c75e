#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Base of every error the program reports to the user. Each subsystem derives
// its own type; the models catch these and show description() as it is.
class KorvidError : public std::exception {
public:
    explicit KorvidError(QString description)
        : description_(std::move(description))
        , utf8_(description_.toUtf8()) {}

    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString description_;
    QByteArray utf8_;
};
