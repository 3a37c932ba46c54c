// Named definitions (blocks, text and HTML fragments, variables), the
// fragments file that supplies them, and the expansion of a text fragment
// with its in-line tags, above all the [[TEXT_HEADER kind]] lines that frame
// a text output. Statement syntax and tag parsing are in directives.h; the
// detag pass calls this at the end of each text output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "textout/directives.h"

namespace orv {

enum class DefinitionKind { kBlock, kTextFragment, kHtmlFragment, kVariable };

struct Definition {
  DefinitionKind kind = DefinitionKind::kTextFragment;
  std::string name;
  std::string value;  // variables
  std::vector<std::string> lines;
  int position = 0;    // order of definition, from 1
  bool ended = false;  // reset: no longer in scope
};

// The definitions of one conversion, in the order they were made.
class DefinitionList {
 public:
  // Adds a definition after all others; it hides earlier ones of its kind
  // and name.
  void Add(DefinitionKind kind, std::string name, std::vector<std::string> lines,
           std::string value = {});
  // Ends the scope of every definition of this kind and name.
  void Reset(DefinitionKind kind, std::string_view name);
  // The in-scope definition of this kind and name (letter case ignored)
  // made last, or null. Linear in the number of definitions.
  const Definition* Find(DefinitionKind kind, std::string_view name) const;
  size_t Size() const { return definitions_.size(); }
  void Clear() { definitions_.clear(); }

  // Reads definitions from directive lines: a DEFINE_TEXT_FRAGMENT,
  // DEFINE_HTML_FRAGMENT or DEFINE_BLOCK statement opens a definition named
  // by its second blank-separated field, END_BLOCK (or a RESET statement)
  // closes it, RESET_* without an open definition ends the named one's
  // scope. A second DEFINE inside an open definition and an END_BLOCK
  // without one are reported and otherwise ignored; a definition left open
  // at the end is kept. Lines outside definitions are ignored.
  void Load(const std::vector<std::string>& lines, const DirectiveKeywords& keywords,
            const ReportFunction& report);

 private:
  std::vector<Definition> definitions_;
};

// Reads the fragments file `name`: an absolute name is used as it is, a
// relative one is looked up in `input_folder` and then, when not empty, in
// `second_folder` (both end in "/"). Definition statements, their lines and
// their closing statements are passed on into `lines`; INCLUDE statements
// continue reading in the named file (looked up the same way, and refused
// while that file is already being read); any other statement is reported
// as "TAG ERROR: fragment file contains : " + the line. Returns false, after
// "ERROR: Can't find file " + name, when the file is not found.
bool ReadFragmentsFile(const std::string& name, const std::string& input_folder,
                       const std::string& second_folder, const DirectiveKeywords& keywords,
                       const ReportFunction& report, std::vector<std::string>& lines);

// What the text header shows about the document and the output.
struct HeaderDocument {
  int page_width = 72;  // "Target Page width"
  std::string title;
  std::string author;
  std::string second_author;  // used when `author` is empty or unknown
  std::string top_email;
  std::string last_email;
  std::string top_url;
  std::string last_url;
  std::string input_file_name;
  std::string output_file_name;
  std::string input_size_text;
  std::string output_size_text;  // EstimatedSizeText of the output
  std::string input_date;
  std::string timestamp;  // LocalTimestamp() at conversion time
};

// The narrowest and widest page the header box is drawn for; widths
// outside are drawn at the nearest bound.
inline constexpr int kMinHeaderWidth = 20;
inline constexpr int kMaxHeaderWidth = 4096;

// The text of one [[TEXT_HEADER kind]] tag; `argument` is the text after
// the kind (COMMENT shows it). The boxed kinds' lines are joined with "\n".
// An unknown kind gives "" and `known` false.
std::string TextHeaderLine(std::string_view kind, std::string_view argument,
                           const HeaderDocument& document, bool& known);

// Frames a text inside the header box of page width `page_width`: split at
// newlines, long pieces broken at the last space at or before column P-4
// with continuation lines prefixed "             : " when the break lay
// beyond column 14, each line written "| " + text, padded (at most 76
// blanks), cut to P-2 characters and closed with " |".
std::string BoxHeaderText(std::string_view text, int page_width);

// `value` in groups of three digits separated by commas ("1,234,567").
std::string FormatThousands(uint64_t value);

// The output size estimate shown in the header, from the sum of the output
// line lengths and the number of lines: the sum, plus 2 per line, plus 520,
// as FormatThousands + " bytes (approx)".
std::string EstimatedSizeText(uint64_t line_length_sum, uint64_t line_count);

// The current local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimestamp();
// A file's modification time in the same form, or "" when unknown.
std::string FileTimestamp(const std::string& path);

// "orvtext" and the version the build was made with.
std::string ProgramVersionText();

// Expands text fragments: the in-line tags of each line are replaced by
// their text and the lines appended to a target list.
class FragmentExpander {
 public:
  FragmentExpander(const DefinitionList& definitions, const Delimiters& delimiters,
                   const HeaderDocument& document, ReportFunction report);

  // Appends the lines of text fragment `name`, with their tags expanded, to
  // `target`; a line that expands to several lines (a boxed header line)
  // becomes several lines. False when no such fragment is defined.
  bool ExpandFragment(std::string_view name, std::vector<std::string>& target);

  // One line with every tag between the start and end tag delimiters
  // replaced. A tag in error is reported and left as written.
  std::string ExpandLine(std::string_view line);

 private:
  // The text of one tag; false when it is left as written.
  bool ExpandTag(std::string_view tag_text, std::string& out);
  void ReportTagError(const std::string& error) const;

  const DefinitionList& definitions_;
  const Delimiters& delimiters_;
  const HeaderDocument& document_;
  ReportFunction report_;
  // Variables defined by DEFINE_VARIABLE tags during this expansion.
  DefinitionList variables_;
};

}  // namespace orv
