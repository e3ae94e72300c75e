#pragma once

#include <QString>

// Where Korvid keeps sockets that must reach only the user who runs it (the
// single-instance socket, its own MPD's socket).

// Whether `path` is a real folder (not a link) owned by `user` that nobody
// else may enter.
bool isPrivateFolder(const QString& path, unsigned user);

// The user's runtime folder (XDG_RUNTIME_DIR) when it is private; otherwise
// "korvid-<uid>" in the temporary folder, created 0700 when missing. Empty
// when neither is private (another user took the name first): the caller
// then goes without its socket rather than use a shared one.
QString privateRuntimeFolder();
