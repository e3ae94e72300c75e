#pragma once

#include "musicapp/AudioInputSystem.h"

// The decisions behind "a microphone is in use", kept apart from the sound
// server so they can be checked against any state.

// A physical input-only device: a hardware source that is not a monitor and
// whose card plays nothing (a headset's microphone shares its card with the
// headset's speakers, and is left out like any device with an output).
bool isInputOnlyMicrophone(const AudioSource& source, const AudioInputState& state);

// A stream through which another program takes input: not ours, not paused,
// and not reading a monitor (recording what the computer plays is no
// microphone use).
bool isForeignRecording(const RecordingStream& stream, const AudioInputState& state,
                        qint64 ownProcessId);

// Either fact: an input-only microphone runs, or another program records.
bool isMicrophoneInUse(const AudioInputState& state, qint64 ownProcessId);
