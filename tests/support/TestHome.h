#pragma once

#include "support/ScopedEnvironment.h"

#include <QString>
#include <QTemporaryDir>

// Points the preferences store and the XDG folders (config, data, cache,
// runtime, music) at a fresh temporary folder for as long as it lives, and
// restores the previous ones afterwards. Nest one per test for a clean start.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    // The folder the XDG variable stands for inside this home.
    QString xdg(const char* variable) const;

    // Makes later reads of the preferences come from the file, as at the next
    // start of the program. QSettings hands this process back the typed values
    // it wrote, while a new process reads every number back as text; the
    // preferences move to a fresh copy of the file, which nothing has cached.
    void restartSettings();

private:
    QTemporaryDir dir_;
    ScopedEnvironment environment_;
    QString previousSettingsPath_;
    QString settingsFolder_;
    int restarts_ = 0;
};
