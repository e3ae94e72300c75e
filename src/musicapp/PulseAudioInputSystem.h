#pragma once

#include "musicapp/AudioInputSystem.h"

#include <chrono>
#include <memory>

// Audio input as the PulseAudio server (or PipeWire's PulseAudio service)
// reports it. libpulse runs on its own thread; each full read is handed to
// this object's thread as one stateChanged. When no server answers, or the
// server goes away, it reports nothing and tries again after `retryDelay`.
class PulseAudioInputSystem final : public AudioInputSystem {
public:
    explicit PulseAudioInputSystem(std::chrono::milliseconds retryDelay = std::chrono::seconds(5),
                                   QObject* parent = nullptr);
    ~PulseAudioInputSystem() override;

    void start() override;

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};
