#include "convert/rejoin.h"

#include <algorithm>
#include <vector>

#include "common/text.h"

namespace orv {

namespace {

// A statement line as the re-joining of lines knows it: the statement text
// with its marks, or the bare keyword (as a document may write it).
struct StatementLine {
  std::string_view marked;
  std::string_view bare;
  explicit StatementLine(const std::string& text) : marked(text) {
    const size_t mark = text.find("$_$_");
    if (mark != std::string::npos) bare = marked.substr(mark, marked.size() - 2 * mark);
  }
  bool Is(std::string_view line) const { return line == marked || (!bare.empty() && line == bare); }
};

// The line trimmed, each run of blanks kept as its first blank.
void AppendCollapsed(std::string_view line, std::string& out) {
  line = TrimView(line);
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t i = 0;
  while (i < line.size()) {
    // A stretch of non-blanks and the first blank after it go in whole.
    size_t end = i;
    while (end < line.size() && !blank(line[end])) ++end;
    if (end < line.size()) ++end;
    out.append(line, i, end - i);
    i = end;
    while (i < line.size() && blank(line[i])) ++i;
  }
}

// Removes one space after each alignment marker, in place.
void DropSpaceAfterAlignment(std::string& text) {
  static const std::string_view kMarkers[] = {"[[LEFT]]", "[[CENTER]]", "[[RIGHT]]", "[[JUSTIFY]]"};
  std::vector<size_t> spaces;  // the spaces to remove, found in the text as it stands
  for (size_t at = text.find("] "); at != std::string::npos; at = text.find("] ", at + 1)) {
    const std::string_view before = std::string_view(text).substr(0, at + 1);
    for (std::string_view marker : kMarkers) {
      if (before.size() >= marker.size() && before.substr(before.size() - marker.size()) == marker) {
        spaces.push_back(at + 1);
        break;
      }
    }
  }
  if (spaces.empty()) return;
  size_t write = spaces.front();
  for (size_t k = 0; k < spaces.size(); ++k) {
    const size_t from = spaces[k] + 1;
    const size_t to = k + 1 < spaces.size() ? spaces[k + 1] : text.size();
    std::copy(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(to),
              text.begin() + static_cast<long>(write));
    write += to - from;
  }
  text.resize(write);
}

}  // namespace

// Joins the source lines of a document whose structure is carried by
// paragraph and break marks: every ordinary line is trimmed and appended to
// one running line after a blank. Statements and lines ending in an in-line
// tag keep lines of their own, and pre-formatted and heading sections are
// copied line by line.
RejoinResult RejoinLines(std::string_view text, const DetagMarkers& markers, std::string& out) {
  RejoinResult result;
  out.clear();
  out.reserve(text.size() + 16);
  // The line being joined is built at the end of `out`, from `joined` on
  // (npos: none under way).
  size_t joined = std::string::npos;
  auto flush = [&]() {
    if (joined == std::string::npos) return;
    if (TrimView(std::string_view(out).substr(joined)).empty())
      out.resize(joined);
    else
      out += '\n';
    joined = std::string::npos;
  };
  auto emit = [&](std::string_view line) {
    out += line;
    out += '\n';
  };
  const StatementLine start_pre(markers.start_pre), end_pre(markers.end_pre);
  const StatementLine start_heading(markers.start_heading), end_heading(markers.end_heading);
  const StatementLine* verbatim_end = nullptr;
  long long long_lines_total = 0;
  long long long_lines = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t feed = text.find('\n', start);
    if (feed == std::string::npos) feed = text.size();
    const std::string_view line(text.data() + start, feed - start);
    start = feed + 1;
    if (verbatim_end != nullptr) {
      emit(line);
      if (verbatim_end->Is(line)) verbatim_end = nullptr;
      continue;
    }
    // Statement lines begin with a mark or with "$_$_".
    const bool may_be_statement = !line.empty() && (line[0] == '\xFF' || line[0] == '$');
    if (may_be_statement && (start_pre.Is(line) || start_heading.Is(line))) {
      flush();
      emit(line);
      verbatim_end = start_pre.Is(line) ? &end_pre : &end_heading;
      continue;
    }
    if (line.substr(0, 4) == "$_$_" || (line.size() >= 2 && line.substr(line.size() - 2) == "]]")) {
      flush();
      emit(line);
      continue;
    }
    if (line.size() > 40) {
      long_lines_total += static_cast<long long>(line.size());
      ++long_lines;
    }
    // One blank between joined lines; an empty line adds no second one.
    if (joined == std::string::npos) {
      joined = out.size();
      out += ' ';
    } else if (out.back() != ' ') {
      out += ' ';
    }
    AppendCollapsed(line, out);
  }
  result.ends_between_lines = joined == std::string::npos && verbatim_end == nullptr;
  result.long_lines_total = long_lines_total;
  result.long_lines = long_lines;
  flush();
  DropSpaceAfterAlignment(out);
  return result;
}

}  // namespace orv
