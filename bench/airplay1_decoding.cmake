# Decoding local tracks into the 352-frame blocks the AirPlay 1 stream sends,
# and compressing them as ALAC.
korvid_add_benchmark(airplay1_decoding_bench SOURCES AirPlay1DecodingBench.cpp)
