#include "convert/rejoin.h"

#include <algorithm>
#include <cstring>
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
template <typename Out>
void AppendCollapsed(std::string_view line, Out& out) {
  line = TrimView(line);
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  // Most lines have nothing to collapse (single spaces between words, no
  // tab): they go in whole rather than a word at a time.
  bool runs = false;
  for (size_t k = 0; k < line.size() && !runs; ++k)
    runs = line[k] == '\t' || (line[k] == ' ' && k + 1 < line.size() && blank(line[k + 1]));
  if (!runs) {
    out.Append(line);
    return;
  }
  size_t i = 0;
  while (i < line.size()) {
    // A stretch of non-blanks and the first blank after it go in whole.
    size_t end = i;
    while (end < line.size() && !blank(line[end])) ++end;
    if (end < line.size()) ++end;
    out.Append(line.substr(i, end - i));
    i = end;
    while (i < line.size() && blank(line[i])) ++i;
  }
}

// The lines of a text of its own, and the output appended to a string of
// its own.
class SeparateText {
 public:
  SeparateText(std::string_view text, std::string& out) : text_(text), out_(out) {}
  bool Next(std::string_view& line) {
    if (start_ >= text_.size()) return false;
    size_t feed = text_.find('\n', start_);
    if (feed == std::string_view::npos) feed = text_.size();
    line = text_.substr(start_, feed - start_);
    start_ = feed + 1;
    return true;
  }
  size_t size() const { return out_.size(); }
  char back() const { return out_.back(); }
  std::string_view From(size_t at) const { return std::string_view(out_).substr(at); }
  void Append(std::string_view piece) { out_.append(piece); }
  void Append(char c) { out_.push_back(c); }
  void Truncate(size_t size) { out_.resize(size); }

 private:
  std::string_view text_;
  size_t start_ = 0;
  std::string& out_;
};

// The lines of a text, and the output written over them from its start.
// While the output stays behind the line being read, the line is read
// where it stands (each byte is written no later than it is read);
// otherwise it is copied first. Should the output come to reach a line
// not yet read (joined lines gain a leading blank), the rest of the text
// is copied away and read from there.
class SameText {
 public:
  explicit SameText(std::string& text) : text_(text), source_(text) {}
  bool Next(std::string_view& line) {
    if (start_ >= source_.size()) return false;
    size_t feed = source_.find('\n', start_);
    if (feed == std::string_view::npos) feed = source_.size();
    line = source_.substr(start_, feed - start_);
    if (!spilled_ && written_ >= start_) {
      line_.assign(line);
      line = line_;
    }
    start_ = feed + 1;
    return true;
  }
  size_t size() const { return written_; }
  char back() const { return text_[written_ - 1]; }
  std::string_view From(size_t at) const {
    return std::string_view(text_.data() + at, written_ - at);
  }
  void Append(std::string_view piece) { Write(piece.data(), piece.size()); }
  void Append(char c) { Write(&c, 1); }
  void Truncate(size_t size) { written_ = size; }
  void Finish() { text_.resize(written_); }

 private:
  void Write(const char* data, size_t n) {
    if (!spilled_ && written_ + n > std::min(start_, source_.size())) {
      rest_.assign(source_.substr(std::min(start_, source_.size())));
      source_ = rest_;
      start_ = 0;
      spilled_ = true;
    }
    if (written_ + n > text_.size()) {
      const std::string piece(data, n);  // it may lie in the text that grows
      text_.resize(written_ + n);
      std::memcpy(text_.data() + written_, piece.data(), n);
    } else {
      std::memmove(text_.data() + written_, data, n);
    }
    written_ += n;
  }

  std::string& text_;
  std::string_view source_;  // `text_` until the rest is copied away
  size_t start_ = 0;         // the next line's start in `source_`
  size_t written_ = 0;
  bool spilled_ = false;
  std::string line_;  // a line copied before the output covers it
  std::string rest_;
};

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

// Joins the source lines of a document whose structure is carried by
// paragraph and break marks: every ordinary line is trimmed and appended to
// one running line after a blank. Statements and lines ending in an in-line
// tag keep lines of their own, and pre-formatted and heading sections are
// copied line by line. `io` gives the lines and takes the output.
template <typename Io>
RejoinResult Rejoin(Io& io, const DetagMarkers& markers) {
  RejoinResult result;
  // The line being joined is built at the end of the output, from `joined`
  // on (npos: none under way).
  size_t joined = std::string::npos;
  auto flush = [&]() {
    if (joined == std::string::npos) return;
    if (TrimView(io.From(joined)).empty())
      io.Truncate(joined);
    else
      io.Append('\n');
    joined = std::string::npos;
  };
  auto emit = [&](std::string_view line) {
    io.Append(line);
    io.Append('\n');
  };
  const StatementLine start_pre(markers.start_pre), end_pre(markers.end_pre);
  const StatementLine start_heading(markers.start_heading), end_heading(markers.end_heading);
  const StatementLine* verbatim_end = nullptr;
  long long long_lines_total = 0;
  long long long_lines = 0;
  std::string_view line;
  while (io.Next(line)) {
    // Whatever is asked of the line is asked before it is written: the
    // output may cover it.
    if (verbatim_end != nullptr) {
      const bool section_ends = verbatim_end->Is(line);
      emit(line);
      if (section_ends) verbatim_end = nullptr;
      continue;
    }
    // Statement lines begin with a mark or with "$_$_".
    const bool may_be_statement = !line.empty() && (line[0] == '\xFF' || line[0] == '$');
    if (may_be_statement && (start_pre.Is(line) || start_heading.Is(line))) {
      flush();
      const bool pre = start_pre.Is(line);
      emit(line);
      verbatim_end = pre ? &end_pre : &end_heading;
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
      joined = io.size();
      io.Append(' ');
    } else if (io.back() != ' ') {
      io.Append(' ');
    }
    AppendCollapsed(line, io);
  }
  result.ends_between_lines = joined == std::string::npos && verbatim_end == nullptr;
  result.long_lines_total = long_lines_total;
  result.long_lines = long_lines;
  flush();
  return result;
}

}  // namespace

RejoinResult RejoinLines(std::string_view text, const DetagMarkers& markers, std::string& out) {
  out.clear();
  out.reserve(text.size() + 16);
  SeparateText io(text, out);
  const RejoinResult result = Rejoin(io, markers);
  DropSpaceAfterAlignment(out);
  return result;
}

RejoinResult RejoinLinesInPlace(std::string& text, const DetagMarkers& markers) {
  SameText io(text);
  const RejoinResult result = Rejoin(io, markers);
  io.Finish();
  DropSpaceAfterAlignment(text);
  return result;
}

}  // namespace orv
