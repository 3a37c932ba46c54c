// The line layout step: turns the marked-up text of one file (plain lines,
// layout statements, in-line alignment and list-item tags, break markers)
// into the finished lines of the output. Built on text_line.h; the detag
// pass produces its input and the output file writer writes its result.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "html/detag_options.h"
#include "textout/text_blocks.h"
#include "textout/text_line.h"

namespace orv {

// The in-band markers the layout step reads.
inline constexpr std::string_view kForcedBreakMarker =
    "\xBF"
    "BR"
    "\xBF";
inline constexpr std::string_view kParagraphEndMarker =
    "\xFF\xFF"
    "OPPL"
    "\xFF\xFF";

// Layout state that lives for the whole program, not one file: the
// alignment last set by an alignment tag and the justification toggle that
// alternates where justified lines take their extra spaces. The caller owns
// it and hands the same object to every file's layout.
struct ProgramLayoutState {
  Alignment alignment = Alignment::kNone;
  bool justify_toggle = true;
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

  int NestingLevel() const { return level_; }
  int CurrentIndent() const { return indent_; }
  int LayoutWidth() const { return layout_width_; }

 private:
  struct Piece {
    std::string text;
    int width = 0;  // the width it was cut to and is aligned within
  };

  void Emit(std::vector<std::string>& output, std::string line);
  void EmitEmpty(std::vector<std::string>& output);
  void EmitPending(const DetagOptions& options, std::vector<std::string>& output);
  std::vector<Piece> CutLine(const DetagOptions& options, std::string_view line, bool wrap) const;
  // Handles a layout statement; false when `piece` is not one.
  bool DoStatement(const DetagOptions& options, std::vector<std::string>& output,
                   const std::string& piece);
  void SubstituteBullets(std::string& piece) const;
  void Accumulate(std::string piece, const std::string& indent);
  void FlushAccumulator(std::vector<std::string>& output);
  void Tidy(std::vector<std::string>& output) const;

  ProgramLayoutState& program_;
  ReportFunction report_;

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
  std::string pending_;
  std::string accumulator_;
  bool paragraph_ended_ = false;  // the accumulated line ended a paragraph
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
                  const ReportFunction& report, const std::function<void(std::string&&)>& sink);

std::vector<std::string> LayOutText(std::string_view text, const DetagOptions& options,
                                    const LayoutFileInputs& inputs, ProgramLayoutState& state,
                                    const ReportFunction& report = {});

}  // namespace orv
