#include "musicapp/MpdEndpoints.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

MpdEnvironment MpdEnvironment::current() {
    return {qEnvironmentVariableIsSet("MPD_HOST") || qEnvironmentVariableIsSet("MPD_PORT"),
            qEnvironmentVariable("XDG_RUNTIME_DIR")};
}

QList<MpdAddress> userMpdAddresses(const MpdEnvironment& environment) {
    if (environment.namesMpd) {
        // An empty host lets libmpdclient read the variables, password included.
        return {MpdAddress{}};
    }
    if (!environment.runtimeFolder.isEmpty()) {
        return {MpdAddress{environment.runtimeFolder + QStringLiteral("/mpd/socket"), 0}};
    }
    return {};
}

bool isTrustedSocketOwner(unsigned owner, unsigned user) {
    return owner == user || owner == 0;
}

bool isTrustedLocalSocket(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           isTrustedSocketOwner(info.st_uid, ::geteuid());
}
