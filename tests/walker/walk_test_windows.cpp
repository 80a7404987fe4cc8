// The walk and the rename step through the real Win32 functions: the two
// retries, prompts answered from standard input, depth on a small thread
// stack, and a directory link back to an ancestor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/options.h"
#include "platform/win32.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "walker/rename.h"
#include "walker/walker.h"

namespace {

using testing_support::CaptureOutput;
using testing_support::WithStandardInput;
using walker_testing::ListTree;
using walker_testing::MakeTree;

TEST(RenameRetry, LongPathPrefixRenamesADrivePath) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b"});
  const std::u16string root = dir.engine_path();
  ASSERT_EQ(root[1], u':') << "a drive path is needed";
  EXPECT_EQ(RenameByLongPath((root + u"a%20b").c_str(), (root + u"a b").c_str()), 0);
  EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"a b"});
  EXPECT_EQ(RenameByLongPath((root + u"gone").c_str(), (root + u"x").c_str()), 1);
}

TEST(RenameRetry, ShortNameRenamesTheEntryItBelongsTo) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a long name with blanks.text"});
  const std::u16string root = dir.engine_path();
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW((root + u"a long*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  const std::u16string shortName = FoundShortName(found);
  if (shortName.empty()) {
    GTEST_SKIP() << "this file system gives no short names";
  }
  EXPECT_EQ(RenameByShortName(root.c_str(), shortName.c_str(), (root + u"renamed.text").c_str()), 0);
  EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"renamed.text"});
}

struct Answered {
  std::int32_t result;
  RenameTally tally;
  OptionFlags options;
  std::string out;
};

Answered WalkAnswering(const std::u16string& directory, OptionFlags options, const std::string& keys) {
  Answered answered{0, {0, 0, 0, 0}, options, {}};
  WithStandardInput(keys, [&] {
    answered.out = CaptureOutput([&] {
                     answered.result = WalkDirectory(directory.c_str(), u"*", &answered.options, nullptr, nullptr,
                                                     &answered.tally);
                   }).standardOutput;
  });
  return answered;
}

// Keys come from standard input when it is not a console, one byte each.
TEST(Prompt, KeysFromStandardInputAnswerInTurn) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "c%20d", "e%20f"});
  const Answered answered = WalkAnswering(dir.engine_path(), OPT_PROMPT | OPT_NO_SUMMARY, "xyn\x1b");
  EXPECT_EQ(answered.result, 0);
  EXPECT_EQ(answered.tally.found, 3u);
  EXPECT_EQ(answered.tally.fixed, 1u);
  EXPECT_EQ(answered.tally.skipped, 2u);
  EXPECT_EQ(answered.out, "") << "the echoes of No go to the console, not standard output";
}

TEST(Prompt, AllStopsAskingAndQuitStopsTheWalk) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "c%20d", "e%20f"});
  const Answered all = WalkAnswering(dir.engine_path(), OPT_PROMPT | OPT_NO_SUMMARY, "a");
  EXPECT_EQ(all.tally.fixed, 3u);
  EXPECT_EQ(all.options & OPT_PROMPT, 0u);

  MakeTree(dir.path(), {"g%20h", "i%20j"});
  const Answered quit = WalkAnswering(dir.engine_path(), OPT_PROMPT | OPT_NO_SUMMARY, "q");
  EXPECT_EQ(quit.result, -3);
  EXPECT_EQ(quit.tally.fixed, 0u);

  const Answered ended = WalkAnswering(dir.engine_path(), OPT_PROMPT | OPT_NO_SUMMARY, "");
  EXPECT_EQ(ended.result, -3) << "no key to read counts as Quit";
  EXPECT_EQ(ended.out, "");
}

struct DeepWalk {
  std::u16string root;
  OptionFlags options;
  RenameTally tally;
  std::int32_t result;
};

DWORD WINAPI RunDeepWalk(void* argument) {
  auto* walk = static_cast<DeepWalk*>(argument);
  walk->result = WalkDirectory(walk->root.c_str(), u"*", &walk->options, nullptr, nullptr, &walk->tally);
  return 0;
}

// On a thread of 1 MiB, the Windows default: a walk that kept path buffers on
// the stack for every level would overflow it a few dozen levels down.
TEST(WalkDepth, DeepTreeOnASmallStack) {
  testing_support::TempDir dir;
  constexpr int kLevels = 200;
  std::u16string path = dir.engine_path();
  for (int i = 0; i < kLevels; ++i) {
    path += u"d\\";
    if (!CreateDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr)) {
      GTEST_SKIP() << "cannot create level " << i;
    }
  }
  HANDLE file = CreateFileW((path + u"x%20y").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  DeepWalk walk{dir.engine_path(), OPT_RECURSE | OPT_NO_SUMMARY | OPT_NO_ERRORS, {0, 0, 0, 0}, -9};
  CaptureOutput([&] {
    HANDLE thread = CreateThread(nullptr, 1024 * 1024, RunDeepWalk, &walk, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  });
  EXPECT_EQ(walk.result, 0);
  EXPECT_EQ(walk.tally.fixed, 1u);
  EXPECT_NE(GetFileAttributesW((path + u"x y").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WalkLinks, DirectoryLinkToAnAncestorIsNotEnteredAgain) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a/", "a/f%20x", "a/b/"});
  const std::u16string root = dir.engine_path();
  if (!CreateSymbolicLinkW(reinterpret_cast<const wchar_t*>((root + u"a\\b\\up").c_str()),
                           reinterpret_cast<const wchar_t*>((root + u"a").c_str()), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      GetFileAttributesW((root + u"a\\b\\up").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no directory links here (Wine reports success without making one)";
  }
  RenameTally tally{0, 0, 0, 0};
  OptionFlags options = OPT_RECURSE | OPT_NO_SUMMARY;
  std::int32_t result = -9;
  const auto captured = CaptureOutput(
      [&] { result = WalkDirectory((root + u"a\\").c_str(), u"*", &options, nullptr, nullptr, &tally); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(tally.found, 1u);
  EXPECT_NE(captured.standardError.find("Link loop, not searched again"), std::string::npos)
      << captured.standardError;
}

}  // namespace
