#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "plugin/entry_points.h"
#include "tests/support/capture.h"

namespace {

// Without a desktop the help box is written out as text: on the terminal when
// there is one, else on standard error, where it can be checked.
TEST(Help, ShowsTheHelpTextForThePluginsCommand) {
  const int terminal = open("/dev/tty", O_RDONLY | O_NOCTTY);
  if (terminal >= 0) {
    close(terminal);
    GTEST_SKIP() << "the help box would go to the terminal";
  }
  for (const char16_t* name : {u"purifile", u"PURIFILE", u"PuriFile"}) {
    int result = 0;
    const auto captured = testing_support::CaptureOutput([&] { result = Help(name); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(captured.standardOutput, "");
    EXPECT_EQ(captured.standardError.rfind("Purifile Plugin Help\nRename files to remove", 0), 0u);
    EXPECT_NE(captured.standardError.find("REN, if desired.\n"), std::string::npos);
  }
}

}  // namespace
