#include "plugin/entry_points.h"

#include <string_view>

#include "cleaner/char_classes.h"
#include "command/help_text.h"
#include "core/version.h"
#include "core/host_services.h"

namespace {

PluginInfo pluginInfo;

// The first character of the help text after its opening paragraph: past the
// first line feed and every line feed that directly follows it.
const char16_t* UsageText() {
  const char16_t* text = HELP_TEXT;
  while (*text != u'\0' && *text != u'\n') {
    ++text;
  }
  while (*text == u'\n') {
    ++text;
  }
  return text;
}

}  // namespace

extern "C" {

PluginInfo* GetPluginInfo(void*) {
  // The contact fields name the project rather than a person; the addresses use
  // the reserved example.org domain until the project publishes real ones.
  pluginInfo.name = PLUGIN_NAME;
  pluginInfo.author = u"Purifile developers";
  pluginInfo.email = u"purifile@example.org";
  pluginInfo.webPage = u"https://purifile.example.org/";
  pluginInfo.description = u"Renames filenames containing troublesome characters";
  pluginInfo.commands = COMMAND_NAME;
  pluginInfo.majorVersion = PLUGIN_MAJOR_VERSION;
  pluginInfo.minorVersion = PLUGIN_MINOR_VERSION;
  pluginInfo.build = PLUGIN_BUILD;
  return &pluginInfo;
}

std::int32_t InitializePlugin() {
  // The host expands in place and may need the whole MAX_ARG_LEN: a long
  // noloadmsg value must not run past the end of a smaller buffer.
  char16_t quietState[MAX_ARG_LEN] = u"%[_transient]%[_pipe]%[noloadmsg]";
  ExpandVariables(quietState, 1);
  // Only a shell that is neither transient nor piped, with noloadmsg unset or
  // empty, expands the template to exactly "00".
  if (std::u16string_view(quietState) == u"00") {
    Printf(u"%s v%d.%d.%d loaded.\r\n", PLUGIN_NAME, PLUGIN_MAJOR_VERSION, PLUGIN_MINOR_VERSION,
           PLUGIN_BUILD);
  }
  return 0;
}

std::int32_t ShutdownPlugin() { return 0; }

std::int32_t Help(const char16_t* commandName) {
  if (commandName == nullptr || CompareIgnoringAsciiCase(commandName, COMMAND_NAME) != 0) {
    return 0;
  }
  MessageBoxW(GetForegroundWindow(), HELP_TEXT, u"Purifile Plugin Help", MB_OK);
  return 1;
}

std::int32_t Usage(const char16_t* commandName, char16_t* usage) {
  if (commandName == nullptr || usage == nullptr ||
      CompareIgnoringAsciiCase(commandName, COMMAND_NAME) != 0) {
    return 0;
  }
  constexpr std::int32_t usageCapacity = 1024;
  const char16_t* text = UsageText();
  std::int32_t length = 0;
  while (text[length] != u'\0' && length < usageCapacity - 1) {
    usage[length] = text[length];
    ++length;
  }
  usage[length] = u'\0';
  return 1;
}

}  // extern "C"
