// The in-use decision runs on the main thread after every sound-server
// change; a busy desktop sends many (volume meters, streams coming and going).
#include "musicapp/MicrophoneRules.h"

#include <benchmark/benchmark.h>

namespace {

// A crowded machine: every card has a sink and its monitor, a few input-only
// microphones, virtual sources, and recording streams from several programs.
AudioInputState busyDesktop(int cards, int recordings) {
    AudioInputState state;
    quint32 index = 0;
    for (int card = 0; card < cards; ++card) {
        state.cardsWithSinks.push_back(quint32(card));
        state.sources.push_back({index++, true, true, quint32(card), card % 2 == 0});
        state.sources.push_back({index++, false, true, quint32(card), false});
    }
    state.sources.push_back({index++, false, true, quint32(cards), false}); // a USB microphone
    state.sources.push_back({index++, false, false, std::nullopt, false});  // a null source
    for (int stream = 0; stream < recordings; ++stream) {
        // Peak meters reading monitors, and our own stream: none count, so
        // every stream is looked at.
        const quint32 monitorIndex = quint32((stream % cards) * 2);
        state.recordings.push_back(
            {quint32(stream), monitorIndex, qint64(1000 + stream), false, false});
    }
    return state;
}

void BM_DecideInUse(benchmark::State& state) {
    const AudioInputState desktop = busyDesktop(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(isMicrophoneInUse(desktop, 42));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecideInUse)->Args({4, 4})->Args({16, 32});

} // namespace

BENCHMARK_MAIN();
