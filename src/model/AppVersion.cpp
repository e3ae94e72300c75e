#include "model/AppVersion.h"

#ifndef KORVID_VERSION
#define KORVID_VERSION nullptr
#endif
#ifndef KORVID_BUILD_NUMBER
#define KORVID_BUILD_NUMBER nullptr
#endif

namespace {
QString orQuestionMark(const char* value) {
    if (value == nullptr || *value == '\0') {
        return QStringLiteral("?");
    }
    return QString::fromUtf8(value);
}
} // namespace

namespace AppVersion {

QString version() {
    return orQuestionMark(KORVID_VERSION);
}

QString build() {
    return orQuestionMark(KORVID_BUILD_NUMBER);
}

QString displayLine() {
    return displayLine(KORVID_VERSION, KORVID_BUILD_NUMBER);
}

QString displayLine(const char* versionValue, const char* buildValue) {
    return orQuestionMark(versionValue) + QStringLiteral(" (") + orQuestionMark(buildValue) +
           QLatin1Char(')');
}

} // namespace AppVersion
