korvid_add_benchmark(genre_bench SOURCES GenreBench.cpp)
