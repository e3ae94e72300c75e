#pragma once

#include "musicapp/MpdClient.h"

#include <QList>
#include <QString>

// Which MPD Korvid talks to. An MPD learns the user's file paths and what
// they play and steers what Korvid shows, so only one the user chose or runs
// themselves qualifies: the one the environment names (MPD_HOST / MPD_PORT,
// TCP included), else the user's own on their runtime socket. Korvid's own
// comes after these. Never a well-known TCP port or a system-wide socket,
// where another user's MPD may listen.

struct MpdEnvironment {
    bool namesMpd = false; // MPD_HOST or MPD_PORT is set
    QString runtimeFolder; // XDG_RUNTIME_DIR

    static MpdEnvironment current();
};

// The addresses to try, in order, before Korvid's own MPD.
QList<MpdAddress> userMpdAddresses(const MpdEnvironment& environment);

// A local socket may be used when its owner is the user or root (a system
// service); a socket of any other user is another person's program.
bool isTrustedSocketOwner(unsigned owner, unsigned user);

// Whether the socket file at `path` exists and its owner is trusted.
bool isTrustedLocalSocket(const QString& path);
