// The detag pass: converts one HTML input file. The input is read into
// chunks, each chunk is rewritten by the chunk pass's pattern lists, the
// whole text by the whole-text pass (remaining tags, entities), and the
// resulting lines are written to the output. In text mode the lines of an
// output are held until its last input is done, then written between the
// TEXT_HEADER and TEXT_FOOTER fragments (textout/fragments.h).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "convert/detag_handlers.h"
#include "html/detag_options.h"
#include "html/chunk_reader.h"
#include "html/element_table.h"
#include "html/pattern_list.h"
#include "html/tag_catalogue.h"
#include "html/tag_scanner.h"
#include "textout/layout.h"
#include "common/ascii_file.h"
#include "textout/fragments.h"
#include "convert/hyperlinks.h"
#include "textout/text_blocks.h"

namespace orv {

class TableAnalysis;

// What the run tells the pass about one file.
struct DetagRequest {
  // The input file; for a document held in memory, the name messages give
  // it.
  std::string input_path;
  // A document held in memory, converted instead of reading `input_path`
  // (it must outlive the conversion). Everything after the reading is the
  // same for both.
  std::optional<std::string_view> input_text;
  // For a document held in memory: the file name its text header shows
  // for the input and the output ("" none).
  std::string header_file_name;
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
  std::string email;       // the first e-mail address found
  std::string last_email;  // the last one recorded by the link handler
  std::string first_url;   // first and last web address linked to
  std::string last_url;
  std::string charset;
  std::string base_url;
  std::string by_line;
  std::string size_text;
};

// Handlers that other parts of the program supply for entries of the
// detag lists. An empty slot makes its entries do nothing (ActionNone), so
// those tags stay until the remaining-tag pass removes them. Each slot is
// looked up when its entry matches, so slots may be filled at any time.
struct DetagHandlerSlots {
  PatternHandler lists;         // data: a ListTagCode (open, item, end)
  PatternHandler headings;      // data: a HeadingTagCode (start, end)
  PatternHandler highlighting;  // data: the tag name, a const char* ("b", "strong", "i", "em")
  PatternHandler images;        // "<img ...>"
  PatternHandler hyperlinks;    // "<a ...>" up to "</a>"
  PatternHandler text_tables;   // text mode: "<table" up to "</table>"
  PatternHandler html_tables;   // markup removal: "<table" up to "</table>"
};

// The list handlers' state: nesting depth, kind and item counter per depth,
// and whether the last item was a description. Reset for every file.
struct ListState {
  static constexpr int kMaxDepth = 100;
  int depth = 0;
  int kinds[kMaxDepth] = {};
  int counters[kMaxDepth] = {};
  // Width of the widest label of the numbered list at each depth (0: none
  // known), to which its shorter labels are padded.
  int label_widths[kMaxDepth] = {};
  bool last_was_description = false;
  // The widest label of each numbered list of the text being scanned, by
  // the offset of its opening tag; measured at the first list tag of a scan
  // of that text.
  std::vector<std::pair<long, int>> measured_widths;
  const char* measured_text = nullptr;
  size_t measured_size = 0;
  size_t measured_end = 0;  // the measured stretch ends here
  // Depth 0, every counter 1, every kind 0.
  void Reset() {
    depth = 0;
    for (int i = 0; i < kMaxDepth; ++i) {
      kinds[i] = 0;
      counters[i] = 1;
      label_widths[i] = 0;
    }
    last_was_description = false;
    measured_widths.clear();
    measured_text = nullptr;
    measured_size = 0;
    measured_end = 0;
  }
};

// A tag the pass writes itself in markup removal ("<BR>" for a break, the
// rule between concatenated inputs), its names in the case the policies
// ask of every tag: lower case when "Convert tags to lower case" is on,
// else upper case when "Convert tags to upper case" is, else as given.
std::string WrittenTag(std::string_view tag, const DetagOptions& options);

class DetagPass {
 public:
  // The pass is kept for the whole run.
  explicit DetagPass(const TagCatalogue& catalogue);
  ~DetagPass();

  // Converts one file into `output`, which stays open across the files of
  // a concatenated output (the caller closes it). Returns false when the
  // file could not be converted (overwrite refused, input or output could
  // not be opened); the reasons are reported. In text mode the output's
  // lines are written when its last input is converted, framed by the
  // header and footer fragments; should the output be closed before that
  // (a later input failed), what was converted is written then.
  bool ConvertFile(const DetagOptions& options, const DetagRequest& request, ASCIIFile& output,
                   const ReportFunction& report);

  // Starts one file: copies the options, sets up the markers and the
  // per-file state, and builds the pattern lists. ConvertFile calls it;
  // tests call it before driving the two passes themselves.
  void BeginFile(const DetagOptions& options, const DetagRequest& request,
                 const ReportFunction& report);

  // The patterns of every list built for the current file, in their stored
  // form; for tests that check the lists as a whole.
  std::vector<std::string> PatternTexts() const;

  // The two rewriting stages, exposed for tests and for the table analysis.
  void ChunkPass(int chunk_number, std::string& text);
  void WholeTextPass(std::string& text);

  const DocumentInfo& Info() const { return info_; }
  DocumentInfo& MutableInfo() { return info_; }
  const DetagOptions& Options() const { return options_; }
  const DetagMarkers& Markers() const { return markers_; }
  const TagCatalogue& Catalogue() const { return catalogue_; }
  // The URLs the output refers to by number; emptied when an output begins.
  UrlReferenceList& MutableUrlReferences() { return url_references_; }
  // Where the file's messages go, for the handlers in the slots: on the
  // thread that runs the front stage of a large file, to the messages held
  // for the chunk.
  const ReportFunction& Reporter() const {
    return stage_report_ != nullptr ? *stage_report_ : report_;
  }
  // Handler slots for the lists, headings, emphasis, images, hyperlinks and
  // tables; see DetagHandlerSlots.
  DetagHandlerSlots& HandlerSlots() { return slots_; }
  ListState& MutableListState() { return list_state_; }
  // The laid-out tables of the current file, numbered from 1; emptied when
  // a file begins and handed to the layout step.
  TextBlockStore& MutableTextBlocks() { return text_blocks_; }
  const TextBlockStore& TextBlocks() const { return text_blocks_; }
  // Whether paragraph or break tags were seen since the output began.
  bool ParagraphTagsSeen() const { return paragraph_tags_seen_ || break_tags_seen_; }
  // Typical length of the source lines longer than 40 characters, measured
  // while re-joining lines (80 until then), for the layout step.
  int AverageLineLength() const { return average_line_length_; }
  // Set by the whole-text pass when entity replacement wrote UTF-8.
  bool UnicodeOutput() const { return unicode_output_; }
  // Text mode: the file's text is UTF-8 (a UTF-8 or 16-bit file, or one
  // decoded from its declared set), so 8-bit values are written as UTF-8;
  // otherwise it is Windows-1252 until it is written.
  bool TextIsUtf8() const { return options_.TextMode() && (utf8_input_ || decoded_input_); }
  // Whether entity replacement writes 8-bit values as UTF-8: into UTF-8
  // text, and in markup removal into a UTF-8 page.
  bool EntitiesInUtf8() const;
  // Replaces the markup-removal tag rewriter. By default (or after an empty
  // one is set) the pass uses RewriteTag with the file's options and its
  // own element table.
  void SetTagRewriter(TagRewriter rewriter) { rewriter_ = std::move(rewriter); }
  // Whether a file may use a second thread (the default): a file of
  // several chunks runs the two stages of its chunk pass side by side, and
  // a large whole text has its halves scanned side by side. Off, a file is
  // converted on the caller's thread alone. The output and the messages are
  // the same either way.
  void SetSideBySideStages(bool enabled) { side_by_side_ = enabled; }
  // For tests: chunks close beyond `chunk_limit` bytes (0: the usual
  // limit), and with `force_side_by_side` a file of any size runs its two
  // stages side by side (unless SetSideBySideStages turned them off), so
  // that small documents can show both ways give the same conversion.
  void SetChunkingForTests(size_t chunk_limit, bool force_side_by_side) {
    test_chunk_limit_ = chunk_limit;
    force_side_by_side_ = force_side_by_side;
  }
  // The alignment and justification toggle that carry over from file to
  // file: the next file starts from them. A batch converted on several
  // threads sets and reads them around each file.
  ProgramLayoutState& MutableLayoutState() { return layout_state_; }
  // Where the header's time stamp comes from (default: the local time now).
  void SetTimestampSource(std::function<std::string()> source) {
    timestamp_source_ = std::move(source);
  }

 private:
  struct Lists;
  void BuildLists();
  // Forwards an entry to a handler slot, or does nothing while it is empty.
  PatternHandler Slot(PatternHandler DetagHandlerSlots::*slot);
  // What one stage of the chunk pass keeps between its lists: the tag index
  // of the chunk text (valid until the text changes, used while `use` is
  // set), whether each list acted the last time, and where its messages go.
  // Each stage has its own, so that the two stages can work on different
  // chunks at the same time.
  struct ListGate {
    TagStartIndex index;
    bool use = false;
    bool built = false;  // built once for this chunk already
    // Per list and call: whether it acted the last time it was applied.
    std::map<std::pair<const PatternList*, int>, bool> acted_last;
    // The lists of a stage start from a fresh index on each chunk.
    void StartChunk() {
      index.Invalidate();
      built = false;
      use = true;
    }
    void Stop() {
      use = false;
      index.Invalidate();
    }
  };
  // Applies `list` to `text` and reports `message` when it acted. In the
  // chunk pass, a list that did not act at this call (`repeat` tells
  // repeated calls apart) on the previous chunk is first checked against
  // the gate's tag index and skipped when it cannot match.
  int ApplyList(PatternList& list, std::string& text, const char* message, ListGate& gate,
                int repeat = 0);
  // The chunk pass in two stages: the front removes whole sections (head,
  // comments, scripts, styles, objects, forms) and in-line markup, marks
  // lists and converts images and links; the back marks emphasis,
  // paragraphs and breaks, converts blocks and headings, and a large
  // text's tables as it grows. Their handlers share no state (the front's
  // write the title, the META values, the list and comment states and the
  // URL references; the back's the seen paragraph and break tags, the
  // aligned blocks, the heading state and the text blocks), so a large
  // file runs the front of one chunk while the back works on the one
  // before. The cut between them keeps the two about equally busy.
  void ChunkPassFront(int chunk_number, std::string& text, ListGate& gate);
  void ChunkPassBack(int chunk_number, std::string& text, ListGate& gate);
  // Makes room in the whole text for the chunks still to come, at the
  // ratio of converted to read text seen so far: `read` bytes of input
  // were read, and their `converted` text is about to be appended.
  void MakeRoomForChunks(std::string& whole_text, size_t read, size_t converted);
  // The two halves of MakeRoomForChunks, for a pass whose chunks are
  // appended later than they are read (the table feed holds them back).
  void NoteChunkRead(size_t read);
  void MakeRoomInWholeText(std::string& whole_text, size_t appended);
  uint64_t input_size_ = 0;  // of the file being converted
  uint64_t read_so_far_ = 0, converted_so_far_ = 0;
  // Reads the input into `whole_text`, each chunk through both stages.
  ChunkReadResult ReadChunksInOrder(const std::string& path, const ChunkReaderOptions& options,
                                    std::string& whole_text);
  // Reads the input into `whole_text` with the two stages on two threads.
  // Messages and fragment definitions from the reading thread reach the
  // file's reporter and definitions in the order a single thread gives.
  ChunkReadResult ReadChunksPipelined(const std::string& path, const ChunkReaderOptions& options,
                                      std::string& whole_text);
  // Applies a table list again while it acts, up to a pass limit.
  void RunTablePasses(PatternList& list, std::string& text);
  void RejoinSourceLines(std::string& text);
  void RejoinAndResolveMarks(std::string& text, bool rejoin);
  void ApplySentenceGap(std::string& text);
  void FindByLineAndAddress(const std::string& text);
  // Both use the converted text up: the memory of what the layout has
  // passed is given back as it goes, so the text must not be read after.
  void StreamLayout(std::string& text, ProgramLayoutState& state, const ReportFunction& report,
                    const std::function<void(std::string_view)>& write);
  void ForEachOutputLine(std::string& text, const std::function<void(std::string_view)>& write);
  bool OpenOutput(const DetagRequest& request, ASCIIFile& output);
  // The built-in header and footer, then the fragments file's definitions.
  void LoadFragmentDefinitions(const std::string& input_path);
  void FillHeaderDocument(const DetagRequest& request);
  // Writes the output's text between its header and footer: the held
  // lines, then (when given) the lines of `text`, read in place and used
  // up (see StreamLayout).
  void WriteTextOutput(ASCIIFile& output, std::string* text);
  // `text` in UTF-8 by the current file's encoding: as it is, or converted
  // into `buffer`.
  std::string_view AsUtf8(std::string_view text, std::string& buffer) const;

  const TagCatalogue& catalogue_;
  // The element table of markup removal, built when the first file that
  // needs it comes: text mode never looks at it.
  const ElementTable& Elements();
  std::unique_ptr<const ElementTable> element_table_;
  DetagOptions options_;
  ReportFunction report_;
  TagRewriter rewriter_;  // set by tests; empty: the built-in rewriter
  DocumentInfo info_;
  bool unicode_output_ = false;
  // The input is UTF-8 (byte-order mark, 16-bit, or valid UTF-8 bytes);
  // in text mode, decoded into UTF-8 from its declared set.
  bool utf8_input_ = false;
  bool decoded_input_ = false;
  // The set the input's META names, found before the chunk pass reads it.
  std::string declared_charset_;
  CharsetDecoder decoder_;
  // Alignment and justification toggle that carry over between files.
  ProgramLayoutState layout_state_;

  // Text mode: the definitions of the current file, and the output lines
  // held until the output's last input is done.
  DefinitionList definitions_;
  Delimiters delimiters_;
  HeaderDocument header_document_;
  std::vector<std::string> held_lines_;
  bool holding_ = false;
  std::function<std::string()> timestamp_source_;
  DetagMarkers markers_;
  DetagHandlerSlots slots_;
  UrlReferenceList url_references_;
  ListState list_state_;
  CommentState comment_state_;
  AlignedBlockState aligned_blocks_;
  // The paragraph list's scan is inside a paragraph aligned otherwise than
  // its enclosing block.
  bool paragraph_aligned_ = false;
  ListGate front_gate_, back_gate_, whole_gate_;
  class TableFeed;
  // The text-mode table list of the current file.
  PatternList& TableList();
  // Set when the first application of the table list was made while the
  // chunks came in, with the count of its actions.
  bool first_table_application_done_ = false;
  int first_table_actions_ = 0;
  // Set only on the thread that runs the front stage beside the back one.
  static thread_local const ReportFunction* stage_report_;
  bool side_by_side_ = true;
  bool force_side_by_side_ = false;
  size_t test_chunk_limit_ = 0;
  bool first_of_output_ = true;
  bool last_of_output_ = true;
  // Paragraph tags, and break or end tags that mark paragraphs, seen since
  // the output began (by the two stages of the chunk pass).
  bool paragraph_tags_seen_ = false;
  bool break_tags_seen_ = false;
  int average_line_length_ = 80;
  std::unique_ptr<Lists> lists_;
  // What the lists were last built for.
  DetagOptions lists_options_;
  bool lists_first_of_output_ = true;
  bool lists_last_of_output_ = true;
  TextBlockStore text_blocks_;
  std::unique_ptr<TableAnalysis> table_analysis_;
};

}  // namespace orv
