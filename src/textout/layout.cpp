// The line layout step and the output pass that drives it. Each source line
// goes through the same steps in order: rule-line check, pending text and
// forced breaks, empty lines, the short-line and dialogue tests, cutting
// into pieces, and for each piece statements, alignment tags, carry-over of
// a short tail, bullets, alignment and indentation; then the paragraph-end
// tests. The string work is in text_line.cpp.
#include "textout/layout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "common/text.h"

namespace orv {
namespace {

constexpr std::string_view kStatementPrefix = "$_$_";
constexpr std::string_view kListItemTag = "[[LI]]";

// What makes a line short. A short source line ends its paragraph when
// "Short lines end paragraphs" is on: shorter than kShortLine, shorter than
// the page width less kShortOfWidthSource, or under three quarters of the
// document's typical line. A short last piece of the text is not justified:
// under three quarters of its width, shorter than kShortLine, or shorter
// than its width less kShortOfWidthPiece; such a tail of a hard-wrapped
// source line (shorter than its width less kShortOfWidthPiece) is carried
// over to the next line.
constexpr long kShortLine = 50;
constexpr long kShortOfWidthSource = 10;
constexpr long kShortOfWidthPiece = 5;

// Whether a statement opens or closes a section whose lines are kept as
// they stand (preformatted text and headings).
enum class VerbatimEdge { kNone, kOpens, kCloses };
VerbatimEdge VerbatimEdgeOf(std::string_view statement) {
  if (EqualsNoCase(statement, "$_$_START_PRE") || EqualsNoCase(statement, "$_$_START_HEADING"))
    return VerbatimEdge::kOpens;
  if (EqualsNoCase(statement, "$_$_END_PRE") || EqualsNoCase(statement, "$_$_END_HEADING"))
    return VerbatimEdge::kCloses;
  return VerbatimEdge::kNone;
}
constexpr char kMiddleDot = '\xB7';
// The layout width never drops below this many columns.
constexpr int kMinLayoutWidth = 30;
// Page widths and indents are policy values; beyond this many columns they
// are taken as this many, so a mistyped width cannot make every centred line
// gigabytes long.
constexpr int kMaxColumns = 32767;

struct AlignmentTag {
  std::string_view tag;
  Alignment alignment;
};
constexpr AlignmentTag kAlignmentTags[] = {
    {"[[LEFT]]", Alignment::kLeft},
    {"[[CENTER]]", Alignment::kCentre},
    {"[[RIGHT]]", Alignment::kRight},
    {"[[JUSTIFY]]", Alignment::kJustify},
};
// Tags that only steer layout and are removed from every text piece.
constexpr std::string_view kRemovedTags[] = {
    "[[LEFT]]",    "[[CENTER]]",          "[[RIGHT]]",
    "[[JUSTIFY]]", "[[TAB_STOP_CENTER]]", "[[TAB_STOP_RIGHT]]"};

bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }
bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Whether `line`, already stripped of trailing spaces and tabs, holds only
// blanks. A line ending in anything else holds text, which settles most
// lines without looking at their indentation.
bool IsBlankLine(std::string_view line) {
  return line.empty() || (IsBlank(line.back()) && TrimView(line).empty());
}

// Whether `text` begins with `prefix`, exactly; the first byte settles
// most calls.
bool HasPrefix(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && !prefix.empty() && text[0] == prefix[0] &&
         text.substr(1, prefix.size() - 1) == prefix.substr(1);
}

// Every layout tag begins with "[[".
bool StartsWithLayoutTag(std::string_view text) {
  return text.size() >= 2 && text[0] == '[' && text[1] == '[';
}

// Removes every occurrence of `needle` that `find` reports, left to right
// and not overlapping, in one pass: the text between occurrences moves down
// once, so a long line full of them costs no more than one. True when any
// was removed.
template <typename Find>
bool RemoveEvery(std::string& text, std::string_view needle, Find find) {
  size_t pos = find(text, needle, 0);
  if (pos == std::string::npos) return false;
  size_t out = pos;
  size_t in = pos + needle.size();
  while (true) {
    // The search only reads from `in` on, above everything written so far.
    const size_t next = find(text, needle, in);
    const size_t end = next == std::string::npos ? text.size() : next;
    if (end > in) std::memmove(text.data() + out, text.data() + in, end - in);
    out += end - in;
    if (next == std::string::npos) break;
    in = next + needle.size();
  }
  text.resize(out);
  return true;
}

// Removes every occurrence of `needle` (any letter case); true when any was.
bool RemoveAllNoCase(std::string& text, std::string_view needle) {
  return RemoveEvery(text, needle, [](std::string_view t, std::string_view n, size_t from) {
    return FindNoCase(t, n, from);
  });
}

void RemoveAll(std::string& text, std::string_view needle) {
  RemoveEvery(text, needle, [](std::string_view t, std::string_view n, size_t from) {
    return t.find(n, from);
  });
}

// A bit for each letter that follows a "[[" in `text` (upper-cased, A to Z),
// so a tag whose letter is missing need not be looked for. Linear.
uint32_t LettersAfterBrackets(std::string_view text) {
  uint32_t letters = 0;
  for (size_t pos = text.find("[["); pos != std::string_view::npos;
       pos = text.find("[[", pos + 1)) {
    if (pos + 2 >= text.size()) break;
    const char c = ToUpperAscii(text[pos + 2]);
    if (c >= 'A' && c <= 'Z') letters |= 1u << (c - 'A');
  }
  return letters;
}

// Removes the tags of kRemovedTags from `piece`, each in turn over what the
// ones before it left; true when any was removed.
bool RemoveLayoutTags(std::string& piece) {
  bool removed = false;
  uint32_t letters = LettersAfterBrackets(piece);
  for (std::string_view tag : kRemovedTags) {
    if ((letters & (1u << (tag[2] - 'A'))) == 0) continue;
    if (RemoveAllNoCase(piece, tag)) {
      removed = true;
      // Removing a tag can join a "[[" to a new letter.
      letters = LettersAfterBrackets(piece);
    }
  }
  return removed;
}

// The columns a list item's label takes, with the blank after it: the text
// after the list-item tag at `tag` up to the end of its first word,
// counting the pads of a shorter label.
size_t LabelHang(std::string_view text, size_t tag) {
  size_t end = tag + kListItemTag.size();
  while (end < text.size() && text[end] == kLabelPad) ++end;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  return end - tag - kListItemTag.size() + 1;
}

// The number of characters in `text` from `from` up to `to` that belong to
// layout tags (alignment, tab stops, list item), which take no column.
size_t TagColumnsIn(std::string_view text, size_t from, size_t to) {
  size_t count = 0;
  to = std::min(to, text.size());
  if (from >= to) return 0;
  const std::string_view range = text.substr(0, to);
  for (size_t pos = range.find("[[", from); pos != std::string_view::npos;
       pos = range.find("[[", pos + 1)) {
    const std::string_view rest = text.substr(pos);
    if (StartsWithNoCase(rest, kListItemTag)) {
      count += kListItemTag.size();
      continue;
    }
    for (std::string_view tag : kRemovedTags)
      if (StartsWithNoCase(rest, tag)) {
        count += tag.size();
        break;
      }
  }
  return count;
}

// Expands each tab to the next multiple of 8 columns.
void ExpandTabs(std::string& line) {
  std::string expanded;
  expanded.reserve(line.size() + 16);
  for (char c : line) {
    if (c == '\t')
      expanded.append(8 - expanded.size() % 8, ' ');
    else
      expanded += c;
  }
  line.swap(expanded);
}

// The first word of `text` after leading blanks (words end at a blank).
std::string_view FirstWord(std::string_view text) {
  const std::string_view t = TrimView(text);
  size_t end = 0;
  while (end < t.size() && !IsBlank(t[end])) ++end;
  return t.substr(0, end);
}

// The `index`-th (from 0) blank-separated field of `text`, or empty.
std::string_view Field(std::string_view text, int index) {
  size_t pos = 0;
  for (int f = 0;; ++f) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (f == index || pos >= text.size()) return text.substr(pos, end - pos);
    pos = end;
  }
}

// Reads a whole field as a non-negative number; -1 when it is not one.
long ParseCount(std::string_view field) {
  if (field.empty() || field.size() > 9) return -1;
  long value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

LineLayout::LineLayout(ProgramLayoutState& program_state, ReportFunction report)
    : program_(program_state), report_(std::move(report)) {
  ResetLayoutState(DetagOptions{}, LayoutFileInputs{});
}

void LineLayout::ResetLayoutState(const DetagOptions& options, const LayoutFileInputs& inputs) {
  indent_positions_ = options.indent_positions;
  for (int& position : indent_positions_) position = std::min(position, kMaxColumns);
  page_width_ = std::min(options.page_width, kMaxColumns);
  typical_line_length_ = inputs.typical_line_length;
  text_bullet_ = Trim(Split(options.bullet_characters, ',').front());
  bullet_ = EqualsNoCase(text_bullet_, "middot") ? std::string(1, kMiddleDot) : text_bullet_;
  bullet_chars_ = inputs.bullet_chars;
  blocks_ = inputs.text_blocks;

  label_room_.assign(1, 0);
  level_ = 0;
  SetNestingLevel(0);
  paragraph_start_ = true;
  previous_short_ = false;
  verbatim_ = false;
  pre_ = false;
  pre_first_line_ = false;
  pre_blank_lines_ = 0;
  pending_.clear();
  accumulator_.clear();
  paragraph_ended_ = false;
}

LineLayout::State LineLayout::CurrentState() const {
  State s;
  s.program = program_;
  s.indent_positions = indent_positions_;
  s.page_width = page_width_;
  s.typical_line_length = typical_line_length_;
  s.text_bullet = text_bullet_;
  s.bullet = bullet_;
  s.bullet_chars = bullet_chars_;
  s.blocks = blocks_;
  s.level = level_;
  s.indent = indent_;
  s.layout_width = layout_width_;
  s.indent_string = indent_string_;
  s.paragraph_start = paragraph_start_;
  s.previous_short = previous_short_;
  s.verbatim = verbatim_;
  s.pre = pre_;
  s.pre_first_line = pre_first_line_;
  s.pre_blank_lines = pre_blank_lines_;
  s.pending = pending_;
  s.accumulator = accumulator_;
  s.paragraph_ended = paragraph_ended_;
  // The rooms up to the current level; deeper ones are compared by use
  // (ForgetLabelRoomAboveLevel).
  s.label_room.assign(static_cast<size_t>(std::max(level_, 0)) + 1, 0);
  for (size_t i = 0; i < s.label_room.size() && i < label_room_.size(); ++i)
    s.label_room[i] = label_room_[i];
  return s;
}

int LineLayout::RoomAt(size_t index) {
  if (static_cast<long>(index) > known_up_to_ &&
      (index >= room_known_.size() || room_known_[index] == 0))
    read_forgotten_room_ = true;
  return label_room_[index];
}

void LineLayout::SetRoom(size_t index, int room) {
  label_room_[index] = room;
  if (known_up_to_ == kAllKnown) return;
  if (room_known_.size() <= index) room_known_.resize(index + 1, 0);
  room_known_[index] = 1;
}

void LineLayout::ForgetLabelRoomAboveLevel() {
  known_up_to_ = std::max(level_, 0);
  room_known_.clear();
  read_forgotten_room_ = false;
}

void LineLayout::SetNestingLevel(int level) {
  // A level opened inside another takes over the room the other made for
  // its labels, so that it still stands deeper.
  const size_t index = static_cast<size_t>(std::max(level, 0));
  if (label_room_.size() <= index) label_room_.resize(index + 1, 0);
  if (level > level_ && level_ >= 0) SetRoom(index, RoomAt(static_cast<size_t>(level_)));
  level_ = level;
  const int entry = std::clamp(level, 0, static_cast<int>(indent_positions_.size()) - 1);
  indent_ = std::min(std::max(indent_positions_[static_cast<size_t>(entry)], 0) + RoomAt(index),
                     kMaxColumns);
  layout_width_ = std::max(page_width_ - indent_, kMinLayoutWidth);
  indent_string_.assign(static_cast<size_t>(indent_), ' ');
}

void LineLayout::EmitEmpty(LaidOutLines& output) {
  output.Add();
  paragraph_start_ = true;
}

// The pending tail stands on a line of its own when a forced break follows
// it; it keeps the alignment of the paragraph it ended.
void LineLayout::EmitPending(const DetagOptions& options, LaidOutLines& output) {
  std::string& line = output.Add();
  if (!(options.paragraph_on_single_line && !accumulator_.empty())) line = indent_string_;
  const size_t width = static_cast<size_t>(layout_width_);
  if (program_.alignment == Alignment::kCentre || program_.alignment == Alignment::kJustify)
    line += CentreLine(pending_, width);
  else if (program_.alignment == Alignment::kRight)
    line += RightAlignLine(pending_, width);
  else
    line += pending_;
  pending_.clear();
  paragraph_start_ = false;
}

void LineLayout::MakeRoomForLabel(size_t hang) {
  if (level_ <= 0 || hang <= static_cast<size_t>(indent_)) return;
  const size_t index = static_cast<size_t>(level_);
  SetRoom(index, RoomAt(index) + static_cast<int>(hang) - indent_);
  SetNestingLevel(level_);
}

// Cuts the line into pieces of at most the layout width in visible
// characters: layout tags take no column. The first piece of a paragraph
// is narrower by the first-line indent it will receive; the first piece of
// a list item is wider by its label, which hangs left of the text column.
void LineLayout::CutLine(const DetagOptions& options, bool wrap, size_t hang) {
  const std::string_view line = line_;
  const int first_line_indent = static_cast<int>(options.first_line_indent.size());
  int first_width = layout_width_ + static_cast<int>(hang);
  if (!verbatim_ && paragraph_start_ && first_line_indent >= 1 && hang == 0)
    first_width = std::max(layout_width_ - first_line_indent, 1);

  pieces_.clear();
  if (!wrap) {
    pieces_.push_back({0, line.size(), first_width});
    return;
  }
  const bool has_tags = line.find("[[") != std::string_view::npos;

  size_t start = 0;
  bool first = true;
  while (start < line.size()) {
    const int width = first ? first_width : layout_width_;
    size_t cut_width = static_cast<size_t>(width);
    if (has_tags) {
      // The tags inside the piece widen it by their length; the wider piece
      // may take in more tags, a few rounds at most.
      size_t tags = 0;
      for (int round = 0; round < 8; ++round) {
        const size_t found = TagColumnsIn(line, start, start + cut_width + tags);
        if (found == tags) break;
        tags = found;
      }
      cut_width += tags;
    }
    const std::string_view piece = CutPieceView(line, &start, cut_width);
    const size_t from = piece.empty() ? 0 : static_cast<size_t>(piece.data() - line.data());
    pieces_.push_back({from, piece.size(), width});
    first = false;
  }
}

bool LineLayout::DoStatement(const DetagOptions& options, LaidOutLines& output,
                             std::string_view piece) {
  // The prefix has no letters, so an exact comparison is the no-case one.
  if (!HasPrefix(piece, kStatementPrefix)) return false;
  // The keyword's first letter rules out most of the comparisons below.
  const char kind = piece.size() > kStatementPrefix.size()
                        ? ToUpperAscii(piece[kStatementPrefix.size()])
                        : '\0';
  const bool opening = kind == 'S';
  const bool closing = kind == 'E';
  if (opening && EqualsNoCase(piece, "$_$_START_LIST")) {
    FlushAccumulator(output);
    SetNestingLevel(level_ + 1);
    if (!options.start_list_marker.empty()) {
      Emit(output, options.start_list_marker);
      paragraph_start_ = false;
    }
  } else if (closing && EqualsNoCase(piece, "$_$_END_LIST")) {
    FlushAccumulator(output);
    // An unmatched end never takes the level below the outermost one, so
    // later lists keep their indentation.
    SetNestingLevel(std::max(level_ - 1, 0));
    if (!options.end_list_marker.empty()) Emit(output, options.end_list_marker);
    EmitEmpty(output);
  } else if (opening && EqualsNoCase(piece, "$_$_START_BLOCK")) {
    FlushAccumulator(output);
    SetNestingLevel(level_ + 1);
  } else if (closing && StartsWithNoCase(piece, "$_$_END_BLOCK")) {
    FlushAccumulator(output);
    SetNestingLevel(std::max(level_ - 1, 0));
  } else if (opening && VerbatimEdgeOf(piece) == VerbatimEdge::kOpens) {
    verbatim_ = true;
    pre_ = EqualsNoCase(piece, "$_$_START_PRE");
    pre_first_line_ = pre_;
    pre_blank_lines_ = 0;
  } else if (closing && VerbatimEdgeOf(piece) == VerbatimEdge::kCloses) {
    verbatim_ = false;
    // Blank lines that end a preformatted text are the line end before its
    // end tag, not lines of its own.
    pre_ = false;
    pre_blank_lines_ = 0;
  } else if (kind == 'T' && StartsWithNoCase(piece, "$_$_TEXTBLOCK")) {
    const long number = ParseCount(Field(piece, 1));
    const std::optional<std::string_view> block =
        blocks_ != nullptr ? blocks_->Find(number) : std::nullopt;
    if (!block) {
      if (report_)
        report_("WARNING: No stored text block for \"" + std::string(piece) + "\"", 5);
      return true;
    }
    // One output line per line of the block; a final line feed ends the
    // last line rather than starting an empty one. A large block is handed
    // on a few thousand lines at a time.
    constexpr size_t kHandOnLines = 4096;
    const bool hand_on = hand_on_ && !tidy_at_end_;
    const std::string_view rest = *block;
    for (size_t start = 0; start < rest.size();) {
      size_t feed = rest.find('\n', start);
      if (feed == std::string_view::npos) feed = rest.size();
      Emit(output, rest.substr(start, feed - start));
      start = feed + 1;
      if (hand_on && output.Size() >= kHandOnLines) hand_on_();
    }
    if (!block->empty()) paragraph_start_ = false;
  } else if (kind == 'L' && StartsWithNoCase(piece, "$_$_LINE")) {
    if (!options.remove_rules) {
      Emit(output, DrawRuleLine(piece.substr(8),
                                static_cast<size_t>(layout_width_), program_.alignment));
      paragraph_start_ = false;
    }
  } else {
    return false;
  }
  return true;
}

// List-item bullets: a non-default text bullet replaces every middle dot,
// and a bullet from the "bullet char" settings standing alone as the first
// word becomes the text bullet.
void LineLayout::SubstituteBullets(std::string& piece, bool first_word) const {
  if (!text_bullet_.empty() && !EqualsNoCase(text_bullet_, "middot") &&
      piece.find(kMiddleDot) != std::string::npos) {
    // One pass, so a line of many dots costs no more than its length.
    std::string replaced;
    replaced.reserve(piece.size());
    for (char c : piece) {
      if (c == kMiddleDot)
        replaced += text_bullet_;
      else
        replaced += c;
    }
    piece.swap(replaced);
  }
  if (bullet_chars_.empty() || !first_word) return;
  size_t begin = 0;
  while (begin < piece.size() && IsBlank(piece[begin])) ++begin;
  const std::string_view word = FirstWord(piece);
  if (word.size() == 1 && bullet_chars_.find(word[0]) != std::string::npos)
    piece.replace(begin, 1, bullet_);
}

// Single-line paragraphs: a paragraph-end marker at the end of the piece
// ends the paragraph; one inside it becomes a line break that keeps the
// indentation (none before a statement).
void LineLayout::Accumulate(std::string_view piece, std::string_view indent) {
  size_t from = 0;
  for (size_t pos = piece.find(kParagraphEndMarker); pos != std::string_view::npos;
       pos = piece.find(kParagraphEndMarker, from)) {
    accumulator_.append(piece.substr(from, pos - from));
    from = pos + kParagraphEndMarker.size();
    if (from == piece.size()) {
      paragraph_ended_ = true;
      break;
    }
    accumulator_ += '\n';
    if (piece.compare(from, kStatementPrefix.size(), kStatementPrefix) != 0) accumulator_ += indent;
  }
  accumulator_.append(piece.substr(from));
  accumulator_ += ' ';
}

// The accumulated paragraph goes out as one line per line break it holds,
// followed by a blank line unless the paragraph ended in a line break.
void LineLayout::FlushAccumulator(LaidOutLines& output) {
  const bool holds_text = !TrimView(accumulator_).empty();
  if (holds_text) {
    const std::string_view text = accumulator_;
    for (size_t start = 0;;) {
      size_t feed = text.find('\n', start);
      if (feed == std::string_view::npos) {
        Emit(output, text.substr(start));
        break;
      }
      Emit(output, text.substr(start, feed - start));
      start = feed + 1;
    }
    if (!verbatim_ && !paragraph_ended_) output.Add();
    paragraph_start_ = true;
  }
  accumulator_.clear();
  paragraph_ended_ = false;
}

// After the last line: trailing blanks go, and each run of blank lines
// keeps only its first line.
void LineLayout::Tidy(LaidOutLines& output) const {
  size_t kept = 0;
  bool previous_blank = false;
  for (size_t i = 0; i < output.Size(); ++i) {
    std::string& line = output[i];
    size_t end = line.size();
    while (end > 0 && IsSpaceOrTab(line[end - 1])) --end;
    line.resize(end);
    const bool blank = IsBlankLine(line);
    if (blank && previous_blank) continue;
    previous_blank = blank;
    if (kept != i) output[kept].swap(line);
    ++kept;
  }
  output.Truncate(kept);
}

void LineLayout::LayOutLine(const DetagOptions& options, std::vector<std::string>& output,
                            bool more_lines, std::string_view source, std::string_view next) {
  LaidOutLines lines(output);
  LayOutLine(options, lines, more_lines, source, next);
  lines.Commit();
}

void LineLayout::LayOutLine(const DetagOptions& options, LaidOutLines& output, bool more_lines,
                            std::string_view source, std::string_view next) {
  if (!options.TextMode()) {
    output.Add(source);
    return;
  }
  const bool preserve = options.preserve_white_space;
  const bool single = options.paragraph_on_single_line;
  if (preserve) more_lines = false;
  const bool last_call = !more_lines;
  tidy_at_end_ = last_call && !preserve;
  std::string& line = line_;
  line.assign(source);

  // 1. Rule-looking lines are dropped, or kept whole. A forced break in
  // front (as before a heading's underline) does not hide the rule, and
  // stays when the rule goes.
  bool rule_line = false;
  const size_t rule_from = HasPrefix(line, kForcedBreak)
                               ? kForcedBreak.size()
                               : 0;
  if (IsRuleText(std::string_view(line).substr(rule_from))) {
    if (options.remove_rules)
      line.resize(rule_from);
    else
      rule_line = true;
  }

  // 2. A carried-over tail joins this line, or stands alone before a forced
  // break. Forced-break markers never reach the output.
  const bool had_pending = !pending_.empty();
  if (had_pending) {
    if (HasPrefix(line, kForcedBreak)) {
      EmitPending(options, output);
    } else {
      line.insert(0, 1, ' ');
      line.insert(0, pending_);
      pending_.clear();
      // Text joined in front of a rule makes it text: cutting it down to
      // its first piece would lose words.
      rule_line = false;
    }
  }
  const size_t marked_size = line.size();
  RemoveAll(line, kForcedBreak);

  // Preformatted text is written line for line: its blank lines are kept
  // (but for the line feed right after its start tag, which HTML drops,
  // and those that only end it), its tabs expanded. Lines that held only
  // forced-break markers came from the marks around its statements.
  if (pre_) {
    if (line.empty()) {
      if (marked_size == 0) ++pre_blank_lines_;
      return;
    }
    if (pre_first_line_ && pre_blank_lines_ > 0) --pre_blank_lines_;
    pre_first_line_ = false;
    for (; pre_blank_lines_ > 0; --pre_blank_lines_) output.Add();
    if (line.find('\t') != std::string::npos) ExpandTabs(line);
  }

  // 3. Empty lines: one blank line per run.
  if (line.empty()) {
    if (single && !TrimView(accumulator_).empty()) {
      FlushAccumulator(output);
    } else {
      if (!paragraph_start_) output.Add();
      paragraph_start_ = true;
    }
    if (last_call && !preserve) Tidy(output);
    return;
  }

  // 4. Short source line.
  const long n = static_cast<long>(line.size());
  const long w = layout_width_;
  const bool line_short =
      n < kShortLine || n < w - kShortOfWidthSource || 4 * n < 3L * typical_line_length_;

  // 5. Dialogue marks.
  const bool extra = options.extra_dialogue_checks;
  const bool opens = n >= 2 && !had_pending && line[0] == '"' && (!extra || IsUpperAscii(line[1]));
  const bool next_opens = next.size() > 1 && next[0] == '"' && (!extra || IsUpperAscii(next[1]));
  const bool closes =
      n > 1 && line.back() == '"' &&
      (!extra || next.empty() || (next.size() > 1 && next[0] == '"' && IsUpperAscii(next[1])) ||
       !IsLowerAscii(next[0]));
  if (options.look_for_dialogue && !preserve && !verbatim_ && opens && !paragraph_start_)
    EmitEmpty(output);

  // 6. Pieces. A list item's label hangs left of the item's text column;
  // the level makes room for it when its indent is too narrow.
  size_t hang = 0;
  size_t tag = std::string::npos;
  for (size_t at = line.find("[["); at != std::string::npos; at = line.find("[[", at + 2)) {
    if (StartsWithNoCase(std::string_view(line).substr(at), kListItemTag)) {
      tag = at;
      break;
    }
  }
  {
    if (tag != std::string::npos) {
      hang = LabelHang(line, tag);
      MakeRoomForLabel(hang);
      if (hang > static_cast<size_t>(indent_)) hang = 0;
    }
  }
  const bool wrap = !single && !verbatim_ && !preserve && options.impose_page_width;
  CutLine(options, wrap, hang);
  const std::vector<Piece>& pieces = pieces_;
  const bool paragraph_end_seen = line.find(kParagraphEndMarker) != std::string::npos;
  const bool next_is_statement = HasPrefix(next, kStatementPrefix);

  // 7. Each piece.
  for (size_t index = 0; index < pieces.size(); ++index) {
    std::string& piece = piece_;
    piece.assign(line, pieces[index].from, pieces[index].size);
    const long pw = pieces[index].width;
    const bool last_piece = index + 1 == pieces.size();

    if (HasPrefix(piece, kStatementPrefix))
      RemoveAll(piece, kParagraphEndMarker);
    if (DoStatement(options, output, piece)) continue;

    if (StartsWithLayoutTag(piece))
      for (const AlignmentTag& t : kAlignmentTags)
        if (StartsWithNoCase(piece, t.tag)) program_.alignment = t.alignment;
    bool had_tags = false;
    // Most pieces hold no layout tag, nor a list-item tag; removing tags
    // cannot make a "[[" where there was none.
    const bool has_brackets = piece.find("[[") != std::string::npos;
    if (has_brackets)
      had_tags = RemoveLayoutTags(piece);
    // A piece that only held layout tags is not a line of text.
    if (had_tags && TrimView(piece).empty()) continue;

    const long pn = static_cast<long>(piece.size());
    const bool piece_short = (last_piece && next.empty()) ? (4 * pn < 3 * pw || pn < kShortLine ||
                                                             pn < pw - kShortOfWidthPiece)
                                                          : 4 * pn < 3 * pw;

    // Carry-over: the short tail of a hard-wrapped source line joins the
    // next line instead of standing ragged.
    if (last_piece && options.impose_page_width && !preserve && !next_is_statement &&
        pn < pw - kShortOfWidthPiece && !next_opens && !closes && (pieces.size() >= 2 || opens) &&
        more_lines && next.find("[[") == std::string_view::npos && !paragraph_end_seen &&
        !next.empty() && !rule_line) {
      if (!pending_.empty()) pending_ += ' ';
      pending_ += piece;
      continue;
    }

    if (rule_line && index > 0) continue;

    // A list item's label (padded to the list's widest) stands in the
    // indent, right before the text column; the text after it is aligned
    // within the column's width.
    std::string_view indent = indent_string_;
    std::string label;
    const size_t item_tag = has_brackets ? FindNoCase(piece, kListItemTag) : std::string::npos;
    if (item_tag != std::string::npos) {
      const size_t piece_hang = LabelHang(piece, item_tag);
      if (index == 0 && hang > 0) {
        indent.remove_suffix(std::min(piece_hang, indent.size()));
        size_t text_from = item_tag + kListItemTag.size() + piece_hang - 1;
        label.assign(piece, 0, text_from);
        if (text_from < piece.size() && piece[text_from] == ' ') ++text_from;
        piece.erase(0, text_from);
        RemoveAllNoCase(label, kListItemTag);
        std::replace(label.begin(), label.end(), kLabelPad, ' ');
        label += ' ';
        SubstituteBullets(label);
        SubstituteBullets(piece, /*first_word=*/false);
      } else {
        RemoveAllNoCase(piece, kListItemTag);
        std::replace(piece.begin(), piece.end(), kLabelPad, ' ');
        SubstituteBullets(piece);
      }
    }
    const size_t text_width =
        static_cast<size_t>(pw) - std::min(label.size(), static_cast<size_t>(pw));

    const bool justify = options.right_justify && !piece_short && !verbatim_;
    if (!justify) {
      if (program_.alignment == Alignment::kCentre)
        piece = CentreLine(piece, text_width);
      else if (program_.alignment == Alignment::kRight)
        piece = RightAlignLine(piece, text_width);
    } else if (!(last_piece && !next.empty())) {
      piece = JustifyLine(piece, text_width, program_.justify_toggle);
    }
    if (!label.empty()) piece.insert(0, label);

    // The line is the indent, the first-line indent of a paragraph and the
    // piece; the indent is left out while a single-line paragraph is being
    // accumulated. A list item takes no first-line indent: its label
    // stands where the indent would.
    const bool first_line = !verbatim_ && !options.first_line_indent.empty() && paragraph_start_ &&
                            !piece.empty() && item_tag == std::string::npos;
    const bool indented = !piece.empty() && accumulator_.empty();
    std::string& laid_out = single ? composed_ : output.Add();
    laid_out.clear();
    if (indented) laid_out += indent;
    if (first_line) laid_out += options.first_line_indent;
    laid_out += piece;
    if (single) {
      Accumulate(laid_out, indent);
      // Single-line paragraphs: one line per list item.
      if (item_tag != std::string::npos) paragraph_ended_ = true;
    }
    paragraph_start_ = false;
  }

  // 8. Paragraph ends: after a short line that follows a long one, and
  // after a line that closes dialogue.
  if (single) FlushAccumulator(output);
  if (!verbatim_) {
    const bool next_forces_break =
        HasPrefix(next, kForcedBreak);
    const bool short_end = !preserve && options.short_lines_end_paragraphs && line_short &&
                           !previous_short_ && !paragraph_start_ && !next_forces_break;
    const bool dialogue_end = options.look_for_dialogue && !preserve && closes;
    if (short_end || dialogue_end) EmitEmpty(output);
  }
  previous_short_ = line_short;
  if (last_call && !preserve && !pre_) Tidy(output);
}

namespace {

// The lines of a text laid out one at a time, each with its successor as
// look-ahead; the look-ahead is trimmed where it stands, so it is laid out
// trimmed too when its turn comes. Both are views into the text. The
// after-last-line tidy (trailing blanks, runs of blank lines) is done on the
// way out, so finished lines never wait in a list; the line buffers are
// kept from line to line, so a sink that only reads its line leaves the
// buffer for the next one.
class LineRun {
 public:
  using Sink = std::function<void(std::string_view)>;

  LineRun(std::string_view text, const DetagOptions& options, const LayoutFileInputs& inputs,
          ProgramLayoutState& state, const ReportFunction& report)
      : text_(text),
        options_(options),
        layout_(state, report),
        trim_next_(options.TextMode() && !options.preserve_white_space),
        finished_(finished_buffers_),
        done_with_(inputs.done_with ? &inputs.done_with : nullptr),
        release_step_(std::max<size_t>(inputs.release_step, 1)) {
    layout_.ResetLayoutState(options, inputs);
    PlanNextRelease();
  }

  // The text before `limit` may be let go as the run passes it (npos: all
  // of it, 0: none); the text from `limit` on is another run's to read.
  void SetReleaseLimit(size_t limit) {
    release_limit_ = limit;
    PlanNextRelease();
  }
  // Lets go of the text the run has passed, up to the limit.
  void ReleasePassed() { ReleaseBefore(line_start_); }
  // Lets go of all the text up to the limit: nothing reads it any more.
  void ReleaseAll() { ReleaseBefore(text_.size()); }

  // Begins with the line that starts at `from`. `as_look_ahead`: that line
  // is taken as the look-ahead of the line before it would have left it.
  void Start(size_t from, bool as_look_ahead) {
    start_ = from;
    line_start_ = from;
    line_ = NextLine();
    if (as_look_ahead && trim_next_ && !verbatim_) line_ = TrimView(line_);
    more_ = start_ < text_.size();
    next_start_ = start_;
    next_ = more_ ? NextLine() : std::string_view();
  }

  // Lays out the lines before the one that starts at `to` (all of them for
  // npos). False when the text has ended.
  bool RunUntil(size_t to, const Sink& sink) {
    // The lines of a large text block go to `sink` as they are laid out.
    layout_.SetHandOn([this, &sink] { Flush(layout_.InPreformattedText(), sink); });
    struct Unset {
      LineLayout& layout;
      ~Unset() { layout.SetHandOn(nullptr); }
    } unset{layout_};
    while (line_start_ < to) {
      // Only a statement opens or closes a verbatim section.
      if (HasPrefix(line_, kStatementPrefix)) {
        const VerbatimEdge edge = VerbatimEdgeOf(line_);
        if (edge != VerbatimEdge::kNone) verbatim_ = edge == VerbatimEdge::kOpens;
      }
      if (more_ && trim_next_ && !verbatim_) next_ = TrimView(next_);
      layout_.LayOutLine(options_, finished_, more_, line_, next_);
      Flush(layout_.InPreformattedText(), sink);
      if (!more_) return false;
      line_ = next_;
      line_start_ = next_start_;
      more_ = start_ < text_.size();
      next_start_ = start_;
      next_ = more_ ? NextLine() : std::string_view();
      if (line_start_ >= next_release_at_) ReleasePassed();
    }
    return true;
  }

  // Where the run stands and everything it carries to the next line: two
  // runs with equal states lay out the rest of the text alike.
  struct State {
    size_t line_start = 0;
    std::string_view line;
    bool more = false, verbatim = false, previous_blank = false;
    LineLayout::State layout;
    bool operator==(const State&) const = default;
  };
  State CurrentState() const {
    return State{line_start_, line_, more_, verbatim_, previous_blank_, layout_.CurrentState()};
  }
  void ForgetLabelRoomAboveLevel() { layout_.ForgetLabelRoomAboveLevel(); }
  bool ReadForgottenLabelRoom() const { return layout_.ReadForgottenLabelRoom(); }

 private:
  std::string_view NextLine() {
    size_t feed = text_.find('\n', start_);
    if (feed == std::string_view::npos) feed = text_.size();
    const std::string_view line = text_.substr(start_, feed - start_);
    start_ = feed + 1;
    return line;
  }

  // The text before `to` (and the limit) is read no more: the lines are
  // laid out into buffers of their own, and the run reads on from the
  // start of its current line.
  // Seldom called: kept out of the line loop.
  [[gnu::noinline]] void ReleaseBefore(size_t to) {
    to = std::min({to, release_limit_, text_.size()});
    if (done_with_ != nullptr && to > released_to_) {
      (*done_with_)(released_to_, to);
      released_to_ = to;
    }
    PlanNextRelease();
  }
  // Where the run next lets go of what it has passed (npos: never), so
  // that a line costs one comparison.
  void PlanNextRelease() {
    next_release_at_ = done_with_ != nullptr && released_to_ < release_limit_
                           ? released_to_ + release_step_
                           : std::string_view::npos;
  }

  // The blank lines of preformatted text are its own and stay.
  void Flush(bool keep_blank_lines, const Sink& sink) {
    for (size_t i = 0; i < finished_.Size(); ++i) {
      std::string& line = finished_[i];
      if (trim_next_) {
        size_t end = line.size();
        while (end > 0 && IsSpaceOrTab(line[end - 1])) --end;
        line.resize(end);
        const bool blank = IsBlankLine(line);
        if (blank && previous_blank_ && !keep_blank_lines) continue;
        previous_blank_ = blank;
      }
      sink(line);
    }
    finished_.Clear();
  }

  const std::string_view text_;
  const DetagOptions& options_;
  LineLayout layout_;
  const bool trim_next_;
  std::vector<std::string> finished_buffers_;
  LaidOutLines finished_;
  bool verbatim_ = false;
  bool previous_blank_ = false;
  size_t start_ = 0;  // where the next line to read begins
  std::string_view line_, next_;
  size_t line_start_ = 0, next_start_ = 0;
  bool more_ = false;
  const std::function<void(size_t, size_t)>* done_with_;
  const size_t release_step_;
  size_t release_limit_ = std::string_view::npos;
  size_t released_to_ = 0;  // the text before this has been let go
  size_t next_release_at_ = std::string_view::npos;
};

}  // namespace

// A large text may be laid out in two halves side by side: the second half
// on a helper thread, from a fresh layout that first lays out (and throws
// away) a stretch of lines before the cut, which brings it to the state a
// layout of the whole text is in there in all but unusual texts (deep
// inside a list, say). When the first half is done, the two states are
// compared: only when they are the same is the second half's work kept;
// otherwise the first half's layout goes on alone. The lines and messages
// are the same either way.
void LayOutTextTo(std::string_view text, const DetagOptions& options,
                  const LayoutFileInputs& inputs, ProgramLayoutState& state,
                  const ReportFunction& report, const std::function<void(std::string_view)>& sink) {
  if (text.empty()) return;
  LineRun run(text, options, inputs, state, report);
  run.Start(0, false);

  // The cut: the start of a line after an empty one past the middle.
  constexpr size_t kWarmUp = 16 * 1024;
  size_t cut = std::string_view::npos;
  if (inputs.side_by_side && text.size() >= inputs.worth_splitting) {
    const size_t gap = text.find("\n\n", text.size() / 2);
    if (gap != std::string_view::npos && gap + 2 < text.size()) cut = gap + 2;
  }
  if (cut == std::string_view::npos) {
    run.RunUntil(std::string_view::npos, sink);
    run.ReleaseAll();
    return;
  }
  size_t warm_up = cut > kWarmUp ? text.rfind('\n', cut - kWarmUp) : std::string_view::npos;
  warm_up = warm_up == std::string_view::npos ? 0 : warm_up + 1;
  // While the helper runs, this run lets go only of the text before the
  // helper's; the helper lets go of none, since this run reads on past the
  // cut when the two do not meet.
  run.SetReleaseLimit(warm_up);

  // The second half: its lines in blocks of about a megabyte with their
  // lengths, its messages in order, all kept for when the first half is
  // done. Grown by doubling, one buffer would need its old and its new
  // room at once.
  struct Second {
    ProgramLayoutState state;
    std::vector<std::string> blocks;
    std::vector<size_t> lines_in_block;
    std::vector<uint32_t> lengths;  // a line longer than 4 GB ends the second half
    std::vector<std::pair<std::string, int>> messages;
    bool warming = true;
    std::unique_ptr<LineRun> run;
    LineRun::State at_cut;
  } second;
  second.state = state;
  const ReportFunction held_report = [&second](const std::string& message, int level) {
    if (!second.warming) second.messages.emplace_back(message, level);
  };
  second.run = std::make_unique<LineRun>(text, options, inputs, second.state, held_report);
  second.run->SetReleaseLimit(0);
  std::exception_ptr failure;
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        second.run->Start(warm_up, warm_up > 0);
        second.run->RunUntil(cut, [](std::string_view) {});
        second.at_cut = second.run->CurrentState();
        second.run->ForgetLabelRoomAboveLevel();
        second.warming = false;
        second.run->RunUntil(std::string_view::npos, [&second](std::string_view line) {
          constexpr size_t kBlock = size_t{1} << 20;
          if (line.size() > UINT32_MAX) throw std::length_error("line too long");
          std::vector<std::string>& blocks = second.blocks;
          if (blocks.empty() || blocks.back().size() + line.size() > blocks.back().capacity()) {
            blocks.emplace_back();
            blocks.back().reserve(std::max(kBlock, line.size()));
            second.lines_in_block.push_back(0);
          }
          blocks.back() += line;
          ++second.lines_in_block.back();
          second.lengths.push_back(static_cast<uint32_t>(line.size()));
        });
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    run.SetReleaseLimit(std::string_view::npos);
    run.RunUntil(std::string_view::npos, sink);
    run.ReleaseAll();
    return;
  }
  struct Joiner {
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{helper};

  // The helper's run stands at the cut once it has warmed up; it is
  // compared with this one there only when it is done.
  const bool more = run.RunUntil(cut, sink);
  helper.join();
  run.SetReleaseLimit(std::string_view::npos);
  if (!more || failure || !(second.at_cut == run.CurrentState()) ||
      second.run->ReadForgottenLabelRoom()) {
    if (more) run.RunUntil(std::string_view::npos, sink);
    run.ReleaseAll();
    return;
  }
  // The second half's lines are handed on from its blocks: the text is
  // read no more.
  run.ReleaseAll();
  for (const auto& [message, level] : second.messages)
    if (report) report(message, level);
  size_t line = 0;
  for (size_t k = 0; k < second.blocks.size(); ++k) {
    std::string& block = second.blocks[k];
    size_t from = 0;
    for (size_t n = 0; n < second.lines_in_block[k]; ++n) {
      const size_t length = second.lengths[line++];
      sink(std::string_view(block).substr(from, length));
      from += length;
    }
    std::string().swap(block);  // what is handed on is let go
  }
  state = second.state;
}

std::vector<std::string> LayOutText(std::string_view text, const DetagOptions& options,
                                    const LayoutFileInputs& inputs, ProgramLayoutState& state,
                                    const ReportFunction& report) {
  std::vector<std::string> output;
  LayOutTextTo(text, options, inputs, state, report,
               [&output](std::string_view line) { output.emplace_back(line); });
  return output;
}

}  // namespace orv
