// The table handlers of the detag pass's whole-text pass: the text-mode
// handler that turns each innermost table into a text block, the
// markup-removal handler that cleans paragraph tags out of cells, and the
// loop that applies their list until every table is done.
#include "convert/table_analysis.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "common/text.h"
#include "convert/detag.h"
#include "html/entities.h"
#include "html/pattern_finder.h"
#include "html/lengths.h"
#include "textout/text_line.h"
#include "textout/text_table.h"

namespace orv {

std::string RemoveAllTags(std::string_view text) {
  std::string out(text);
  RemoveAllTagsInPlace(out);
  return out;
}

namespace {

bool EndsTagName(std::string_view text, size_t at) {
  if (at >= text.size()) return true;
  const char c = text[at];
  return IsBlank(c) || c == '>' || c == '/';
}

// Whether a tag "<" + `name` (a whole tag name, any case; "/tr" for an end
// tag) starts at `at`.
inline bool IsTagAt(std::string_view text, size_t at, std::string_view name) {
  return at + 1 + name.size() <= text.size() &&
         (name.empty() || ToUpperAscii(text[at + 1]) == ToUpperAscii(name[0])) &&
         EqualsNoCase(text.substr(at + 1, name.size()), name) &&
         EndsTagName(text, at + 1 + name.size());
}

// Position of the next tag "<" + `name` at or after `from`, or npos.
size_t FindTag(std::string_view text, std::string_view name, size_t from) {
  for (size_t at = from; (at = text.find('<', at)) != std::string_view::npos; ++at)
    if (IsTagAt(text, at, name)) return at;
  return std::string_view::npos;
}

// Whether a cell start ("<td" or "<th") is at `at`.
inline bool IsCellStartAt(std::string_view text, size_t at) {
  return at + 3 <= text.size() && (text[at + 1] == 't' || text[at + 1] == 'T') &&
         (text[at + 2] == 'd' || text[at + 2] == 'D' || text[at + 2] == 'h' ||
          text[at + 2] == 'H') &&
         EndsTagName(text, at + 3);
}

// The next cell start ("<td" or "<th", whichever comes first) at or after
// `from`, or npos.
size_t FindCellStart(std::string_view text, size_t from) {
  for (size_t at = from; (at = text.find('<', at)) != std::string_view::npos; ++at) {
    if (at + 3 > text.size()) return std::string_view::npos;
    if (IsCellStartAt(text, at)) return at;
  }
  return std::string_view::npos;
}

bool IsCellStart(std::string_view stretch) { return FindCellStart(stretch, 0) == 0; }

// The tag at the start of `text`, through its ">" (or all of it).
std::string_view LeadingTag(std::string_view text) {
  const size_t close = text.find('>');
  return close == std::string_view::npos ? text : text.substr(0, close + 1);
}

// Scales a table's starting width by a width attribute: "N%" takes N
// percent, a plain number N is N pixels of an 800-pixel page.
void ScaleWidth(std::string_view tag, const DetagOptions& options, int& width) {
  std::string value;
  if (!GetTagAttribute(tag, "width", value)) return;
  const std::string_view v = TrimView(value);
  size_t digits = 0;
  const int64_t number = LeadingNumber(v, &digits);
  if (digits == 0 || number <= 0) return;
  if (v.back() == '%')
    width = static_cast<int>(PercentOfColumns(number, width));
  else
    width = static_cast<int>(
        PixelsToColumns(number, options.adjust_table_to_page ? options.page_width : 80));
  width = std::max(width, 1);
}

// Headings inside a table lose their statements and their underline; their
// text lines stay, separated by line-break marks.
std::string FlattenHeadings(std::string_view text, const DetagMarkers& m) {
  std::string out;
  size_t from = 0;
  while (true) {
    const size_t start = text.find(m.start_heading, from);
    const size_t end = start == std::string_view::npos
                           ? std::string_view::npos
                           : text.find(m.end_heading, start + m.start_heading.size());
    if (end == std::string_view::npos) break;
    out.append(text, from, start - from);
    std::string inner(
        text.substr(start + m.start_heading.size(), end - start - m.start_heading.size()));
    for (const std::string* mark : {&m.line_break, &m.statement, &m.paragraph}) {
      for (size_t at; (at = inner.find(*mark)) != std::string::npos;)
        inner.replace(at, mark->size(), "\n");
    }
    bool first = true;
    for (const std::string& line : SplitLines(inner)) {
      std::string shown = line;
      for (std::string_view tag : {"[[LEFT]]", "[[CENTER]]", "[[RIGHT]]", "[[JUSTIFY]]"})
        for (size_t at; (at = shown.find(tag)) != std::string::npos;) shown.erase(at, tag.size());
      if (TrimView(shown).empty() || IsRuleText(TrimView(shown))) continue;
      if (!first) out += m.line_break;
      out += line;
      first = false;
    }
    if (!first) out += m.line_break;
    from = end + m.end_heading.size();
  }
  out.append(text, from, std::string_view::npos);
  return out;
}

// Markup removal: a cell's first <p> and last </p> go, every other <p>
// becomes the statement mark and every other </p> the line-break mark.
std::string CleanCell(std::string_view cell, const DetagMarkers& m) {
  std::vector<std::pair<size_t, size_t>> opens;  // position, length
  std::vector<size_t> closes;
  for (size_t at = 0; (at = cell.find('<', at)) != std::string_view::npos; ++at) {
    if (at + 2 < cell.size() && (cell[at + 1] == 'p' || cell[at + 1] == 'P') &&
        (IsBlank(cell[at + 2]) || cell[at + 2] == '>')) {
      const size_t close = cell.find('>', at);
      if (close == std::string_view::npos) break;
      opens.emplace_back(at, close - at + 1);
    } else if (at + 3 < cell.size() && cell[at + 1] == '/' &&
               (cell[at + 2] == 'p' || cell[at + 2] == 'P') && cell[at + 3] == '>') {
      closes.push_back(at);
    }
  }
  if (opens.empty() && closes.empty()) return std::string(cell);
  std::vector<std::pair<size_t, size_t>> edits;  // position, length; replaced in order
  std::vector<const std::string*> with;
  static const std::string kNothing;
  size_t o = 0;
  size_t c = 0;
  while (o < opens.size() || c < closes.size()) {
    if (c >= closes.size() || (o < opens.size() && opens[o].first < closes[c])) {
      edits.push_back(opens[o]);
      with.push_back(o == 0 ? &kNothing : &m.statement);
      ++o;
    } else {
      edits.emplace_back(closes[c], 4);
      with.push_back(c + 1 == closes.size() ? &kNothing : &m.line_break);
      ++c;
    }
  }
  std::string out;
  size_t from = 0;
  for (size_t i = 0; i < edits.size(); ++i) {
    out.append(cell, from, edits[i].first - from);
    out += *with[i];
    from = edits[i].first + edits[i].second;
  }
  out.append(cell, from, std::string_view::npos);
  return out;
}

std::string Placeholder(const DetagMarkers& m, size_t number) {
  return m.start_pre + "$_$_TEXTBLOCK " + std::to_string(number) + m.end_pre;
}

// Puts the tables set aside in markup removal back into `text`, inner ones
// into their enclosing tables. Each must be used exactly once; false when
// one is missing or used twice.
bool ExpandPlaceholders(std::string_view text, const std::vector<std::string>& tables,
                        const DetagMarkers& m, std::vector<char>& used, int depth,
                        std::string& out) {
  if (depth > kMaxTableApplications + 1) return false;
  const std::string opening = m.start_pre + "$_$_TEXTBLOCK ";
  size_t from = 0;
  for (size_t at; (at = text.find(opening, from)) != std::string_view::npos;) {
    out.append(text, from, at - from);
    size_t digits_end = at + opening.size();
    size_t number = 0;
    while (digits_end < text.size() && text[digits_end] >= '0' && text[digits_end] <= '9' &&
           number < tables.size() + 1)
      number = number * 10 + static_cast<size_t>(text[digits_end++] - '0');
    if (number < 1 || number > tables.size() || used[number - 1] ||
        text.substr(digits_end, m.end_pre.size()) != m.end_pre)
      return false;
    used[number - 1] = 1;
    if (!ExpandPlaceholders(tables[number - 1], tables, m, used, depth + 1, out)) return false;
    from = digits_end + m.end_pre.size();
  }
  out.append(text, from, std::string_view::npos);
  return true;
}

}  // namespace

size_t NextCellBoundary(std::string_view row, size_t from, bool& cell_follows) {
  size_t row_end = std::string_view::npos;
  size_t cell_end = std::string_view::npos;
  cell_follows = false;
  for (size_t at = from; (at = row.find('<', at)) != std::string_view::npos; ++at) {
    if (IsCellStartAt(row, at)) {
      cell_follows = true;
      return at;
    }
    if (at + 1 == row.size() || row[at + 1] != '/') continue;
    if (row_end == std::string_view::npos && IsTagAt(row, at, "/tr")) row_end = at;
    if (cell_end == std::string_view::npos && IsTagAt(row, at, "/td")) cell_end = at;
  }
  if (row_end != std::string_view::npos) return row_end;
  return cell_end != std::string_view::npos ? cell_end : row.size();
}

TableRowWalk WalkTableRow(std::string_view table, size_t row_start) {
  TableRowWalk walk;
  // Just after a "</tr" that runs straight into a "<".
  size_t end_before = std::string_view::npos;
  // No "</tr" can start inside the "<tr" itself.
  for (size_t at = row_start + 3; (at = table.find('<', at)) != std::string_view::npos; ++at) {
    const char next = at + 1 < table.size() ? table[at + 1] : '\0';
    if ((next == 't' || next == 'T') && IsTagAt(table, at, "tr")) {
      walk.next = at;
      walk.closed = walk.first_end != std::string_view::npos || end_before == at;
      return walk;
    }
    if (walk.first_end != std::string_view::npos || next != '/') continue;
    if (IsTagAt(table, at, "/tr"))
      walk.first_end = at;
    else if (at + 4 < table.size() && table[at + 4] == '<' &&
             EqualsNoCase(table.substr(at + 1, 3), "/tr"))
      end_before = at + 4;
  }
  return walk;
}

// What the first steps of a handler find out about a match.
struct TableAnalysis::Walk {
  std::string_view prefix;  // text in front of the innermost table
  std::string_view table;   // from its "<table" to the end of the match
  int starting_width = 0;
  bool nested = false;
};

TableAnalysis::TableAnalysis(DetagPass& pass) : pass_(pass) {}

bool TableAnalysis::FindInnermost(std::string_view match, bool text_mode, Walk& walk) {
  const DetagOptions& options = pass_.Options();
  std::vector<size_t> starts;
  for (size_t at = 0; (at = FindTag(match, "table", at)) != std::string_view::npos; at += 6)
    starts.push_back(at);
  if (starts.empty()) return false;
  // The enclosing tables and the cells holding the next table narrow the
  // room; the innermost table's own width is applied by the text table.
  int width = text_mode ? options.table_width : options.page_width;
  for (size_t k = 0; k + 1 < starts.size(); ++k) {
    ScaleWidth(LeadingTag(match.substr(starts[k])), options, width);
    const std::string_view between = match.substr(starts[k], starts[k + 1] - starts[k]);
    size_t cell = std::string_view::npos;
    for (size_t at = 0; (at = FindTag(between, "td", at)) != std::string_view::npos; ++at)
      cell = at;
    if (cell != std::string_view::npos)
      ScaleWidth(LeadingTag(between.substr(cell)), options, width);
  }
  walk.starting_width = width;
  walk.nested = starts.back() != 0;
  walk.prefix = match.substr(0, starts.back());
  walk.table = match.substr(starts.back());
  if (walk.nested) {
    nested_seen_ = true;
    deepest_ = std::max(deepest_, static_cast<int>(starts.size()));
  }
  return true;
}

namespace {

// The kind of table tag at `at` ("<" there): 1 "<table", 2 "</table",
// 3 "<tr" or "</tr", 4 "<td" or "<th", 0 anything else.
// Only "<t..." and "</t..." can be table tags: a quick look before
// TableTagKind.
bool MayBeTableTag(std::string_view text, size_t at) {
  const char next = at + 2 < text.size() ? text[at + 1] : ' ';
  return next == 't' || next == 'T' || (next == '/' && (text[at + 2] == 't' || text[at + 2] == 'T'));
}

int TableTagKind(std::string_view text, size_t at) {
  const std::string_view rest = text.substr(at + 1);
  const bool end = !rest.empty() && rest[0] == '/';
  const std::string_view name = end ? rest.substr(1) : rest;
  auto is = [&](std::string_view tag) {
    return name.size() >= tag.size() && EqualsNoCase(name.substr(0, tag.size()), tag) &&
           EndsTagName(name, tag.size());
  };
  if (is("table")) return end ? 2 : 1;
  if (is("tr")) return 3;
  if (!end && (is("td") || is("th"))) return 4;
  return 0;
}

}  // namespace

void CollapseCellBlanks(std::string& content, const DetagMarkers& m) {
  char* const data = content.data();
  const std::string_view text(content);
  bool verbatim = false;
  const size_t n = content.size();
  size_t write = 0;
  size_t i = 0;
  auto keep = [&](size_t from, size_t count) {
    if (write != from) std::memmove(data + write, data + from, count);
    write += count;
  };
  while (i < n) {
    // Everything up to the next blank or mark goes over as it is.
    size_t run = i;
    while (run < n && data[run] != ' ' && data[run] != '\t' && data[run] != '\xFF') ++run;
    keep(i, run - i);
    if (run == n) break;
    if (data[run] == '\xFF') {
      // Read before anything is written there: `write` is at most `run`.
      const std::string_view rest = text.substr(run);
      if (rest.starts_with(m.start_pre))
        verbatim = true;
      else if (rest.starts_with(m.end_pre))
        verbatim = false;
      data[write++] = '\xFF';
      i = run + 1;
      continue;
    }
    size_t end = run;
    while (end < n && (data[end] == ' ' || data[end] == '\t')) ++end;
    if (verbatim)
      keep(run, end - run);
    else
      data[write++] = ' ';
    i = end;
  }
  content.resize(write);
}

void RowWithoutLineFeeds(std::string_view row, const DetagMarkers& m, std::string& out) {
  out.clear();
  out.reserve(row.size());
  // The bytes a row cannot keep as they are: the first byte of a mark and
  // the line-end characters. The next of each is found with memchr and
  // kept until the walk passes it, so the text between them goes over
  // without being looked at byte by byte.
  constexpr char kSpecial[] = {'\xFF', '\n', '\t', '\r'};
  size_t next[std::size(kSpecial)];
  for (size_t k = 0; k < std::size(kSpecial); ++k) next[k] = row.find(kSpecial[k]);
  bool verbatim = false;
  const size_t n = row.size();
  size_t i = 0;
  while (i < n) {
    size_t run = n;
    for (size_t k = 0; k < std::size(kSpecial); ++k) {
      if (next[k] < i) next[k] = row.find(kSpecial[k], i);
      run = std::min(run, next[k]);
    }
    out.append(row, i, run - i);
    if (run == n) break;
    const char c = row[run];
    if (c == '\xFF') {
      const std::string_view rest = row.substr(run);
      if (rest.starts_with(m.start_pre) || rest.starts_with(m.start_heading))
        verbatim = true;
      else if (rest.starts_with(m.end_pre) || rest.starts_with(m.end_heading))
        verbatim = false;
      out += c;
    } else if (c == '\n' && verbatim) {
      out += m.line_break;
    } else {
      out += ' ';
    }
    i = run + 1;
  }
}


void TableAnalysis::TrackEnclosingTables(const std::string& text, size_t to, size_t restart_at) {
  to = std::min(to, text.size());
  for (size_t at = text.find('<', tracked_to_); at != std::string::npos && at < to;
       at = text.find('<', at + 1)) {
    if (!MayBeTableTag(text, at)) continue;
    switch (TableTagKind(text, at)) {
      case 1: enclosing_.push_back({at, std::string::npos, 0}); break;
      case 2:
        if (!enclosing_.empty()) enclosing_.pop_back();
        if (enclosing_.empty() && restart_at != std::string::npos && at + 1 < restart_at)
          at = restart_at - 1;
        break;
      case 3:
        if (!enclosing_.empty()) {
          enclosing_.back().cell = std::string::npos;
          enclosing_.back().cells = 0;
        }
        break;
      case 4:
        if (!enclosing_.empty()) {
          enclosing_.back().cell = at;
          ++enclosing_.back().cells;
        }
        break;
      default: break;
    }
  }
  tracked_to_ = std::max(tracked_to_, to);
}

int TableAnalysis::EnclosedWidth(const std::string& text, std::string_view table,
                                 std::string_view after) const {
  const DetagOptions& options = pass_.Options();
  int width = options.table_width;
  // The cells after the nested table in the row of the innermost enclosing
  // cell, a bounded look ahead that skips the cells of other nested tables.
  // A stray end tag inside the nested table ("</table " that the scan does
  // not pair) has closed the enclosing table already: nothing after it is
  // in that row, as in a text cut into parts right after the table.
  int cells_after = 0;
  int depth = 0;
  for (size_t at = table.find('<'); at != std::string_view::npos; at = table.find('<', at + 1)) {
    const int kind = TableTagKind(table, at);
    if (kind == 1) ++depth;
    if (kind == 2) --depth;
  }
  const size_t limit = depth < 0 ? 0 : std::min(after.size(), size_t{1} << 16);
  depth = 0;
  for (size_t at = after.find('<'); at != std::string_view::npos && at < limit;
       at = after.find('<', at + 1)) {
    const int kind = TableTagKind(after, at);
    if (kind == 1) {
      ++depth;
    } else if (kind == 2) {
      if (depth == 0) break;
      --depth;
    } else if (depth == 0 && kind == 3) {
      break;
    } else if (depth == 0 && kind == 4) {
      ++cells_after;
    }
  }
  for (size_t level = 0; level < enclosing_.size(); ++level) {
    const Enclosing& e = enclosing_[level];
    ScaleWidth(LeadingTag(std::string_view(text).substr(e.table)), options, width);
    if (e.cell == std::string::npos) continue;
    const std::string_view cell = LeadingTag(std::string_view(text).substr(e.cell));
    std::string value;
    if (GetTagAttribute(cell, "width", value)) {
      ScaleWidth(cell, options, width);
      continue;
    }
    // A cell without a width gets its share of the row, less the column
    // separators.
    const int cells = e.cells + (level + 1 == enclosing_.size() ? cells_after : 0);
    if (cells > 1) width = std::max((width - cells - 1) / cells, 1);
  }
  return width;
}

std::string TableAnalysis::CellContent(std::string_view stretch) {
  std::string content;
  content.reserve(stretch.size());
  AppendWithoutTags(stretch, content);
  FinishCellContent(content);
  return content;
}

std::string TableAnalysis::CellContent(std::string content) {
  RemoveAllTagsInPlace(content);
  FinishCellContent(content);
  return content;
}

void TableAnalysis::FinishCellContent(std::string& content) {
  if (content.find("  ") != std::string::npos || content.find('\t') != std::string::npos)
    CollapseCellBlanks(content, pass_.Markers());
  if (content.find('&') != std::string::npos) {
    const DetagOptions& options = pass_.Options();
    ReplaceEntities(content,
                    EntityOptions{true, options.allow_8bit_ansi, options.allow_ansi_alternatives,
                                  pass_.TextIsUtf8(), true},
                    unicode_output_);
  }
  // Linear however many there are (a cell of many line breaks holds many).
  EraseUntilAbsent(content, pass_.Markers().paragraph_end);
}

// A row's last cell this large is not copied out of the row.
constexpr size_t kLargeCell = size_t{1} << 16;

int TableAnalysis::HandleTextTable(PatternList& list, long start, long end,
                                   const std::string& text) {
  if (start < 0 || end < start || static_cast<size_t>(end) >= text.size()) return ActionNone;
  const std::string_view match(text.data() + start, static_cast<size_t>(end - start + 1));
  Walk walk;
  if (!FindInnermost(match, true, walk)) return ActionNone;
  cell_tags_.Trim();  // no table is being converted
  const DetagOptions& options = pass_.Options();
  const DetagMarkers& markers = pass_.Markers();
  TextBlockStore& blocks = pass_.MutableTextBlocks();
  // The tables around this one, in front of the match or inside it: a
  // nested table is fitted to the cell that holds it. The tags are followed
  // from the first nested table of an enclosing table (whose match holds
  // that table's start) until the enclosing table ends, so that its later
  // nested tables are known as nested too.
  const bool new_scan = tracked_text_ != text.data() || tracked_size_ != text.size() ||
                        static_cast<size_t>(start) < tracked_to_;
  if (new_scan || enclosing_.empty()) {
    enclosing_.clear();
    tracked_text_ = text.data();
    tracked_size_ = text.size();
    tracked_to_ = static_cast<size_t>(start);
  }
  if (walk.nested || !enclosing_.empty())
    TrackEnclosingTables(text, static_cast<size_t>(start) + walk.prefix.size(),
                         static_cast<size_t>(start));
  if (!enclosing_.empty()) {
    walk.nested = true;
    nested_seen_ = true;
    deepest_ = std::max(deepest_, static_cast<int>(enclosing_.size()) + 1);
    const size_t table_start = static_cast<size_t>(start) + walk.prefix.size();
    walk.starting_width = EnclosedWidth(
        text,
        std::string_view(text).substr(table_start, static_cast<size_t>(end) + 1 - table_start),
        std::string_view(text).substr(static_cast<size_t>(end) + 1));
  }
  // The table itself is closed when the scan goes on after it. While
  // enclosing tables are followed, its own tags are followed too: a stray
  // end tag inside it (one the scan does not pair, "</table " without its
  // ">") closes an enclosing table here as it does where a text is cut
  // into parts (FreshTableCut counts every table tag).
  if (enclosing_.empty())
    tracked_to_ = static_cast<size_t>(end) + 1;
  else
    TrackEnclosingTables(text, static_cast<size_t>(end) + 1);

  std::string flattened;
  std::string_view table = walk.table;
  if (!options.headings_in_tables && table.find(markers.start_heading) != std::string_view::npos) {
    flattened = FlattenHeadings(table, markers);
    table = flattened;
  }

  // The table goes as soon as it is rendered, before the text is spliced.
  std::optional<TextTable> text_table;
  text_table.emplace(options, markers, LeadingTag(table), blocks, walk.starting_width, walk.nested);
  int row_number = 0;
  std::string row_text;
  // Text outside every cell (a caption, stray words between rows) is kept
  // and goes in front of the table.
  std::string outside;
  std::string kept;
  auto keep_outside = [&](std::string_view stretch) {
    // Mostly tags and blanks, which keep nothing: only a stretch with
    // something else left once its tags are out is made into words.
    kept.clear();
    AppendWithoutTags(stretch, kept);
    if (std::all_of(kept.begin(), kept.end(), IsBlank)) return;
    FinishCellContent(kept);
    const std::string words = CollapseBlanks(kept);
    if (words.empty()) return;
    if (!outside.empty()) outside += ' ';
    outside += words;
  };
  size_t first_row = FindTag(table, "tr", 0);
  keep_outside(table.substr(0, std::min(first_row, table.size())));
  for (size_t row_start = first_row; row_start != std::string_view::npos;) {
    const TableRowWalk row_walk = WalkTableRow(table, row_start);
    const size_t next = row_walk.next;
    size_t row_end = next;
    if (next == std::string_view::npos) {
      row_end = row_walk.first_end;
      if (row_end == std::string_view::npos) row_end = FindTag(table, "/table", row_start);
      if (row_end == std::string_view::npos) row_end = table.size();
      keep_outside(table.substr(row_end));
    } else if (next - row_start > 8 && !row_walk.closed) {
      warnings_.Add("WARNING: Table row has a missing </TR>");
    }
    RowWithoutLineFeeds(table.substr(row_start, row_end - row_start), markers, row_text);
    std::string_view row = TrimView(row_text);
    row_start = next;
    if (row.size() <= 4) continue;

    ++row_number;
    const std::string_view row_tag = LeadingTag(row);
    // A tag without a blank ("<tr>") has no attributes to look for.
    const bool row_attributes = std::any_of(row_tag.begin(), row_tag.end(), IsBlank);
    std::string value;
    int vertical = 0;
    if (row_attributes && GetTagAttribute(row_tag, "valign", value)) {
      value = Trim(value);
      if (EqualsNoCase(value, "top"))
        vertical = 1;
      else if (EqualsNoCase(value, "bottom"))
        vertical = 2;
      else if (EqualsNoCase(value, "middle") || EqualsNoCase(value, "center"))
        vertical = 3;
    }
    int horizontal = 1;
    if (row_attributes && GetTagAttribute(row_tag, "align", value)) {
      value = Trim(value);
      if (EqualsNoCase(value, "right"))
        horizontal = 3;
      else if (EqualsNoCase(value, "center"))
        horizontal = 2;
    }
    text_table->SetRowAttributes(row_number, vertical, horizontal);

    int column = 0;
    // A cell tag with attributes is read once for all the tables.
    auto add_cell = [&](std::string_view cell_tag, std::string content) {
      if (std::any_of(cell_tag.begin(), cell_tag.end(), IsBlank))
        text_table->AddCell(row_number, column, cell_tags_.Find(cell_tag), std::move(content));
      else
        text_table->AddCell(row_number, column, CellTagAttributes(), std::move(content));
    };
    bool cell_follows = false;
    const size_t first_boundary = NextCellBoundary(row, 0, cell_follows);
    keep_outside(row.substr(0, first_boundary));
    for (size_t boundary = first_boundary; boundary < row.size();) {
      const size_t following = NextCellBoundary(row, boundary + 1, cell_follows);
      const std::string_view stretch = row.substr(boundary, following - boundary);
      boundary = following;
      if (!IsCellStart(stretch)) {
        keep_outside(stretch);
        continue;
      }
      ++column;
      while (text_table->RowSpanCovers(column)) ++column;
      if (!cell_follows && stretch.size() >= kLargeCell) {
        // A large last cell of a row is made from the copy of the row
        // itself, so that a table of one large cell does not hold it
        // twice. What follows it in the row is kept aside and goes on as
        // the row.
        std::string tail(row.substr(boundary));
        const std::string cell_tag(LeadingTag(stretch));
        const size_t stretch_start = static_cast<size_t>(stretch.data() - row_text.data());
        const size_t stretch_size = stretch.size();
        row_text.resize(stretch_start + stretch_size);
        row_text.erase(0, stretch_start);
        add_cell(cell_tag, CellContent(std::move(row_text)));
        row_text = std::move(tail);
        row = row_text;
        boundary = 0;
        continue;
      }
      add_cell(LeadingTag(stretch), CellContent(stretch));
    }
  }
  std::string().swap(row_text);

  std::string rendered;
  const bool has_columns = text_table->Render(rendered);
  text_table.reset();
  std::string replacement(walk.prefix);
  if (has_columns) {
    const int number = blocks.Add(std::move(rendered));
    if (!outside.empty()) replacement += markers.statement + outside;
    replacement += markers.start_pre;
    replacement += "$_$_TEXTBLOCK " + std::to_string(number);
    replacement += markers.end_pre;
  } else {
    warnings_.Add("WARNING: failed to parse HTML table");
    // The table's text stays; its tags go now rather than in the
    // remaining-tag pass, so that the table is not matched again and an
    // enclosing table does not take its rows for its own.
    replacement += CellContent(table);
  }
  if (replacement.find('<') != std::string::npos || (start > 0 && text[start - 1] == '<'))
    may_rematch_ = true;
  // The scan goes on after a nested table too: its enclosing table is
  // converted by the next application of the list, and the rest of the
  // text need not wait for it.
  return list.ReplaceMatch(replacement);
}

int TableAnalysis::HandleHtmlTable(PatternList& list, long start, long end,
                                   const std::string& text) {
  if (!html_pass_active_) return ActionNone;
  if (start < 0 || end < start || static_cast<size_t>(end) >= text.size()) return ActionNone;
  const std::string_view match(text.data() + start, static_cast<size_t>(end - start + 1));
  Walk walk;
  if (!FindInnermost(match, false, walk)) return ActionNone;
  const DetagMarkers& markers = pass_.Markers();
  const std::string_view table = walk.table;

  // The table with every cell cleaned; rows run to the next <tr or the
  // </table.
  std::string cleaned;
  size_t copied = 0;
  for (size_t row_start = FindTag(table, "tr", 0); row_start != std::string_view::npos;) {
    size_t row_end = FindTag(table, "tr", row_start + 3);
    const size_t next = row_end;
    if (row_end == std::string_view::npos) row_end = FindNoCase(table, "</table", row_start);
    if (row_end == std::string_view::npos) row_end = table.size();
    const std::string_view row = table.substr(row_start, row_end - row_start);
    bool cell_follows = false;
    for (size_t boundary = NextCellBoundary(row, 0, cell_follows); boundary < row.size();) {
      const size_t following = NextCellBoundary(row, boundary + 1, cell_follows);
      const std::string_view stretch = row.substr(boundary, following - boundary);
      if (IsCellStart(stretch)) {
        std::string clean = CleanCell(stretch, markers);
        if (clean != stretch) {
          cleaned.append(table, copied, row_start + boundary - copied);
          cleaned += clean;
          copied = row_start + following;
        }
      }
      boundary = following;
    }
    row_start = next;
  }
  cleaned.append(table, copied, std::string_view::npos);
  html_tables_.push_back(std::move(cleaned));
  return list.ReplaceMatch(std::string(walk.prefix) + Placeholder(markers, html_tables_.size()));
}

size_t FreshTableCut(std::string_view text) {
  // One walk over the "<" finds two things. The tables a scan finds, each
  // from a "<table" to the first "</table>" after it, and up to where every
  // table opening has its end. And where tables are open as the tracker of
  // enclosing tables counts them ("<table" and "</table" in turn, whatever
  // the scan pairs): a table left open there (one never closed, or an outer
  // one of nested tables) would be enclosing for the tables after it in one
  // text, and not in a part.
  constexpr size_t kNone = std::string_view::npos;
  std::vector<std::pair<size_t, size_t>> tables;      // opening, just after the end
  std::vector<std::pair<size_t, size_t>> open_spans;  // from an opening to just after its end
  size_t scan_open = kNone;  // the scan's table waiting for its end
  size_t depth = 0;
  ByteCursor opens(text, '<');
  for (size_t at = opens.Next(0); at < text.size(); at = opens.Next(at + 1)) {
    if (!MayBeTableTag(text, at)) continue;
    const std::string_view here = text.substr(at);
    if (scan_open == kNone) {
      if (StartsWithNoCase(here, "<table")) scan_open = at;
    } else if (StartsWithNoCase(here, "</table>")) {
      tables.emplace_back(scan_open, at + 8);
      scan_open = kNone;
    }
    const int kind = TableTagKind(text, at);
    if (kind == 1 && depth++ == 0) open_spans.emplace_back(at, kNone);
    if (kind == 2 && depth > 0 && --depth == 0) open_spans.back().second = at + 1;
  }
  // The cut is looked for before the scan's unended table, if any: what
  // the walk found after it changes nothing there (a span closed after it
  // still reaches past every line end before it).
  const size_t limit = scan_open == kNone ? text.size() : scan_open;
  // The end of a line at or before it, outside every table, with no "<"
  // just before.
  constexpr size_t kQuiet = 8;
  size_t k = tables.size();
  size_t o = open_spans.size();
  for (size_t cut = limit; cut > 0;) {
    const size_t feed = text.rfind('\n', cut - 1);
    if (feed == std::string_view::npos) return 0;
    const size_t after = feed + 1;
    while (k > 0 && tables[k - 1].first >= after) --k;
    if (k > 0 && tables[k - 1].second > after) {
      cut = tables[k - 1].first;  // a line end inside a table: look before it
      continue;
    }
    while (o > 0 && open_spans[o - 1].first >= after) --o;
    if (o > 0 && open_spans[o - 1].second > after) {
      cut = open_spans[o - 1].first;
      continue;
    }
    const size_t from = after > kQuiet ? after - kQuiet : 0;
    if (text.substr(from, after - from).find('<') == std::string_view::npos) return after;
    cut = feed;
  }
  return 0;
}

void TableAnalysis::BeginTextTables() {
  warnings_.Clear();
  nested_seen_ = false;
  may_rematch_ = false;
  deepest_ = 0;
  unicode_output_ = false;
}

int TableAnalysis::ApplyFirstToPart(PatternList& list, std::string& part) {
  return list.ApplyInPlace(part);
}

// Once the first application acted: the report, and more applications
// while they act (and a few after nested tables), up to the limit.
void TableAnalysis::ApplyRest(PatternList& list, std::string& text, int first_actions) {
  if (first_actions <= 0) return;
  if (report_) report_("INFO: Parsed Table markup", 10);
  // What the first application left it would leave again, and a table
  // it converted left no tag behind: without a table nested in another,
  // or a replacement that could make a new table tag, a second
  // application finds nothing to convert, and a whole scan is saved.
  if (!nested_seen_ && !may_rematch_ && pass_.Options().TextMode()) return;
  int applications = 1;
  int acted = first_actions;
  while ((acted > 0 || (nested_seen_ && applications < 4)) &&
         applications < kMaxTableApplications) {
    acted = list.ApplyInPlace(text);
    ++applications;
  }
  if (acted > 0)
    warnings_.Add("WARNING: Tables nested more than " + std::to_string(kMaxTableApplications) +
                  " deep are left as text");
}

void TableAnalysis::ReportOutcome() {
  warnings_.ReportAll(report_, 8);
  if (nested_seen_ && report_) {
    std::string message = "INFO: nested tables detected";
    if (deepest_ > 1) message += " (" + std::to_string(deepest_) + " levels)";
    report_(message, 10);
  }
}

void TableAnalysis::FinishTextTables(PatternList& list, std::string& text, int first_actions,
                                     const ReportFunction& report) {
  report_ = report;
  ApplyRest(list, text, first_actions);
  ReportOutcome();
  report_ = nullptr;
}

void TableAnalysis::RunTablePasses(PatternList& list, std::string& text,
                                   const ReportFunction& report) {
  BeginTextTables();
  if (pass_.Options().TextMode()) {
    const int acted = ApplyFirstToPart(list, text);
    FinishTextTables(list, text, acted, report);
    return;
  }
  report_ = report;
  html_pass_active_ = true;
  html_tables_.clear();
  std::string original = text;
  ApplyRest(list, text, list.ApplyInPlace(text));
  ReportOutcome();

  html_pass_active_ = false;
  if (!html_tables_.empty()) {
    std::vector<char> used(html_tables_.size(), 0);
    std::string restored;
    restored.reserve(text.size() + text.size() / 4);
    const bool complete =
        ExpandPlaceholders(text, html_tables_, pass_.Markers(), used, 0, restored) &&
        std::find(used.begin(), used.end(), 0) == used.end();
    if (complete) {
      text.swap(restored);
    } else {
      if (report_) report_("PROGRAM ERROR: Failed to replace tags inside nested tables", 10);
      text.swap(original);
    }
  }
  html_tables_.clear();
  report_ = nullptr;
}

std::unique_ptr<TableAnalysis> InstallTableHandlers(DetagPass& pass) {
  auto analysis = std::make_unique<TableAnalysis>(pass);
  TableAnalysis* tables = analysis.get();
  DetagHandlerSlots& slots = pass.HandlerSlots();
  slots.text_tables = [tables](PatternList& list, const Pattern&, long start, long end,
                               const std::string& text, size_t,
                               void*) { return tables->HandleTextTable(list, start, end, text); };
  slots.html_tables = [tables](PatternList& list, const Pattern&, long start, long end,
                               const std::string& text, size_t,
                               void*) { return tables->HandleHtmlTable(list, start, end, text); };
  return analysis;
}

}  // namespace orv
