// What the host shell finds by name in the plug-in library: the information
// record, the load and unload calls, the help and usage answers, and the help
// text that the command's "/?" option prints as well.
#pragma once

#include <cstdint>

constexpr const char16_t* PLUGIN_NAME = u"Purifile";
constexpr const char16_t* COMMAND_NAME = u"purifile";
constexpr std::int32_t PLUGIN_MAJOR_VERSION = 0;
constexpr std::int32_t PLUGIN_MINOR_VERSION = 45;
constexpr std::int32_t PLUGIN_BUILD = 1;

// One constant text for the help box, the usage answer and "/?". The two blanks
// before several line breaks, the "\r\n" after the syntax line alone and the
// curly quotes around “new” are part of it.
inline constexpr char16_t HELP_TEXT[] =
    u"Rename files to remove troublesome characters.  \n"
    u"\n"
    u"PURIFILE /A /B /C /D /E /H /K: /N /P /Q:list /R:list /S /U filespec...  \r\n"
    u"\n"
    u"\t/A\treplace ampersands with underscores\n"
    u"\t/B\treplace blanks with underscores\n"
    u"\t/C\treplace parentheses with underscores\n"
    u"\t/D\trename directories, not files\n"
    u"\t/E\tdecode =XX hex pairs\n"
    u"\t/H\tdecode HTML entities\n"
    u"\t/K:\tcondense repeated Blanks/Punctuation\n"
    u"\t/N\tnot really\n"
    u"\t/P\tprompt before each\n"
    u"\t/Q:\tlist of characters to replace\n"
    u"\t/R:\treplacement characters; use with /Q:\n"
    u"\t/S\trecurse into Subdirectories\n"
    u"\t/U\treplace high-order Unicode characters\n"
    u"\n"
    u"Use wildcards to match the difficult characters.  Note that you  \n"
    u"do not supply a \u201Cnew\u201D or replacement filename; the plugin\n"
    u"generates its own.  These new names can then be changed with  \n"
    u"REN, if desired.\n";

// The record the host reads after GetPluginInfo returns. The nine fields come
// first, in the host's order; the room after them belongs to the host's side
// of the interface, and the plug-in never writes it.
struct PluginInfo {
  const char16_t* name;
  const char16_t* author;
  const char16_t* email;
  const char16_t* webPage;
  const char16_t* description;
  const char16_t* commands;  // the command names the library exports
  std::int32_t majorVersion;
  std::int32_t minorVersion;
  std::int32_t build;
  std::uint8_t reservedForHost[128];
};

extern "C" {

// Fills every field of the record, on every call, and returns it. The host may
// pass its module handle; it is not needed.
PluginInfo* GetPluginInfo(void* hostModule);
// Writes the load message unless the shell is transient or piped or the
// environment variable noloadmsg is set. Returns 0.
std::int32_t InitializePlugin();
// Nothing is held, so nothing is released. Returns 0.
std::int32_t ShutdownPlugin();
// For the command "purifile" (any case): shows the help text in a message box
// and returns 1 once it is closed. Any other name: returns 0, shows nothing.
std::int32_t Help(const char16_t* commandName);
// For the command "purifile" (any case): copies the help text from its syntax
// line on into usage (1024 characters) and returns 1. Any other name: returns 0.
std::int32_t Usage(const char16_t* commandName, char16_t* usage);

}  // extern "C"
