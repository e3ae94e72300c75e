#pragma once

#include <QByteArray>
#include <QMap>
#include <QtGlobal>

// Sets environment variables of this process for as long as it lives and
// then puts back what they were; a null value unsets one.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { restore(); }

    void set(const char* name, const QByteArray& value) {
        if (!previous_.contains(name))
            previous_.insert(name, qgetenv(name));
        apply(name, value);
    }
    // Puts every variable back now.
    void restore() {
        for (auto it = previous_.cbegin(); it != previous_.cend(); ++it)
            apply(it.key().constData(), it.value());
        previous_.clear();
    }

private:
    static void apply(const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QMap<QByteArray, QByteArray> previous_;
};
