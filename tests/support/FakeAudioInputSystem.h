#pragma once

#include "musicapp/AudioInputSystem.h"

// A sound server under the test's control: publish() delivers a state at
// once, as a change notification would, once start() has been called.
class FakeAudioInputSystem final : public AudioInputSystem {
public:
    using AudioInputSystem::AudioInputSystem;

    void start() override {
        ++startCount_;
        if (state_) {
            Q_EMIT stateChanged(*state_);
        }
    }

    void publish(const AudioInputState& state) {
        state_ = state;
        if (startCount_ > 0) {
            Q_EMIT stateChanged(state);
        }
    }

    int startCount() const { return startCount_; }

private:
    std::optional<AudioInputState> state_;
    int startCount_ = 0;
};
