// Message boxes on Linux: one line "caption: text" on the standard error
// stream; they never wait for input. Callers hold a MessageBoxFn so tests
// can collect the boxes instead.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace orv {

using MessageBoxFn = std::function<void(std::string_view caption, std::string_view text)>;

// The one line a box becomes: caption, ": ", text, with every run of line
// breaks inside the text turned into one space so the box stays one line.
std::string MessageBoxLine(std::string_view caption, std::string_view text);

// Writes MessageBoxLine and a line end to `err` and flushes it.
void ShowMessageBox(std::ostream& err, std::string_view caption, std::string_view text);

// A MessageBoxFn that writes to `err` (which must outlive it).
MessageBoxFn StreamMessageBox(std::ostream& err);

}  // namespace orv
