// The text table: cell content preparation and measuring, column width
// fitting and the text-grid and delimited renderings. The steps of Render
// follow one another in the order of its comment; each is a small function.
#include "textout/text_table.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

#include "common/text.h"
#include "html/lengths.h"
#include "textout/table_text.h"
#include "textout/text_line.h"

namespace orv {
namespace {

// A column never needs more than this for an unbreakable word or a nested
// table; wider content overflows rather than widening the column.
constexpr int kMaxColumnNeed = 78;
// Largest row span taken from a rowspan attribute.
constexpr int kMaxRowSpan = 65534;

// The number at the start of `text` after blanks; 0 when there is none.
int NumberAfterBlanks(std::string_view text) {
  return static_cast<int>(LeadingNumber(TrimView(text)));
}

bool StartsWithDigit(std::string_view text) {
  text = TrimView(text);
  return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

// A width attribute in columns: "N%" is N percent of `percent_base`,
// anything else a pixel count (units "pts", "pt", "px" allowed) on an
// 800-pixel, 80-column page. 0 when unreadable.
int WidthInColumns(std::string_view value, int percent_base, bool& percent) {
  value = TrimView(value);
  percent = !value.empty() && value.back() == '%';
  if (percent) return static_cast<int>(PercentOfColumns(NumberAfterBlanks(value), percent_base));
  return static_cast<int>(PixelsToColumns(NumberAfterBlanks(value), 80));
}

int CeilDiv(int64_t a, int64_t b) { return b <= 0 ? 0 : static_cast<int>((a + b - 1) / b); }

// Trims blanks from both ends of `text` without a copy.
void TrimInPlace(std::string& text) {
  const std::string_view trimmed = TrimView(text);
  const size_t begin = static_cast<size_t>(trimmed.data() - text.data());
  text.resize(begin + trimmed.size());
  text.erase(0, begin);
}

// The alignment a leading alignment tag gives (1 left, 2 centre, 3 right,
// 4 justify) and its length; 0 and 0 when the text has none.
int LeadingAlignment(std::string_view text, size_t& length) {
  length = 0;
  if (!text.starts_with("[[")) return 0;
  for (int i = 0; i < 4; ++i) {
    if (StartsWithNoCase(text, kAlignmentTags[i])) {
      length = kAlignmentTags[i].size();
      return i + 1;
    }
  }
  length = 0;
  return 0;
}

// The section statements that cell content may hold on a line of its own.
enum class SectionStatement { kNone, kListOrBlockStart, kListOrBlockEnd, kVerbatimStart, kVerbatimEnd };

// Which section statement `line` is (blanks around it and case ignored).
// Most lines are not statements at all: they are told apart by their first
// four characters alone.
SectionStatement SectionOf(std::string_view line) {
  const std::string_view trimmed = TrimView(line);
  if (!trimmed.starts_with("$_$_")) return SectionStatement::kNone;
  const std::string_view keyword = trimmed.substr(4);
  if (EqualsNoCase(keyword, "START_LIST") || EqualsNoCase(keyword, "START_BLOCK"))
    return SectionStatement::kListOrBlockStart;
  if (EqualsNoCase(keyword, "END_LIST") || EqualsNoCase(keyword, "END_BLOCK"))
    return SectionStatement::kListOrBlockEnd;
  if (EqualsNoCase(keyword, "START_PRE") || EqualsNoCase(keyword, "START_HEADING"))
    return SectionStatement::kVerbatimStart;
  if (EqualsNoCase(keyword, "END_PRE") || EqualsNoCase(keyword, "END_HEADING"))
    return SectionStatement::kVerbatimEnd;
  return SectionStatement::kNone;
}

bool IsRuleStatement(std::string_view line) {
  return !line.empty() && line[0] == '$' && StartsWithNoCase(line, "$_$_LINE");
}
bool IsDelimitedTableStart(std::string_view line) {
  return StartsWithNoCase(line, "$_$_BEGIN_COMMA_DELIMITED_TABLE") ||
         StartsWithNoCase(line, "$_$_BEGIN_DELIMITED_TABLE");
}

// Length of the longest blank-separated word.
int LongestWord(std::string_view line) {
  size_t longest = 0;
  size_t run = 0;
  for (char c : line) {
    run = IsBlank(c) ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return static_cast<int>(longest);
}

// Aligns `text` within `width` in place: 2 centre (spaces alternately
// after and before), 3 right and 4 justify (spaces before), otherwise
// padded after. Text as wide as `width` or wider stays as it is.
void AlignInPlace(std::string& text, int width, int alignment) {
  const int missing = width - static_cast<int>(text.size());
  if (missing <= 0) return;
  if (alignment == 2) {
    const int before = missing / 2;
    text.insert(0, static_cast<size_t>(before), ' ');
    text.append(static_cast<size_t>(missing - before), ' ');
  } else if (alignment == 3 || alignment == 4) {
    text.insert(0, static_cast<size_t>(missing), ' ');
  } else {
    text.append(static_cast<size_t>(missing), ' ');
  }
}

Alignment ToAlignment(int alignment) {
  switch (alignment) {
    case 1: return Alignment::kLeft;
    case 2: return Alignment::kCentre;
    case 3: return Alignment::kRight;
    case 4: return Alignment::kJustify;
    default: return Alignment::kNone;
  }
}

}  // namespace

TextTable::TextTable(const DetagOptions& options, const DetagMarkers& markers,
                     std::string_view table_tag, const TextBlockStore& blocks, int starting_width,
                     bool nested)
    : options_(options),
      markers_(markers),
      blocks_(blocks),
      indent_(std::max(options.table_indent, 0)),
      nested_(nested) {
  std::string value;
  const bool suppressed = nested && options.no_borders_nested;
  const TagAttributes table_attributes(table_tag);
  border_ = !suppressed && options.border_all_tables;
  if (!suppressed && table_attributes.Get("border", value) && NumberAfterBlanks(value) > 0)
    border_ = true;

  available_ = std::max(starting_width - indent_ + (border_ ? 0 : 1), 1);

  if (table_attributes.Get("width", value)) {
    bool percent = false;
    const int width = WidthInColumns(value, available_, percent);
    if (width > 0 && !(percent && nested && available_ <= 10))
      target_ = std::min(width, available_);
  }
  centred_ = table_attributes.Get("align", value) && EqualsNoCase(Trim(value), "center");

  if (options.table_format == 2 || options.table_format == 3) {
    if (!(nested && options.innermost_tables_only))
      format_ =
          options.table_format == 2 ? TableFormat::kCommaDelimited : TableFormat::kTabDelimited;
  }
}

void TextTable::SetRowAttributes(int row, int vertical, int horizontal) {
  row = std::max(row, 1);
  if (static_cast<size_t>(row) > rows_.size()) rows_.resize(static_cast<size_t>(row));
  rows_[static_cast<size_t>(row - 1)].vertical = static_cast<int8_t>(vertical);
  rows_[static_cast<size_t>(row - 1)].horizontal = static_cast<int8_t>(horizontal);
  current_row_ = row;
}

bool TextTable::RowSpanCovers(int column) const {
  return column >= 1 && static_cast<size_t>(column) <= row_span_until_.size() &&
         row_span_until_[static_cast<size_t>(column - 1)] >= current_row_;
}

void TextTable::EnsureColumns(int count) {
  if (static_cast<size_t>(count) > columns_.size()) columns_.resize(static_cast<size_t>(count));
}

size_t TextTable::CellLines::text_size() const {
  if (size_ == 0) return 0;
  const std::string_view first = (*this)[0];
  const std::string_view last = (*this)[size_ - 1];
  return static_cast<size_t>(last.data() + last.size() - first.data());
}

void TextTable::ReplaceLines(TextTableCell& cell, CompactLineList& replacement) {
  const size_t end = size_t{cell.first_line} + cell.line_total;
  if (cell.first_line == 0 && end == lines_.size()) {
    // The cell's lines are all the store holds: the replacement becomes
    // the store.
    lines_.swap(replacement);
    cell.line_total = static_cast<uint32_t>(lines_.size());
    return;
  }
  // The lines of the last cell added make room for their replacement.
  if (end == lines_.size()) lines_.truncate(cell.first_line);
  if (lines_.size() + replacement.size() > UINT32_MAX) throw std::length_error("table too large");
  cell.first_line = static_cast<uint32_t>(lines_.size());
  for (const std::string_view line : replacement) lines_.push_back(line);
  cell.line_total = static_cast<uint32_t>(replacement.size());
}

CellTagAttributes CellTagAttributes::Read(std::string_view tag) {
  CellTagAttributes read;
  if (!std::any_of(tag.begin(), tag.end(), IsBlank)) return read;
  const TagAttributes attributes(tag);
  attributes.ForEach([&read](std::string_view name, std::string_view value) {
    auto take = [&](std::optional<std::string_view>& slot, std::string_view wanted) {
      if (!slot && EqualsNoCase(name, wanted)) slot = value;
    };
    switch (name.size()) {
      case 5: take(read.align, "align"); take(read.width, "width"); break;
      case 6: take(read.valign, "valign"); take(read.nowrap, "nowrap"); break;
      case 7: take(read.colspan, "colspan"); take(read.rowspan, "rowspan"); break;
      default: break;
    }
  });
  return read;
}

CellTagAttributes CellTagCache::Find(std::string_view tag) {
  const auto found = tags_.find(tag);
  if (found != tags_.end()) return found->second;
  // A long tag, or one more than the cache holds, is only read: the cache
  // never holds more than a small bound.
  if (tag.size() > kLongestTag || tags_.size() >= kMostTags) return CellTagAttributes::Read(tag);
  // The attributes view the key, which the map keeps where it is.
  const auto added = tags_.emplace(std::string(tag), CellTagAttributes()).first;
  added->second = CellTagAttributes::Read(added->first);
  return added->second;
}

void CellTagCache::Trim() {
  if (tags_.size() >= kMostTags) tags_.clear();
}

void TextTable::AddCell(int row, int& column, std::string_view cell_tag, std::string content) {
  AddCell(row, column, CellTagAttributes::Read(cell_tag), std::move(content));
}

void TextTable::AddCell(int row, int& column, const CellTagAttributes& cell_tag,
                        std::string content) {
  const auto& [valign, align, colspan, nowrap, width, rowspan] = cell_tag;
  row = std::max(row, 1);
  if (static_cast<size_t>(row) > rows_.size()) SetRowAttributes(row, 0, 1);
  column = std::max(column, 1);
  const TextTableRow& row_record = rows_[static_cast<size_t>(row - 1)];

  TextTableCell cell;
  CellMeasures measures;
  cell.row = row;
  cell.column = column;
  cell.vertical = row_record.vertical;
  if (valign) {
    const std::string_view value = TrimView(*valign);
    if (EqualsNoCase(value, "top"))
      cell.vertical = 1;
    else if (EqualsNoCase(value, "bottom"))
      cell.vertical = 2;
    else if (EqualsNoCase(value, "middle") || EqualsNoCase(value, "center"))
      cell.vertical = 3;
  }
  cell.align_default = row_record.horizontal;
  if (align) {
    const std::string_view value = TrimView(*align);
    if (EqualsNoCase(value, "left"))
      cell.align_default = 1;
    else if (EqualsNoCase(value, "center"))
      cell.align_default = 2;
    else if (EqualsNoCase(value, "right"))
      cell.align_default = 3;
    else if (EqualsNoCase(value, "justify"))
      cell.align_default = 4;
  }
  if (colspan)
    cell.column_span =
        static_cast<int16_t>(std::clamp(NumberAfterBlanks(*colspan), 1, kMaxColumnSpan));
  measures.no_wrap = nowrap.has_value();
  if (width) {
    const int columns =
        WidthInColumns(*width, target_ > 0 ? target_ : available_, measures.declared_percent);
    measures.declared_width = std::max(columns - 1, 0);
  }

  PrepareContent(cell, measures, std::move(content));
  MeasureCell(cell, measures);

  const int last_column = column + cell.column_span - 1;
  EnsureColumns(last_column);
  if (rowspan && NumberAfterBlanks(*rowspan) > 0) {
    const int row_span = std::min(NumberAfterBlanks(*rowspan), kMaxRowSpan);
    if (static_cast<size_t>(last_column) > row_span_until_.size())
      row_span_until_.resize(static_cast<size_t>(last_column), 0);
    for (int c = column; c <= last_column; ++c)
      row_span_until_[static_cast<size_t>(c - 1)] = row + row_span - 1;
  }
  RaiseColumns(cell, measures);
  TextTableRow& row_to_raise = rows_[static_cast<size_t>(row - 1)];
  row_to_raise.lines = std::max(row_to_raise.lines, cell.line_count);
  column = column + cell.column_span - 1;
  if (cell.column_span > 1 || cell.has_text_block) {
    if (cells_.size() >= UINT32_MAX) throw std::length_error("table too large");
    cell_widths_.push_back(
        {static_cast<uint32_t>(cells_.size()), measures.natural, measures.fixed_width});
  }
  cells_.push_back(std::move(cell));
}

namespace {

// A run of statement and line-break marks with only white space between
// them makes the line ends its line-break marks make, or one when it holds
// none: the marks of "</li>" and of the next "<li>" end one line, as they
// do outside tables.
void CollapseMarkRuns(std::string& text, const DetagMarkers& m) {
  const std::string_view statement = m.statement;
  const std::string_view line_break = m.line_break;
  auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  auto mark_at = [&](size_t at, bool& is_statement) {
    const std::string_view rest = std::string_view(text).substr(at);
    is_statement = rest.substr(0, statement.size()) == statement;
    if (is_statement) return statement.size();
    if (rest.substr(0, line_break.size()) == line_break) return line_break.size();
    return size_t{0};
  };
  std::string out;
  size_t copied = 0;
  bool changed = false;
  for (size_t at = text.find("\xFF\xFF"); at != std::string::npos;) {
    bool is_statement = false;
    size_t length = mark_at(at, is_statement);
    if (length == 0) {
      at = text.find("\xFF\xFF", at + 2);
      continue;
    }
    // The run: marks and the white space between them.
    int statements = 0;
    int breaks = 0;
    size_t end = at;
    for (size_t next = at; length > 0;) {
      (is_statement ? statements : breaks) += 1;
      end = next + length;
      next = end;
      while (next < text.size() && white(text[next])) ++next;
      length = mark_at(next, is_statement);
    }
    if (statements > 0 && statements + breaks > 1) {
      if (!changed) out.reserve(text.size());
      changed = true;
      out.append(text, copied, at - copied);
      if (breaks == 0) out += statement;
      for (int k = 0; k < breaks; ++k) out += line_break;
      copied = end;
    }
    at = text.find("\xFF\xFF", end);
  }
  if (!changed) return;
  out.append(text, copied, std::string::npos);
  text.swap(out);
}

// Whether `text` holds anything of what PrepareContent takes out for the
// layout step: a "[[LI]]", "[[li]]" or "[[TAB_STOP_..." tag, or a label pad.
// Only then can taking them out change the text.
bool HoldsLayoutTags(std::string_view text) {
  if (text.find(kLabelPad) != std::string_view::npos) return true;
  for (size_t at = text.find("[["); at != std::string_view::npos; at = text.find("[[", at + 1)) {
    const std::string_view rest = text.substr(at + 2);
    if (rest.starts_with("LI]]") || rest.starts_with("li]]") || rest.starts_with("TAB_STOP_"))
      return true;
  }
  return false;
}

}  // namespace

// Turns the detag pass's marks into line feeds and its statements into
// lines of their own, expands nested tables, trims ordinary lines, drops
// runs of empty lines, and (delimited formats) leaves out what only the
// text layout needs.
void TextTable::PrepareContent(TextTableCell& cell, CellMeasures& measures, std::string text) {
  const DetagMarkers& m = markers_;
  if (Delimited()) {
    // Each item a line of its own, which the record joins with a blank.
    ReplaceAll(text, m.list_item, "\n");
    // A rule statement runs to the next mark or line feed. One pass copies
    // what lies between the rules, so many rules cost no more than one.
    if (!m.rule.empty() && text.find(m.rule) != std::string::npos) {
      std::string kept;
      kept.reserve(text.size());
      size_t from = 0;
      for (size_t at; (at = text.find(m.rule, from)) != std::string::npos;) {
        kept.append(text, from, at - from);
        from = text.find_first_of("\n\xFF", at + m.rule.size());
        if (from == std::string::npos) from = text.size();
      }
      kept.append(text, from, std::string::npos);
      text = std::move(kept);
    }
    text = Trim(text);
  }
  const std::pair<const std::string*, std::string_view> statements[] = {
      {&m.start_heading, "\n$_$_START_HEADING\n"},
      {&m.start_pre, "\n$_$_START_PRE\n"},
      {&m.end_pre, "\n$_$_END_PRE\n"},
      {&m.end_heading, "\n$_$_END_HEADING\n"},
      {&m.start_list, "\n$_$_START_LIST\n"},
      {&m.end_list, "\n$_$_END_LIST\n"},
      {&m.start_block, "\n$_$_START_BLOCK\n"},
      {&m.end_block, "\n$_$_END_BLOCK\n"}};
  if (text.find('\xFF') != std::string::npos) {
    // Every marked statement holds its keyword's "$_$_".
    if (text.find("$_$_") != std::string::npos)
      for (const auto& [marked, statement] : statements) ReplaceAll(text, *marked, statement);
    CollapseMarkRuns(text, m);
    ReplaceAll(text, m.list_item, "\n");
    if (!m.paragraph_end.empty()) RemoveAll(text, m.paragraph_end);
    ReplaceAll(text, m.paragraph, "\n");
    ReplaceAll(text, m.line_break, "\n");
    ReplaceAll(text, m.statement, "\n");
  }
  // Tags the layout step would have taken out.
  if (HoldsLayoutTags(text)) {
    RemoveAll(text, "[[LI]]");
    RemoveAll(text, "[[li]]");
    std::replace(text.begin(), text.end(), kLabelPad, ' ');
    RemoveAll(text, "[[TAB_STOP_CENTER]]");
    RemoveAll(text, "[[TAB_STOP_RIGHT]]");
  }

  // The lines go straight to the end of the store, which has room for
  // them made at once (they hold at most the text, nested tables aside).
  CompactLineList& lines = lines_;
  const size_t first = lines.size();
  lines.reserve_more(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1,
                     text.size());
  bool verbatim = false;
  bool blank_pending = false;
  std::string alignment_pending;
  // Empty lines next to statements or at the start are dropped; a run of
  // them elsewhere keeps one.
  auto add_line = [&](std::string_view line) {
    const bool statement = line.starts_with("$_$_");
    if (blank_pending && !statement && lines.size() > first && !lines.back().starts_with("$_$_"))
      lines.push_back({});
    blank_pending = false;
    if (!alignment_pending.empty() && !statement)
      lines.start_line().append(alignment_pending).append(line);
    else
      lines.push_back(line);
    alignment_pending.clear();
  };
  // The lines are taken one at a time, as views of the text: a list of
  // them all would cost a string per line on top of the cell's own. Only a
  // delimited table's lines, whose alignment tags go, are copied.
  std::string raw;
  for (size_t start = 0; start < text.size();) {
    size_t feed = text.find('\n', start);
    if (feed == std::string::npos) feed = text.size();
    std::string_view line = std::string_view(text).substr(start, feed - start);
    start = feed + 1;
    const std::string_view trimmed = TrimView(line);
    // Nested tables and statements start with "$_$_", which has no letters.
    if (trimmed.starts_with("$_$_")) {
      if (StartsWithNoCase(trimmed, "$_$_TEXTBLOCK")) {
        const std::vector<std::string> fields = Split(CollapseBlanks(line), ' ');
        const std::optional<std::string_view> block =
            blocks_.Find(fields.size() > 1 ? NumberAfterBlanks(fields[1]) : 0);
        if (!block) continue;
        cell.has_text_block = true;
        if (!verbatim) add_line("$_$_START_PRE");
        for (std::string& block_line : SplitLines(*block)) {
          measures.fixed_width =
              std::max(measures.fixed_width, static_cast<int>(block_line.size()));
          if (Delimited()) block_line = Trim(block_line);
          add_line(block_line);
        }
        if (!verbatim) add_line("$_$_END_PRE");
        continue;
      }
      const SectionStatement section = SectionOf(trimmed);
      if (section != SectionStatement::kNone) {
        if (section == SectionStatement::kVerbatimStart ||
            section == SectionStatement::kVerbatimEnd)
          verbatim = section == SectionStatement::kVerbatimStart;
        if (!Delimited()) add_line(trimmed);
        continue;
      }
    }
    if (Delimited()) {
      raw.assign(line);
      RemoveAlignmentTags(raw);
      line = raw;
    }
    if (!verbatim || Delimited()) {
      line = TrimView(line);
      // A line holding only alignment tags sets the alignment of the next;
      // the last of them wins.
      size_t tag_length = 0;
      std::string_view rest = line;
      std::string_view last_tag;
      while (LeadingAlignment(rest, tag_length) != 0) {
        last_tag = rest.substr(0, tag_length);
        rest.remove_prefix(tag_length);
      }
      if (!line.empty() && rest.empty()) {
        alignment_pending = std::string(last_tag);
        continue;
      }
      if (line.empty()) {
        blank_pending = true;
        continue;
      }
    }
    add_line(line);
  }
  if (lines.size() > UINT32_MAX) throw std::length_error("table too large");
  cell.first_line = static_cast<uint32_t>(first);
  cell.line_total = static_cast<uint32_t>(lines.size() - first);
  // Statements closing the content, and the empty line before them, stay;
  // an empty line at the end does not.
}

// Follows the list, block and verbatim sections through a cell's lines:
// list and block sections indent by 2, verbatim sections are not indented.
struct CellSections {
  int indent = 0;
  bool verbatim = false;
  // True when `line` is a section statement (it is then consumed).
  bool Take(std::string_view line) {
    switch (SectionOf(line)) {
      case SectionStatement::kListOrBlockStart: indent += 2; return true;
      case SectionStatement::kListOrBlockEnd: indent = std::max(indent - 2, 0); return true;
      case SectionStatement::kVerbatimStart: verbatim = true; return true;
      case SectionStatement::kVerbatimEnd: verbatim = false; return true;
      case SectionStatement::kNone: break;
    }
    return false;
  }
  int Lead() const { return verbatim ? 0 : indent; }
};

// Measures the content as the layout will show it: list and block sections
// indent by 2, verbatim sections are taken as they stand, "$_$_LINE" with a
// length becomes that many dashes.
void TextTable::MeasureCell(TextTableCell& cell, CellMeasures& measures) {
  CellSections sections;
  int count = 0;
  bool rule = false;
  // Measures one line; returns the length of the dashes a rule with a
  // length becomes, else -1 (the line stays).
  auto measure = [&](std::string_view line) -> int {
    if (sections.Take(line)) return -1;
    ++count;
    if (IsRuleStatement(line)) {
      rule = true;
      const std::string_view argument = TrimView(line.substr(8));
      if (!StartsWithDigit(argument)) return -1;  // drawn at the column's width
      int length = NumberAfterBlanks(argument);
      if (argument.back() == '%')
        length = static_cast<int>(int64_t{length} * std::max(5, measures.declared_width) / 100);
      length = std::min(length, 10000);
      measures.natural = std::max(measures.natural, length);
      measures.minimum = std::max(measures.minimum, length);
      return length;
    }
    std::string_view shown = line;
    std::string stripped;
    size_t tag_length = 0;
    if (OnlyLeadingAlignmentTag(line, tag_length) != 0) {
      shown.remove_prefix(tag_length);
    } else if (line.find("[[") != std::string_view::npos) {
      stripped = line;
      RemoveAlignmentTags(stripped);
      shown = stripped;
    }
    if (IsRuleText(shown)) rule = true;
    const int lead = sections.Lead();
    measures.natural = std::max(measures.natural, lead + static_cast<int>(shown.size()));
    measures.minimum = std::max(measures.minimum, lead + LongestWord(shown));
    return -1;
  };
  // The lines are copied only once a rule is drawn: one pass, however many
  // rules the cell holds.
  CompactLineList drawn;
  bool copying = false;
  const CellLines lines = Lines(cell);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int dashes = measure(lines[i]);
    if (dashes >= 0 && !copying) {
      copying = true;
      drawn.reserve(lines.size(), lines.text_size());
      for (size_t k = 0; k < i; ++k) drawn.push_back(lines[k]);
    }
    if (dashes >= 0)
      drawn.start_line().append(static_cast<size_t>(dashes), '-');
    else if (copying)
      drawn.push_back(lines[i]);
  }
  if (copying) ReplaceLines(cell, drawn);
  if (measures.no_wrap) measures.minimum = measures.natural;
  cell.line_count = count;
  cell.rule_cell = count == 1 && rule;
}

void TextTable::SetColumnWidth(TextTableColumn& column, int width, bool forced) {
  if (column.declared > 0 && !forced) {
    // In 64 bits: a declared width may be any number a page wrote.
    const int64_t declared = column.declared;
    const int64_t cap = std::max({declared * 130 / 100, declared + 4, int64_t{column.width}});
    width = static_cast<int>(std::min<int64_t>(width, cap));
  }
  column.width = std::max(width, 0);
  column.natural = std::max(column.natural, column.width);
}

// Raises the widths of the columns a cell spans to what it needs. A
// spanning cell asks each column for a share, less what the other spanned
// columns already give.
void TextTable::RaiseColumns(const TextTableCell& cell, const CellMeasures& measures) {
  const int span = cell.column_span;
  const size_t first = static_cast<size_t>(cell.column - 1);
  const int minimum = std::min(measures.minimum, kMaxColumnNeed);
  if (span == 1) {
    TextTableColumn& column = columns_[first];
    const int fixed = std::min(measures.fixed_width, kMaxColumnNeed);
    const int declared = measures.declared_width;
    if (declared > column.declared) {
      column.declared = declared;
      column.percentage = measures.declared_percent;
    }
    const int need = std::max(minimum, declared);
    if (need > column.width) SetColumnWidth(column, need);
    column.fixed = static_cast<int16_t>(std::max<int>(column.fixed, fixed));
    column.minimum = std::max({column.minimum, fixed, minimum});
    column.natural = std::max({column.natural, measures.natural, declared});
    if (column.minimum > column.width) column.width = column.minimum;
    return;
  }
  int64_t minimum_sum = 0;
  for (int k = 0; k < span; ++k) minimum_sum += columns_[first + static_cast<size_t>(k)].minimum;
  const int minimum_share = CeilDiv(minimum, span);
  for (int k = 0; k < span; ++k) {
    TextTableColumn& column = columns_[first + static_cast<size_t>(k)];
    const int64_t others = minimum_sum - column.minimum;
    const int fixed_share =
        CeilDiv(std::clamp<int64_t>(measures.fixed_width - others, 0, kMaxColumnNeed), span);
    const int declared_share =
        CeilDiv(std::max<int64_t>(measures.declared_width - others, 0), span);
    const int natural_share = CeilDiv(std::max<int64_t>(measures.natural - others, 0), span);
    const int need = std::max({minimum_share, fixed_share, declared_share});
    if (need > column.width) SetColumnWidth(column, need);
    column.minimum = std::max(column.minimum, need);
    column.natural = std::max(column.natural, natural_share);
    if (column.minimum > column.width) column.width = column.minimum;
  }
}

int TextTable::CellWidth(const TextTableCell& cell) const {
  int64_t width = cell.column_span - 1;
  for (int k = 0; k < cell.column_span; ++k)
    width += columns_[static_cast<size_t>(cell.column - 1 + k)].width;
  return static_cast<int>(std::min<int64_t>(width, INT32_MAX));
}

int TextTable::Total() const {
  int64_t total = border_ ? 1 : 0;
  for (const TextTableColumn& column : columns_) total += column.width + 1;
  return static_cast<int>(std::min<int64_t>(total, INT32_MAX));
}

// A spanning cell whose widest line is a little too wide for its columns
// asks them to grow, in proportion to their widths; the table grows as far
// as the available width allows.
void TextTable::WidenForSpanningCells() {
  std::vector<int> shares;  // made for the first spanning cell that asks
  bool any = false;
  for (const CellWidths& widths : cell_widths_) {
    const TextTableCell& cell = cells_[widths.cell];
    if (cell.column_span < 2) continue;
    const int excess = widths.natural - CellWidth(cell);
    if (excess <= 0 || excess >= 30) continue;
    const size_t first = static_cast<size_t>(cell.column - 1);
    if (shares.empty()) shares.assign(columns_.size(), 0);
    int64_t width_sum = 0;
    for (int k = 0; k < cell.column_span; ++k) width_sum += columns_[first + k].width;
    int given = 0;
    for (int k = 1; k < cell.column_span; ++k) {
      const int share = width_sum > 0
                            ? static_cast<int>(excess * columns_[first + k].width / width_sum)
                            : excess / cell.column_span;
      shares[first + k] = std::max(shares[first + k], share);
      given += share;
    }
    shares[first] = std::max(shares[first], excess - given);
    any = true;
  }
  if (!any) return;
  const int room = available_ - Total();
  if (room <= 0) return;
  int64_t share_sum = 0;
  for (int share : shares) share_sum += share;
  for (size_t c = 0; c < columns_.size(); ++c) {
    int share = shares[c];
    if (share_sum > room) share = static_cast<int>(int64_t{share} * room / share_sum);
    if (share > 0) SetColumnWidth(columns_[c], columns_[c].width + share);
  }
}

// Grows the table to its target width: first the columns whose content is
// wider than their minimum, in proportion to the difference, then evenly.
void TextTable::GrowToTarget() {
  int shortfall = target_ - Total();
  if (shortfall <= 0) return;
  int64_t spread = 0;
  for (const TextTableColumn& column : columns_)
    spread += std::max(column.natural - column.minimum, 0);
  if (spread > 0) {
    for (TextTableColumn& column : columns_) {
      const int gain = static_cast<int>(int64_t{shortfall} *
                                        std::max(column.natural - column.minimum, 0) / spread);
      if (gain > 0) SetColumnWidth(column, column.width + gain);
    }
  }
  shortfall = target_ - Total();
  if (shortfall <= 0) return;
  const int count = static_cast<int>(columns_.size());
  for (int c = 0; c < count; ++c) {
    const int gain = shortfall / count + (c == count - 1 ? shortfall % count : 0);
    if (gain > 0) SetColumnWidth(columns_[static_cast<size_t>(c)], columns_[c].width + gain);
  }
}

// Gives the columns the room up to the available width that their content
// asks for: everything when it all fits, otherwise first the columns that
// need little, then an even share each.
void TextTable::FitToAvailable() {
  const int available = available_;
  int64_t natural_total = border_ ? 1 : 0;
  for (const TextTableColumn& column : columns_) natural_total += column.natural + 1;
  if (natural_total > Total() && natural_total <= available) {
    for (TextTableColumn& column : columns_) SetColumnWidth(column, column.natural);
    return;
  }
  auto shortfall = [](const TextTableColumn& column) { return column.natural - column.width; };
  auto short_count = [&]() {
    int count = 0;
    for (const TextTableColumn& column : columns_) count += shortfall(column) > 0 ? 1 : 0;
    return count;
  };
  int n = static_cast<int>(columns_.size());
  int previous_short = INT32_MAX;
  while (true) {
    const int room = available - Total();
    if (room <= 0) return;
    const int share = CeilDiv(room, n);
    for (TextTableColumn& column : columns_)
      if (shortfall(column) > 0 && shortfall(column) <= share)
        SetColumnWidth(column, column.natural);
    const int still_short = short_count();
    if (still_short == 1) {
      for (TextTableColumn& column : columns_) {
        const int left = available - Total();
        if (shortfall(column) > 0 && left > 0)
          SetColumnWidth(column, column.width + std::min(left, shortfall(column)));
      }
      return;
    }
    if (still_short == 0 || still_short >= previous_short) break;
    previous_short = still_short;
    n = still_short;
  }
  int room = available - Total();
  for (TextTableColumn& column : columns_) {
    const int missing = shortfall(column);
    if (missing > 0 && missing <= 5 && missing <= room) {
      SetColumnWidth(column, column.natural);
      room = available - Total();
    }
  }
  const int remaining_short = short_count();
  if (room <= 0 || remaining_short == 0) return;
  const int share = CeilDiv(room, remaining_short);
  for (TextTableColumn& column : columns_) {
    room = available - Total();
    if (room <= 0) return;
    const int gain = std::min({share, shortfall(column), room});
    if (gain > 0) SetColumnWidth(column, column.width + gain);
  }
  room = available - Total();
  if (room <= 0) return;
  for (TextTableColumn& column : columns_) {
    if (shortfall(column) >= room) {
      SetColumnWidth(column, column.width + room);
      return;
    }
  }
}

// Narrows a table wider than the available width: percentage and empty
// columns give up their share first, then every column gives up width in
// proportion to how far it is above its minimum. No column goes below its
// minimum, so a table of wide words may stay too wide.
void TextTable::ShrinkToAvailable() {
  const int available = available_;
  if (Total() <= available) return;
  int64_t excess = Total() - available;
  int64_t percentage_slack = 0;
  for (const TextTableColumn& column : columns_)
    if (column.percentage) percentage_slack += column.width - column.minimum;
  for (TextTableColumn& column : columns_) {
    if (!column.percentage && column.minimum != 0) continue;
    const int64_t give = std::min<int64_t>(excess * column.width / (percentage_slack + 1),
                                           column.width - column.minimum);
    if (give > 0) column.width -= static_cast<int>(give);
  }
  while (Total() > available) {
    excess = Total() - available;
    int64_t slack = 0;
    for (const TextTableColumn& column : columns_) slack += column.width - column.minimum;
    if (slack <= 0) return;
    int64_t cumulative_slack = 0;
    int64_t cumulative_given = 0;
    for (TextTableColumn& column : columns_) {
      const int own = column.width - column.minimum;
      cumulative_slack += own;
      const int64_t due = (excess * cumulative_slack + slack - 1) / slack;
      const int64_t give = std::clamp<int64_t>(due - cumulative_given, 0, own);
      column.width -= static_cast<int>(give);
      cumulative_given += give;
    }
    if (cumulative_given == 0) return;
  }
}

// Wraps a cell's content to its final width: list and block sections
// indent by 2, verbatim sections are not indented, long lines are refilled
// word by word. Statements other than rules disappear.
void TextTable::WrapCell(TextTableCell& cell) {
  const int width = CellWidth(cell);
  const CellLines lines = Lines(cell);
  CellSections sections;
  std::string own_rest;  // a line's text once its alignment tags are out
  std::string words;
  // Lines are taken over or rebuilt; only once one changes is the cell's
  // content written anew, into `out`, and then replaces its lines.
  CompactLineList out;
  bool changed = false;
  size_t kept = 0;  // lines taken over before the first change
  auto change = [&]() {
    if (changed) return;
    changed = true;
    out.reserve(lines.size(), lines.text_size());
    for (size_t k = 0; k < kept; ++k) out.push_back(lines[k]);
  };
  auto keep = [&](std::string_view line) {
    if (changed)
      out.push_back(line);
    else
      ++kept;
  };
  auto start_line = [&]() -> std::string& {
    change();
    return out.start_line();
  };
  for (const std::string_view line : lines) {
    if (sections.Take(line)) {
      change();
      continue;
    }
    if (line.starts_with("$_$_")) {
      keep(line);
      continue;
    }
    size_t tag_length = 0;
    LeadingAlignment(line, tag_length);
    const std::string_view tag = line.substr(0, tag_length);
    std::string_view rest = line.substr(tag_length);
    if (rest.find("[[") != std::string_view::npos) {
      own_rest.assign(rest);
      RemoveAlignmentTags(own_rest);
      rest = own_rest;
    }
    const size_t cell_indent = static_cast<size_t>(sections.Lead());
    const int room = std::max(width - static_cast<int>(cell_indent), 1);
    if (cell_indent == 0 && tag_length + rest.size() == line.size() &&
        static_cast<int>(rest.size()) <= room) {
      keep(line);  // nothing to add or take away: the line would be made again as it is
      continue;
    }
    if (static_cast<int>(rest.size()) <= room) {
      start_line().append(tag).append(cell_indent, ' ').append(rest);
      continue;
    }
    const size_t lead_length = rest.find_first_not_of(' ');
    const size_t lead = lead_length == std::string::npos ? 0 : lead_length;
    std::string current;
    bool first = true;
    auto flush = [&]() {
      std::string& piece = start_line();
      if (first) piece.append(tag);
      piece.append(lead + cell_indent, ' ').append(current);
      first = false;
      current.clear();
    };
    words = CollapseBlanks(rest);
    for (size_t from = 0;;) {
      const size_t space = words.find(' ', from);
      const std::string_view word = std::string_view(words).substr(
          from, space == std::string::npos ? std::string::npos : space - from);
      if (!current.empty() && static_cast<int>(current.size() + 1 + word.size() + lead) > room)
        flush();
      if (!current.empty()) current += ' ';
      current += word;
      if (space == std::string::npos) break;
      from = space + 1;
    }
    if (!current.empty() || first) flush();
  }
  if (changed) ReplaceLines(cell, out);
  cell.line_count = static_cast<int>(cell.line_total);
}

// The widest nested-table line of cell `cell` (its index), kept for the
// cells that hold a nested table.
int TextTable::FixedWidth(size_t cell) const {
  const auto found =
      std::lower_bound(cell_widths_.begin(), cell_widths_.end(), cell,
                       [](const CellWidths& widths, size_t index) { return widths.cell < index; });
  return found != cell_widths_.end() && found->cell == cell ? found->fixed_width : 0;
}

// Appends line `line` (from 1) of a cell in the text grid, `width` columns
// wide, to `out`; `fixed_width` is the widest line of the nested table it
// holds, if any. `text` is scratch space, reused from call to call.
void TextTable::AppendCellLine(TextTableCell& cell, int fixed_width, int8_t& alignment, int line,
                               int width, std::string& text, std::string& out) const {
  const size_t w = static_cast<size_t>(std::max(width, 0));
  if (cell.rule_cell) {
    if (line != 1) {
      out.append(w, ' ');
      return;
    }
    std::string_view rule = Lines(cell).empty() ? std::string_view() : Lines(cell)[0];
    size_t tag_length = 0;
    LeadingAlignment(rule, tag_length);
    rule.remove_prefix(tag_length);
    if (IsRuleStatement(rule)) {
      std::string drawn = DrawRuleLine(rule.substr(8), w, ToAlignment(cell.align_default));
      AlignInPlace(drawn, width, 1);
      out += drawn;
      return;
    }
    out.append(w, '-');
    return;
  }
  const int offset = rows_[static_cast<size_t>(cell.row - 1)].lines - cell.line_count;
  int index = line;
  if (cell.vertical == 2)
    index = line - offset;
  else if (cell.vertical == 3)
    index = line - offset / 2;
  std::string_view source = index >= 1 && index <= cell.line_count
                                ? Lines(cell)[static_cast<size_t>(index - 1)]
                                : std::string_view();
  bool plain = source.find("[[") == std::string_view::npos;
  size_t tag_length = 0;
  if (!plain && !cell.has_text_block) {
    // A line whose only alignment tag leads it is the rest of the line
    // with that tag's alignment.
    const int tagged = OnlyLeadingAlignmentTag(source, tag_length);
    if (tagged != 0) {
      alignment = static_cast<int8_t>(tagged);
      source.remove_prefix(tag_length);
      plain = true;
    }
  }
  if (!cell.has_text_block && plain) {
    // Without alignment tags the line is only trimmed and padded, which
    // needs no copy of it.
    const bool left = alignment == 0 || alignment == 1;
    std::string_view shown = left ? source.substr(0, source.find_last_not_of(" \t") + 1)
                                  : TrimView(source);
    if (TrimView(shown).empty()) {
      if (left) shown = std::string_view();
      alignment = cell.align_default;
    }
    if (IsRuleStatement(shown)) {
      out.append(w, '-');
      return;
    }
    if (shown.size() > w) {
      // Too wide to pad: leading blanks give way while it is wider than its room.
      size_t drop = 0;
      while (shown.size() - drop > w && shown[drop] == ' ') ++drop;
      out.append(shown.substr(drop));
      return;
    }
    const size_t missing =
        shown.starts_with("$_$_") || width <= 0 ? 0 : static_cast<size_t>(width) - shown.size();
    size_t before = 0;
    if (alignment == 2)
      before = missing / 2;
    else if (alignment == 3 || alignment == 4)
      before = missing;
    out.append(before, ' ').append(shown).append(missing - before, ' ');
    return;
  }
  text.assign(source);
  const int tagged = LeadingAlignment(text, tag_length);
  if (tagged != 0) alignment = tagged;
  RemoveAlignmentTags(text);
  int least = width;
  if (cell.has_text_block) {
    if (static_cast<int>(text.size()) < fixed_width)
      text.append(static_cast<size_t>(fixed_width) - text.size(), ' ');
    least = std::max(width, fixed_width);
  } else {
    // Left-aligned lines keep their leading blanks, which carry the list
    // indentation of the cell; other alignments work on the trimmed text.
    const bool left = alignment == 0 || alignment == 1;
    if (left) {
      text.resize(text.find_last_not_of(" \t") + 1);
      if (TrimView(text).empty()) text.clear();
    } else {
      TrimInPlace(text);
    }
  }
  if (TrimView(text).empty()) alignment = cell.align_default;
  if (IsRuleStatement(text)) {
    out.append(w, '-');
    return;
  }
  if (text.compare(0, 4, "$_$_") != 0) AlignInPlace(text, least, alignment);
  // Leading blanks give way while the line is wider than its room.
  size_t drop = 0;
  while (text.size() - drop > w && text[drop] == ' ') ++drop;
  out.append(text, drop, std::string::npos);
}

// The indexes of each row's cells, in the order they were added: two
// passes over the cells, two allocations in all.
TextTable::RowCells TextTable::CellsByRow() const {
  if (cells_.size() > UINT32_MAX) throw std::length_error("table too large");
  RowCells rows;
  std::vector<uint32_t>& first = rows.first_;
  first.assign(rows_.size() + 1, 0);
  for (const TextTableCell& cell : cells_) ++first[static_cast<size_t>(cell.row)];
  for (size_t r = 1; r < first.size(); ++r) first[r] += first[r - 1];
  rows.order_.assign(cells_.size(), 0);
  // Each row's next free place, kept in `first` shifted by one row and
  // restored as the cells are placed.
  for (size_t i = 0; i < cells_.size(); ++i) {
    uint32_t& next = first[static_cast<size_t>(cells_[i].row - 1)];
    rows.order_[next++] = static_cast<uint32_t>(i);
  }
  for (size_t r = first.size() - 1; r > 0; --r) first[r] = first[r - 1];
  first[0] = 0;
  return rows;
}

// Renders the table. Order of the steps: widen columns for spanning cells;
// find rule rows; mark statement rows of delimited tables; in the text grid
// grow to the target width, fit to the available width and shrink to it,
// widen for spanning cells again and wrap every cell; then write the start
// marker, the rows with their border or separator lines, and the end marker.
bool TextTable::Render(std::string& output) {
  if (columns_.empty()) return false;
  if (!Delimited()) WidenForSpanningCells();

  const RowCells row_cells = CellsByRow();

  for (size_t r = 0; r < rows_.size(); ++r) {
    TextTableRow& row = rows_[r];
    bool all_rules = !row_cells[r].empty() && row.lines == 1;
    for (size_t i : row_cells[r]) all_rules = all_rules && cells_[i].rule_cell;
    row.rule_row = all_rules;
    if (all_rules) has_rule_rows_ = true;
  }

  if (Delimited() && columns_.size() > 1) {
    for (size_t r = 0; r < rows_.size(); ++r) {
      bool statement_row = false;
      for (size_t i : row_cells[r])
        if (!Lines(cells_[i]).empty() && IsDelimitedTableStart(Lines(cells_[i])[0]))
          statement_row = true;
      if (!statement_row) continue;
      rows_[r].statement_row = true;
      for (size_t i : row_cells[r]) {
        TextTableCell& cell = cells_[i];
        if (!Lines(cell).empty() && IsDelimitedTableStart(Lines(cell)[0])) continue;
        const CellLines lines = Lines(cell);
        CompactLineList framed;
        framed.reserve(lines.size() + 2, lines.text_size());
        framed.push_back({});
        for (const std::string_view cell_line : lines) framed.push_back(cell_line);
        framed.push_back({});
        ReplaceLines(cell, framed);
        cell.line_count = static_cast<int>(cell.line_total);
        rows_[r].lines = std::max(rows_[r].lines, cell.line_count);
      }
    }
  }

  if (Delimited()) {
    RenderDelimited(row_cells, output);
    return true;
  }
  if (target_ > 0 && Total() < target_) GrowToTarget();
  FitToAvailable();
  if (options_.adjust_table_to_page && Total() > available_) ShrinkToAvailable();
  WidenForSpanningCells();
  for (TextTableRow& row : rows_) row.lines = 0;
  for (TextTableCell& cell : cells_) {
    if (!cell.rule_cell) WrapCell(cell);
    TextTableRow& row = rows_[static_cast<size_t>(cell.row - 1)];
    row.lines = std::max({row.lines, cell.line_count, 1});
  }
  RenderGrid(row_cells, output);
  return true;
}

// About the size of the text grid, for its room to be made at once: the
// lines of the rows, borders and markers, each as wide as the table or the
// room it is centred in. Lines that overflow their columns may make it
// more.
size_t TextTable::GridSizeBound(const RowCells& row_cells) const {
  const size_t width =
      static_cast<size_t>(indent_) + static_cast<size_t>(std::max(Total(), available_)) + 2;
  size_t lines = 2;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (row_cells[r].empty()) continue;
    lines += rows_[r].rule_row ? 1 : static_cast<size_t>(std::max(rows_[r].lines, 1));
    lines += 1;  // a border or a blank separator
  }
  return lines * width + options_.start_table_marker.size() + options_.end_table_marker.size();
}

void TextTable::RenderGrid(const RowCells& row_cells, std::string& output) {
  // Room made at once spares a large grid the copies of a growing string;
  // room never written costs nothing in a buffer that large. A small grid
  // grows as it goes (its text is kept until the layout, with its room),
  // and a bound that is far too large (a table of long lines that are
  // trimmed) is not taken.
  constexpr size_t kLeastRoom = size_t{1} << 20;
  constexpr size_t kMostRoom = size_t{64} << 20;
  const size_t bound = GridSizeBound(row_cells);
  if (bound >= kLeastRoom && bound <= kMostRoom) output.reserve(output.size() + bound);
  const bool draw_border = border_ && !has_rule_rows_;
  const std::string indent(static_cast<size_t>(indent_), ' ');
  auto emit = [&](std::string_view line) {
    if (!draw_border) line = line.substr(0, line.find_last_not_of(' ') + 1);
    if (centred_) {
      const int spaces = (available_ - static_cast<int>(line.size())) / 2;
      if (spaces > 0) output.append(static_cast<size_t>(spaces), ' ');
    }
    output += indent;
    output += line;
    output += '\n';
  };
  // The border line and the rule-row separator, each as wide as the table,
  // are made only for a table that draws them.
  std::string border_line;
  std::string separator;
  if (draw_border) {
    border_line = "+";
    for (const TextTableColumn& column : columns_) {
      border_line.append(static_cast<size_t>(column.width), '-');
      border_line += '+';
    }
  }
  if (has_rule_rows_) {
    separator = "-";
    for (size_t c = 0; c < columns_.size(); ++c) {
      separator.append(static_cast<size_t>(columns_[c].width), '-');
      if (c != 0 && c + 1 != columns_.size()) separator += '-';
    }
  }

  if (!options_.start_table_marker.empty()) output += options_.start_table_marker + "\n";
  if (draw_border) emit(border_line);

  // Cells by row, in column order (they were added that way).
  for (TextTableCell& cell : cells_) cell.alignment = cell.align_default;
  const int column_count = static_cast<int>(columns_.size());
  std::string line;
  line.reserve(static_cast<size_t>(Total()) + 1);
  std::string scratch;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (row_cells[r].empty()) continue;
    const TextTableRow& row = rows_[r];
    if (row.rule_row) {
      emit(separator);
    } else {
      for (int j = 1; j <= row.lines; ++j) {
        line.assign(draw_border ? "|" : "");
        size_t next = 0;  // the row's next cell
        for (int c = 1; c <= column_count;) {
          while (next < row_cells[r].size() && cells_[row_cells[r][next]].column < c) ++next;
          int span_end = c;
          if (next < row_cells[r].size() && cells_[row_cells[r][next]].column == c) {
            const size_t index = row_cells[r][next];
            TextTableCell& cell = cells_[index];
            span_end = std::min(c + cell.column_span - 1, column_count);
            const int fixed_width = cell.has_text_block ? FixedWidth(index) : 0;
            AppendCellLine(cell, fixed_width, cell.alignment, j, CellWidth(cell), scratch, line);
          } else {
            line.append(static_cast<size_t>(columns_[static_cast<size_t>(c - 1)].width), ' ');
          }
          if (draw_border)
            line += '|';
          else if (span_end < column_count)
            line += ' ';
          c = span_end + 1;
        }
        emit(line);
      }
    }
    if (draw_border)
      emit(border_line);
    else if (options_.blank_row_separators)
      output += '\n';
  }
  if (!options_.end_table_marker.empty()) output += options_.end_table_marker + "\n";
}

void TextTable::RenderDelimited(const RowCells& row_cells, std::string& output) {
  const bool several = columns_.size() > 1;
  const bool markers =
      several && options_.delimited_table_markers && !(nested_ && options_.innermost_tables_only);
  const char delimiter = format_ == TableFormat::kCommaDelimited ? ',' : '\t';
  if (!options_.start_table_marker.empty())
    output += options_.start_table_marker + "\n";
  else if (markers)
    output += format_ == TableFormat::kCommaDelimited ? "$_$_BEGIN_COMMA_DELIMITED_TABLE\n"
                                                      : "$_$_BEGIN_DELIMITED_TABLE\n";

  const int column_count = static_cast<int>(columns_.size());
  std::string line;
  std::string joined;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (row_cells[r].empty()) continue;
    // A row is one record: a cell of several lines (a list, a line break)
    // has them joined by one blank. Only a row holding a nested delimited
    // table's statements keeps its lines.
    bool holds_statements = false;
    for (size_t i : row_cells[r])
      for (const std::string_view cell_line : Lines(cells_[i]))
        if (cell_line.starts_with("$_$_")) holds_statements = true;
    const int height = holds_statements ? std::max(rows_[r].lines, 1) : 1;
    for (int j = 1; j <= height; ++j) {
      // A nested delimited table's statement stands on a line of its own.
      bool statement_found = false;
      std::string_view statement;
      for (size_t i : row_cells[r]) {
        const TextTableCell& cell = cells_[i];
        if (j <= static_cast<int>(Lines(cell).size()) &&
            Lines(cell)[static_cast<size_t>(j - 1)].starts_with("$_$_")) {
          statement = Lines(cell)[static_cast<size_t>(j - 1)];
          statement_found = true;
          break;
        }
      }
      if (statement_found) {
        if (options_.delimited_table_markers) output.append(statement).append("\n");
        continue;
      }
      line.clear();
      size_t next = 0;
      for (int c = 1; c <= column_count;) {
        while (next < row_cells[r].size() && cells_[row_cells[r][next]].column < c) ++next;
        int span_end = c;
        if (next < row_cells[r].size() && cells_[row_cells[r][next]].column == c) {
          const TextTableCell& cell = cells_[row_cells[r][next]];
          span_end = std::min(c + cell.column_span - 1, column_count);
          joined.clear();
          if (!holds_statements) {
            for (const std::string_view cell_line : Lines(cell)) {
              if (cell_line.empty()) continue;
              if (!joined.empty()) joined += ' ';
              joined += cell_line;
            }
          } else if (j <= static_cast<int>(Lines(cell).size())) {
            joined.assign(Lines(cell)[static_cast<size_t>(j - 1)]);
          }
          const std::string& text = joined;
          const bool table_inside = !Lines(cell).empty() && IsDelimitedTableStart(Lines(cell)[0]);
          if (several && !table_inside) {
            line += '"';
            for (char ch : text) {
              if (ch == '"') line += '"';
              line += ch;
            }
            line += '"';
          } else {
            line += text;
          }
        }
        for (int k = c; k <= span_end; ++k)
          if (k < column_count) line += delimiter;
        c = span_end + 1;
      }
      output += line;
      output += '\n';
    }
  }
  if (!options_.end_table_marker.empty())
    output += options_.end_table_marker + "\n";
  else if (markers)
    output += "$_$_END_TABLE\n";
}

}  // namespace orv
