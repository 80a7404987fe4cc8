// The status line of a long run: entries listed, renamed (or previewed) and
// failed, and the directory under way, on standard error, rewritten in
// place.
//
// The standalone programs ask for it (ReportSettings::progress); the
// plug-in's output is the shell's and never carries it. It is drawn only
// where a person watches a run that prints no lines of its own: standard
// error a terminal, standard output not (a file or a pipe: there the rename
// lines themselves show the run going), and no prompt at the terminal. The
// first drawing waits for the run to have lasted PROGRESS_AFTER_MS; then it
// is redrawn at most every PROGRESS_EVERY_MS, erased before any message
// could reach standard error, and at the end.
#pragma once

#include <cstdint>
#include <string>

#include "command/report.h"

constexpr std::uint64_t PROGRESS_AFTER_MS = 1000;
constexpr std::uint64_t PROGRESS_EVERY_MS = 250;
// The line is kept within this many characters, so that it never wraps on
// a terminal of the usual 80 columns: a long directory keeps its end.
constexpr std::size_t PROGRESS_WIDTH = 76;

class ProgressLine {
 public:
  // The run began at start (milliseconds of GetTickCount64); preview: it
  // renames nothing, and says "previewed".
  ProgressLine(std::uint64_t start, bool preview) : start_(start), preview_(preview) {}

  // Counts the event, which happened at now. Returns what to write to
  // standard error: the line drawn or redrawn, the line erased before an
  // event that may write a message there, or nothing.
  std::u16string Update(const RunEvent& event, std::uint64_t now);

  // What erases the line, or nothing when none is shown.
  std::u16string Erase();

  // The line for the counts so far.
  std::u16string Text() const;

 private:
  std::uint64_t start_;
  bool preview_;
  std::uint64_t drawnAt_ = 0;
  std::size_t shown_ = 0;  // the characters on the terminal's line, 0 for none
  std::uint64_t listed_ = 0;
  std::uint64_t renamed_ = 0;
  std::uint64_t failed_ = 0;
  std::u16string directory_;
};
