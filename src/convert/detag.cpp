// The per-file steps of the detag pass, its chunk pass and whole-text pass.
#include "convert/detag.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "common/side_by_side.h"
#include "common/text.h"
#include "html/charset.h"
#include "html/chunk_reader.h"
#include "html/entities.h"
#include "html/parsed_tag.h"
#include "html/pattern_search.h"
#include "html/quoted_values.h"
#include "convert/table_analysis.h"
#include "html/tag_rewriter.h"
#include "convert/headings.h"
#include "textout/layout.h"
#include "textout/mark_resolution.h"
#include "convert/lists.h"
#include "convert/rejoin.h"
#include "platform/memory.h"

namespace orv {

// Every pattern list of the pass. Built in this order, by the policies in
// force, when the first file or a file under other policies comes, and
// frozen while in use.
struct DetagPass::Lists {
  PatternList head, body, xml, office_comments, comments, scripts, style, objects, forms, sentences,
      tables, table_markup, table_tags, inline_markup, highlighting, link, meta, lists, images,
      hyperlinks, paragraphs, breaks, blocks, headings, dialogue0, dialogue1, dialogue2;
  MarkLists marks;
  MarkResolution mark_resolution;
  // The marks of the whole text, or of its first half, and of its second.
  std::unique_ptr<MarkResolver> resolvers[2];

  std::vector<PatternList*> All() {
    return {&head,       &body,       &xml,        &office_comments, &comments,     &scripts,
            &style,      &objects,    &forms,      &sentences,       &tables,       &table_markup,
            &table_tags, &inline_markup, &highlighting, &link,       &meta,         &lists,
            &images,     &hyperlinks, &paragraphs, &breaks,          &blocks,       &headings,
            &dialogue0,  &dialogue1,  &dialogue2,  &marks.mark_spaces, &marks.final_marks,
            &marks.break_runs};
  }
};

thread_local const ReportFunction* DetagPass::stage_report_ = nullptr;

// A tag the pass writes itself in markup removal, its names in the case
// the policies ask of every tag (upper, then lower; as given otherwise).
std::string WrittenTag(std::string_view tag, const DetagOptions& options) {
  ParsedTag parsed = ParsedTag::Parse(tag);
  if (options.tags_to_lower) return parsed.Reassemble(NameCase::kLower);
  if (options.tags_to_upper) return parsed.Reassemble(NameCase::kUpper);
  return std::string(tag);
}

DetagPass::DetagPass(const TagCatalogue& catalogue)
    : catalogue_(catalogue) {
  InstallListHandlers(*this);
  InstallHeadingHandlers(*this);
  InstallLinkHandlers(*this);
  table_analysis_ = InstallTableHandlers(*this);
}
DetagPass::~DetagPass() = default;

namespace {

// Entries for an element written `<name>` or `<name ...>` (also `<name/>`):
// the name never matches the start of a longer one (`<b` and `<body>`).
// `rest` follows the character that ends the name, as in `**/head>` for
// the whole element; without it the entries cover the start tag alone.
std::vector<std::string> StartTagPatterns(std::string_view name, std::string_view rest = {}) {
  const std::string open = "<" + std::string(name);
  if (rest.empty()) return {open + ">", open + "%/**>"};
  // One entry, so that of two nested elements the outer one's match is
  // the one that completes.
  return {open + "%>" + std::string(rest)};
}

uint64_t FileSize(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

// The size of the document the request converts.
uint64_t InputSize(const DetagRequest& request) {
  return request.input_text ? request.input_text->size() : FileSize(request.input_path);
}

void* TextData(const std::string& text) { return const_cast<std::string*>(&text); }
const std::string& DataText(const void* data) { return *static_cast<const std::string*>(data); }

}  // namespace

void DetagPass::BeginFile(const DetagOptions& options, const DetagRequest& request,
                          const ReportFunction& report) {
  options_ = options;
  options_.ApplyDependentRules();
  // A message that quotes the document (a link's address) gets its 0xFF
  // bytes and the '<' and '>' that markup removal holds back.
  report_ = ReportFunction();
  if (report) {
    const bool held_markup = !options_.TextMode();
    report_ = [report, held_markup](const std::string& message, int level) {
      const bool ff = message.find(kHeldFF) != std::string::npos;
      const bool markup = held_markup && message.find('\r') != std::string::npos;
      if (!ff && !markup) {
        report(message, level);
      } else {
        std::string restored = message;
        if (ff) RestoreHeldFF(restored);
        if (markup) RestoreHeldMarkup(restored);
        report(restored, level);
      }
    };
  }
  info_ = DocumentInfo{};
  unicode_output_ = false;
  utf8_input_ = false;
  decoded_input_ = false;
  declared_charset_.clear();
  markers_ = MakeDetagMarkers(options_.paragraph_on_single_line);
  first_of_output_ = request.first_of_output;
  last_of_output_ = request.last_of_output;
  // Seen paragraph tags count for the whole output, like its references.
  if (request.first_of_output) {
    paragraph_tags_seen_ = false;
    break_tags_seen_ = false;
    url_references_.Clear();
  }
  average_line_length_ = 80;
  list_state_.Reset();
  comment_state_ = CommentState{};
  aligned_blocks_.Reset();
  text_blocks_.Clear();
  first_table_application_done_ = false;
  first_table_actions_ = 0;
  for (ListGate* gate : {&front_gate_, &back_gate_, &whole_gate_}) gate->acted_last.clear();
  // The lists depend only on the options and on where the file stands in
  // its output; a batch of files under the same policies keeps them, and
  // their prepared scans, from file to file.
  if (!lists_ || !(options_ == lists_options_) || first_of_output_ != lists_first_of_output_ ||
      last_of_output_ != lists_last_of_output_) {
    BuildLists();
    lists_options_ = options_;
    lists_first_of_output_ = first_of_output_;
    lists_last_of_output_ = last_of_output_;
  }
}

PatternHandler DetagPass::Slot(PatternHandler DetagHandlerSlots::*slot) {
  return [this, slot](PatternList& list, const Pattern& entry, long start, long end,
                      const std::string& text, size_t position, void* data) -> int {
    const PatternHandler& handler = slots_.*slot;
    return handler ? handler(list, entry, start, end, text, position, data)
                   : static_cast<int>(ActionNone);
  };
}

// Builds the pattern lists that the policies ask for. Every list is cleared
// and rebuilt, then frozen while in use; a batch of files under the same
// policies keeps them from file to file.
void DetagPass::BuildLists() {
  if (!lists_) lists_ = std::make_unique<Lists>();
  Lists& l = *lists_;
  for (PatternList* list : l.All()) {
    list->Unfreeze();
    list->Clear();
  }
  const bool text = options_.TextMode();
  const DetagMarkers& m = markers_;

  if (text || options_.remove_head)
    for (const std::string& pattern : StartTagPatterns("head", "**/head>"))
      l.head.AddDelete(pattern);

  if (!text && !(first_of_output_ && last_of_output_)) {
    // Concatenated HTML keeps one <html><body> at the start and one end at
    // the end of the whole output.
    if (!last_of_output_) {
      l.body.AddDelete("</body>");
      l.body.AddDelete("</html>");
    }
    if (!first_of_output_) {
      for (const char* name : {"body", "html"})
        for (const std::string& pattern : StartTagPatterns(name)) l.body.AddDelete(pattern);
    }
  }

  if (options_.remove_office_tags)
    for (const std::string& pattern : StartTagPatterns("xml", "**/xml>")) l.xml.AddDelete(pattern);

  // Office's conditional comments go whole when Office markup is removed;
  // a "revealed" one ("<!--[if !mso]><!-->text<!--<![endif]-->") keeps its
  // text.
  if (!text && options_.remove_office_tags)
    l.office_comments.AddCallback("<!--[if**<![endif]-->", [](PatternList& list, const Pattern&,
                                                              long start, long end,
                                                              const std::string& current, size_t,
                                                              void*) {
      return HandleOfficeComment(list, start, end, current);
    });

  if (text || options_.remove_comments) {
    auto comment = [this](PatternList& list, const Pattern&, long start, long end,
                          const std::string& current, size_t, void* data) {
      return HandleComment(list, start, end, current, DataCode(data), comment_state_);
    };
    for (const std::string& pattern : StartTagPatterns("script"))
      l.comments.AddCallback(pattern, comment, CodeData(kScriptStart));
    l.comments.AddCallback("</script>", comment, CodeData(kScriptEnd));
    l.comments.AddCallback("<!--", comment, CodeData(kCommentOpen));
    l.comments.AddCallback("-->", comment, CodeData(kCommentClose));
  }

  // Scripts go before style sheets: a script often writes a style element
  // into the page, and that string must not end the script's match.
  if (text || options_.remove_script)
    for (const std::string& pattern : StartTagPatterns("script", "**/script>"))
      l.scripts.AddDelete(pattern);
  if (text || options_.remove_style_sheet)
    for (const std::string& pattern : StartTagPatterns("style", "**/style>"))
      l.style.AddDelete(pattern);

  if (text || options_.remove_object)
    for (const std::string& pattern : StartTagPatterns("object", "**/object>"))
      l.objects.AddDelete(pattern);
  if (text) {
    // Never shown as text: template content, in-line drawings, and the
    // annotations of a formula (its TeX source, say). They go after the
    // style sheets, which drawings often hold. The formula itself is text
    // a browser shows ("a set of N objects"): its tags go with the others.
    for (const char* name : {"template", "svg", "annotation", "annotation-xml"})
      for (const std::string& pattern : StartTagPatterns(name, "**/" + std::string(name) + ">"))
        l.objects.AddDelete(pattern);
  }

  if (text || options_.remove_form) {
    // In text mode a form is a block of its own.
    for (const std::string& pattern : StartTagPatterns("form")) {
      if (text)
        l.forms.AddReplace(pattern, m.statement);
      else
        l.forms.AddDelete(pattern);
    }
    if (text)
      l.forms.AddReplace("</form>", m.statement);
    else
      l.forms.AddDelete("</form>");
    for (const char* name : {"fieldset", "label", "legend", "select", "textarea"})
      for (const std::string& pattern : StartTagPatterns(name, "**/" + std::string(name) + ">"))
        l.forms.AddDelete(pattern);
    for (const char* name : {"input", "isindex"})
      for (const std::string& pattern : StartTagPatterns(name)) l.forms.AddDelete(pattern);
  }

  if (options_.sentence_gap) l.sentences.AddReplace(".?S", ".  ", /*case_sensitive=*/true);

  if (text) {
    for (const std::string& pattern : StartTagPatterns("table", "**</table>"))
      l.tables.AddCallback(pattern, Slot(&DetagHandlerSlots::text_tables));
  } else {
    for (const std::string& pattern : StartTagPatterns("table", "**</table>")) {
      l.table_markup.AddCallback(pattern, Slot(&DetagHandlerSlots::html_tables));
      l.table_tags.AddCallback(pattern, Slot(&DetagHandlerSlots::html_tables));
    }
    if (options_.remove_table_tags) {
      for (const char* name : {"table", "tr", "th", "td", "tbody", "thead", "tfoot"}) {
        for (const std::string& pattern : StartTagPatterns(name)) l.table_tags.AddDelete(pattern);
        l.table_tags.AddDelete("</" + std::string(name) + ">");
      }
    }
  }

  // Start and end tags of in-line elements: a start tag with attributes
  // or without (a bare <span> or <font> goes with its end tag).
  auto add_inline = [&l](std::initializer_list<const char*> names, bool bare_start) {
    for (const char* name : names) {
      const std::string open = "<" + std::string(name);
      if (bare_start) l.inline_markup.AddDelete(open + ">");
      l.inline_markup.AddDelete(open + "%/**>");
      l.inline_markup.AddDelete("</" + std::string(name) + ">");
    }
  };
  if (text || options_.remove_font) add_inline({"font"}, true);
  if (text || options_.remove_span) add_inline({"span"}, true);
  if (text ? !options_.highlight_emphasis : options_.remove_emphasis)
    add_inline({"b", "i", "strong", "em"}, true);
  if (text) {
    add_inline({"u", "s", "strike"}, true);
    l.inline_markup.AddReplace("</dt>", " ");
    l.inline_markup.AddReplace("</dd>", " ");
  }

  if (text && options_.highlight_emphasis) {
    const PatternHandler highlight = Slot(&DetagHandlerSlots::highlighting);
    l.highlighting.AddCallback("<b>**</b>", highlight, const_cast<char*>("b"));
    l.highlighting.AddCallback("<strong>**</strong>", highlight, const_cast<char*>("strong"));
    l.highlighting.AddCallback("<i>**</i>", highlight, const_cast<char*>("i"));
    l.highlighting.AddCallback("<em>**</em>", highlight, const_cast<char*>("em"));
  }

  l.link.AddCallback("<link%W**>", [this](PatternList& list, const Pattern&, long start, long end,
                                          const std::string& current, size_t, void*) {
    return HandleStyleLink(list, start, end, current, options_);
  });
  l.meta.AddCallback("<meta%W**>", [this](PatternList& list, const Pattern&, long start, long end,
                                          const std::string& current, size_t, void*) {
    return HandleMeta(list, start, end, current, info_.author, info_.charset);
  });

  if (text) {
    const PatternHandler list_handler = Slot(&DetagHandlerSlots::lists);
    for (const char* pattern : {"<ul%W**>", "<ol%W**>", "<dl%W**>", "<ul>", "<ol>", "<dl>"})
      l.lists.AddCallback(pattern, list_handler, CodeData(kListOpen));
    for (const char* pattern : {"<li%W**>", "<dt%W**>", "<dd%W**>", "<li>", "<dt>", "<dd>"})
      l.lists.AddCallback(pattern, list_handler, CodeData(kListItem));
    for (const char* pattern : {"</dl>", "</ul>", "</ol>"})
      l.lists.AddCallback(pattern, list_handler, CodeData(kListEnd));
  }

  if (text || options_.remove_img)
    l.images.AddCallback("<img%W**>", Slot(&DetagHandlerSlots::images));

  if (text || options_.replace_hyperlinks || options_.omit_local_links || options_.omit_email_links)
    l.hyperlinks.AddCallback("<a%W**>**</a>", Slot(&DetagHandlerSlots::hyperlinks));

  if (text) {
    auto paragraph = [this](PatternList& list, const Pattern&, long start, long end,
                            const std::string& current, size_t, void*) {
      const Alignment enclosing = aligned_blocks_.Current();
      // A paragraph that sets an alignment of its own gives the enclosing
      // one back at its end tag (below).
      const Alignment declared = DeclaredAlignment(std::string_view(current).substr(
          static_cast<size_t>(start), static_cast<size_t>(end - start + 1)));
      paragraph_aligned_ = declared != Alignment::kNone && declared != enclosing;
      return HandleParagraph(list, start, end, current, markers_, enclosing);
    };
    l.paragraphs.AddCallback("<p%/**>", paragraph);
    l.paragraphs.AddCallback("<p>", paragraph);
    // The alignment of a paragraph ends with it: after the end tag of one
    // aligned otherwise than its block, the block's alignment (left outside
    // any) aligns the text that follows.
    auto paragraph_end = [this](PatternList& list, const Pattern&, long, long, const std::string&,
                                size_t, void*) {
      if (!paragraph_aligned_) return static_cast<int>(ActionNone);
      paragraph_aligned_ = false;
      return list.ReplaceMatch("</p>" + std::string(AlignmentMarker(aligned_blocks_.Current())));
    };
    l.paragraphs.AddCallback("</p>", paragraph_end);
    auto aligned = [this](PatternList& list, const Pattern&, long start, long end,
                          const std::string& current, size_t, void* data) {
      return HandleAlignedBlock(list, start, end, current, DataCode(data), aligned_blocks_);
    };
    for (const std::string& pattern : StartTagPatterns("div"))
      l.paragraphs.AddCallback(pattern, aligned, CodeData(kDivOpen));
    for (const std::string& pattern : StartTagPatterns("center"))
      l.paragraphs.AddCallback(pattern, aligned, CodeData(kCenterOpen));
    l.paragraphs.AddCallback("</div>", aligned, CodeData(kAlignedBlockEnd));
    l.paragraphs.AddCallback("</center>", aligned, CodeData(kAlignedBlockEnd));

    l.breaks.AddInsertAfter("<p>", m.paragraph);
    l.breaks.AddInsertAfter("<p%/**>", m.paragraph);
    l.breaks.AddInsertAfter("</p>", m.paragraph);
    // A line break however it is written: <br>, <br/>, <br />, <br clear=all>,
    // </br>. A break before a tag is as good as one after it, and only the
    // start of the tag need be matched for that.
    l.breaks.AddInsertAfter("<br>", m.break_mark);
    l.breaks.AddInsertBefore("<br%/", m.break_mark);
    l.breaks.AddInsertAfter("</br>", m.break_mark);
    l.breaks.AddInsertAfter("</li>", m.statement);
    l.breaks.AddInsertAfter("</div>", m.statement);

    auto block = [this](PatternList& list, const Pattern&, long start, long end,
                        const std::string& current, size_t, void* data) {
      return HandleBlock(list, start, end, current, DataText(data), markers_, options_);
    };
    for (const std::string& pattern : StartTagPatterns("hr"))
      l.blocks.AddCallback(pattern, block, TextData(m.rule));
    for (const char* name : {"pre", "xmp", "listing", "plaintext"})
      for (const std::string& pattern : StartTagPatterns(name))
        l.blocks.AddCallback(pattern, block, TextData(m.start_pre));
    for (const char* pattern : {"</pre>", "</xmp>", "</listing>", "</plaintext>"})
      l.blocks.AddCallback(pattern, block, TextData(m.end_pre));
    for (const char* name : {"blockquote", "dir"})
      for (const std::string& pattern : StartTagPatterns(name))
        l.blocks.AddCallback(pattern, block, TextData(m.start_block));
    l.blocks.AddCallback("</blockquote>", block, TextData(m.end_block));
    l.blocks.AddCallback("</dir>", block, TextData(m.end_block));

    const PatternHandler heading = Slot(&DetagHandlerSlots::headings);
    l.headings.AddCallback("<h%1%/**>", heading, CodeData(kHeadingStart));
    l.headings.AddCallback("<h%1>", heading, CodeData(kHeadingStart));
    l.headings.AddCallback("</h%1>", heading, CodeData(kHeadingEnd));
  }

  // Dialogue: one blank between closing punctuation, the quote and the
  // next word; no blanks between a line end and a quote.
  l.dialogue0.AddReplace(".%W\"?W", ".\" ");
  l.dialogue0.AddReplace("!%W\"?W", "!\" ");
  l.dialogue0.AddReplace("|?%W\"?W", "?\" ");
  l.dialogue1.AddReplace("|n?W\"", "\n\"");
  l.dialogue1.AddReplace("\"?W|n", "\"\n");
  auto dialogue = [this](PatternList& list, const Pattern&, long start, long end,
                         const std::string& current, size_t,
                         void*) { return HandleDialogue(list, start, end, current, markers_); };
  l.dialogue2.AddCallback(".?W\"", dialogue);
  l.dialogue2.AddCallback("\"?W\"", dialogue);

  l.mark_resolution.text_mode = text;
  l.mark_resolution.single_line = options_.paragraph_on_single_line;
  l.mark_resolution.written_break = text ? std::string() : WrittenTag("<BR>", options_);
  BuildMarkLists(m, l.mark_resolution, l.marks);
  for (std::unique_ptr<MarkResolver>& resolver : l.resolvers)
    resolver = std::make_unique<MarkResolver>(m, l.mark_resolution);

  for (PatternList* list : l.All()) list->Freeze();
}

int DetagPass::ApplyList(PatternList& list, std::string& text, const char* message, ListGate& gate,
                         int repeat) {
  if (list.Size() == 0) return 0;
  bool* acted_last = nullptr;
  if (gate.use) {
    acted_last = &gate.acted_last[{&list, repeat}];
    // Building the index costs about as much as a scan on tag-dense text,
    // so it is built at most once per chunk, before the first list acts,
    // and only for a list that found nothing last time.
    if (!*acted_last && !gate.built) {
      gate.index.Build(text);
      gate.built = true;
    }
    if (!list.MayMatch(gate.index)) {
      *acted_last = false;
      return 0;
    }
  }
  // The whole text is large: its lists may have its halves scanned side by
  // side (ApplyInPlaceSplit declines where that could change the result).
  int actions = &gate == &whole_gate_ && side_by_side_ ? list.ApplyInPlaceSplit(text)
                                                       : list.ApplyInPlace(text);
  if (actions > 0) gate.index.Invalidate();
  if (acted_last != nullptr) *acted_last = actions > 0;
  const ReportFunction& report = Reporter();
  if (actions > 0 && report && message != nullptr) report(message, 10);
  return actions;
}

PatternList& DetagPass::TableList() { return lists_->tables; }

const ElementTable& DetagPass::Elements() {
  if (!element_table_) element_table_ = std::make_unique<const ElementTable>(ElementTable::Current());
  return *element_table_;
}

std::vector<std::string> DetagPass::PatternTexts() const {
  std::vector<std::string> texts;
  if (!lists_) return texts;
  for (const PatternList* list : lists_->All())
    for (size_t i = 0; i < list->Size(); ++i) texts.push_back(list->Entry(i).text);
  return texts;
}

// Markup removal writes a UTF-8 page back in UTF-8, so an entity's 8-bit
// value goes in as its UTF-8 character there too.
bool DetagPass::EntitiesInUtf8() const {
  if (options_.TextMode()) return TextIsUtf8();
  const std::string_view declared = TrimView(declared_charset_);
  return utf8_input_ || EqualsNoCase(declared, "utf-8") || EqualsNoCase(declared, "utf8");
}

void DetagPass::RunTablePasses(PatternList& list, std::string& text) {
  if (list.Size() == 0) return;
  table_analysis_->RunTablePasses(list, text, report_);
  if (table_analysis_->UnicodeOutput()) unicode_output_ = true;
}

void DetagPass::ChunkPass(int chunk_number, std::string& text) {
  if (!lists_) return;  // no file begun
  ChunkPassFront(chunk_number, text, front_gate_);
  ChunkPassBack(chunk_number, text, back_gate_);
}

namespace {

bool HoldsCommentOpening(std::string_view text) {
  // `!` is rarer than `<`, so it is the one searched for.
  for (size_t at = text.find("!--", 1); at != std::string_view::npos; at = text.find("!--", at + 1))
    if (text[at - 1] == '<') return true;
  return false;
}

}  // namespace

void DetagPass::ChunkPassFront(int chunk_number, std::string& text, ListGate& gate) {
  Lists& l = *lists_;
  const bool text_mode = options_.TextMode();
  const bool first = chunk_number == 1;
  gate.StartChunk();
  // Every tag goes whole or stays whole, so a '<' or '>' inside one of its
  // values must not end it early. Text mode writes them as entities, which
  // come back in any value that reaches the text; markup removal holds them
  // until its last step, so that the tags it keeps are written as they came.
  EscapeMarkupInQuotedValues(text, text_mode ? kMarkupAsEntities : kMarkupHeld);

  if (first && (text_mode || options_.remove_head))
    ApplyList(l.meta, text, "INFO: Processing <META> tags", gate);
  if (first) {
    std::string_view found;
    if (ExtractBetween(text, "<title>", "</title>", found)) {
      std::string title(found);
      DetagOptions bare = options_;
      bare.remove_all_tags = true;
      RemainingTagPass(title, bare, catalogue_, {}, {});
      bool unicode = false;
      ReplaceEntities(title,
                      EntityOptions{true, options_.allow_8bit_ansi,
                                    options_.allow_ansi_alternatives, TextIsUtf8(), true},
                      unicode);
      info_.title = CollapseBlanks(title);
    }
  }
  if (first && options_.remove_style_sheet)
    ApplyList(l.link, text, "INFO: Removing extrenal stylesheet reference", gate);
  if (first) {
    std::string_view attributes;
    std::string href;
    if (ExtractBetween(text, "<base%W", ">", attributes) &&
        GetTagAttribute("<base " + std::string(attributes) + ">", "href", href))
      info_.base_url = Trim(DecodeAttributeValue(href));
  }
  if (first && (text_mode || options_.remove_head || options_.remove_office_tags)) {
    ApplyList(l.head, text, "INFO: Removing <HEAD>..</HEAD> tags", gate);
    if (options_.remove_office_tags)
      ApplyList(l.xml, text, "INFO: Removing <xml>..</xml> sections", gate);
  }
  if (!text_mode) ApplyList(l.body, text, "INFO: Removing <BODY> tags", gate);
  if (!text_mode && options_.remove_office_tags) ApplyList(l.office_comments, text, nullptr, gate);
  if (text_mode || options_.remove_comments) {
    comment_state_ = CommentState{};
    // Without a comment opening the list only follows the scripts, which
    // changes nothing: only an opened comment is removed.
    if (HoldsCommentOpening(text)) ApplyList(l.comments, text, "INFO: Removing comments", gate);
  }
  if (text_mode || options_.remove_style_sheet || options_.remove_script) {
    // Scripts on their own first, so that a style element or a drawing
    // written by a script cannot end the script's match.
    int removed = ApplyList(l.scripts, text, nullptr, gate);
    removed += ApplyList(l.style, text, nullptr, gate);
    const ReportFunction& report = Reporter();
    if (removed > 0 && report) report("INFO: Removing style sheet", 10);
  }
  if (text_mode || options_.remove_object) {
    // A drawing inside a template, or inside an object, hides the outer
    // element from the first scan.
    if (ApplyList(l.objects, text, "INFO: Removing objects", gate) > 0 && text_mode)
      ApplyList(l.objects, text, nullptr, gate, /*repeat=*/1);
  }
  if (text_mode || options_.remove_form)
    ApplyList(l.forms, text, "INFO: Removing Form fields", gate);
  if (text_mode || options_.remove_font || options_.remove_span || options_.remove_emphasis) {
    // Nested in-line tags hide each other within one scan ("<spa<b>n>");
    // a second scan catches what the first uncovered. It can only find a
    // tag that reaches across a change of the first, so it is spared when
    // no tag is left open before any change (as on nearly every page).
    PatternList::ChangeSpans changes;
    int removed = 0;
    {
      struct StopNoting {
        PatternList& list;
        ~StopNoting() { list.NoteChanges(nullptr); }
      } stop_noting{l.inline_markup};
      l.inline_markup.NoteChanges(&changes);
      removed = ApplyList(l.inline_markup, text, "INFO: Removing in-line markup tags", gate);
    }
    if (removed > 0 && TagsMayMatchAcrossChanges(l.inline_markup, text, changes))
      ApplyList(l.inline_markup, text, nullptr, gate, /*repeat=*/1);
  }
  if (text_mode) {
    // A list keeps its state from chunk to chunk (should one be cut).
    if (first) list_state_.Reset();
    ApplyList(l.lists, text, "INFO: Processing list tags", gate);
  }
  if (text_mode || options_.remove_img)
    ApplyList(l.images, text, "INFO: Removing image tags", gate);
  if (text_mode || options_.replace_hyperlinks || options_.omit_local_links ||
      options_.omit_email_links)
    ApplyList(l.hyperlinks, text, "INFO: Removing hyperlink tags", gate);
  gate.Stop();
}

void DetagPass::ChunkPassBack(int, std::string& text, ListGate& gate) {
  Lists& l = *lists_;
  const bool text_mode = options_.TextMode();
  gate.StartChunk();
  // Emphasis opens the back stage: the front one also reads the file, and
  // with emphasis there it was the slower of the two on long documents.
  // Its handler keeps no state.
  if (text_mode && options_.highlight_emphasis)
    ApplyList(l.highlighting, text, "INFO: Applying highlighting mods", gate);
  if (text_mode) {
    if (ApplyList(l.paragraphs, text, nullptr, gate) > 0) paragraph_tags_seen_ = true;
    if (ApplyList(l.breaks, text, nullptr, gate) > 0) break_tags_seen_ = true;
    if (InsertBlockBreaks(text, markers_.statement) > 0) break_tags_seen_ = true;
    ApplyList(l.blocks, text, nullptr, gate);
    if (JoinItemParagraphs(text, markers_) > 0) gate.index.Invalidate();
    ApplyList(l.headings, text, nullptr, gate);
  }
  gate.Stop();
  // Byte 133 is the Windows ellipsis only in a Western 8-bit text; in UTF-8
  // (read as such, or decoded) it is part of another character.
  if (!utf8_input_ && !decoded_input_ &&
      EllipsisIsSpelledOut(
          ClassifyCharset(info_.charset.empty() ? declared_charset_ : info_.charset)))
    SpellOutEllipses(text);
  if (text_mode && !options_.preserve_white_space && options_.look_for_dialogue) {
    ApplyList(l.dialogue0, text, "INFO: Preparing Dialogue text (0)", gate);
    ApplyList(l.dialogue1, text, "INFO: Reformatting Dialogue text (1)", gate);
    if (options_.break_dialogue_lines)
      ApplyList(l.dialogue2, text, "INFO: Reformatting Dialogue text (2)", gate);
  }
}

// Joins the source lines of a document whose structure is carried by
// paragraph and break marks (see RejoinLines), and notes the typical length
// of its long source lines for the layout.
void DetagPass::RejoinSourceLines(std::string& text) {
  const RejoinResult result = RejoinLinesInPlace(text, markers_);
  if (result.long_lines > 0) average_line_length_ = result.AverageLength();
}

// The last two steps over the whole text, re-joining its lines (when
// `rejoin`) and resolving its marks, work line by line and mark by mark
// from its start. A large text to be re-joined is cut after a line of its
// own near the middle (one that ends in an alignment marker), and the two
// halves go through both steps side by side. Whether the first half ended with no
// line being joined and no mark match under way is known only once it is
// done: when it did, the halves together are what the whole would have
// given; otherwise the whole text goes through both steps again.
void DetagPass::RejoinAndResolveMarks(std::string& text, bool rejoin) {
  auto whole = [&] {
    if (rejoin) RejoinSourceLines(text);
    if (lists_->resolvers[0]->Resolve(text)) return;
    MarkLists& lists = lists_->marks;
    if (side_by_side_) {
      PatternList::ApplyAllInPlaceSplit({&lists.break_runs, &lists.mark_spaces, &lists.final_marks},
                                        text);
    } else {
      for (PatternList* list : {&lists.break_runs, &lists.mark_spaces, &lists.final_marks})
        list->ApplyInPlace(text);
    }
  };
  const size_t worth_splitting = force_side_by_side_ ? 0 : size_t{1} << 20;
  size_t cut = std::string::npos;
  // Without re-joining, the marks alone are resolved in place: halves
  // would cost a copy of the text for little gain.
  if (rejoin && side_by_side_ && text.size() >= worth_splitting && lists_->resolvers[0]->Usable()) {
    const size_t found = text.find("]]\n", text.size() / 2);
    if (found != std::string::npos && found + 3 < text.size()) cut = found + 3;
  }
  if (cut == std::string::npos) {
    whole();
    return;
  }
  // Each half: re-joined into its own text (or copied), then its marks.
  struct Half {
    std::string out;
    RejoinResult joined;
    bool ends_idle = false;
  };
  auto finish = [&](std::string_view part, Half& half, size_t room, MarkResolver& resolver) {
    ReserveLargeText(half.out, room);
    half.joined = RejoinLines(part, markers_, half.out);
    resolver.Resolve(half.out, &half.ends_idle);
  };
  const std::string_view all(text);
  Half first, second;
  // The first half's text has room for the second's after it.
  if (!RunSideBySide(
          [&] { finish(all.substr(0, cut), first, all.size() + 16, *lists_->resolvers[0]); },
          [&] { finish(all.substr(cut), second, all.size() - cut + 16, *lists_->resolvers[1]); })) {
    whole();
    return;
  }
  if (!first.joined.ends_between_lines || !first.ends_idle) {
    whole();
    return;
  }
  std::string().swap(text);
  first.out += second.out;
  text.swap(first.out);
  RejoinResult both = first.joined;
  both.long_lines_total += second.joined.long_lines_total;
  both.long_lines += second.joined.long_lines;
  if (both.long_lines > 0) average_line_length_ = both.AverageLength();
}

// Looks at the first 40 lines for a by-line ("By A. Writer") and an e-mail
// address, when they are still wanted.
void DetagPass::FindByLineAndAddress(const std::string& text) {
  bool want_by_line =
      options_.allow_by_line_author && (info_.author.empty() || info_.author == "** UNKNOWN **");
  bool want_email = info_.email.empty() || info_.email == "** UNKNOWN **";
  size_t start = 0;
  for (int line_number = 0; line_number < 40 && start < text.size() && (want_by_line || want_email);
       ++line_number) {
    size_t feed = text.find('\n', start);
    if (feed == std::string::npos) feed = text.size();
    std::string_view line(text.data() + start, feed - start);
    start = feed + 1;
    while (line.substr(0, kForcedBreak.size()) == kForcedBreak)
      line.remove_prefix(kForcedBreak.size());
    if (want_by_line && line.size() < 55) {
      // "By" or "By:" as the first or second word; the rest of the line.
      size_t i = 0;
      for (int w = 0; w < 2; ++w) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const size_t word_start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        const std::string_view word = line.substr(word_start, i - word_start);
        if (word.empty()) break;
        if (word == "By" || word == "By:") {
          info_.by_line = Trim(line.substr(i));
          want_by_line = false;
          break;
        }
      }
    }
    const size_t at = want_email ? line.rfind('@') : std::string_view::npos;
    if (at != std::string_view::npos) {
      // The last word holding an "@".
      size_t word_start = at;
      while (word_start > 0 && !IsBlank(line[word_start - 1])) --word_start;
      size_t word_end = at;
      while (word_end < line.size() && !IsBlank(line[word_end])) ++word_end;
      info_.email = std::string(line.substr(word_start, word_end - word_start));
      want_email = false;
    }
  }
}

void DetagPass::WholeTextPass(std::string& text) {
  if (!lists_) return;  // no file begun
  Lists& l = *lists_;
  const bool text_mode = options_.TextMode();
  if (!text_mode) {
    if (options_.remove_p_from_tables) RunTablePasses(l.table_markup, text);
    if (options_.remove_table_tags)
      ApplyList(l.table_tags, text, "INFO: Removing table tags", whole_gate_);
  } else if (first_table_application_done_) {
    table_analysis_->FinishTextTables(l.tables, text, first_table_actions_, report_);
    if (table_analysis_->UnicodeOutput()) unicode_output_ = true;
  } else if (options_.parse_tables) {
    RunTablePasses(l.tables, text);
  }

  if (report_)
    report_(text_mode ? "INFO: Removing all remaining tags" : "INFO: Processing remaining markup",
            10);
  if (rewriter_) {
    RemainingTagPass(text, options_, catalogue_, rewriter_, report_);
  } else if (text_mode && side_by_side_) {
    // Every tag goes; a large text in two halves side by side.
    RemoveAllTagsInPlaceSplit(text, force_side_by_side_ ? 0 : size_t{1} << 20);
  } else if (text_mode) {
    RemainingTagPass(text, options_, catalogue_, {}, report_);  // every tag goes
  } else {
    RemainingTagPass(text, options_, catalogue_, MakeTagRewriter(options_, Elements()), report_);
  }
  // A document's text may write a reference without its ';' ("&nbsp").
  if ((text_mode || options_.replace_entities) && text.find('&') != std::string::npos &&
      (text_mode || text.find(';') != std::string::npos)) {
    EntityOptions entity_options{text_mode, options_.allow_8bit_ansi,
                                 options_.allow_ansi_alternatives, EntitiesInUtf8(), text_mode};
    ReplaceEntities(text, entity_options, unicode_output_, report_);
  }

  // Neither re-joining nor the marks report anything, so the message that
  // stands between them in the conversion's account comes first.
  const bool rejoin = text_mode && ParagraphTagsSeen() && !options_.preserve_white_space;
  if (text_mode && report_) report_("INFO: Reinserting line/paragraph markers", 10);
  RejoinAndResolveMarks(text, rejoin);
  // Markup removal has no marks left: the text's own 0xFF bytes come back,
  // and so do the '<' and '>' of values. Text mode still has its forced
  // breaks: the writers restore them (AsUtf8).
  if (!text_mode) {
    RestoreHeldFF(text);
    RestoreHeldMarkup(text);
  }

  FindByLineAndAddress(text);

  if (text_mode && options_.sentence_gap) ApplySentenceGap(text);
}

// The gap between sentences goes into the text outside preformatted
// sections, which are written as they stand.
void DetagPass::ApplySentenceGap(std::string& text) {
  PatternList& sentences = lists_->sentences;
  constexpr std::string_view kStart = "\n$_$_START_PRE\n";
  constexpr std::string_view kEnd = "\n$_$_END_PRE\n";
  int actions = 0;
  if (text.find(kStart) == std::string::npos) {
    actions = sentences.ApplyInPlace(text);
  } else {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    std::string stretch;
    for (size_t from = 0; from < text.size();) {
      const size_t start = text.find(kStart, from);
      const size_t outside_end = start == std::string::npos ? text.size() : start;
      stretch.assign(text, from, outside_end - from);
      actions += sentences.ApplyInPlace(stretch);
      out += stretch;
      if (start == std::string::npos) break;
      const size_t end = text.find(kEnd, start + kStart.size());
      const size_t inside_end = end == std::string::npos ? text.size() : end + 1;
      out.append(text, start, inside_end - start);
      from = inside_end;
    }
    text.swap(out);
  }
  if (actions > 0 && report_) report_("INFO: Reformatting sentence text", 10);
}

// Lays the converted text out (wrapping, alignment, lists and verbatim
// stretches in text mode; lines unchanged in markup removal) and hands each
// finished line to `write` as soon as it is done, so the laid-out text is
// never held whole. `state` is the alignment and the justification toggle
// that carry over from file to file. The paragraph end after a short last
// line would leave the file ending in an empty line: empty lines at the
// end are dropped, since the reference table and the footer bring their
// own separation.
void DetagPass::StreamLayout(std::string& text, ProgramLayoutState& state,
                             const ReportFunction& report,
                             const std::function<void(std::string_view)>& write) {
  LayoutFileInputs inputs;
  inputs.typical_line_length = average_line_length_;
  inputs.text_blocks = &text_blocks_;
  // Text mode holds the laid-out text until the header is written, so a
  // second half laid out ahead costs no memory; markup removal writes its
  // lines as they come and lays them out in one go.
  inputs.side_by_side = side_by_side_ && options_.TextMode();
  if (force_side_by_side_) inputs.worth_splitting = 0;
  // The laid-out lines pile up (in text mode until the header is written)
  // while the text they come from is no longer needed: a large text gives
  // its memory back as the layout passes it, so that the two are not held
  // whole at once.
  constexpr size_t kReleasableText = size_t{1} << 20;
  if (text.size() >= kReleasableText) {
    char* const data = text.data();
    inputs.done_with = [data](size_t from, size_t to) { ReleasePages(data + from, to - from); };
  }
  const bool drop_final_empty = options_.TextMode() && !options_.preserve_white_space;
  size_t empty_held = 0;
  LayOutTextTo(text, options_, inputs, state, report, [&](std::string_view line) {
    if (drop_final_empty && line.empty()) {
      ++empty_held;
      return;
    }
    for (; empty_held > 0; --empty_held) write(std::string_view());
    write(line);
  });
}

void DetagPass::ForEachOutputLine(std::string& text,
                                  const std::function<void(std::string_view)>& write) {
  StreamLayout(text, layout_state_, report_, write);
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
  const bool unicode_file =
      options_.TextMode() && unicode_output_ && options_.may_add_unicode_marker;
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
  BeginFile(options, request, report);

  // One look over the file tells UTF-8 input (a byte-order mark, 16-bit
  // text, or bytes that all form UTF-8) and the set its META names (else
  // the "Character encoding" policy), which text mode decodes into UTF-8
  // when it is not a Western one.
  const InputSniff sniff =
      request.input_text ? SniffText(*request.input_text, side_by_side_)
                         : SniffInput(request.input_path, side_by_side_);
  if (!sniff.opened) {
    if (report_) report_("ERROR: Error opening " + request.input_path, 10);
    return false;
  }
  // Plain ASCII is written with 8-bit values until the output, like
  // Windows-1252 text, so that each character takes one column.
  utf8_input_ = sniff.utf8 && !sniff.ascii;
  declared_charset_ = sniff.declared.empty() ? options_.character_encoding : sniff.declared;
  decoder_.Close();
  decoded_input_ = options_.TextMode() && !utf8_input_ &&
                   DecodedFromDeclaredSet(declared_charset_) && decoder_.Open(declared_charset_);
  if (report_) report_("INFO: Reading input file " + request.input_path, 10);

  // An output that continues in markup removal after inputs converted in
  // text mode gets their text (with its header and footer) first, so the
  // inputs keep their order.
  if (holding_ && !options_.TextMode() && !request.first_of_output) WriteTextOutput(output, nullptr);

  ChunkReaderOptions reader_options;
  reader_options.text_mode = options_.TextMode();
  reader_options.directive_delimiter = options_.directive_delimiter;
  if (test_chunk_limit_ > 0) reader_options.chunk_limit = test_chunk_limit_;
  reader_options.utf8_text = utf8_input_ || decoded_input_;
  reader_options.decoder = decoded_input_ ? &decoder_ : nullptr;
  reader_options.input_text = request.input_text;
  definitions_.Clear();
  if (options_.TextMode()) LoadFragmentDefinitions(request.input_path);
  std::string whole_text;
  // Room for a text as long as the file is made at once: grown by doubling,
  // the text would need its old and its new room together, several times
  // its size. Room that is never written costs no memory.
  const uint64_t input_size = InputSize(request);
  if (input_size > 0 && input_size < (uint64_t{1} << 32)) ReserveLargeText(whole_text, input_size);
  input_size_ = input_size;
  read_so_far_ = converted_so_far_ = 0;
  // A file of several chunks has its two chunk-pass stages run side by side.
  const bool pipelined = side_by_side_ && options_.TextMode() && lists_ &&
                         (force_side_by_side_ || input_size > 2 * reader_options.chunk_limit);
  ChunkReadResult read = pipelined
                             ? ReadChunksPipelined(request.input_path, reader_options, whole_text)
                             : ReadChunksInOrder(request.input_path, reader_options, whole_text);
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
    // The inputs of a concatenated output are parted by a centred rule.
    if (!request.last_of_output) output.WriteLine(WrittenTag("<HR ALIGN=\"center\">", options_));
    return true;
  }

  FillHeaderDocument(request);
  if (request.last_of_output) {
    output.SetFlushHook(nullptr);
    WriteTextOutput(output, &whole_text);
    return true;
  }
  // More inputs follow: hold the lines, and a rule line to separate them.
  // Held lines are written in UTF-8 now, by this file's encoding: the
  // output's last file may be in another.
  std::string converted;
  ForEachOutputLine(whole_text, [this, &converted](std::string_view line) {
    held_lines_.emplace_back(AsUtf8(line, converted));
  });
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

ChunkReadResult DetagPass::ReadChunksInOrder(const std::string& path,
                                             const ChunkReaderOptions& options,
                                             std::string& whole_text) {
  return ReadInputChunks(
      path, options, report_,
      [this](const std::string& name, std::vector<std::string> lines) {
        definitions_.Add(DefinitionKind::kTextFragment, name, std::move(lines));
      },
      [this, &whole_text](int number, std::string& chunk) {
        const size_t read = chunk.size();
        ChunkPass(number, chunk);
        MakeRoomForChunks(whole_text, read, chunk.size());
      },
      whole_text);
}

// The chunk pass makes a document's text longer or shorter than its input
// by a ratio that holds through the document (headings and list items
// gain their marks, tags go, tables become references to their laid-out
// blocks). When the text outgrows its room, room for the whole of it is
// made at the ratio seen so far, rather than by doubling again and again:
// a doubling holds the old and the new text at once, up to three times
// the text. Room that is never written costs no memory.
void DetagPass::MakeRoomForChunks(std::string& whole_text, size_t read, size_t converted) {
  NoteChunkRead(read);
  MakeRoomInWholeText(whole_text, converted);
}

void DetagPass::NoteChunkRead(size_t read) { read_so_far_ += read; }

void DetagPass::MakeRoomInWholeText(std::string& whole_text, size_t appended) {
  converted_so_far_ += appended;
  if (read_so_far_ == 0 || input_size_ == 0 || input_size_ >= (uint64_t{1} << 32)) return;
  const double ratio = static_cast<double>(converted_so_far_) / static_cast<double>(read_so_far_);
  const uint64_t expected =
      static_cast<uint64_t>(static_cast<double>(input_size_) * std::min(ratio, 16.0) * 1.05) +
      (uint64_t{1} << 16);
  const uint64_t needed = whole_text.size() + appended;
  const uint64_t capacity = whole_text.capacity();
  // Room is made as soon as the text is expected to outgrow its room, while
  // the text to be moved into the new room is still short; a slight drift
  // of the ratio does not make room again.
  if (needed <= capacity && expected <= capacity + capacity / 8) return;
  uint64_t room = std::max(expected, needed);
  if (needed > capacity) room = std::max(room, capacity + capacity / 2);
  try {
    ReserveLargeText(whole_text, room);
  } catch (const std::bad_alloc&) {
    // The text grows as it can.
  }
}

namespace {

// The built-in definitions, read once for the whole run: they are the
// same for every file.
const DefinitionList& BuiltInDefinitions() {
  static const DefinitionList built_in = [] {
    DefinitionList list;
    list.Load(BuiltInFragmentLines(), DirectiveKeywords("$_$_"), {});
    return list;
  }();
  return built_in;
}

}  // namespace

void DetagPass::LoadFragmentDefinitions(const std::string& input_path) {
  // The built-in definitions come first (the list is empty here), so the
  // fragments file and the document can replace them.
  definitions_ = BuiltInDefinitions();
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
  d.last_email = info_.last_email.empty() ? info_.email : info_.last_email;
  d.top_url = info_.first_url;
  d.last_url = info_.last_url;
  if (request.input_text) {
    // A document in memory has no file of its own: no date, and only the
    // name the caller gave.
    d.input_file_name = d.output_file_name = request.header_file_name;
  } else {
    const PathParts input = SplitPath(request.input_path);
    const PathParts output = SplitPath(request.output_path);
    d.input_file_name = input.name + input.extension;
    d.output_file_name = output.name + output.extension;
    d.input_date = FileTimestamp(request.input_path);
  }
  d.input_size_text = FormatThousands(InputSize(request)) + " bytes";
  d.timestamp = timestamp_source_ ? timestamp_source_() : LocalTimestamp();
}

// The output is UTF-8. UTF-8 text may still hold single 8-bit values (a
// bullet, a heading's entities): they are Windows-1252 characters, written
// in UTF-8. Windows-1252 text is written in UTF-8 as a whole; when entity
// replacement put UTF-8 sequences into it, those stay as they are.
std::string_view DetagPass::AsUtf8(std::string_view text, std::string& buffer) const {
  // Text mode holds the text's own 0xFF bytes as kHeldFF until its lines
  // are written (its forced-break markers are 0xFF bytes), and so may a
  // header field or a link's address. Once they are back, the text has a
  // byte that is not UTF-8, so it is converted into `buffer` below and is
  // never handed back itself.
  std::string restored;
  if (text.find(kHeldFF) != std::string_view::npos) {
    restored.assign(text);
    RestoreHeldFF(restored);
    text = restored;
  }
  if (TextIsUtf8() || unicode_output_) {
    if (IsValidUtf8(text)) return text;
    buffer.clear();
    AppendAsUtf8(text, buffer);
    return buffer;
  }
  if (std::none_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; })) return text;
  buffer.clear();
  AppendWindows1252AsUtf8(text, buffer);
  return buffer;
}

void DetagPass::WriteTextOutput(ASCIIFile& output, std::string* text) {
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
  // The body is laid out once into blocks of lines (a line feed after
  // each), measured for the header on the way, and written from there: a
  // list of line strings would cost several times the text, and one growing
  // buffer would hold two copies of itself each time it grows.
  // A small text takes a first block of about its own size, so that a
  // batch of small files does not take and give back a whole block each.
  std::vector<std::string> body;
  if (text != nullptr) {
    constexpr size_t kBlock = size_t{1} << 20;
    const size_t first_block = std::min(kBlock, text->size() + text->size() / 4 + 1024);
    StreamLayout(*text, layout_state_, report_, [&](std::string_view line) {
      measure(line);
      if (body.empty() || body.back().size() + line.size() + 1 > body.back().capacity()) {
        const size_t room = body.empty() ? first_block : kBlock;
        body.emplace_back();
        body.back().reserve(std::max(room, line.size() + 1));
      }
      body.back().append(line);
      body.back().push_back('\n');
    });
  }
  // The reference table is measured here and made again line by line as
  // it is written: a list of its lines would cost several times its text.
  const bool references = ReferenceTableWanted(options_, url_references_);
  if (references) {
    if (report_) report_("INFO: Adding URL reference table", 10);
    ForEachReferenceLine(url_references_, measure);
  }
  for (const std::string& line : held_lines_) measure(line);
  for (const std::string& line : footer) measure(line);
  header_document_.output_size_text = EstimatedSizeText(length_sum, line_count);
  info_.size_text = header_document_.output_size_text;

  std::string converted;
  auto write = [&](std::string_view text, bool block) {
    text = AsUtf8(text, converted);
    if (block)
      output.WriteLines(text);
    else
      output.WriteLine(text);
  };
  std::vector<std::string> header;
  expander.ExpandFragment("TEXT_HEADER", header);
  for (const std::string& line : header) write(line, false);
  for (const std::string& line : held_lines_) output.WriteLine(line);  // UTF-8 already
  for (const std::string& block : body) write(block, true);
  if (references)
    ForEachReferenceLine(url_references_, [&write](std::string_view line) { write(line, false); });
  for (const std::string& line : footer) write(line, false);
  held_lines_.clear();
}

}  // namespace orv
