// The status window of a run. On this platform it is a list of lines and
// the text a window would display; while it is shown, every appended line
// is also written to the standard error stream. The run decides when it is
// shown (never while the echo flag is off).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class StatusWindow {
 public:
  // Displayed text longer than this is rebuilt from the last lines only.
  static constexpr size_t kMaxDisplayedText = 19999;
  static constexpr size_t kLinesKeptOnRebuild = 50;
  // What separates displayed lines: carriage return, carriage return, line
  // feed.
  static constexpr std::string_view kLineBreak = "\r\r\n";

  // `err` receives the lines appended while the window is shown (std::cerr
  // when null); it must outlive the window.
  explicit StatusWindow(std::ostream* err = nullptr);

  // Splits `text` at line feeds and appends each line to the list. When the
  // displayed text is already longer than kMaxDisplayedText it is rebuilt
  // from the last kLinesKeptOnRebuild lines of the list (these lines
  // included); otherwise the new lines are added to it. Linear in the new
  // text, or in the kept lines on a rebuild.
  void Append(std::string_view text);
  // Empties the list and the displayed text.
  void Clear();

  void Show() { shown_ = true; }
  void Hide() { shown_ = false; }
  bool IsShown() const { return shown_; }

  const std::vector<std::string>& Lines() const { return lines_; }
  const std::string& DisplayedText() const { return displayed_; }

 private:
  std::ostream* err_;
  bool shown_ = false;
  std::vector<std::string> lines_;
  std::string displayed_;
};

}  // namespace orv
