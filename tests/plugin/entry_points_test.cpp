#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "host/host_output.h"
#include "host/shell_state.h"
#include "command/help_text.h"
#include "core/version.h"
#include "plugin/entry_points.h"
#include "tests/support/capture.h"
#include "tests/support/environment.h"

namespace {

using testing_support::CaptureOutput;
using testing_support::ScopedEnvironmentVariable;

const std::u16string helpText = HELP_TEXT;

std::u16string UsageFor(const char16_t* name, int* result) {
  char16_t buffer[1024];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  *result = Usage(name, buffer);
  return std::u16string(buffer, buffer + 1024);
}

TEST(HelpText, LengthsAndEnds) {
  EXPECT_EQ(helpText.size(), 762u);
  EXPECT_EQ(helpText.rfind(u"Rename files to remove troublesome characters.  \n\nPURIFILE /A", 0), 0u);
  EXPECT_NE(helpText.find(u"filespec...  \r\n\n\t/A\t"), std::u16string::npos);
  EXPECT_NE(helpText.find(u"\u201Cnew\u201D"), std::u16string::npos);
  EXPECT_EQ(helpText.find(u'\r'), helpText.find(u"\r\n\n\t/A"));  // the only carriage return
}

TEST(Usage, AnswersForThePluginsCommandInAnyCase) {
  for (const char16_t* name : {u"purifile", u"PURIFILE", u"PuriFile"}) {
    int result = 0;
    const std::u16string buffer = UsageFor(name, &result);
    EXPECT_EQ(result, 1);
    const std::u16string usage(buffer.c_str());
    EXPECT_EQ(usage.size(), 712u);
    EXPECT_EQ(usage.rfind(u"PURIFILE /A", 0), 0u);
    EXPECT_EQ(usage.substr(usage.size() - 17), u"REN, if desired.\n");
    EXPECT_EQ(helpText.substr(helpText.size() - 712), usage);
  }
}

TEST(Usage, IgnoresOtherNames) {
  for (const char16_t* name : {u"purifil", u"purifile2", u"", u"dir", u"PURIFILE "}) {
    int result = 0;
    const std::u16string buffer = UsageFor(name, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(buffer, std::u16string(1024, u'#'));
  }
  char16_t buffer[4] = u"###";
  EXPECT_EQ(Usage(nullptr, buffer), 0);
  EXPECT_EQ(Usage(u"purifile", nullptr), 0);
}

TEST(Help, OtherNamesShowNothing) {
  for (const char16_t* name : {u"purifiles", u"", u"help"}) {
    int result = -1;
    const auto captured = CaptureOutput([&] { result = Help(name); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(captured.standardOutput, "");
    EXPECT_EQ(captured.standardError, "");
  }
  EXPECT_EQ(Help(nullptr), 0);
}

TEST(PluginInfo, FieldsInTheHostsOrder) {
  // The host reads the record by position: six text pointers, then three numbers.
  EXPECT_EQ(offsetof(PluginInfo, commands), 5 * sizeof(void*));
  EXPECT_EQ(offsetof(PluginInfo, majorVersion), 6 * sizeof(void*));
  EXPECT_EQ(offsetof(PluginInfo, build), 6 * sizeof(void*) + 8);

  PluginInfo* info = GetPluginInfo(nullptr);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::u16string(info->name), u"Purifile");
  EXPECT_EQ(std::u16string(info->description), u"Renames filenames containing troublesome characters");
  EXPECT_EQ(std::u16string(info->commands), u"purifile");
  EXPECT_NE(std::u16string(info->author), u"");
  EXPECT_NE(std::u16string(info->email).find(u'@'), std::u16string::npos);
  EXPECT_EQ(std::u16string(info->webPage).rfind(u"https://", 0), 0u);
  // The project's version, which the build puts in core/version.h.
  EXPECT_EQ(info->majorVersion, PLUGIN_MAJOR_VERSION);
  EXPECT_EQ(info->minorVersion, PLUGIN_MINOR_VERSION);
  EXPECT_EQ(info->build, PLUGIN_BUILD);

  // Every call fills the record afresh.
  info->name = nullptr;
  info->build = 99;
  EXPECT_EQ(GetPluginInfo(nullptr), info);
  EXPECT_EQ(std::u16string(info->name), u"Purifile");
  EXPECT_EQ(info->build, PLUGIN_BUILD);
}

std::string LoadMessage() {
  int result = -1;
  const auto captured = CaptureOutput([&] { result = InitializePlugin(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(captured.standardError, "");
  return captured.standardOutput;
}

TEST(InitializePlugin, LoadMessageAndEachWayToSilenceIt) {
  const std::string message = "Purifile v" + std::to_string(PLUGIN_MAJOR_VERSION) + "." +
                              std::to_string(PLUGIN_MINOR_VERSION) + "." + std::to_string(PLUGIN_BUILD) + " loaded." +
                              (unixLineEnds ? "\n" : "\r\n");
  SetShellState(0, 0);
  {
    ScopedEnvironmentVariable unset("noloadmsg", std::nullopt);
    EXPECT_EQ(LoadMessage(), message);
  }
  {
    ScopedEnvironmentVariable empty("noloadmsg", "");
    EXPECT_EQ(LoadMessage(), message);
  }
  for (const char* value : {"1", "0", "yes", "%_batch"}) {
    ScopedEnvironmentVariable set("noloadmsg", value);
    EXPECT_EQ(LoadMessage(), "") << value;
  }
  {
    // Longer than any small buffer the template might have been expanded in.
    ScopedEnvironmentVariable huge("noloadmsg", std::string(5000, 'q'));
    EXPECT_EQ(LoadMessage(), "");
  }
  ScopedEnvironmentVariable unset("noloadmsg", std::nullopt);
  SetShellState(1, 0);
  EXPECT_EQ(LoadMessage(), "");
  SetShellState(0, 1);
  EXPECT_EQ(LoadMessage(), "");
  SetShellState(0, 0);
  EXPECT_EQ(LoadMessage(), message);
  EXPECT_EQ(ShutdownPlugin(), 0);
}

}  // namespace
