#pragma once

#include <QString>

// The program's own version and build, compiled in by the build system.
namespace AppVersion {
// "?" stands in for a value the build did not provide.
QString version();
QString build();
// Settings' "Version" line: the version, a blank and the build in parentheses.
QString displayLine();
// The same rule over given values, for builds that lack one of them.
QString displayLine(const char* version, const char* build);
} // namespace AppVersion
