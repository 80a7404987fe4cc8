#include "cleaner/condense.h"

#include <cassert>
#include <cstddef>

#include "cleaner/char_classes.h"

std::int32_t CondenseRuns(char16_t* name, OptionFlags options) {
  if (name == nullptr) {
    return CONDENSE_NO_BUFFER;
  }
  const bool blanks = (options & OPT_CONDENSE_BLANKS) != 0;
  const bool punctuation = (options & OPT_CONDENSE_PUNCT) != 0;
  if (!blanks && !punctuation) {
    return 0;
  }
  // The condensed name is never longer than the name, so it is written over the
  // name as it is read: the write position never passes the read position, and
  // with no change every code unit is written back to where it was.
  std::int32_t changes = 0;
  std::size_t written = 0;
  std::size_t read = 0;
  while (name[read] != 0) {
    const char16_t ch = name[read++];
    if (blanks && IsWhitespace(ch)) {
      std::size_t runEnd = read;
      while (name[runEnd] != 0 && IsWhitespace(name[runEnd])) {
        ++runEnd;
      }
      if (runEnd > read) {
        changes += static_cast<std::int32_t>(runEnd - read) + (ch != u' ' ? 1 : 0);
        assert(written < read);
        name[written++] = u' ';
        read = runEnd;
        continue;
      }
    } else if (punctuation && IsPunctuation(ch)) {
      while (name[read] == ch) {
        ++read;
        ++changes;
      }
    }
    assert(written < read);
    name[written++] = ch;
  }
  name[written] = 0;
  return changes;
}
