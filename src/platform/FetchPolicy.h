#pragma once

#include <QString>
#include <QUrl>

// What Korvid agrees to fetch for covers and previews, whose addresses come
// from Spotify's answers and from redirects: https only, and never this
// computer or the local network, which a stranger's address must not reach
// (a local service, the router's pages, the user's address given away).
// A host name is judged as written; what it resolves to is not checked.

// Empty when `url` may be fetched; otherwise why not, as the user reads it.
QString fetchRefusal(const QUrl& url);
