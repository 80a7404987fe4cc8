// The one schema of a run's records, written and read here: the journal
// (--journal, /J) and the JSON Lines of --json are made of these lines, and
// undo reads journals back with ParseJournalLine. The man page's JOURNAL
// section documents every field.
//
// A line is one JSON object in UTF-8. A name (of an entry, a directory, an
// argument) is an object of one field: {"text":"..."} where the name is valid
// text (UTF-8 on POSIX, UTF-16 on Windows), else the exact record in base64:
// {"bytes":"..."} of the name's bytes on POSIX, {"utf16le":"..."} of its
// UTF-16 code units on Windows, so that every name comes back exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "command/report.h"

// The version of the schema this program writes and the newest it reads.
constexpr std::uint64_t JOURNAL_VERSION = 1;

// The digits of base64 (RFC 4648), in which names that are not text travel.
inline constexpr char BASE64_DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Appends the UTF-8 form of length code units of text: on POSIX exactly the
// bytes of a name (a byte that is no UTF-8 travels as U+DC80..U+DCFF and comes
// back as that byte).
void AppendUtf8(std::string* bytes, const char16_t* text, std::size_t length);

// Appends the first line of a record, with its line end: the version, the
// program, the command line as typed, the working directory and the time.
void AppendStartLine(std::string* line, const ReportSettings& settings);

// Appends the line of the event, with its line end, and returns true; false
// for an event that has no line. sequence numbers the rename the line belongs
// to (0 for none); without withEntry the entry's fields are left out, as in
// the journal's result lines, whose intent line holds them.
bool AppendEventLine(std::string* line, const RunEvent& event, std::uint32_t sequence, bool withEntry);

// The fields of one line that undo reads; the others are passed over.
struct JournalLine {
  std::string type;
  std::uint64_t version;   // 0 when absent
  std::uint64_t sequence;  // "seq", 0 when absent
  bool hasDirectory;
  bool hasOld;
  bool hasNew;
  bool hasIdentity;  // both "volume" and "index"
  std::u16string directory;
  std::u16string oldName;
  std::u16string newName;
  FileIdentity identity;
};

// Reads one line, without its line end. Returns 0, or -1 when it is not one
// JSON object whose known fields have their kinds.
std::int32_t ParseJournalLine(const char* text, std::size_t length, JournalLine* line);
