// Throughput of BuildNewName with the existence probe answered from memory
// (bench/fake_host.cpp): typical names with no option and with /B /K /H /U /E
// together, names of today's text with /8 (and /W), and one name of 2,000
// characters.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cleaner/new_name.h"
#include "core/host_services.h"

namespace {

constexpr const char16_t* DIRECTORY = u"/home/user/Downloads/";
constexpr OptionFlags ALL_OPTIONS = OPT_BLANKS | OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT | OPT_ENTITIES |
                                    OPT_HIGH_UNICODE | OPT_EQUALS_HEX;
constexpr std::size_t NAME_POOL = 4096;

// A fixed pseudo-random sequence, so every run measures the same names.
struct Sequence {
  std::uint32_t state = 12345;
  std::uint32_t Next(std::uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  }
};

// Pieces a dirty name is made of: %XX pairs, blanks, quotes, C1 code units
// (Windows-1252 bytes read as Latin-1), a character outside the BMP, an entity.
const char16_t* const DirtyPieces[] = {
    u"%20", u"%28", u"%5B", u"%C3%A9", u" ", u"  ", u"'", u"\"", u"`",
    u"\u0093", u"\u0094", u"\u0096", u"\U0001F600", u"&amp;", u"=3D",
};

// Pieces of names that are UTF-8 text: percent-encoded UTF-8 (an accent, a
// typographic apostrophe, an emoji), a decomposed accent, precomposed letters,
// an invalid sequence, and the dirty pieces above.
const char16_t* const TextPieces[] = {
    u"%C3%A9", u"%E2%80%99", u"%F0%9F%98%80", u"e\u0301", u"\u00E9", u"\u00FC\u00DF", u"%C3%28",
    u"%20",    u" ",         u"'",            u"\u0093", u"\U0001F600", u"&amp;",
};

// Today's text and what names pick up on the way between systems: mojibake
// (UTF-8 read as Windows-1252 or CP437, once or twice), private-use stand-ins
// for characters Windows forbids, bidirectional and zero-width format
// characters.
const char16_t* const TravelledPieces[] = {
    u"%C3%A9",  u"e\u0301", u"\u00E9",      u"caf\u00C3\u00A9", u"\u00C3\u0192\u00C2\u00A9", u"\u251C\u2310",
    u"\u00E2\u20AC\u2122", u"\uF022",  u"\uF03A", u"\u202E", u"\u200B", u"\u00AD", u"%20", u"'",
};

template <std::size_t N>
const char16_t* Pick(Sequence& random, const char16_t* const (&pieces)[N]) {
  return pieces[random.Next(N)];
}

// 10 to 60 characters: words of letters and digits joined by '-' or '_', an
// extension; every third name is dirty, made of the given pieces too.
template <std::size_t N>
std::u16string TypicalName(Sequence& random, bool dirty, const char16_t* const (&pieces)[N]) {
  const std::uint32_t target = 10 + random.Next(51);
  std::u16string name;
  while (name.size() + 4 < target) {
    if (dirty && random.Next(3) == 0) {
      name += Pick(random, pieces);
      continue;
    }
    const std::uint32_t word = 2 + random.Next(7);
    for (std::uint32_t i = 0; i < word && name.size() + 4 < target; ++i) {
      const std::uint32_t pick = random.Next(36);
      name += static_cast<char16_t>(pick < 26 ? u'a' + pick : u'0' + (pick - 26));
    }
    name += random.Next(2) == 0 ? u'-' : u'_';
  }
  return name + u".txt";
}

template <std::size_t N>
std::vector<std::u16string> TypicalNames(const char16_t* const (&pieces)[N]) {
  Sequence random;
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < NAME_POOL; ++i) {
    names.push_back(TypicalName(random, i % 3 == 0, pieces));
  }
  return names;
}

void BuildNames(benchmark::State& state, const std::vector<std::u16string>& names, OptionFlags options) {
  std::vector<char16_t> newName(MAX_ARG_LEN);
  std::size_t next = 0;
  for (auto _ : state) {
    const std::int32_t result =
        BuildNewName(DIRECTORY, names[next].c_str(), newName.data(), options, nullptr, nullptr);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
    next = next + 1 == names.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void TypicalNamesNoOption(benchmark::State& state) { BuildNames(state, TypicalNames(DirtyPieces), 0); }
void TypicalNamesAllOptions(benchmark::State& state) { BuildNames(state, TypicalNames(DirtyPieces), ALL_OPTIONS); }
void TypicalNamesUtf8(benchmark::State& state) { BuildNames(state, TypicalNames(DirtyPieces), OPT_UTF8); }
void Utf8TextNamesUtf8(benchmark::State& state) { BuildNames(state, TypicalNames(TextPieces), OPT_UTF8); }
void Utf8TextNamesUtf8AllOptions(benchmark::State& state) {
  BuildNames(state, TypicalNames(TextPieces), OPT_UTF8 | ALL_OPTIONS);
}

void Utf8TextNamesWindowsUtf8(benchmark::State& state) {
  BuildNames(state, TypicalNames(TextPieces), OPT_WINDOWS_NAMES | OPT_UTF8);
}
void TravelledNamesWindowsUtf8(benchmark::State& state) {
  BuildNames(state, TypicalNames(TravelledPieces), OPT_WINDOWS_NAMES | OPT_UTF8);
}

std::vector<std::u16string> LongName() {
  Sequence random;
  std::u16string name;
  while (name.size() < 1996) {
    name += TypicalName(random, true, DirtyPieces);
  }
  name.resize(1996);
  return {name + u".txt"};
}

void LongNameNoOption(benchmark::State& state) { BuildNames(state, LongName(), 0); }
void LongNameAllOptions(benchmark::State& state) { BuildNames(state, LongName(), ALL_OPTIONS); }
void LongNameUtf8AllOptions(benchmark::State& state) { BuildNames(state, LongName(), OPT_UTF8 | ALL_OPTIONS); }

}  // namespace

BENCHMARK(TypicalNamesNoOption);
BENCHMARK(TypicalNamesAllOptions);
BENCHMARK(TypicalNamesUtf8);
BENCHMARK(Utf8TextNamesUtf8);
BENCHMARK(Utf8TextNamesUtf8AllOptions);
BENCHMARK(Utf8TextNamesWindowsUtf8);
BENCHMARK(TravelledNamesWindowsUtf8);
BENCHMARK(LongNameNoOption);
BENCHMARK(LongNameAllOptions);
BENCHMARK(LongNameUtf8AllOptions);

BENCHMARK_MAIN();
