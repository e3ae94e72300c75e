# Timing and retransmit requests from the network, and SETUP's Transport reply.
korvid_add_fuzzer(fuzz_airplay1_udp SOURCES AirPlay1UdpFuzzer.cpp)
