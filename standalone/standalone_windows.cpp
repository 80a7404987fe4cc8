// Windows only: the standalone program's command line, in this platform's
// habit. The arguments are split as every Windows program splits its command
// line (CommandLineToArgvW), then:
//   - an argument that begins with '/' holds options of the option table, a
//     further '/' starting the next one (/S/D is /S and /D), as the shell's
//     commands take them; letters in any case. The lists of /Q and /R are
//     upper-cased and matched regardless of case, as the plug-in's are, so
//     that both Windows forms give a command the same new names;
//   - /V, this program's own, lets /S enter version control's directories
//     (.git, .hg, .svn, .bzr, _darcs), which it leaves alone otherwise;
//   - every other argument is a file specification, matched exactly as typed.
// An argument in the POSIX form of an option ("-n", "-ns", "--dry-run") that
// names no existing entry is refused: taken as a name, it would have turned a
// preview into a real run.
#include <string>

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "command/report.h"
#include "standalone/standalone.h"
#include "platform/utf16_text.h"
#include "core/host_services.h"

namespace {

// Copies one argument into the pool. The arguments hold MAX_ARG_LEN - 1
// characters in all, terminators included, as the plug-in's command tail does.
const char16_t* StoreArgument(StandaloneCommandLine* line, const char16_t* argument, std::int32_t* typedUnits) {
  const std::int32_t length = static_cast<std::int32_t>(TextLength(argument));
  if (*typedUnits + length + 1 > MAX_ARG_LEN - 1) {
    ReportTooLong();
    return nullptr;
  }
  *typedUnits += length + 1;
  return Joined(line, u"", argument);
}

// text in the option table's form: ASCII letters upper-cased, as the
// plug-in's splitter stores them (the /Q and /R lists are compared in upper
// case too). Null after a report.
const char16_t* TableForm(StandaloneCommandLine* line, const char16_t* text) {
  char16_t* form = const_cast<char16_t*>(Joined(line, u"", text));
  if (form != nullptr) {
    for (char16_t* ch = form; *ch != 0; ++ch) {
      *ch = ToUpperAscii(*ch);
    }
  }
  return form;
}

// A colon after a letter and before "//" (C://, HTTP://): the rest of the
// argument is an address, and its solidi start no options.
bool OpensSlashGuard(const char16_t* text, std::int32_t at) {
  return at > 0 && IsLetter(text[at - 1]) && text[at + 1] == u'/' && text[at + 2] == u'/';
}

// Applies every option of one argument that begins with '/'.
std::int32_t ApplyOptionArgument(StandaloneCommandLine* line, const char16_t* argument) {
  const std::int32_t length = static_cast<std::int32_t>(TextLength(argument));
  std::int32_t start = 0;
  bool guarded = false;
  for (std::int32_t at = 1; at <= length; ++at) {
    const char16_t ch = argument[at];
    if (ch == u':' && OpensSlashGuard(argument, at)) {
      guarded = true;
    }
    if (ch != 0 && (ch != u'/' || guarded || at - start < 2)) {
      continue;
    }
    char16_t* typed = TakeFromPool(line, at - start + 1);
    const char16_t* option = nullptr;
    if (typed != nullptr) {
      std::char_traits<char16_t>::copy(typed, argument + start, static_cast<std::size_t>(at - start));
      typed[at - start] = 0;
      option = TableForm(line, typed);
    }
    if (option == nullptr) {
      return 1;
    }
    if (TextIs(option, u"/V")) {
      line->options.flags &= ~OPT_NO_REPOSITORIES;
    } else {
      const std::int32_t applied = ApplyOption(option, typed, &line->options);
      if (applied != 0) {
        return applied;
      }
    }
    start = at;
  }
  return 0;
}

// The spelling here of a long option of the POSIX form, given with value (or
// null): "--replace=ab" is "/Q:ab". Null after a report.
const char16_t* WindowsForm(StandaloneCommandLine* line, const LongOption& option, const char16_t* value) {
  const bool takesValue = option.kind == LONG_VALUE || option.kind == LONG_MAYBE_VALUE;
  if (takesValue && value != nullptr) {
    const char16_t prefix[] = {option.option[0], option.option[1], u':', 0};
    return Joined(line, prefix, value);
  }
  // The journal options take a file, the others a list.
  const bool file = option.option[1] == u'J' || option.option[1] == u'Z';
  return option.kind == LONG_VALUE ? Joined(line, option.option, file ? u":FILE" : u":list") : option.option;
}

// "--dry-run", "--replace=ab": a long option of the POSIX form. Where no such
// entry exists the user meant the option: refused with its spelling here.
// Returns 1 after the report, else 0.
std::int32_t CheckNotALongOption(StandaloneCommandLine* line, const char16_t* text) {
  const char16_t* value = nullptr;
  const LongOption* found = FindLongOption(text, &value);
  if (found == nullptr || GetFileAttributesW(text) != INVALID_FILE_ATTRIBUTES) {
    return 0;
  }
  if (found->kind == LONG_FOLLOW) {
    // /S walks junctions and directory links here already.
    Diagnose(u"Option \"%s\" is not needed here: /S walks junctions unless /N:J\r\n", text);
    return 1;
  }
  if (found->option == nullptr) {
    Diagnose(u"Option \"%s\" is not available here\r\n", text);
    return 1;
  }
  const char16_t* form = WindowsForm(line, *found, value);
  return form == nullptr ? 1 : ReportOptionOfTheOtherForm(text, form);
}

// The spelling here of text, a bundle of short options of the POSIX form
// (see BundledOptionLength): "-ns" is "/N /S", "-bn:se" "/B /N:SE", "-qab"
// and "-q:ab" "/Q:ab", "-q" "/Q:list". False when text is no such bundle: it
// holds a letter that is no option there, or -L, which /S needs not here.
bool WindowsSpelling(const char16_t* text, std::u16string* spelling) {
  if (TextIs(text, u"-?") || TextIs(text, u"-??")) {
    *spelling = text;
    (*spelling)[0] = u'/';
    return true;
  }
  spelling->clear();
  for (const char16_t* option = text + 1; *option != 0; option += BundledOptionLength(option)) {
    const char16_t letter = option[0];
    if (!IsTableLetter(letter)) {
      return false;
    }
    *spelling += spelling->empty() ? u"/" : u" /";
    spelling->push_back(ToUpperAscii(letter));
    if (TakesValue(letter)) {
      const char16_t* value = option[1] == u':' || option[1] == u'=' ? option + 2 : option + 1;
      *spelling += u":";
      *spelling += option[1] == 0 ? (letter == u'q' || letter == u'r' ? u"list" : u"file") : value;
    } else if (BundledOptionLength(option) > 1) {
      for (const char16_t* subOption = option + 1; *subOption != 0; ++subOption) {
        spelling->push_back(ToUpperAscii(*subOption));
      }
    }
  }
  return !spelling->empty();
}

std::int32_t AddFileSpec(StandaloneCommandLine* line, const char16_t* text) {
  if (text[0] == u'-' && text[1] == u'-' && text[2] != 0 && CheckNotALongOption(line, text) != 0) {
    return 1;
  }
  std::u16string spelling;
  if (text[0] == u'-' && WindowsSpelling(text, &spelling) &&
      CheckNotAnOptionOfTheOtherForm(text, spelling.c_str()) != 0) {
    return 1;
  }
  line->specs[line->specCount++] = text;
  return 0;
}

}  // namespace

std::int32_t ParseStandaloneArguments(int, char**, StandaloneCommandLine* line) {
  line->options = CommandOptions{};
  line->options.flags = OPT_NO_REPOSITORIES | OPT_PREVIEW_FAILURES | OPT_PROGRESS;
  line->specCount = 0;
  line->poolUsed = 0;
  int count = 0;
  char16_t** arguments = CommandLineToArgvW(reinterpret_cast<const char16_t*>(::GetCommandLineW()), &count);
  if (arguments == nullptr) {
    return 0;
  }
  std::int32_t typedUnits = 0;
  std::int32_t result = 0;
  for (int i = 1; i < count && result == 0; ++i) {
    const char16_t* text = StoreArgument(line, arguments[i], &typedUnits);
    if (text == nullptr || CheckRoomForArgument(i) != 0) {
      result = 1;
    } else if (text[0] == 0) {
      continue;  // an empty argument, as the shell's splitter drops it
    } else if (text[0] == u'/') {
      result = ApplyOptionArgument(line, text);
    } else {
      result = AddFileSpec(line, text);
    }
  }
  LocalFree(arguments);
  return result == OPTIONS_HELP_WRITTEN ? STANDALONE_ANSWERED : result;
}

std::int32_t RunStandaloneWith(int argc, char** argv, StandaloneCommandLine* line) {
  SetOutputRefusalsTold(true);
  const std::int32_t parsed = ParseStandaloneArguments(argc, argv, line);
  if (parsed != 0) {
    return parsed == STANDALONE_ANSWERED ? 0 : parsed;
  }
  if (line->specCount == 0 && line->options.undo == nullptr) {
    Diagnose(u"Missing filespec\r\n");
    return -1;
  }
  // The journal records the command line as Windows gives it, one text.
  const char16_t* const commandLine = reinterpret_cast<const char16_t*>(::GetCommandLineW());
  return ShellResult(RunCommand(line->specs, line->specCount, &line->options, &commandLine, 1));
}
