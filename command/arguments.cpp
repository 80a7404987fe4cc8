#include "command/arguments.h"

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "core/host_services.h"

ArgumentTable argumentTable;

namespace {

// The splitter's progress through one tail.
struct SplitState {
  std::int32_t completed;  // arguments finished so far: the index of the current one
  std::int32_t length;     // characters of the current argument
  std::int32_t position;   // where the next character goes in the pool
  bool quoted;
  // Set by a letter, colon and two solidi ("C://", "HTTP://"): the rest of the
  // argument is a path or address, and its solidi start no new options.
  bool slashGuard;
};

void EndArgument(SplitState& state) {
  ++state.completed;
  state.position += 1;  // past the current argument's terminator
  state.length = 0;
  state.slashGuard = false;
}

// A colon that opens "//" right after a letter, as in C:// or HTTP://.
bool OpensSlashGuard(const char16_t* tail, std::int32_t index) {
  return index > 0 && IsLetter(tail[index - 1]) && tail[index + 1] == u'/' && tail[index + 2] == u'/';
}

// Stores one character. Returns 0, or -1 when the pool is full (reported here).
std::int32_t StoreCharacter(SplitState& state, char16_t ch) {
  if (state.position >= MAX_ARG_LEN - 1) {
    Diagnose(u"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n", state.position, MAX_ARG_LEN);
    return -1;
  }
  if (state.completed >= MAX_ARGUMENTS) {
    return 0;  // beyond the last argument the table can hold: dropped silently
  }
  if (state.length == 0) {
    argumentTable.starts[state.completed] = &argumentTable.pool[state.position];
  }
  argumentTable.pool[state.position] = ToUpperAscii(ch);
  state.position += 1;
  argumentTable.pool[state.position] = 0;
  state.length += 1;
  argumentTable.lengths[state.completed] = state.length;
  return 0;
}

void TrimTrailingWhitespace(std::int32_t argument) {
  char16_t* text = argumentTable.starts[argument];
  std::int32_t& length = argumentTable.lengths[argument];
  while (length > 0 && IsWhitespace(text[length - 1])) {
    text[length - 1] = 0;
    length -= 1;
  }
}

}  // namespace

std::int32_t SplitArguments(const char16_t* tail) {
  if (tail == nullptr) {
    return -1;
  }
  for (std::int32_t j = 0; j < MAX_ARGUMENTS; ++j) {
    argumentTable.starts[j] = nullptr;
    argumentTable.lengths[j] = 0;
  }
  argumentTable.pool[0] = 0;
  argumentTable.count = 0;

  SplitState state{};
  for (std::int32_t index = 0;; ++index) {
    const char16_t ch = tail[index];
    if (ch == u'"') {
      state.quoted = !state.quoted;
      continue;
    }
    if (ch == 0) {
      if (state.length > 0) {
        ++state.completed;
      }
      break;
    }
    if (!state.quoted && IsWhitespace(ch)) {
      if (state.length > 0) {
        EndArgument(state);
      }
      continue;
    }
    if (!state.quoted && ch == u'/' && !state.slashGuard && state.length >= 2 &&
        argumentTable.starts[state.completed][0] == u'/') {
      EndArgument(state);
    } else if (ch == u':' && state.length >= 1 && OpensSlashGuard(tail, index)) {
      state.slashGuard = true;
    }
    if (StoreCharacter(state, ch) != 0) {
      return -1;
    }
  }

  for (std::int32_t j = 0; j < state.completed; ++j) {
    TrimTrailingWhitespace(j);
  }
  argumentTable.count = state.completed;
  return argumentTable.count;
}
