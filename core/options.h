// The option word: every option of one command, one bit each. Zero at the start
// of every command; the first pass over the arguments only sets bits, and only
// the rename step clears one (OPT_PROMPT, after the answer All).
#pragma once

#include <cstdint>

using OptionFlags = std::uint32_t;

constexpr OptionFlags OPT_PROMPT = 0x00001;           // /P    ask before each rename
constexpr OptionFlags OPT_NOT_REALLY = 0x00002;       // /N    show renames, perform none
constexpr OptionFlags OPT_DIRECTORIES = 0x00004;      // /D    rename directories, not files
constexpr OptionFlags OPT_NO_SUFFIX = 0x00008;        // /N:F  never add a "-NNN" suffix
constexpr OptionFlags OPT_EQUALS_HEX = 0x00010;       // /E    decode =XX pairs
constexpr OptionFlags OPT_ENTITIES = 0x00020;         // /H    decode HTML entities
constexpr OptionFlags OPT_NO_PERCENT = 0x00040;       // /N:P  leave %XX pairs alone
constexpr OptionFlags OPT_BLANKS = 0x00080;           // /B    whitespace becomes '_'
constexpr OptionFlags OPT_AMPERSANDS = 0x00100;       // /A    '&' becomes '_'
constexpr OptionFlags OPT_PARENTHESES = 0x00200;      // /C    '(' and ')' become '_'
constexpr OptionFlags OPT_HIGH_UNICODE = 0x00400;     // /U    surrogates become '_'
constexpr OptionFlags OPT_NO_SUMMARY = 0x00800;       // /N:S  no tally lines, no grand total
constexpr OptionFlags OPT_NO_ERRORS = 0x01000;        // /N:E  no "not found" or rename errors shown
constexpr OptionFlags OPT_RECURSE = 0x02000;          // /S    walk subdirectories
constexpr OptionFlags OPT_NO_JUNCTIONS = 0x04000;     // /N:J  do not descend into reparse points
constexpr OptionFlags OPT_NO_HIDDEN_DIRS = 0x08000;   // /N:D  do not descend into hidden directories
constexpr OptionFlags OPT_CONDENSE_BLANKS = 0x10000;  // /K:B (or /K)  condense runs of whitespace
constexpr OptionFlags OPT_CONDENSE_PUNCT = 0x20000;   // /K:P (or /K)  condense runs of one punctuation mark
constexpr OptionFlags OPT_QUOTES = 0x40000;           // /F    quotes, apostrophes, graves become '_'
constexpr OptionFlags OPT_UTF8 = 0x80000;             // /8    names are UTF-8 text
constexpr OptionFlags OPT_WINDOWS_NAMES = 0x100000;   // /W    names valid on Windows: no device names, within the length limit, no twins

// Beyond the plug-in's options: bits that only a standalone program's own
// command line sets.
constexpr OptionFlags OPT_FOLLOW_LINKS = 0x200000;   // POSIX -L, --follow  /S enters symbolic links to directories
// POSIX, always: the /Q list is matched and both lists are used as typed; the
// plug-in's are upper-cased, and each character is upper-cased to be matched.
constexpr OptionFlags OPT_LISTS_AS_TYPED = 0x400000;
// Both standalone programs, unless --enter-repositories (POSIX) or /V
// (purifile.exe): /S does not enter .git, .hg, .svn, .bzr or _darcs.
constexpr OptionFlags OPT_NO_REPOSITORIES = 0x800000;
// Both standalone programs, always: a preview shows as failed the renames
// the real run's file system would refuse (under /N:F a name that is taken;
// any rename in a directory without write access); the plug-in's preview
// shows them, as it always has.
constexpr OptionFlags OPT_PREVIEW_FAILURES = 0x1000000;
// Every form: /X, --check: a preview (OPT_NOT_REALLY is set with it) that
// tells why each entry would be renamed, and makes the command's result 4
// when something would change (CHECK_FOUND_CHANGES).
constexpr OptionFlags OPT_CHECK = 0x2000000;
// Both standalone programs, always: a long run shows its progress on a
// terminal's standard error (command/progress.h); the plug-in's never does.
constexpr OptionFlags OPT_PROGRESS = 0x4000000;
// The bits a form sets for its habits, whatever the user typed (the POSIX
// program all of them): an undo honours each.
constexpr OptionFlags OPT_FORM_HABITS = OPT_LISTS_AS_TYPED | OPT_NO_REPOSITORIES | OPT_PREVIEW_FAILURES | OPT_PROGRESS;

// Whether a preview shows as failed what the real run would fail: the
// standalone programs' previews and a check, in every form.
constexpr bool PreviewTellsFailures(OptionFlags options) {
  return (options & OPT_NOT_REALLY) != 0 && (options & (OPT_PREVIEW_FAILURES | OPT_CHECK)) != 0;
}
