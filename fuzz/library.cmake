korvid_add_fuzzer(fuzz_library SOURCES LibraryFuzzer.cpp)
