#pragma once

// One speaker's session of the player, shared by its two source files.
#include "airplay1/AirPlay1Link.h"
#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1Stream.h"
#include "airplay1/RTSPClient.h"

struct AirPlay1Player::Session {
    AirPlay1Speaker speaker;
    std::shared_ptr<RTSPClient> rtsp;
    std::shared_ptr<AirPlay1Stream> stream; // shared by the group
    std::shared_ptr<AirPlay1Link> link;     // this speaker's own
    QString uri;
    double volumeOffset = 0; // its level above the group's, in percent
};
