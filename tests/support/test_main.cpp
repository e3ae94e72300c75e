// Every test binary runs inside an offscreen Qt application, with its own
// temporary home so no test reads or writes the user's real files.
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gmock/gmock.h>

#include <cstdlib>

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
