// The line layout step: turns the marked-up text of one file (plain lines,
// layout statements, in-line alignment and list-item tags, break markers)
// into the finished lines of the output. Built on text_line.h; the detag
// pass produces its input and the output file writer writes its result.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "html/detag_options.h"
#include "textout/marks.h"
#include "textout/text_blocks.h"
#include "textout/text_line.h"

namespace orv {

// Layout state that lives for the whole program, not one file: the
// alignment last set by an alignment tag and the justification toggle that
// alternates where justified lines take their extra spaces. The caller owns
// it and hands the same object to every file's layout.
struct ProgramLayoutState {
  Alignment alignment = Alignment::kNone;
  bool justify_toggle = true;
  bool operator==(const ProgramLayoutState&) const = default;
};

// What the layout of one file needs besides the options.
struct LayoutFileInputs {
  // Average length of the longer source lines, measured by the detag pass
  // when it re-joins source lines; used by the short-line test.
  int typical_line_length = 80;
  // Characters from "bullet char" policy lines (at most 7), each replaced
  // by the text bullet when it stands alone as a list item's first word.
  std::string bullet_chars;
  // The stored text blocks of this file, or none.
  const TextBlockStore* text_blocks = nullptr;
  // A text of at least `worth_splitting` bytes may be laid out in two
  // halves on two threads (the lines and messages are the same).
  bool side_by_side = false;
  size_t worth_splitting = size_t{1} << 20;
  // When set, called now and then with a stretch [from, to) of the text
  // that the layout will not read again, so that the caller may let its
  // memory go while the laid-out lines pile up (in steps of
  // `release_step` bytes, or once for all of it).
  std::function<void(size_t from, size_t to)> done_with;
  size_t release_step = size_t{256} << 10;
};

// The finished lines of layout calls, written into a caller's list whose
// strings are kept from call to call: entries past the used count keep
// their buffers, so steady-state layout allocates nothing per line. The
// list must outlive this object.
class LaidOutLines {
 public:
  // Appends after the lines `lines` already holds.
  explicit LaidOutLines(std::vector<std::string>& lines) : lines_(lines), size_(lines.size()) {}

  // A new, empty last line (a kept buffer when there is one).
  std::string& Add() {
    if (size_ < lines_.size()) {
      std::string& line = lines_[size_++];
      line.clear();
      return line;
    }
    ++size_;
    return lines_.emplace_back();
  }
  void Add(std::string_view text) { Add().assign(text); }

  size_t Size() const { return size_; }
  std::string& operator[](size_t index) { return lines_[index]; }
  // Drops the lines from `size` on; their buffers stay for reuse.
  void Truncate(size_t size) { size_ = std::min(size, size_); }
  void Clear() { size_ = 0; }
  // Shrinks the caller's list to the used lines.
  void Commit() { lines_.resize(size_); }

 private:
  std::vector<std::string>& lines_;
  size_t size_;
};

class LineLayout {
 public:
  // `program_state` must outlive the layout; `report` may be empty.
  explicit LineLayout(ProgramLayoutState& program_state, ReportFunction report = {});

  // Starts a file: nesting level 0, paragraph start, no verbatim section,
  // nothing pending or accumulated. Takes the indentation table, page width
  // and bullet settings from `options` and `inputs`.
  void ResetLayoutState(const DetagOptions& options, const LayoutFileInputs& inputs);

  // Sets the nesting level and with it the current indent (the level's
  // indentation position; below 0 the first, beyond 7 the eighth) and the
  // layout width (page width less indent, at least 30 columns).
  void SetNestingLevel(int level);

  // Lays out one source line, given the line after it (`next`) as look-ahead,
  // appending finished lines to `output`. `more_lines` is clear for the last
  // line of the file; that call also tidies `output` (trailing blanks, runs
  // of blank lines) unless white space is preserved. Outside text mode the
  // line is appended unchanged. Linear in the line's length.
  void LayOutLine(const DetagOptions& options, std::vector<std::string>& output, bool more_lines,
                  std::string_view line, std::string_view next);
  // The same, appending to `output`'s kept line buffers.
  void LayOutLine(const DetagOptions& options, LaidOutLines& output, bool more_lines,
                  std::string_view line, std::string_view next);

  int NestingLevel() const { return level_; }
  // Everything a layout carries from one line to the next, so that two
  // layouts can be compared: in the same state, they lay out what follows
  // alike.
  struct State {
    ProgramLayoutState program;
    std::array<int, 8> indent_positions{};
    int page_width = 0, typical_line_length = 0;
    std::string text_bullet, bullet, bullet_chars;
    const TextBlockStore* blocks = nullptr;
    int level = 0, indent = 0, layout_width = 0;
    std::string indent_string;
    bool paragraph_start = false, previous_short = false, verbatim = false, pre = false,
         pre_first_line = false;
    int pre_blank_lines = 0;
    std::string pending, accumulator;
    bool paragraph_ended = false;
    std::vector<int> label_room;
    bool operator==(const State&) const = default;
  };
  State CurrentState() const;
  // For a layout that took up a text part-way: the label rooms of the
  // levels deeper than the current one are what the part before left
  // there, which this layout does not know. From now on a use of one
  // before this layout sets it is noted, and makes ReadForgottenLabelRoom
  // true.
  void ForgetLabelRoomAboveLevel();
  bool ReadForgottenLabelRoom() const { return read_forgotten_room_; }
  // Inside a preformatted section (not a heading), whose lines are written
  // as they stand, blank lines included.
  bool InPreformattedText() const { return pre_; }
  int CurrentIndent() const { return indent_; }
  int LayoutWidth() const { return layout_width_; }
  // Lets the layout hand the lines it has laid out so far on, by calling
  // `hand_on` (which takes them out of the output), while it expands a
  // large stored text block, rather than hold every line of the block at
  // once. Only where the output would not be tidied at the end of the line.
  void SetHandOn(std::function<void()> hand_on) { hand_on_ = std::move(hand_on); }

 private:
  // A piece of the current line: where it lies in `line_` and the width it
  // was cut to and is aligned within.
  struct Piece {
    size_t from = 0;
    size_t size = 0;
    int width = 0;
  };

  void Emit(LaidOutLines& output, std::string_view line) { output.Add(line); }
  void EmitEmpty(LaidOutLines& output);
  void EmitPending(const DetagOptions& options, LaidOutLines& output);
  // Cuts `line_` into `pieces_`. The first piece of a list item is wider
  // by `hang`, the label that stands left of the text column.
  void CutLine(const DetagOptions& options, bool wrap, size_t hang);
  // Moves the current level's text column right so that a list label of
  // `hang` columns (label and blank) fits left of it; the deeper levels
  // opened from here move with it.
  void MakeRoomForLabel(size_t hang);
  // Handles a layout statement; false when `piece` is not one.
  bool DoStatement(const DetagOptions& options, LaidOutLines& output, std::string_view piece);
  // Bullet substitution in a list item's label; with `first_word` clear
  // only the replacement of middle dots (for the item's text).
  void SubstituteBullets(std::string& piece, bool first_word = true) const;
  void Accumulate(std::string_view piece, std::string_view indent);
  void FlushAccumulator(LaidOutLines& output);
  void Tidy(LaidOutLines& output) const;

  ProgramLayoutState& program_;
  ReportFunction report_;
  std::function<void()> hand_on_;
  bool tidy_at_end_ = false;  // the line being laid out is tidied at its end

  // Per-file settings.
  std::array<int, 8> indent_positions_{};
  int page_width_ = 72;
  int typical_line_length_ = 80;
  std::string text_bullet_;  // first "Text bullet characters" entry
  std::string bullet_;       // what a "bullet char" bullet becomes
  std::string bullet_chars_;
  const TextBlockStore* blocks_ = nullptr;

  // Per-file state.
  int level_ = 0;
  int indent_ = 0;
  int layout_width_ = 30;
  std::string indent_string_;
  bool paragraph_start_ = true;
  bool previous_short_ = false;
  bool verbatim_ = false;
  bool pre_ = false;              // the verbatim section is preformatted text
  bool pre_first_line_ = false;   // no text line of it laid out yet
  int pre_blank_lines_ = 0;       // its blank lines not yet written
  std::string pending_;
  std::string accumulator_;
  bool paragraph_ended_ = false;  // the accumulated line ended a paragraph
  // Columns added to each level's indent so that its list labels fit left
  // of its text; a level opened inside another starts with the other's.
  std::vector<int> label_room_;
  // See ForgetLabelRoomAboveLevel: rooms above this level are unknown
  // until set (kAllKnown: all are known), which of them were set since,
  // and whether an unknown one was used.
  static constexpr long kAllKnown = 1L << 40;
  long known_up_to_ = kAllKnown;
  std::vector<char> room_known_;
  bool read_forgotten_room_ = false;
  int RoomAt(size_t index);
  void SetRoom(size_t index, int room);

  // Work buffers kept between lines so their storage is reused.
  std::string line_;      // the source line being laid out
  std::vector<Piece> pieces_;
  std::string piece_;     // the piece being worked on
  std::string composed_;  // a piece with its indentation, for accumulating
};

// The output pass over a whole converted text: splits it at line feeds,
// follows verbatim sections, trims each look-ahead line in text mode outside
// them (unless white space is preserved) and lays out every line, the last
// one with the more-lines flag clear. Returns the output lines. `state` is
// the program-wide layout state. Linear in the text.
// The same, handing each finished line to `sink` as soon as it is done, so
// the laid-out text is never held whole.
void LayOutTextTo(std::string_view text, const DetagOptions& options,
                  const LayoutFileInputs& inputs, ProgramLayoutState& state,
                  const ReportFunction& report, const std::function<void(std::string_view)>& sink);

std::vector<std::string> LayOutText(std::string_view text, const DetagOptions& options,
                                    const LayoutFileInputs& inputs, ProgramLayoutState& state,
                                    const ReportFunction& report = {});

}  // namespace orv
