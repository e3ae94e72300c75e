#pragma once

#include <gtest/gtest.h>

#include <string>

// True when a missing real peer must fail the test instead of skipping it:
// KORVID_REQUIRE_PEERS=1, as scripts/test sets, so the full suite cannot pass
// without avahi-daemon, shairport-sync, pulseaudio, mpd or gnome-keyring. A
// developer's quick run leaves it unset and may skip.
bool peersRequired();

// Ends the calling test because something it needs cannot run here: skipped
// with `reason`, or failed with the same reason when peers are required.
#define KORVID_PEER_MISSING(reason)                                                                \
    do {                                                                                           \
        const std::string korvidReason = (reason);                                                 \
        if (peersRequired())                                                                       \
            GTEST_FAIL() << korvidReason << " (KORVID_REQUIRE_PEERS=1)";                           \
        GTEST_SKIP() << korvidReason;                                                              \
    } while (false)
