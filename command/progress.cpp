#include "command/progress.h"

#include "platform/terminal_text.h"
#include "platform/utf16_text.h"

namespace {

// The events whose text goes to standard output, or nowhere: every other may
// write a message to standard error, under the status line.
bool WritesToStandardOutputOnly(RunEventKind kind) {
  return kind == EVENT_RENAMING || kind == EVENT_RENAMED || kind == EVENT_PREVIEWED || kind == EVENT_DECLINED ||
         kind == EVENT_DIRECTORY_DONE || kind == EVENT_UNDO_TOTAL;
}

std::u16string Number(std::uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

std::u16string ProgressLine::Text() const {
  // Built by appending: GCC 12 at -O3 takes a chain of operator+ on
  // temporaries for an overlapping copy (-Werror=restrict).
  std::u16string text = u"purifile: ";
  text.append(Number(listed_)).append(u" listed, ").append(Number(renamed_));
  text.append(preview_ ? u" previewed, " : u" renamed, ").append(Number(failed_)).append(u" failed");
  if (!directory_.empty()) {
    text.append(u"; ");
    const std::size_t room = text.size() < PROGRESS_WIDTH ? PROGRESS_WIDTH - text.size() : 0;
    if (directory_.size() <= room) {
      text.append(directory_);
    } else if (room > 3) {
      std::size_t from = directory_.size() - (room - 3);
      // Never half a surrogate pair.
      from += (directory_[from] >= 0xDC00 && directory_[from] <= 0xDFFF) ? 1 : 0;
      text.append(u"...").append(directory_, from, std::u16string::npos);
    }
  }
  return text;
}

std::u16string ProgressLine::Erase() {
  if (shown_ == 0) {
    return {};
  }
  std::u16string erase(shown_ + 2, u' ');
  erase.front() = u'\r';
  erase.back() = u'\r';
  shown_ = 0;
  return erase;
}

std::u16string ProgressLine::Update(const RunEvent& event, std::uint64_t now) {
  switch (event.kind) {
    case EVENT_RENAMED:
    case EVENT_PREVIEWED: ++renamed_; break;
    case EVENT_RENAME_FAILED:
    case EVENT_DEVICE_NAME: ++failed_; break;
    case EVENT_DIRECTORY_DONE: listed_ += event.tally.found; break;
    default: break;
  }
  if (event.directory != nullptr) {
    // On the terminal a name's control characters are shown escaped, here too.
    directory_ = TerminalForm(event.directory, TextLength(event.directory));
  }
  if (!WritesToStandardOutputOnly(event.kind) || event.kind == EVENT_UNDO_TOTAL) {
    return Erase();
  }
  const bool due = shown_ == 0 ? now - start_ >= PROGRESS_AFTER_MS : now - drawnAt_ >= PROGRESS_EVERY_MS;
  if (!due) {
    return {};
  }
  const std::u16string text = Text();
  // What the last line held beyond the new one is blanked.
  const std::size_t blank = shown_ > text.size() ? shown_ - text.size() : 0;
  std::u16string line = u"\r";
  line.append(text).append(blank, u' ');
  if (blank > 0) {
    line.append(u"\r").append(text);
  }
  shown_ = text.size();
  drawnAt_ = now;
  return line;
}
