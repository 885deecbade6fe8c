// The keyboard-hook library's layouts: our building of the whole set of
// layout records that the keyboard offers (each a keymap compile read key by
// key and column by column, with the dead keys and their compositions)
// against libxkbcommon compiling the same set of keymaps (Japanese: the
// Latin and the kana keymap) and reading each key's symbol with and without
// Shift, the usual way to get a layout on X11. Each repetition does the whole
// work from scratch, with a new builder and a new XKB context, on one
// thread, timed in CPU time; the two sides' repetitions take turns in a
// random order. Before timing, both sides' output is hashed:
// per layout, per key, the character it types plain and with Shift (dead
// keys and keys that type nothing count as 0). Prints the ratio of the
// medians at the end.

#include <benchmark/benchmark.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "Fenmarl/Fenmarl.h"
#include "LayoutBuilder.h"
#include "Layouts.h"
#include "RatioReporter.h"
#include "SameOutput.h"

namespace {

using fenmarl::LayoutEntry;

std::vector<const LayoutEntry*> OfferedSet() {
    size_t count = 0;
    const LayoutEntry* const* offered = fenmarl::OfferedLayouts(count);
    return {offered, offered + count};
}

// A character a key types: printable, not a surrogate.
bool IsTypeable(char32_t cp) {
    return cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) && !(cp >= 0xD800 && cp <= 0xDFFF) &&
           cp <= 0x10FFFF;
}

bool IsDeadKeysym(xkb_keysym_t sym) { return sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_greek; }

// The character of column `column` of one key of our record, 0 for a dead
// key or none; a character beyond the BMP from the two-character table.
char32_t OurCharacter(const st_KBImpl& data, const st_KBKey& key, int column) {
    if (key.deadColumns & (1u << column)) return 0;
    const WORD unit = key.chars[column];
    if (unit != KB_CHARS_2) return unit;
    const DWORD wanted = key.scanCode * 256u + fenmarl::ColumnFlags(column);
    for (const st_KBLookup* l = data.lookup2; l->key; ++l)
        if (l->key == wanted) {
            const st_KBChars2& pair = data.chars2[l->index];
            return 0x10000 + ((char32_t(pair.chars[0]) - 0xD800) << 10) + (pair.chars[1] - 0xDC00);
        }
    return 0;
}

// Ours: the whole set of records; `hash` (when given) takes the plain and
// Shift characters of each key (for Japanese also its kana columns).
size_t BuildEveryLayout(const std::vector<const LayoutEntry*>& set, COutputHash* hash) {
    fenmarl::LayoutBuilder builder;
    size_t built = 0;
    for (const LayoutEntry* entry : set) {
        const std::unique_ptr<fenmarl::LayoutData> layout = builder.Build(*entry);
        if (!layout) continue;
        ++built;
        if (!hash) continue;
        const st_KBImpl& data = layout->record;
        // plain and Shift; Japanese: then the kana, plain and Shift
        const int sheets = entry->id == KB_LAYOUT_JAPANESE ? 2 : 1;
        for (int sheet = 0; sheet < sheets; ++sheet)
            for (int k = 0; k < data.keyCount; ++k)
                for (int c : {4 * sheet, 4 * sheet + 2}) {
                    const char32_t cp = OurCharacter(data, data.keys[k], c);
                    hash->Add(&cp, sizeof cp);
                }
    }
    return built;
}

// The reference: one keymap compiled and each key read plain and with Shift.
bool CompileAndRead(xkb_context* context, const char* layout, const char* variant, COutputHash* hash) {
    const xkb_rule_names names{"evdev", "pc105", layout, variant, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return false;
    xkb_state* state = xkb_state_new(keymap);
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    size_t count = 0;
    const uint8_t* scans = fenmarl::LayoutScanCodes(count);
    for (size_t k = 0; k < count; ++k) {
        const xkb_keycode_t keycode = fenmarl::KeyCodeOfScan(scans[k]);
        for (const xkb_mod_mask_t mods : {xkb_mod_mask_t(0), shift}) {
            xkb_state_update_mask(state, mods, 0, 0, 0, 0, 0);
            const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, keycode);
            char32_t cp = IsDeadKeysym(sym) ? 0 : xkb_keysym_to_utf32(sym);
            if (!IsTypeable(cp)) cp = 0;
            if (hash) hash->Add(&cp, sizeof cp);
        }
    }
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    return true;
}

size_t XkbCompileEveryKeymap(const std::vector<const LayoutEntry*>& set, COutputHash* hash) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    size_t compiled = 0;
    for (const LayoutEntry* entry : set) {
        if (!CompileAndRead(context, entry->layout, entry->variant, hash)) continue;
        ++compiled;
        if (entry->id == KB_LAYOUT_JAPANESE) CompileAndRead(context, "jp", "kana", hash);
    }
    xkb_context_unref(context);
    return compiled;
}

std::vector<const LayoutEntry*> g_set;

void BuildLayouts(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildEveryLayout(g_set, nullptr));
    state.counters["layouts"] = double(g_set.size());
}

void XkbCompileKeymaps(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(XkbCompileEveryKeymap(g_set, nullptr));
    state.counters["layouts"] = double(g_set.size());
}

// One iteration is a whole set, a second and more of work.
BENCHMARK(BuildLayouts)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(XkbCompileKeymaps)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    g_set = OfferedSet();
    COutputHash ours, reference;
    const size_t built = BuildEveryLayout(g_set, &ours);
    const size_t compiled = XkbCompileEveryKeymap(g_set, &reference);
    std::printf("%zu layouts offered, %zu built, %zu compiled\n", g_set.size(), built, compiled);
    if (built != g_set.size() || compiled != g_set.size()) {
        std::fprintf(stderr, "not every offered layout builds on both sides\n");
        return 1;
    }
    RequireSameOutput("the plain and Shift characters of every key of every layout", ours.Value(),
                      reference.Value());

    // The two sides' repetitions take turns (KVXBenchmarkArguments).
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("every offered layout built against the same keymaps compiled",
                        "BuildLayouts/iterations:1", "XkbCompileKeymaps/iterations:1");
    benchmark::Shutdown();
    return 0;
}
