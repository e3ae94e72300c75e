#pragma once

#include "model/ListeningSession.h"

#include <optional>

// Keeps the one listening-session record in the preferences. The record found
// at construction (left by the previous run) is the only one it exposes.
class ListeningSessionStore {
public:
    ListeningSessionStore();

    const std::optional<ListeningSession>& previousLaunch() const { return previousLaunch_; }
    // Replaces the stored record; takes effect at the next start. A record
    // that cannot be encoded writes nothing.
    void save(const ListeningSession& session);

private:
    std::optional<ListeningSession> previousLaunch_;
};
