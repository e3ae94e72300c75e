// Genre classification runs for every album on each Home or Library load.
#include "model/DisplayAlbum.h"
#include "model/Genre.h"

#include "AlbumTags.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ClassifyTwelveTrackAlbum(benchmark::State& state) {
    const QStringList tags = albumTags(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Genre::classify(tags));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClassifyTwelveTrackAlbum);

void BM_ClassifyLibraryOf5000Albums(benchmark::State& state) {
    QList<QStringList> library;
    for (int album = 0; album < 5000; ++album) {
        library << albumTags(album);
    }
    for (auto _ : state) {
        for (const auto& tags : library) {
            benchmark::DoNotOptimize(Genre::classify(tags));
        }
    }
    state.SetItemsProcessed(state.iterations() * library.size());
    state.counters["us_per_album"] = benchmark::Counter(
        double(state.iterations() * library.size()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ClassifyLibraryOf5000Albums)->Unit(benchmark::kMillisecond);

void BM_ChipsFor5000Albums(benchmark::State& state) {
    QList<DisplayAlbum> albums;
    for (int album = 0; album < 5000; ++album) {
        albums.append(DisplayAlbum{UnifiedAlbum{.id = QString::number(album)},
                                   Genre::classify(albumTags(album))});
    }
    const QStringList recency{"rock", "jazz", "kids"};
    for (auto _ : state) {
        benchmark::DoNotOptimize(Genre::chips(albums, recency));
    }
}
BENCHMARK(BM_ChipsFor5000Albums)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
