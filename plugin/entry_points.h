// What the host shell finds by name in the plug-in library: the information
// record, the load and unload calls, and the help and usage answers, which
// give the help text that the command's "/?" option prints as well
// (command/help_text.h).
#pragma once

#include <cstdint>

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
