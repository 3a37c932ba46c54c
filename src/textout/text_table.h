// The text table: collects the cells of one HTML table (already converted
// to marked-up text by the detag pass), measures them, fits column widths to
// the available width and renders the table as a text grid or as comma- or
// tab-delimited lines. html/table_analysis.cpp feeds it; the rendered text
// becomes a stored text block (text_blocks.h) that the layout step expands.
#pragma once

#include <cstdint>
#include <deque>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/line_list.h"
#include "html/detag_options.h"
#include "html/parsed_tag.h"
#include "textout/marks.h"
#include "textout/text_blocks.h"

namespace orv {

// How the table is written.
enum class TableFormat { kTextGrid = 0, kTabDelimited = 1, kCommaDelimited = 2 };

// Largest column span taken from a colspan attribute (larger values are
// clamped, as browsers do), so a hostile span cannot make the table huge.
inline constexpr int kMaxColumnSpan = 1000;

struct TextTableColumn {
  int width = 0;
  int minimum = 0;          // widest unbreakable word of its cells
  int natural = 0;          // widest line of its cells
  int declared = 0;         // largest width attribute of its single-column cells
  int16_t fixed = 0;        // widest nested table in its cells (at most 78)
  bool percentage = false;  // the declared width came from a percentage
};

struct TextTableRow {
  int lines = 0;  // text lines of its tallest cell
  bool rule_row = false;
  bool statement_row = false;
  int8_t vertical = 0;    // 0 none, 1 top, 2 bottom, 3 middle
  int8_t horizontal = 1;  // 1 left, 2 centre, 3 right
};

struct TextTableCell {
  // A table of many small cells holds one of these for each: the fields
  // are ordered and sized so that it stays small, and the content lines
  // live in the table's one line store. Only what rendering needs is kept;
  // the measures that size the columns are taken when the cell is added,
  // and the two that rendering needs of a few cells (spanning cells,
  // cells holding a nested table) are kept apart for those.
  uint32_t first_line = 0;  // where its lines start in the table's store
  uint32_t line_total = 0;  // content lines, statements still in place
  int row = 0;
  int column = 0;
  int line_count = 0;     // lines that are shown (statements left out)
  int16_t column_span = 1;
  int8_t vertical = 0;       // 0 none, 1 top, 2 bottom, 3 middle
  int8_t align_default = 0;  // 0 none, 1 left, 2 centre, 3 right, 4 justify
  int8_t alignment = 0;      // current alignment while rendering
  bool rule_cell = false;
  bool has_text_block = false;
};

// The attributes of a cell tag ("<td ...>" or "<th ...>") that the text
// table reads, each the value of the first attribute of its name (any
// case) as written in the tag, or none. The views are into the tag.
struct CellTagAttributes {
  std::optional<std::string_view> valign, align, colspan, nowrap, width, rowspan;

  // Reads them from `tag`, as TagAttributes reads a tag; a tag without a
  // blank has none and is not parsed.
  static CellTagAttributes Read(std::string_view tag);
};

// Cell tags read once: many tables repeat the same few cell tags, and a
// table's cells take theirs from here rather than parsing each again.
class CellTagCache {
 public:
  // The attributes of `tag`, read on its first look. The views stay valid
  // as long as `tag` does and the cache is not trimmed.
  CellTagAttributes Find(std::string_view tag);
  // Lets everything go once the cache is full; call it only when no
  // attributes it gave are still in use.
  void Trim();

 private:
  // It keeps at most this many tags, none longer than this.
  static constexpr size_t kMostTags = 512;
  static constexpr size_t kLongestTag = 256;
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view tag) const { return std::hash<std::string_view>{}(tag); }
  };
  std::unordered_map<std::string, CellTagAttributes, Hash, std::equal_to<>> tags_;
};

class TextTable {
 public:
  // Creates the table for one HTML table. `table_tag` is the "<table ...>"
  // tag (its border, width and align attributes are read); `blocks` holds
  // the already rendered nested tables that "$_$_TEXTBLOCK n" lines in the
  // cells refer to; `starting_width` is the room the caller gives the table
  // in columns; `nested` says the table lies inside another table.
  TextTable(const DetagOptions& options, const DetagMarkers& markers, std::string_view table_tag,
            const TextBlockStore& blocks, int starting_width, bool nested);

  // Starts row `row` (from 1) with the alignment its <tr> tag gives.
  void SetRowAttributes(int row, int vertical, int horizontal);

  // Whether a row span of an earlier row still covers `column` in the row
  // last started.
  bool RowSpanCovers(int column) const;

  // Adds a cell of the current row at column `column` (from 1). `cell_tag`
  // is its "<td ...>" or "<th ...>" tag, `content` its text with the tags
  // removed but the detag pass's marks and statements still in place. On
  // return `column` is the last column the cell spans. The content is
  // taken over (a large cell is not copied). Cost: linear in the content
  // plus the span.
  void AddCell(int row, int& column, std::string_view cell_tag, std::string content);
  // The same with the cell tag's attributes already read.
  void AddCell(int row, int& column, const CellTagAttributes& cell_tag, std::string content);

  // Renders the table, appending its lines (each ending in a line feed) to
  // `output`. Returns false, adding nothing, for a table without columns.
  // Cost: linear in the cells' content and in the size of the output.
  bool Render(std::string& output);

  TableFormat Format() const { return format_; }
  bool HasBorder() const { return border_; }
  int AvailableWidth() const { return available_; }
  int TargetWidth() const { return target_; }
  const std::deque<TextTableColumn>& Columns() const { return columns_; }

 private:
  // The measures of a cell being added, which size its columns.
  struct CellMeasures {
    int natural = 0;                // widest line of its content
    int fixed_width = 0;            // widest line of a nested table it holds
    int minimum = 0;                // widest unbreakable word
    int declared_width = 0;         // from its width attribute
    bool declared_percent = false;  // the declared width came from a percentage
    bool no_wrap = false;
  };
  // A cell's lines in the line store, read as a list of string views
  // (valid until the store changes).
  class CellLines {
   public:
    CellLines(const CompactLineList& store, const TextTableCell& cell)
        : store_(&store), first_(cell.first_line), size_(cell.line_total) {}
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view operator[](size_t index) const { return (*store_)[first_ + index]; }
    size_t text_size() const;

    using const_iterator = LineIndexIterator<CellLines>;
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

   private:
    const CompactLineList* store_;
    size_t first_;
    size_t size_;
  };
  // The cells of each row, by index into cells_, in the order added.
  class RowCells {
   public:
    std::span<const uint32_t> operator[](size_t row) const {
      return std::span<const uint32_t>(order_.data() + first_[row], first_[row + 1] - first_[row]);
    }

   private:
    friend class TextTable;
    std::vector<uint32_t> order_;
    std::vector<uint32_t> first_;  // row r's cells start at order_[first_[r]]
  };

  bool Delimited() const { return format_ != TableFormat::kTextGrid; }
  CellLines Lines(const TextTableCell& cell) const { return CellLines(lines_, cell); }
  // Gives the cell `replacement` as its lines (`replacement` may be left
  // empty): they go at the end of the store, where the old ones stay,
  // unused, unless they were the last there.
  void ReplaceLines(TextTableCell& cell, CompactLineList& replacement);
  void EnsureColumns(int count);
  void PrepareContent(TextTableCell& cell, CellMeasures& measures, std::string text);
  void MeasureCell(TextTableCell& cell, CellMeasures& measures);
  void RaiseColumns(const TextTableCell& cell, const CellMeasures& measures);
  void SetColumnWidth(TextTableColumn& column, int width, bool forced = false);
  int CellWidth(const TextTableCell& cell) const;
  int Total() const;
  void WidenForSpanningCells();
  void GrowToTarget();
  void FitToAvailable();
  void ShrinkToAvailable();
  void WrapCell(TextTableCell& cell);
  void AppendCellLine(TextTableCell& cell, int fixed_width, int8_t& alignment, int line, int width,
                      std::string& text, std::string& out) const;
  int FixedWidth(size_t cell) const;
  RowCells CellsByRow() const;
  size_t GridSizeBound(const RowCells& row_cells) const;
  void RenderGrid(const RowCells& row_cells, std::string& output);
  void RenderDelimited(const RowCells& row_cells, std::string& output);

  const DetagOptions& options_;
  const DetagMarkers& markers_;
  const TextBlockStore& blocks_;
  int indent_ = 0;
  int available_ = 0;
  int target_ = 0;
  bool centred_ = false;
  bool nested_ = false;
  bool border_ = false;
  bool has_rule_rows_ = false;
  TableFormat format_ = TableFormat::kTextGrid;
  int current_row_ = 0;
  // Column c at index c - 1, row r at index r - 1. Deques grow without
  // copying what they hold, so a row of many cells or a table of many rows
  // never needs room for them twice.
  std::deque<TextTableColumn> columns_;
  std::deque<TextTableRow> rows_;
  // In the order added.
  std::deque<TextTableCell> cells_;
  // The widest line and the widest nested-table line of the spanning cells
  // and of the cells that hold a nested table, in the order added.
  struct CellWidths {
    uint32_t cell = 0;  // index in cells_
    int natural = 0;
    int fixed_width = 0;
  };
  std::vector<CellWidths> cell_widths_;
  // The lines of every cell, side by side in one buffer: a string per cell
  // would cost more than the text of a small cell.
  CompactLineList lines_;
  // Per column (index c - 1): the last row a row span covers it in; only
  // as long as the columns that a row span has covered.
  std::vector<int> row_span_until_;
};

}  // namespace orv
