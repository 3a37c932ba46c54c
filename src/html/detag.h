// The detag pass: converts one HTML input file. The input is read into
// chunks, each chunk is rewritten by the chunk pass's pattern lists, the
// whole text by the whole-text pass (remaining tags, entities), and the
// resulting lines are written to the output. In text mode the lines of an
// output are held until its last input is done, then written between the
// TEXT_HEADER and TEXT_FOOTER fragments (textout/fragments.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "html/detag_options.h"
#include "html/element_table.h"
#include "html/pattern_list.h"
#include "html/tag_catalogue.h"
#include "html/tag_scanner.h"
#include "run/ascii_file.h"
#include "textout/fragments.h"

namespace orv {

// What the run tells the pass about one file.
struct DetagRequest {
  std::string input_path;
  std::string output_path;
  // Size of an existing output the results are appended to (0: none).
  size_t append_size = 0;
  // The caller's output line list (clipboard output), or none.
  std::vector<std::string>* line_list = nullptr;
  bool overwrite_allowed = false;  // /OVERWRITE
  bool console = false;            // /CONSOLE: lines go to standard output
  bool first_of_output = true;     // opens the output (else appends to it)
  bool last_of_output = true;      // the last input written to this output
};

// Document information gathered while converting one file.
struct DocumentInfo {
  std::string title;
  std::string author;
  std::string email;
  std::string charset;
  std::string base_url;
  std::string by_line;
  std::string size_text;
};

class DetagPass {
 public:
  // Builds the element table once; the pass is kept for the whole run.
  explicit DetagPass(const TagCatalogue& catalogue);

  // Converts one file into `output`, which stays open across the files of
  // a concatenated output (the caller closes it). Returns false when the
  // file could not be converted (overwrite refused, input or output could
  // not be opened); the reasons are reported. In text mode the output's
  // lines are written when its last input is converted, framed by the
  // header and footer fragments; should the output be closed before that
  // (a later input failed), what was converted is written then.
  bool ConvertFile(const DetagOptions& options, const DetagRequest& request, ASCIIFile& output,
                   const ReportFunction& report);

  // The two rewriting stages, exposed for tests and for the table analysis.
  void ChunkPass(int chunk_number, std::string& text);
  void WholeTextPass(std::string& text);

  const DocumentInfo& Info() const { return info_; }
  // Set by the whole-text pass when entity replacement wrote UTF-8.
  bool UnicodeOutput() const { return unicode_output_; }
  // Replaces the markup-removal tag rewriter. By default (or after an empty
  // one is set) the pass uses RewriteTag with the file's options and its
  // own element table.
  void SetTagRewriter(TagRewriter rewriter) { rewriter_ = std::move(rewriter); }
  // Where the header's time stamp comes from (default: the local time now).
  void SetTimestampSource(std::function<std::string()> source) {
    timestamp_source_ = std::move(source);
  }

 private:
  void BuildLists();
  // Applies `list` to `text` and reports `message` when it acted.
  int ApplyList(PatternList& list, std::string& text, const char* message);
  void ForEachOutputLine(const std::string& text,
                         const std::function<void(std::string_view)>& write) const;
  bool OpenOutput(const DetagRequest& request, ASCIIFile& output);
  // The built-in header and footer, then the fragments file's definitions.
  void LoadFragmentDefinitions(const std::string& input_path);
  void FillHeaderDocument(const DetagRequest& request);
  // Writes the output's text between its header and footer: the held
  // lines, then (when given) the lines of `text`, read in place.
  void WriteTextOutput(ASCIIFile& output, const std::string* text);

  const TagCatalogue& catalogue_;
  const ElementTable element_table_;
  DetagOptions options_;
  ReportFunction report_;
  TagRewriter rewriter_;  // set by tests; empty: the built-in rewriter
  DocumentInfo info_;
  bool unicode_output_ = false;
  bool utf8_input_ = false;

  // Text mode: the definitions of the current file, and the output lines
  // held until the output's last input is done.
  DefinitionList definitions_;
  Delimiters delimiters_;
  HeaderDocument header_document_;
  std::vector<std::string> held_lines_;
  bool holding_ = false;
  std::function<std::string()> timestamp_source_;

  PatternList head_list_;
  PatternList style_list_;
  PatternList objects_list_;
  PatternList forms_list_;
};

}  // namespace orv
