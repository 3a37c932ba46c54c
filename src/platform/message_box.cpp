// Message boxes written as single lines.
#include "platform/message_box.h"

#include <ostream>

namespace orv {

std::string MessageBoxLine(std::string_view caption, std::string_view text) {
  std::string line(caption);
  line += ": ";
  bool in_break = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!in_break) line += ' ';
      in_break = true;
      continue;
    }
    in_break = false;
    line += c;
  }
  return line;
}

void ShowMessageBox(std::ostream& err, std::string_view caption, std::string_view text) {
  err << MessageBoxLine(caption, text) << '\n';
  err.flush();
}

MessageBoxFn StreamMessageBox(std::ostream& err) {
  return [&err](std::string_view caption, std::string_view text) {
    ShowMessageBox(err, caption, text);
  };
}

}  // namespace orv
