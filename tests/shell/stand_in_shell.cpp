// The stand-in shell: loads purifile.dll the way the real shell does, beside
// the stand-in TakeCmd.dll, and runs command lines through it.
//
//   stand_in_shell [switches] [command line]...
//
// Switches, before the first command line:
//   --transient        the shell runs as a transient one: %_transient is 1
//   --pipe             the shell runs inside a pipe: %_pipe is 1
//   --info             write the plug-in's information record
//   --help=NAME        call Help with NAME and write its result
//   --usage=NAME       call Usage with NAME and write its result and text
//   --batch=FILE       run every line of FILE as a batch file does: while a
//                      line runs, %_batch is 1, %_batchname the file's full
//                      path and %_batchline the line's number
//   --show-results     after each command line, write "result N"
//
// A command line is "purifile" (any case) and the command tail. With no
// action at all (no --info, --help, --usage, --batch or command line), command
// lines are read from standard input, one per line. Loading writes the
// plug-in's load message unless silenced.
//
// Keys for the command's prompts come from standard input as well when it is
// not a console, one byte a key (see the host's key reading); when the command
// lines themselves come from standard input, no keys are left and a prompt is
// answered Quit.
//
// The exit status is the result of the last command line (0 when none ran),
// 127 after a command the plug-in does not provide, 126 when the plug-in cannot
// be loaded or lacks an entry point, and 2 for a switch it does not know.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "host/ascii_case.h"
#include "host/shell_state.h"
#include "platform/win32.h"
#include "plugin/entry_points.h"
#include "plugin/host_services.h"

namespace {

constexpr int STATUS_UNKNOWN_COMMAND = 127;
constexpr int STATUS_NOT_LOADED = 126;
constexpr int STATUS_BAD_SWITCH = 2;

using GetPluginInfoCall = PluginInfo* (*)(void*);
using PlainCall = std::int32_t (*)();
using HelpCall = std::int32_t (*)(const char16_t*);
using UsageCall = std::int32_t (*)(const char16_t*, char16_t*);
using CommandCall = int (*)(const char16_t*);

// The plug-in's entry points, found by name as the real shell finds them.
struct LoadedPlugin {
  HMODULE module;
  PluginInfo* info;
  PlainCall initialize;
  PlainCall shutdown;
  HelpCall help;
  UsageCall usage;
  CommandCall command;
};

struct ShellOptions {
  bool transient = false;
  bool pipe = false;
  bool showResults = false;
  // Actions in the order given: each is a switch (with its value) or a command line.
  std::vector<std::u16string> actions;
};

const char16_t* Text(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

void Complain(const char16_t* format, const char16_t* detail) {
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), format, detail);
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool SameIgnoringAsciiCase(std::u16string_view left, std::u16string_view right) {
  if (left.size() != right.size()) {
    return false;
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (UpperAscii(left[i]) != UpperAscii(right[i])) {
      return false;
    }
  }
  return true;
}

std::u16string DirectoryOfProgram() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::u16string directory(Text(path), length);
  return directory.substr(0, directory.find_last_of(u"\\/") + 1);
}

FARPROC EntryPoint(HMODULE module, const char* name) {
  const FARPROC entry = GetProcAddress(module, name);
  if (entry == nullptr) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"stand_in_shell: purifile.dll has no entry point %s\r\n",
            std::u16string(name, name + std::char_traits<char>::length(name)).c_str());
  }
  return entry;
}

template <typename Call>
Call EntryPointAs(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(EntryPoint(module, name)));
}

// Loads the plug-in and looks up every entry point; false when any is missing.
bool LoadPlugin(LoadedPlugin* plugin) {
  const std::u16string path = DirectoryOfProgram() + u"purifile.dll";
  plugin->module = LoadLibraryW(Wide(path.c_str()));
  if (plugin->module == nullptr) {
    Complain(u"stand_in_shell: cannot load %s\r\n", path.c_str());
    return false;
  }
  const auto getInfo = EntryPointAs<GetPluginInfoCall>(plugin->module, "GetPluginInfo");
  plugin->initialize = EntryPointAs<PlainCall>(plugin->module, "InitializePlugin");
  plugin->shutdown = EntryPointAs<PlainCall>(plugin->module, "ShutdownPlugin");
  plugin->help = EntryPointAs<HelpCall>(plugin->module, "Help");
  plugin->usage = EntryPointAs<UsageCall>(plugin->module, "Usage");
  if (getInfo == nullptr || plugin->initialize == nullptr || plugin->shutdown == nullptr ||
      plugin->help == nullptr || plugin->usage == nullptr) {
    return false;
  }
  plugin->info = getInfo(plugin->module);
  // The command function is exported under the command's name, as the record lists it.
  std::string commandName;
  for (const char16_t* name = plugin->info->commands; *name != u'\0'; ++name) {
    commandName.push_back(static_cast<char>(*name));
  }
  plugin->command = EntryPointAs<CommandCall>(plugin->module, commandName.c_str());
  return plugin->command != nullptr;
}

void WriteInfo(const PluginInfo& info) {
  Printf(u"Name: %s\r\nAuthor: %s\r\nE-mail: %s\r\nWeb: %s\r\nDescription: %s\r\nCommands: %s\r\n",
         info.name, info.author, info.email, info.webPage, info.description, info.commands);
  Printf(u"Version: %d.%d.%d\r\n", info.majorVersion, info.minorVersion, info.build);
}

// Runs "name tail" through the plug-in. Returns the command's result, or
// STATUS_UNKNOWN_COMMAND when the plug-in does not provide the command.
int RunCommandLine(const LoadedPlugin& plugin, const std::u16string& line, bool showResult) {
  const std::size_t nameStart = line.find_first_not_of(u" \t");
  if (nameStart == std::u16string::npos) {
    return 0;
  }
  const std::size_t nameEnd = std::min(line.find_first_of(u" \t", nameStart), line.size());
  const std::u16string name = line.substr(nameStart, nameEnd - nameStart);
  if (!SameIgnoringAsciiCase(name, plugin.info->commands)) {
    Complain(u"stand_in_shell: unknown command \"%s\"\r\n", name.c_str());
    return STATUS_UNKNOWN_COMMAND;
  }
  const std::size_t tailStart = std::min(line.find_first_not_of(u" \t", nameEnd), line.size());
  const int result = plugin.command(line.c_str() + tailStart);
  if (showResult) {
    Printf(u"result %d\r\n", result);
  }
  return result;
}

// The lines of UTF-8 text, without their line ends.
std::vector<std::u16string> Lines(const std::string& bytes) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) {
      end = bytes.size();
    }
    std::size_t length = end - start;
    if (length > 0 && bytes[start + length - 1] == '\r') {
      --length;
    }
    std::u16string line(length, u'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, static_cast<int>(length),
                                          line.data(), static_cast<int>(length));
    line.resize(static_cast<std::size_t>(units));
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string ReadAll(HANDLE input) {
  std::string bytes;
  char block[4096];
  DWORD read = 0;
  while (ReadFile(input, block, sizeof block, &read, nullptr) && read > 0) {
    bytes.append(block, read);
  }
  return bytes;
}

int RunBatchFile(const LoadedPlugin& plugin, const std::u16string& file, bool showResults) {
  const HANDLE input = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (input == INVALID_HANDLE_VALUE) {
    Complain(u"stand_in_shell: cannot read %s\r\n", file.c_str());
    return STATUS_NOT_LOADED;
  }
  const std::vector<std::u16string> lines = Lines(ReadAll(input));
  CloseHandle(input);
  char16_t fullPath[MAX_ARG_LEN];
  GetFullPathNameW(file.c_str(), MAX_ARG_LEN, fullPath, nullptr);
  int result = 0;
  for (std::size_t number = 1; number <= lines.size(); ++number) {
    SetBatchState(1, fullPath, static_cast<std::int32_t>(number));
    result = RunCommandLine(plugin, lines[number - 1], showResults);
  }
  SetBatchState(0, nullptr, 0);
  return result;
}

// Runs one switch or command line after loading. Returns the status it leaves.
int RunAction(const LoadedPlugin& plugin, const std::u16string& action, bool showResults) {
  if (action == u"--info") {
    WriteInfo(*plugin.info);
    return 0;
  }
  if (StartsWith(action, u"--help=")) {
    Printf(u"Help returned %d\r\n", plugin.help(action.c_str() + 7));
    return 0;
  }
  if (StartsWith(action, u"--usage=")) {
    char16_t usage[1024] = {};
    const std::int32_t answer = plugin.usage(action.c_str() + 8, usage);
    Printf(u"Usage returned %d\r\n", answer);
    QPuts(usage);
    return 0;
  }
  if (StartsWith(action, u"--batch=")) {
    return RunBatchFile(plugin, action.substr(8), showResults);
  }
  return RunCommandLine(plugin, action, showResults);
}

// Splits the program's arguments into shell switches and actions. False, after
// a message, for a switch the shell does not know.
bool ReadArguments(int argc, wchar_t** argv, ShellOptions* options) {
  bool switches = true;
  for (int i = 1; i < argc; ++i) {
    const std::u16string argument = Text(argv[i]);
    const bool isSwitch = switches && StartsWith(argument, u"--");
    if (isSwitch && argument == u"--transient") {
      options->transient = true;
    } else if (isSwitch && argument == u"--pipe") {
      options->pipe = true;
    } else if (isSwitch && argument == u"--show-results") {
      options->showResults = true;
    } else if (isSwitch && !(argument == u"--info" || StartsWith(argument, u"--help=") ||
                             StartsWith(argument, u"--usage=") || StartsWith(argument, u"--batch="))) {
      Complain(u"stand_in_shell: unknown switch %s\r\n", argument.c_str());
      return false;
    } else {
      switches = switches && isSwitch;
      options->actions.push_back(argument);
    }
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ShellOptions options;
  if (!ReadArguments(argc, argv, &options)) {
    return STATUS_BAD_SWITCH;
  }
  SetShellState(options.transient ? 1 : 0, options.pipe ? 1 : 0);

  LoadedPlugin plugin{};
  if (!LoadPlugin(&plugin)) {
    return STATUS_NOT_LOADED;
  }
  plugin.initialize();

  int status = 0;
  for (const std::u16string& action : options.actions) {
    status = RunAction(plugin, action, options.showResults);
  }
  if (options.actions.empty()) {
    for (const std::u16string& line : Lines(ReadAll(GetStdHandle(STD_INPUT_HANDLE)))) {
      status = RunCommandLine(plugin, line, options.showResults);
    }
  }

  plugin.shutdown();
  FreeLibrary(plugin.module);
  return status;
}
