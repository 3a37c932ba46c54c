// The per-file steps of the detag pass, its chunk pass and whole-text pass.
#include "html/detag.h"

#include <sys/stat.h>

#include <algorithm>

#include "common/text.h"
#include "html/charset.h"
#include "html/chunk_reader.h"
#include "html/entities.h"
#include "html/tag_rewriter.h"
#include "run/output_names.h"

namespace orv {

DetagPass::DetagPass(const TagCatalogue& catalogue)
    : catalogue_(catalogue), element_table_(ElementTable::Html4()) {}

namespace {

uint64_t FileSize(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

void Rebuild(PatternList& list) {
  list.Unfreeze();
  list.Clear();
}

}  // namespace

// Builds the pattern lists that the policies ask for. Every list is cleared
// and rebuilt for each file, then frozen while in use.
void DetagPass::BuildLists() {
  const bool text = options_.TextMode();
  Rebuild(head_list_);
  if (text || options_.remove_head) head_list_.AddDelete("<head**/head>");
  head_list_.Freeze();

  Rebuild(style_list_);
  if (text || options_.remove_style_sheet) {
    style_list_.AddDelete("<style%W**/style>");
    style_list_.AddDelete("<style>**/style>");
  }
  if (text || options_.remove_script) {
    style_list_.AddDelete("<script%W**/script>");
    style_list_.AddDelete("<script>**/script>");
  }
  style_list_.Freeze();

  Rebuild(objects_list_);
  if (text || options_.remove_object) {
    objects_list_.AddDelete("<object%W**/object>");
    objects_list_.AddDelete("<object>**/object>");
  }
  objects_list_.Freeze();

  Rebuild(forms_list_);
  if (text || options_.remove_form) {
    for (const char* pattern :
         {"<form%W**>", "<form>", "</form>", "<fieldset**/fieldset>", "<label%W**/label>",
          "<legend%W**/legend>", "<input%W**>", "<isindex**>", "<select**/select>",
          "<textarea**/textarea>"})
      forms_list_.AddDelete(pattern);
  }
  forms_list_.Freeze();
}

int DetagPass::ApplyList(PatternList& list, std::string& text, const char* message) {
  if (list.Size() == 0) return 0;
  int actions = list.ApplyInPlace(text);
  if (actions > 0 && report_ && message != nullptr) report_(message, 10);
  return actions;
}

void DetagPass::ChunkPass(int chunk_number, std::string& text) {
  const bool text_mode = options_.TextMode();
  if (chunk_number == 1) {
    std::string title;
    if (ExtractBetween(text, "<title>", "</title>", title)) {
      DetagOptions bare = options_;
      bare.remove_all_tags = true;
      RemainingTagPass(title, bare, catalogue_, {}, {});
      bool unicode = false;
      ReplaceEntities(title, EntityOptions{true, options_.allow_8bit_ansi, options_.allow_ansi_alternatives},
                      unicode);
      info_.title = CollapseBlanks(title);
    }
    if (text_mode || options_.remove_head || options_.remove_office_tags)
      ApplyList(head_list_, text, "INFO: Removing <HEAD>..</HEAD> tags");
  }
  if (text_mode || options_.remove_style_sheet || options_.remove_script)
    ApplyList(style_list_, text, "INFO: Removing style sheet");
  if (text_mode || options_.remove_object) ApplyList(objects_list_, text, "INFO: Removing objects");
  if (text_mode || options_.remove_form) ApplyList(forms_list_, text, "INFO: Removing Form fields");
  // Byte 133 is the Windows ellipsis only in a Western 8-bit text; in UTF-8
  // read from a 16-bit file it is part of another character.
  if (!utf8_input_ && EllipsisIsSpelledOut(ClassifyCharset(info_.charset))) SpellOutEllipses(text);
}

void DetagPass::WholeTextPass(std::string& text) {
  const bool text_mode = options_.TextMode();
  if (report_)
    report_(text_mode ? "INFO: Removing all remaining tags" : "INFO: Processing remaining markup", 10);
  if (rewriter_) {
    RemainingTagPass(text, options_, catalogue_, rewriter_, report_);
  } else {
    RemainingTagPass(text, options_, catalogue_, MakeTagRewriter(options_, element_table_), report_);
  }
  if ((text_mode || options_.replace_entities) && text.find('&') != std::string::npos &&
      text.find(';') != std::string::npos) {
    EntityOptions entity_options{text_mode, options_.allow_8bit_ansi, options_.allow_ansi_alternatives};
    ReplaceEntities(text, entity_options, unicode_output_, report_);
  }
}

// Hands the text to `write` line by line. In text mode, outside verbatim
// stretches and unless white space is preserved, lines are trimmed, trailing
// blanks are removed and every run of empty lines becomes one empty line;
// empty lines at the end are dropped. Works on views of the text, so a large
// document is not copied again.
void DetagPass::ForEachOutputLine(const std::string& text,
                                  const std::function<void(std::string_view)>& write) const {
  const bool tidy = options_.TextMode() && !options_.preserve_white_space;
  bool verbatim = false;
  size_t empty_lines_held = 0;
  bool wrote_any = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t feed = text.find('\n', start);
    if (feed == std::string::npos) feed = text.size();
    std::string_view line(text.data() + start, feed - start);
    start = feed + 1;
    if (!tidy) {
      write(line);
      continue;
    }
    if (line == "$_$_START_PRE" || line == "$_$_START_HEADING") verbatim = true;
    if (line == "$_$_END_PRE" || line == "$_$_END_HEADING") verbatim = false;
    std::string_view kept = verbatim ? line : TrimView(line);
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '\t')) kept.remove_suffix(1);
    if (kept.empty()) {
      if (wrote_any) empty_lines_held = 1;
      continue;
    }
    if (empty_lines_held > 0) write(std::string_view());
    empty_lines_held = 0;
    write(kept);
    wrote_any = true;
  }
}

bool DetagPass::OpenOutput(const DetagRequest& request, ASCIIFile& output) {
  if (request.line_list != nullptr) {
    output.AttachLineList(request.line_list);
    return true;
  }
  if (!request.first_of_output && output.IsOpen()) {
    if (report_) report_("INFO: Appending results to " + request.output_path, 10);
    return true;
  }
  const bool unicode_file = options_.TextMode() && unicode_output_ && options_.may_add_unicode_marker;
  if (report_)
    report_((unicode_file ? "INFO: Generating Unicode text file " : "INFO: Creating output file ") +
                request.output_path,
            10);
  if (!output.OpenWrite(request.output_path, request.console)) {
    if (report_) report_("ERROR: Error opening " + request.output_path, 10);
    return false;
  }
  if (unicode_file) {
    if (report_) report_("WARNING: Unicode text detected.  Inserting UTF-8 file marker", 8);
    output.WriteUtf8Marker();
  }
  return true;
}

bool DetagPass::ConvertFile(const DetagOptions& options, const DetagRequest& request,
                            ASCIIFile& output, const ReportFunction& report) {
  options_ = options;
  options_.ApplyDependentRules();
  report_ = report;
  info_ = DocumentInfo{};
  unicode_output_ = false;

  // Appending to an existing output, writing to the caller's line list or
  // to the console cannot overwrite the input.
  const bool overwrite_harmless =
      request.overwrite_allowed || request.append_size > 0 || request.console;
  if (!CheckOverwrite(request.input_path, request.output_path, overwrite_harmless,
                      request.line_list != nullptr,
                      [this](std::string_view message, int level) {
                        if (report_) report_(std::string(message), level);
                      }))
    return false;

  BuildLists();

  {
    // The probe also tells 16-bit input, which reaches the passes as UTF-8.
    ASCIIFile probe;
    if (!probe.OpenRead(request.input_path)) {
      if (report_) report_("ERROR: Error opening " + request.input_path, 10);
      return false;
    }
    unsigned char mark[2] = {0, 0};
    const size_t got = std::fread(mark, 1, 2, probe.TopHandle());
    utf8_input_ = got == 2 && ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF));
  }
  if (report_) report_("INFO: Reading input file " + request.input_path, 10);

  // An output that continues in markup removal after inputs converted in
  // text mode gets their text (with its header and footer) first, so the
  // inputs keep their order.
  if (holding_ && !options_.TextMode() && !request.first_of_output) WriteTextOutput(output, nullptr);

  ChunkReaderOptions reader_options;
  reader_options.text_mode = options_.TextMode();
  reader_options.directive_delimiter = options_.directive_delimiter;
  definitions_.Clear();
  if (options_.TextMode()) LoadFragmentDefinitions(request.input_path);
  std::string whole_text;
  ChunkReadResult read = ReadInputChunks(
      request.input_path, reader_options, report_,
      [this](const std::string& name, std::vector<std::string> lines) {
        definitions_.Add(DefinitionKind::kTextFragment, name, std::move(lines));
      },
      [this](int number, std::string& chunk) { ChunkPass(number, chunk); }, whole_text);
  if (!read.opened) {
    if (report_) report_("ERROR: Error opening " + request.input_path, 10);
    return false;
  }

  WholeTextPass(whole_text);

  if (request.first_of_output) {
    output.SetFlushHook(nullptr);
    held_lines_.clear();
    holding_ = false;
  }
  if (!OpenOutput(request, output)) return false;
  if (!options_.TextMode()) {
    ForEachOutputLine(whole_text, [&output](std::string_view line) { output.WriteLine(line); });
    return true;
  }

  FillHeaderDocument(request);
  if (request.last_of_output) {
    output.SetFlushHook(nullptr);
    WriteTextOutput(output, &whole_text);
    return true;
  }
  // More inputs follow: hold the lines, and a rule line to separate them.
  ForEachOutputLine(whole_text, [this](std::string_view line) { held_lines_.emplace_back(line); });
  const int rule_length = std::clamp(options_.page_width, 1, kMaxHeaderWidth);
  held_lines_.emplace_back(static_cast<size_t>(rule_length), '-');
  if (!holding_) {
    holding_ = true;
    // Should the output be closed before its last input is converted, what
    // was converted so far is still written.
    output.SetFlushHook([this, &output] {
      if (holding_) WriteTextOutput(output, nullptr);
    });
  }
  return true;
}

void DetagPass::LoadFragmentDefinitions(const std::string& input_path) {
  // The built-in definitions come first, so the fragments file and the
  // document can replace them.
  definitions_.Load(BuiltInFragmentLines(), DirectiveKeywords("$_$_"), report_);
  delimiters_.directive = options_.directive_delimiter;
  delimiters_.start_tag = options_.start_tag_delimiter;
  delimiters_.end_tag = options_.end_tag_delimiter;
  const std::string name = Trim(options_.fragments_file);
  if (name.empty()) return;
  const DirectiveKeywords keywords(options_.directive_delimiter);
  std::vector<std::string> lines;
  if (ReadFragmentsFile(name, SplitPath(input_path).directory, "", keywords, report_, lines))
    definitions_.Load(lines, keywords, report_);
}

void DetagPass::FillHeaderDocument(const DetagRequest& request) {
  HeaderDocument& d = header_document_;
  d = HeaderDocument{};
  d.page_width = options_.page_width;
  d.title = info_.title;
  d.author = info_.author;
  d.second_author = info_.by_line;
  d.top_email = info_.email;
  d.last_email = info_.email;
  const PathParts input = SplitPath(request.input_path);
  const PathParts output = SplitPath(request.output_path);
  d.input_file_name = input.name + input.extension;
  d.output_file_name = output.name + output.extension;
  d.input_size_text = FormatThousands(FileSize(request.input_path)) + " bytes";
  d.input_date = FileTimestamp(request.input_path);
  d.timestamp = timestamp_source_ ? timestamp_source_() : LocalTimestamp();
}

void DetagPass::WriteTextOutput(ASCIIFile& output, const std::string* text) {
  holding_ = false;
  FragmentExpander expander(definitions_, delimiters_, header_document_, report_);
  std::vector<std::string> footer;
  expander.ExpandFragment("TEXT_FOOTER", footer);

  // The header shows the size of everything after it.
  uint64_t length_sum = 0;
  uint64_t line_count = 0;
  auto measure = [&](std::string_view line) {
    length_sum += line.size();
    ++line_count;
  };
  for (const std::string& line : held_lines_) measure(line);
  if (text != nullptr) ForEachOutputLine(*text, measure);
  for (const std::string& line : footer) measure(line);
  header_document_.output_size_text = EstimatedSizeText(length_sum, line_count);
  info_.size_text = header_document_.output_size_text;

  std::vector<std::string> header;
  expander.ExpandFragment("TEXT_HEADER", header);
  for (const std::string& line : header) output.WriteLine(line);
  for (const std::string& line : held_lines_) output.WriteLine(line);
  if (text != nullptr)
    ForEachOutputLine(*text, [&output](std::string_view line) { output.WriteLine(line); });
  for (const std::string& line : footer) output.WriteLine(line);
  held_lines_.clear();
}

}  // namespace orv
