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
//   --keystroke-raises=KIND
//                      the host's key read fails instead of reading a key:
//                      code:0xNNNNNNNN raises a structured exception with that
//                      code (code:0xE06D7363 one as a Microsoft C++ throw
//                      does), bad-write writes to memory without access,
//                      mingw-throw throws a C++ exception of this toolchain
//   --guard            calls the command under a structured exception handler,
//                      as shells built with Microsoft's compiler do; an
//                      exception that comes out of the command is reported on
//                      standard error ("exception 0xNNNNNNNN escaped the
//                      command") and counts as the result 125
//   --record-calls     writes every FindFirstFileW and MoveFileW call of the
//                      plug-in to standard error as it is made, and after each
//                      command line the number of find handles it left open
//   --max-path         the plug-in's FindFirstFileW and MoveFileW refuse, as a
//                      Windows without long-path support does, a path of
//                      MAX_PATH characters or more that lacks the "\\?\" prefix
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

#include "host/shell_state.h"
#include "platform/utf16_text.h"
#include "platform/win32.h"
#include "platform/windows/structured_handler.h"
#include "plugin/entry_points.h"
#include "core/host_services.h"

namespace {

constexpr int STATUS_UNKNOWN_COMMAND = 127;
constexpr int STATUS_NOT_LOADED = 126;
constexpr int STATUS_BAD_SWITCH = 2;
constexpr int STATUS_EXCEPTION_ESCAPED = 125;

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
  bool guard;
};

struct ShellOptions {
  bool transient = false;
  bool pipe = false;
  bool showResults = false;
  bool guard = false;
  bool recordCalls = false;
  bool maxPath = false;
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
    if (ToUpperAscii(left[i]) != ToUpperAscii(right[i])) {
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

// The file-system calls of the plug-in, seen through its import address
// table: the plug-in calls KERNEL32 through it, so replacing an entry there
// puts the shell between the plug-in and that one function, and nothing else
// changes. Whether to record them and whether to refuse long plain paths.
struct FileCallWatch {
  bool record;
  bool maxPath;
  int openFinds;
  HANDLE(WINAPI* findFirst)(const wchar_t*, WIN32_FIND_DATAW*);
  BOOL(WINAPI* findClose)(HANDLE);
  BOOL(WINAPI* moveFile)(const wchar_t*, const wchar_t*);
};
FileCallWatch watch{false, false, 0, nullptr, nullptr, nullptr};

bool HasLongPathPrefix(const wchar_t* path) { return std::wstring_view(path).substr(0, 4) == L"\\\\?\\"; }

// What a Windows without long-path support refuses.
bool RefusedAsTooLong(const wchar_t* path) {
  return watch.maxPath && !HasLongPathPrefix(path) && std::wstring_view(path).size() >= MAX_PATH;
}

HANDLE WINAPI WatchedFindFirstFileW(const wchar_t* path, WIN32_FIND_DATAW* found) {
  if (watch.record) {
    Complain(u"FindFirstFileW \"%s\"\r\n", Text(path));
  }
  if (RefusedAsTooLong(path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE find = watch.findFirst(path, found);
  if (find != INVALID_HANDLE_VALUE) {
    ++watch.openFinds;
  }
  return find;
}

BOOL WINAPI WatchedFindClose(HANDLE find) {
  const BOOL closed = watch.findClose(find);
  if (closed) {
    --watch.openFinds;
  }
  return closed;
}

BOOL WINAPI WatchedMoveFileW(const wchar_t* from, const wchar_t* to) {
  if (watch.record) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"MoveFileW \"%s\" \"%s\"\r\n", Text(from), Text(to));
  }
  if (RefusedAsTooLong(from) || RefusedAsTooLong(to)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  return watch.moveFile(from, to);
}

// Puts replacement in the slot of the module's import address table through
// which it calls library!function. Returns what the slot held, or nullptr
// when the module imports no such function.
void* ReplaceImport(HMODULE module, const char* library, const char* function, void* replacement) {
  auto* const base = reinterpret_cast<unsigned char*>(module);
  const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), library) != 0) {
      continue;
    }
    const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
          lstrcmpA(reinterpret_cast<const char*>(
                       reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name),
                   function) != 0) {
        continue;
      }
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      void* const previous = reinterpret_cast<void*>(slot->u1.Function);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

template <typename Function>
bool Watch(HMODULE module, const char* function, Function replacement, Function* original) {
  *original = reinterpret_cast<Function>(
      ReplaceImport(module, "KERNEL32.dll", function, reinterpret_cast<void*>(replacement)));
  return *original != nullptr;
}

bool WatchFileCalls(HMODULE module, const ShellOptions& options) {
  watch.record = options.recordCalls;
  watch.maxPath = options.maxPath;
  if (Watch(module, "FindFirstFileW", &WatchedFindFirstFileW, &watch.findFirst) &&
      Watch(module, "FindClose", &WatchedFindClose, &watch.findClose) &&
      Watch(module, "MoveFileW", &WatchedMoveFileW, &watch.moveFile)) {
    return true;
  }
  Complain(u"stand_in_shell: %s\r\n", u"purifile.dll does not import the file calls to watch");
  return false;
}

void WriteInfo(const PluginInfo& info) {
  Printf(u"Name: %s\r\nAuthor: %s\r\nE-mail: %s\r\nWeb: %s\r\nDescription: %s\r\nCommands: %s\r\n",
         info.name, info.author, info.email, info.webPage, info.description, info.commands);
  Printf(u"Version: %d.%d.%d\r\n", info.majorVersion, info.minorVersion, info.build);
}

struct CommandCallRecord {
  CommandCall command;
  const char16_t* tail;
  int result;
};

void CallCommand(void* context) {
  auto* call = static_cast<CommandCallRecord*>(context);
  call->result = call->command(call->tail);
}

// Calls the command as a shell built with Microsoft's compiler does under
// --guard: nothing that comes out of it ends the shell.
int GuardedCommand(CommandCall command, const char16_t* tail) {
  CommandCallRecord call{command, tail, 0};
  DWORD code = 0;
  try {
    if (CallUnderStructuredHandler(&CallCommand, &call, &code) == 0) {
      return call.result;
    }
  } catch (...) {
    code = 0x20474343;  // what this toolchain's C++ throw raises
  }
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"stand_in_shell: exception 0x%08X escaped the command\r\n", code);
  return STATUS_EXCEPTION_ESCAPED;
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
  const char16_t* const tail = line.c_str() + tailStart;
  const int result = plugin.guard ? GuardedCommand(plugin.command, tail) : plugin.command(tail);
  if (watch.record) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"find handles left open: %d\r\n", watch.openFinds);
  }
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

// Passes --keystroke-raises=KIND on to the stand-in TakeCmd.dll; false for an
// unknown KIND.
bool RequestKeystrokeFault(const std::u16string& kind) {
  if (kind == u"bad-write") {
    return SetKeystrokeFault(KEYSTROKE_WRITES_WITHOUT_ACCESS, 0) == 0;
  }
  if (kind == u"mingw-throw") {
    return SetKeystrokeFault(KEYSTROKE_THROWS, 0) == 0;
  }
  if (StartsWith(kind, u"code:0x") && kind.size() > 7 && kind.size() <= 15) {
    std::uint32_t code = 0;
    for (const char16_t digit : kind.substr(7)) {
      const char16_t lower = digit | 0x20;
      const bool decimal = digit >= u'0' && digit <= u'9';
      if (!decimal && !(lower >= u'a' && lower <= u'f')) {
        return false;
      }
      code = code * 16 + (decimal ? digit - u'0' : lower - u'a' + 10);
    }
    return SetKeystrokeFault(KEYSTROKE_RAISES_CODE, code) == 0;
  }
  return false;
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
    } else if (isSwitch && argument == u"--guard") {
      options->guard = true;
    } else if (isSwitch && argument == u"--record-calls") {
      options->recordCalls = true;
    } else if (isSwitch && argument == u"--max-path") {
      options->maxPath = true;
    } else if (isSwitch && StartsWith(argument, u"--keystroke-raises=")) {
      if (!RequestKeystrokeFault(argument.substr(19))) {
        Complain(u"stand_in_shell: unknown key-read fault %s\r\n", argument.c_str());
        return false;
      }
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
  if (!LoadPlugin(&plugin) || ((options.recordCalls || options.maxPath) && !WatchFileCalls(plugin.module, options))) {
    return STATUS_NOT_LOADED;
  }
  plugin.guard = options.guard;
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
