// The status window's line list and displayed text.
#include "platform/status_window.h"

#include <iostream>

#include "common/text.h"

namespace orv {

StatusWindow::StatusWindow(std::ostream* err) : err_(err != nullptr ? err : &std::cerr) {}

void StatusWindow::Append(std::string_view text) {
  std::vector<std::string> new_lines = SplitLines(text);
  if (new_lines.empty()) new_lines.emplace_back();  // an empty message is an empty line
  for (std::string& line : new_lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  const bool rebuild = displayed_.size() > kMaxDisplayedText;
  for (std::string& line : new_lines) {
    if (shown_) *err_ << line << '\n';
    lines_.push_back(std::move(line));
  }
  if (shown_) err_->flush();

  if (rebuild) {
    displayed_.clear();
    size_t first = lines_.size() > kLinesKeptOnRebuild ? lines_.size() - kLinesKeptOnRebuild : 0;
    for (size_t i = first; i < lines_.size(); ++i) {
      displayed_ += lines_[i];
      displayed_ += kLineBreak;
    }
  } else {
    for (size_t i = lines_.size() - new_lines.size(); i < lines_.size(); ++i) {
      displayed_ += lines_[i];
      displayed_ += kLineBreak;
    }
  }
}

void StatusWindow::Clear() {
  lines_.clear();
  displayed_.clear();
}

}  // namespace orv
