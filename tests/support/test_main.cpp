// Every test binary runs inside an offscreen Qt application, with its own
// temporary home so no test reads or writes the user's real files.
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gmock/gmock.h>

#include <cstdlib>

// Tests start real peers (receivers, daemons, ffmpeg) with fork and exec
// while their own threads run; the child only execs, so ThreadSanitizer may
// let it be. Other builds never read this.
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Wire formats and stored values must not depend on the user's locale;
    // tests may switch to another one to prove it.
    QCoreApplication::setOrganizationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    TestHome home;
    return RUN_ALL_TESTS();
}
