# RTSP replies from speakers and TXT records from the network.
korvid_add_fuzzer(fuzz_rtsp_response SOURCES RTSPResponseFuzzer.cpp)
korvid_add_fuzzer(fuzz_airplay1_txt SOURCES AirPlay1TxtFuzzer.cpp)
