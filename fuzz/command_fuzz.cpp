// The whole command, from its tail, on a small tree with random names: random
// options (known ones, sub-options, combined ones, /Q and /R lists, and words
// no option has) and one or two file specifications with random patterns.
// Checked after every command: its result is one a command without prompts
// gives; a refused command renames nothing; no entry is lost, duplicated,
// moved to another directory or given other content; under /N nothing is
// renamed; every new name holds nothing a Windows file name may not hold.
// Half the commands write a journal (/J); its undo (/Z) must then end with 0
// and give every entry its old name back.
//
// The tail is built so that the command cannot reach outside the tree: the
// process stands in the work directory, which holds only the tree's root; the
// specifications name the root relatively ("T/pattern"); and no piece of the
// tail can split into an argument of its own, since lists and patterns hold
// no whitespace, quotation mark or solidus, and a pattern is never "." or "..".
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "cleaner/char_classes.h"
#include "command/driver.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_tree.h"
#include "platform/posix/posix_internal.h"

namespace {

using fuzz_tree::TreeState;

// Every option the command knows but /P (it would wait for keys) and /? (it
// only writes the help), in both cases and combined, and some it refuses.
constexpr const char16_t* OPTION_WORDS[] = {
    u"/A",   u"/B",   u"/C",    u"/D",   u"/E",    u"/F",         u"/H",    u"/K",   u"/K:B", u"/K:P",
    u"/K:BP", u"/k:pb", u"/N",   u"/N:D", u"/N:E",  u"/N:F",       u"/N:J",  u"/N:P", u"/N:S", u"/n:sf",
    u"/S",   u"/U",   u"/B/S", u"/a/c/e", u"/X",  u"/K:X",       u"/N:Q",  u"/NX",  u"/Q:",  u"/R:",
    u"/W",   u"/w",   u"/8",   u"/8/W",  u"/W:8",
    u"/8/E/U",
};
constexpr std::size_t OPTION_WORD_COUNT = sizeof OPTION_WORDS / sizeof OPTION_WORDS[0];

// A code unit that could end an argument, start one, or set the guard that
// keeps a solidus from splitting.
bool CouldSplit(char16_t unit) {
  return unit == 0 || unit == u'"' || unit == u'/' || unit == u':' || IsWhitespace(unit);
}

// Up to max code units of the input that cannot split the tail.
std::u16string TakeUnsplittable(FuzzInput* input, std::size_t max) {
  std::u16string text;
  const std::size_t length = TakeByte(input) % (max + 1);
  for (std::size_t i = 0; i < length && InputLeft(input); ++i) {
    const char16_t unit = TakeUnit(input);
    text.push_back(CouldSplit(unit) ? u'_' : unit);
  }
  return text;
}

// A pattern for the root's entries: never empty, and never only full stops,
// which would name the root or the work directory instead of entries.
std::u16string TakePattern(FuzzInput* input) {
  static const char16_t* const common[] = {u"*", u"*.*", u"?*", u"*%*", u"*&*;*", u"*=*", u"*.TXT"};
  const std::uint8_t choice = TakeByte(input);
  std::u16string pattern = choice < 128 ? std::u16string(common[choice % 7]) : TakeUnsplittable(input, 12);
  if (pattern.find_first_not_of(u'.') == std::u16string::npos) {
    pattern.push_back(u'X');
  }
  return pattern;
}

struct Command {
  std::u16string tail;
  OptionFlags options;  // as far as the checks need them: /N and /D
  bool journal;         // the tail writes JOURNAL_FILE
};

// In the work directory, beside the tree's root: no specification reaches it.
// In upper case, as the splitter stores it.
constexpr char16_t JOURNAL_OPTION[] = u"/J:JOURNAL.JSONL ";
constexpr char16_t UNDO_TAIL[] = u"/Z:JOURNAL.JSONL";
constexpr char JOURNAL_FILE[] = "JOURNAL.JSONL";

// The bits of /N and /D in the arguments of one option word ("/B/S" holds two).
OptionFlags CheckedOptions(const std::u16string& word) {
  OptionFlags options = 0;
  for (std::size_t at = 0; at != std::u16string::npos;) {
    const std::size_t next = word.find(u'/', at + 1);
    const std::u16string argument = word.substr(at, next == std::u16string::npos ? next : next - at);
    if (argument == u"/N" || argument == u"/n") options |= OPT_NOT_REALLY;
    if (argument == u"/D" || argument == u"/d") options |= OPT_DIRECTORIES;
    at = next;
  }
  return options;
}

Command BuildCommand(FuzzInput* input) {
  Command command{u"", 0, false};
  std::u16string& tail = command.tail;
  const std::uint8_t optionByte = TakeByte(input);
  const std::size_t optionCount = optionByte % 6;
  command.journal = (optionByte / 6) % 2 != 0;
  if (command.journal) {
    tail += JOURNAL_OPTION;
  }
  for (std::size_t i = 0; i < optionCount; ++i) {
    const std::u16string word = OPTION_WORDS[TakeByte(input) % OPTION_WORD_COUNT];
    command.options |= CheckedOptions(word);
    tail += word;
    if (word == u"/Q:" || word == u"/R:") {
      tail += TakeUnsplittable(input, 7);
    }
    tail += u' ';
  }
  const std::size_t specificationCount = 1 + TakeByte(input) % 2;
  for (std::size_t i = 0; i < specificationCount; ++i) {
    tail += u'"';
    tail += u"T/";
    tail += TakePattern(input);
    tail += u"\" ";
  }
  return command;
}

bool SameNames(const TreeState& before, const TreeState& after) {
  for (const auto& [inode, entry] : before) {
    const auto now = after.find(inode);
    if (now == after.end() || now->second.name != entry.name) {
      return false;
    }
  }
  return before.size() == after.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size, 0};
  const Command command = BuildCommand(&input);
  const std::string root = fuzz_tree::FreshRoot();
  fuzz_tree::BuildTree(&input, root);
  TreeState before;
  fuzz_tree::ReadWholeTree(root, &before);

  // The command runs in the work directory; the caller's own directory is
  // given back after it, since the caller may name its inputs relatively.
  const int callersDirectory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Require(callersDirectory >= 0 && chdir(fuzz_tree::WorkDirectory()) == 0, "the work directory can be entered");
  unlink(JOURNAL_FILE);
  const int result = purifile(command.tail.c_str());
  FlushStandardOutput();
  TreeState after;
  fuzz_tree::ReadWholeTree(root, &after);
  if (command.journal && result != 1) {
    const int undone = purifile(UNDO_TAIL);
    FlushStandardOutput();
    TreeState restored;
    fuzz_tree::ReadWholeTree(root, &restored);
    Require(undone == 0, "the undo of a run's journal takes back every rename");
    Require(SameNames(before, restored), "the undo of a run's journal gives every entry its old name");
  }
  Require(fchdir(callersDirectory) == 0 && close(callersDirectory) == 0, "the caller's directory can be entered again");

  Require(result == 0 || result == 1 || result == 2, "a command without prompts ends with 0, 1 or 2");
  if (result == 1) {
    Require(SameNames(before, after), "a refused command renames nothing");
  }
  fuzz_tree::CheckNothingLost(before, after, command.options);
  return 0;
}
