// POSIX only: the standalone program's argument vector, translated into the
// command tail that the shell would hand the plug-in on Windows.
#include "host/standalone_posix.h"

#include <unistd.h>

#include <cstring>

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "host/typed_specs.h"

namespace {

// Written after the help text for --help: the same options in this platform's
// habit, and the shell's part in expanding wildcards.
constexpr char16_t POSIX_USAGE_NOTE[] =
    u"\n"
    u"On this system options begin with '-' instead of '/', one option per argument:\n"
    u"  purifile [-a] [-b] [-c] [-d] [-e] [-f] [-h] [-k[:bp]] [-n[:defjps]] [-p]\n"
    u"           [-q:list -r:list] [-s] [-u] [-w] [-8] [--] filespec...\n"
    u"  purifile --help | --version\n"
    u"-b is /B, -n:s is /N:S, -k:bp is /K:BP; -h decodes HTML entities (/H) and\n"
    u"-f replaces quotes (/F). -w, --windows (/W) makes names valid on Windows:\n"
    u"no device names such as CON or nul.txt, no name longer than 255 bytes.\n"
    u"-8, --utf8 (/8) reads names as UTF-8 text: %C3%A9 is one e-acute, bytes\n"
    u"that are not UTF-8 are Windows-1252, names are composed (NFC).\n"
    u"\"--\" ends the options. An argument that begins\n"
    u"with '/' is a path, never an option.\n"
    u"Quote wildcards ('*.txt') so that purifile, not the shell, expands them:\n"
    u"with -s the pattern must reach every subdirectory.\n"
    u"Exit status: 0 done, 1 bad option, 2 a rename failed or a filespec could\n"
    u"not be resolved, 3 quit at a prompt, 255 no filespec (nothing renamed).\n";

// One argument converted from the UTF-8 argument vector, and the same
// argument in the form it is passed on. Static: each is MAX_ARG_LEN wide.
char16_t argumentText[MAX_ARG_LEN];
char16_t passedForm[MAX_ARG_LEN];

struct TailBuilder {
  StandaloneCommand* command;
  std::int32_t length;     // code units written to the tail
  std::int32_t arguments;  // arguments the tail holds
};

std::int32_t ReportTooLong() {
  ErrorPrefix();
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Command line too long: the arguments hold %d characters at most\r\n",
          MAX_ARG_LEN - 1);
  return 1;
}

// Appends text, or returns 1 when it would not fit.
std::int32_t AppendToTail(TailBuilder& builder, const char16_t* text, std::int32_t count) {
  if (builder.length + count > STANDALONE_TAIL_CAPACITY - 1) {
    return 1;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    builder.command->tail[builder.length++] = text[i];
  }
  builder.command->tail[builder.length] = 0;
  return 0;
}

// The command keeps MAX_ARGUMENTS arguments and drops the rest silently, so
// one more is refused here, before anything runs. Returns 0 or 1 (reported).
std::int32_t CheckRoomForArgument(const TailBuilder& builder) {
  if (builder.arguments < MAX_ARGUMENTS) {
    return 0;
  }
  ErrorPrefix();
  Qprintf(GetStdHandle(STD_ERROR_HANDLE),
          u"Too many arguments: the most is %d; quote wildcards so that purifile expands them\r\n",
          MAX_ARGUMENTS);
  return 1;
}

// Appends one argument in quotation marks, so that blanks inside it and
// solidi anywhere in it never cut it, and a blank after it. Quotation marks
// inside text must already be gone: the splitter would take them for its own.
std::int32_t AppendQuoted(TailBuilder& builder, const char16_t* text, std::int32_t count) {
  if (CheckRoomForArgument(builder) != 0) {
    return 1;
  }
  ++builder.arguments;
  if (AppendToTail(builder, u"\"", 1) != 0 || AppendToTail(builder, text, count) != 0 ||
      AppendToTail(builder, u"\" ", 2) != 0) {
    return ReportTooLong();
  }
  return 0;
}

// The UTF-8 bytes of one argument as UTF-16 in argumentText (bytes that are not
// UTF-8 travel as the platform's escape code units). Returns the length, or -1
// when it does not fit.
std::int32_t ConvertArgument(const char* bytes) {
  const std::size_t byteCount = std::strlen(bytes);
  if (byteCount == 0) {
    argumentText[0] = 0;
    return 0;
  }
  if (byteCount >= static_cast<std::size_t>(MAX_ARG_LEN)) {
    return -1;
  }
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(byteCount), argumentText,
                                         MAX_ARG_LEN - 1);
  if (length <= 0) {
    return -1;
  }
  argumentText[length] = 0;
  return length;
}

// "-x..." becomes "/x...". Quotation marks are dropped, as the splitter would
// drop them anyway.
std::int32_t AppendOption(TailBuilder& builder, const char16_t* text, std::int32_t length) {
  passedForm[0] = u'/';
  std::int32_t out = 1;
  for (std::int32_t i = 1; i < length; ++i) {
    if (text[i] != u'"') {
      passedForm[out++] = text[i];
    }
  }
  return AppendQuoted(builder, passedForm, out);
}

// Appends count code units of text to passedForm at out; -1 when they do not fit.
std::int32_t AppendToForm(std::int32_t out, const char16_t* text, std::int32_t count) {
  if (out + count > MAX_ARG_LEN - 1) {
    return -1;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    passedForm[out + i] = text[i];
  }
  return out + count;
}

// A file specification in the form passed on:
//   - an absolute path goes relative to the current directory, because an
//     argument that begins with a solidus is an option to the command;
//   - a quotation mark (which the splitter removes) and trailing whitespace
//     (which it trims) become '?', the wildcard that matches them again.
// The form is registered so that its upper-cased argument resolves to it.
std::int32_t AppendFileSpec(TailBuilder& builder, const char16_t* text, std::int32_t length, std::int32_t depth) {
  if (CheckRoomForArgument(builder) != 0) {
    return 1;
  }
  if (depth < 0 && text[0] != u'/') {
    // Without a current directory a relative specification names nothing. It
    // must not be taken from anywhere else: "*" taken from the root would
    // rename entries the user never meant.
    ErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Cannot resolve \"%s\": there is no current directory\r\n", text);
    return 1;
  }
  std::int32_t out = 0;
  std::int32_t from = 0;
  if (text[0] == u'/') {
    while (from < length && text[from] == u'/') {
      ++from;
    }
    for (std::int32_t level = 0; level < depth && out >= 0; ++level) {
      out = AppendToForm(out, u"../", 3);
    }
    if (out >= 0 && from == length) {
      out = AppendToForm(out, u".", 1);  // the root itself
    }
  }
  if (out >= 0) {
    out = AppendToForm(out, text + from, length - from);
  }
  if (out < 0) {
    return ReportTooLong();
  }
  for (std::int32_t i = 0; i < out; ++i) {
    if (passedForm[i] == u'"') {
      passedForm[i] = u'?';
    }
  }
  for (std::int32_t i = out - 1; i >= 0 && IsWhitespace(passedForm[i]); --i) {
    passedForm[i] = u'?';
  }
  passedForm[out] = 0;
  if (RegisterTypedFileSpec(passedForm) != 0) {
    return ReportTooLong();
  }
  return AppendQuoted(builder, passedForm, out);
}

bool TextIs(const char16_t* text, const char16_t* expected) {
  std::int32_t i = 0;
  while (text[i] != 0 && text[i] == expected[i]) {
    ++i;
  }
  return text[i] == expected[i];
}

// The number of components of the current directory's full path, as the host
// forms full paths, or -1 when there is none (it was removed, or its path is
// longer than the host can form).
std::int32_t CurrentDirectoryDepth() {
  DWORD length = GetFullPathNameW(u".", MAX_ARG_LEN, argumentText, nullptr);
  if (length == 0 || length >= static_cast<DWORD>(MAX_ARG_LEN)) {
    return -1;
  }
  std::int32_t depth = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (argumentText[i] != u'/' && (i == 0 || argumentText[i - 1] == u'/')) {
      ++depth;
    }
  }
  return depth;
}

}  // namespace

std::int32_t TranslatePosixArguments(int argc, char** argv, std::int32_t depth, StandaloneCommand* command) {
  TailBuilder builder{command, 0, 0};
  command->tail[0] = 0;
  command->closingNote = nullptr;
  ForgetTypedFileSpecs();
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::int32_t length = ConvertArgument(argv[i]);
    if (length < 0) {
      return ReportTooLong();
    }
    const char16_t* text = argumentText;
    std::int32_t result = 0;
    if (optionsEnded || length < 2 || text[0] != u'-') {
      result = AppendFileSpec(builder, text, length, depth);
    } else if (TextIs(text, u"--")) {
      optionsEnded = true;
    } else if (TextIs(text, u"--help")) {
      result = AppendQuoted(builder, u"/?", 2);
      command->closingNote = POSIX_USAGE_NOTE;
    } else if (TextIs(text, u"--version")) {
      result = AppendQuoted(builder, u"/??", 3);
    } else if (TextIs(text, u"--windows")) {
      result = AppendQuoted(builder, u"/W", 2);
    } else if (TextIs(text, u"--utf8")) {
      result = AppendQuoted(builder, u"/8", 2);
    } else if (text[1] == u'-') {
      ErrorPrefix();
      Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Unknown option \"%s\"\r\n", text);
      result = 1;
    } else {
      result = AppendOption(builder, text, length);
    }
    if (result != 0) {
      return 1;
    }
  }
  return 0;
}

std::int32_t PrepareStandaloneCommand(int argc, char** argv, StandaloneCommand* command) {
  const std::int32_t depth = CurrentDirectoryDepth();
  if (TranslatePosixArguments(argc, argv, depth, command) != 0) {
    return 1;
  }
  // Without a current directory every specification passed is absolute,
  // written relative to the root: make the root the current directory.
  if (depth < 0 && chdir("/") != 0) {
    ErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"No current directory, and the root cannot be entered\r\n");
    return 1;
  }
  return 0;
}
