#pragma once

#include <cstdint>

// A UDP socket bound to 127.0.0.1 on a free port, with an 8 MiB receive
// buffer so bursts of a thousand packets are not dropped. Returns the
// descriptor (-1 on failure) and sets `port`.
int openLoopbackUdpSocket(uint16_t& port);
