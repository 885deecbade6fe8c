// The keyboard-hook library's layouts: our layout record for German, first
// built from the XKB data (a fresh layout builder each time) and then taken
// from the cache as the keyboard program takes it, against libxkbcommon
// compiling the same keymap alone. Prints the time ratios at the end.

#include <benchmark/benchmark.h>
#include <xkbcommon/xkbcommon.h>

#include "Fenmarl/Fenmarl.h"
#include "RatioReporter.h"

namespace {

constexpr unsigned int kGerman = 0x407;

void LayoutFromCache(benchmark::State& state) {
    st_KBImpl data{};
    GetKeyboardData(kGerman, data);  // built once
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetKeyboardData(kGerman, data));
        benchmark::DoNotOptimize(data.keys[0].chars[0]);
    }
}

void XkbCompileKeymap(benchmark::State& state) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", "de", "", nullptr};
    for (auto _ : state) {
        xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        benchmark::DoNotOptimize(keymap);
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
}

// Every offered layout built once (the first GetKeyboards pays it, on
// several threads); one iteration only, the cache keeps them afterwards.
void OfferAllLayouts(benchmark::State& state) {
    for (auto _ : state) {
        unsigned int id = 1, name = 0, count = 0;
        do {
            GetKeyboards(id, name);
            ++count;
        } while (id != 0);
        benchmark::DoNotOptimize(count);
    }
}

BENCHMARK(LayoutFromCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(XkbCompileKeymap)->Unit(benchmark::kMicrosecond);
BENCHMARK(OfferAllLayouts)->Unit(benchmark::kMicrosecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("layout record (cached) against a keymap compile", "LayoutFromCache", "XkbCompileKeymap");
    reporter.PrintRatio("offering every layout against one keymap compile", "OfferAllLayouts/iterations:1", "XkbCompileKeymap");
    benchmark::Shutdown();
    return 0;
}
