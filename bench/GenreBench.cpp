// Genre classification runs for every album on each Home or Library load.
#include "model/DisplayAlbum.h"
#include "model/Genre.h"

#include <benchmark/benchmark.h>

namespace {

// Tags as a real library holds them: mostly one genre per album, with the
// odd track tagged differently and a few tags that match nothing.
const QStringList kTagPool{"Alternative Rock",
                           "Indie Pop",
                           "Hip-Hop/Rap",
                           "Jazz",
                           "Electronica",
                           "Singer/Songwriter",
                           "Soundtrack",
                           "Christmas",
                           "Pop",
                           "Modern Classical",
                           "Post-Rock",
                           "Chanson française",
                           "Ambient",
                           "Metal",
                           "Other",
                           "Vocal"};

QStringList albumTags(int album) {
    QStringList tags;
    const QString main = kTagPool.at(album % kTagPool.size());
    for (int track = 0; track < 12; ++track) {
        tags << (track % 5 == 4 ? kTagPool.at((album + track) % kTagPool.size()) : main);
    }
    return tags;
}

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
