#pragma once

#include "musicapp/MpdClient.h"

#include <chrono>

// MpdClient over libmpdclient. Every command gives up after `timeout`, so a
// stalled or vanished MPD becomes an error instead of a hang.
class LibMpdConnector final : public MpdConnector {
public:
    explicit LibMpdConnector(std::chrono::milliseconds timeout = std::chrono::seconds(3))
        : timeout_(timeout) {}

    std::unique_ptr<MpdClient> connect(const MpdAddress& address) override;

private:
    std::chrono::milliseconds timeout_;
};
