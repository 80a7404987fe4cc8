// Deterministic test trees for the tree benchmark: directories of empty files
// whose names are a fixed mix of tidy names and names that need cleaning.
//
// The same arguments always give the same tree, byte for byte, on every machine:
// the generator carries its own pseudo-random number generator and reads no
// clock, locale or environment.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for the longest name a Linux file system takes (255 bytes) and a terminator.
constexpr std::size_t TREE_NAME_CAPACITY = 256;

// What a generated name is. Every kind but NAME_TIDY needs a rename under the
// command's default cleaning (no options): each untidy name holds at least one
// character that the cleaning always replaces or removes, so the benchmark's tools
// all rename the same entries. The kinds that the default cleaning leaves alone
// (blanks, ampersands, parentheses, apostrophes, emoji, underscore runs) ride along
// with such a character.
enum TreeNameKind : std::int32_t {
  NAME_TIDY = 0,
  NAME_PERCENT_PAIRS,      // %20, %28 ... decoded
  NAME_BLANKS,             // runs of spaces
  NAME_AMPERSAND,          // " & "
  NAME_PARENTHESES,        // "(1)"
  NAME_QUOTES,             // double quotes, apostrophes, grave accents
  NAME_WINDOWS_ILLEGAL,    // < > : | ? * and the backslash
  NAME_C1_CONTROLS,        // U+0080..U+009F written as UTF-8, read as Windows-1252
  NAME_EMOJI,              // a character outside the Basic Multilingual Plane
  NAME_UNDERSCORE_RUNS,    // "___"
  NAME_TRAILING_DOTS,      // ends in ". ."
  NAME_TRAILING_SPACES,    // ends in "  "
  NAME_COLLIDING,          // cleans to the name of a tidy entry in the same directory
  TREE_NAME_KIND_COUNT
};

// A short label for a kind, for the generator's summary and test messages.
const char* TreeNameKindLabel(std::int32_t kind);

// The state of the names of one directory. Set up with StartNameStream; the
// fields are the generator's own.
struct TreeNameStream {
  std::uint64_t random;              // splitmix64 state
  std::uint32_t untidyPercent;       // 0..100
  std::uint32_t index;               // names handed out so far
  char lastTidy[TREE_NAME_CAPACITY]; // the latest tidy name, which colliding names copy
  std::uint32_t lastTidyTwins;       // colliding names made from lastTidy so far
};

// Returns 0, or -1 when stream is null or untidyPercent is above 100.
// directoryIndex makes the names of each directory of a tree differ.
std::int32_t StartNameStream(TreeNameStream* stream, std::uint64_t variant, std::uint32_t directoryIndex,
                             std::uint32_t untidyPercent);

// Writes the stream's next name (NUL-terminated, never containing '/', at most 255
// bytes) into name and returns its kind, or -1 when an argument is null or
// capacity is below TREE_NAME_CAPACITY. Exactly untidyPercent of every 100
// consecutive names are untidy. Names of one stream never repeat.
std::int32_t NextTreeName(TreeNameStream* stream, char* name, std::size_t capacity);

// Counts of what a tree holds.
struct TreeCounts {
  std::uint32_t directories;
  std::uint32_t files;
  std::uint32_t byKind[TREE_NAME_KIND_COUNT];
};

// Makes target (which must not exist) holding directoryCount directories named
// d0000, d0001, ..., each with filesPerDirectory empty files. Returns 0, or -1 on
// a bad argument, or the errno of the first failing system call (the message is
// on standard error). counts may be null.
std::int32_t MakeWideTree(const char* target, std::uint64_t variant, std::uint32_t untidyPercent,
                          std::uint32_t directoryCount, std::uint32_t filesPerDirectory, TreeCounts* counts);

// Makes target (which must not exist) and below it a chain of depth nested
// directories c001/c002/..., each with filesPerDirectory empty files. Results as
// MakeWideTree.
std::int32_t MakeDeepTree(const char* target, std::uint64_t variant, std::uint32_t untidyPercent, std::uint32_t depth,
                          std::uint32_t filesPerDirectory, TreeCounts* counts);
