// What the shell around the host services knows about itself: whether a batch
// file is running (and which line of it), and whether the shell is transient or
// part of a pipe. Variable expansion reports these as %_batch, %_batchname,
// %_batchline, %_transient and %_pipe.
//
// The standalone program never changes them: it runs no batch files and is
// neither transient nor piped. The stand-in shell sets them, and calls these
// functions through TakeCmd.dll, which exports them for it alone; the plug-in
// never imports them.
#pragma once

#include <cstdint>

extern "C" {

// level 0 means no batch file is running; name and line then expand to empty
// and 0. A name too long for MAX_ARG_LEN is cut. Returns 0.
std::int32_t SetBatchState(std::int32_t level, const char16_t* batchFile, std::int32_t line);
// Non-zero values make %_transient and %_pipe expand to 1. Returns 0.
std::int32_t SetShellState(std::int32_t transient, std::int32_t pipe);

// How the stand-in TakeCmd.dll's GetKeystroke answers from now on: it reads
// keys, or fails the way a shell built with another toolchain may fail: a
// structured exception with the given code (0xE06D7363 is a Microsoft C++
// throw), a write to memory without access (the access violation a null
// pointer causes), or a C++ throw of this toolchain.
// The standalone program has no such call. Returns 0.
std::int32_t SetKeystrokeFault(std::int32_t fault, std::uint32_t code);

}  // extern "C"

constexpr std::int32_t KEYSTROKE_READS_KEYS = 0;
constexpr std::int32_t KEYSTROKE_RAISES_CODE = 1;
constexpr std::int32_t KEYSTROKE_WRITES_WITHOUT_ACCESS = 2;
constexpr std::int32_t KEYSTROKE_THROWS = 3;

extern "C" {

}  // extern "C"
