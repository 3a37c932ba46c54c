// HTML table analysis: finds the tables of the converted text innermost
// first, splits each into rows and cells and hands them to a text table
// (textout/text_table.h), whose rendering is stored as a numbered text block
// in place of the table markup. In markup removal the same walk cleans
// paragraph tags out of table cells. The detag pass (detag.h) owns the
// analysis and runs it in its whole-text pass through its table lists.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/report.h"
#include "html/pattern_list.h"
#include "html/tag_scanner.h"
#include "textout/marks.h"
#include "textout/text_table.h"

namespace orv {

class DetagPass;

// Passes over one text stop after this many applications of the table list
// even when the last one still converted tables; tables nested deeper than
// that keep their markup for the remaining-tag pass.
inline constexpr int kMaxTableApplications = 64;

// The longest start of `text` after which a scan of the "<table**</table>"
// list is idle: every "<table" before it is followed by a "</table>" before
// it, and it ends a line with no "<" among the last characters (no tag
// opening can be under way there). 0 when there is none.
size_t FreshTableCut(std::string_view text);

// What one walk from a row start ("<tr" at `row_start` of a table's text)
// finds: the next row start ("<tr" as a whole tag name, any case; npos when
// none), the first "</tr" tag after the row start (npos when none), and
// whether the row has a "</tr" before the next row start, judged within the
// row alone (where a "</tr" right before the next "<tr" still ends its
// name). Reads the row once.
struct TableRowWalk {
  size_t next = std::string_view::npos;
  size_t first_end = std::string_view::npos;
  bool closed = false;
};
TableRowWalk WalkTableRow(std::string_view table, size_t row_start);

// Where the cell stretch of `row` that begins at `from` ends: the next cell
// start ("<td" or "<th"), else the next "</tr", else the next "</td", else
// the end of the row. `cell_follows` tells whether it was a cell start.
// Reads the rest of the row at most once.
size_t NextCellBoundary(std::string_view row, size_t from, bool& cell_follows);

// Each run of blanks (spaces, tabs) in a cell's text becomes one space, as
// a browser shows it; between the start and end marks of a preformatted
// section the blanks stay as written. In place.
void CollapseCellBlanks(std::string& content, const DetagMarkers& m);

// A row's text with its line feeds, tabs and returns as blanks of the
// source, into `out`; inside verbatim sections (between the preformatted
// or heading marks) a line feed ends a line and becomes the line-break
// mark.
void RowWithoutLineFeeds(std::string_view row, const DetagMarkers& m, std::string& out);

class TableAnalysis {
 public:
  // The analysis reads the pass's options, markers and text blocks each
  // time a table is handled; `pass` must outlive it.
  explicit TableAnalysis(DetagPass& pass);

  // Applies `list` (whose "<table**</table>" entry calls one of the
  // handlers below) to `text` until no more tables are converted, reporting
  // "INFO: Parsed Table markup" and, when tables were nested, "INFO: nested
  // tables detected". In markup removal the converted tables are put back
  // afterwards with their cells cleaned. Each application costs time linear
  // in the text; there are as many as the tables are deeply nested, plus one.
  void RunTablePasses(PatternList& list, std::string& text, const ReportFunction& report);

  // RunTablePasses in steps, for a text mode text that arrives in parts:
  // BeginTextTables, then ApplyFirstToPart on consecutive parts of the text
  // (each cut where FreshTableCut allows, so that the parts scanned one by
  // one give what one scan of the whole gives), then FinishTextTables on
  // the whole rewritten text with the count the parts returned in total.
  // The messages all come from FinishTextTables, as RunTablePasses gives them.
  void BeginTextTables();
  int ApplyFirstToPart(PatternList& list, std::string& part);
  void FinishTextTables(PatternList& list, std::string& text, int first_actions,
                        const ReportFunction& report);

  // Text mode: converts the innermost table of the match (from a "<table"
  // to the first "</table>" after it) into a text block. Returns
  // ActionChanged, or ActionNone for a match it cannot use.
  int HandleTextTable(PatternList& list, long start, long end, const std::string& text);

  // Markup removal: cleans the paragraph tags out of the cells of the
  // innermost table of the match and sets the table aside until the pass
  // ends. Outside RunTablePasses it does nothing (ActionNone).
  int HandleHtmlTable(PatternList& list, long start, long end, const std::string& text);

  // Whether entity replacement in a table cell wrote UTF-8 during the last
  // RunTablePasses.
  bool UnicodeOutput() const { return unicode_output_; }

 private:
  struct Walk;
  void ApplyRest(PatternList& list, std::string& text, int first_actions);
  void ReportOutcome();
  // Steps 1 and 2 shared by both handlers: the innermost table of a match,
  // the width it may take, and the text in front of it.
  bool FindInnermost(std::string_view match, bool text_mode, Walk& walk);
  // Text mode: follows the table, row and cell tags of the scanned text
  // from where it last stopped up to `to`, so that a table whose enclosing tables lie before its match
  // (a second nested table in a row) is known as nested, and the width
  // of the cell that holds it can be estimated. Once no table is open, the
  // tags before `restart_at` (the start of the match at hand) are passed
  // over, as they are when a match comes with no table open: a table
  // opening the scan passed over ("<<table>") is then not taken for an
  // enclosing table in one text and left out in a text cut into parts.
  void TrackEnclosingTables(const std::string& text, size_t to,
                            size_t restart_at = std::string::npos);
  // The width a nested table may take in the cell that holds it: the
  // starting width narrowed level by level by the enclosing tables' and
  // cells' width attributes, or, for a cell without one, by its share of
  // the row. `table` is the nested table's own text, `after` the text after
  // it.
  int EnclosedWidth(const std::string& text, std::string_view table,
                    std::string_view after) const;
  std::string CellContent(std::string_view stretch);
  std::string CellContent(std::string content);
  // What CellContent does once the tags are out.
  void FinishCellContent(std::string& content);

  DetagPass& pass_;
  ReportFunction report_;
  CountedMessages warnings_;
  bool nested_seen_ = false;
  // A text-mode table was replaced by text with a "<" in it, or after a
  // "<": another application might find a table tag the replacement made.
  bool may_rematch_ = false;
  int deepest_ = 0;
  bool unicode_output_ = false;
  // The enclosing tables at the point the text-mode scan has reached: where
  // each table tag, its current row and cell start, and the cells of that
  // row so far.
  struct Enclosing {
    size_t table = 0;
    size_t cell = std::string::npos;
    int cells = 0;
  };
  std::vector<Enclosing> enclosing_;
  const char* tracked_text_ = nullptr;
  size_t tracked_size_ = 0;
  size_t tracked_to_ = 0;
  // Text mode: the cell tags of the tables converted so far, read once.
  CellTagCache cell_tags_;
  // Markup removal: the tables set aside during the current pass.
  bool html_pass_active_ = false;
  std::vector<std::string> html_tables_;
};

// Creates the analysis for `pass` and installs its handlers into the pass's
// text_tables and html_tables slots. The pass keeps the returned object.
std::unique_ptr<TableAnalysis> InstallTableHandlers(DetagPass& pass);

// Text-mode tag removal as the remaining-tag pass does it
// (RemoveAllTagsInPlace), on a copy of `text`. Linear.
std::string RemoveAllTags(std::string_view text);

}  // namespace orv
