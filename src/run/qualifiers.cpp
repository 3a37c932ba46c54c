// The qualifier table, the parser of qualifier arguments and the usage
// text.
#include "run/qualifiers.h"

#include <array>
#include <ostream>

#include "common/text.h"
#include "run/context.h"

namespace orv {
namespace {

using Id = QualifierId;

// Search order of the parser. The usage text has its own order below.
constexpr std::array<Qualifier, 31> kTable = {{
    {Id::kQuery, "/?", 1, false},
    {Id::kHelp, "/HELP", 2, true},
    {Id::kHtml, "/HTML", 2, false},
    {Id::kLog, "/LOG", 2, true},
    {Id::kOutput, "/OUTPUT", 2, true},
    {Id::kTocOut, "/TOC_OUT", 2, false},
    {Id::kConcat, "/CONCAT", 4, true},
    {Id::kContents, "/CONTENTS", 4, false},
    {Id::kConsole, "/CONSOLE", 4, true},
    {Id::kCu, "/CU", 2, false},
    {Id::kCtxIn, "/CTX_IN", 5, false},
    {Id::kCtxOut, "/CTX_OUT", 5, false},
    {Id::kDebug, "/DEBUG", 3, false},
    {Id::kDetag, "/DETAG", 3, true},
    {Id::kDos, "/DOS", 2, false},
    {Id::kFrames, "/FRAMES", 1, false},
    {Id::kIndex, "/INDEX", 1, false},
    {Id::kList, "/LIST", 3, false},
    {Id::kLinks, "/LINKS", 3, false},
    {Id::kOverwrite, "/OVERWRITE", 2, true},
    {Id::kPolicy, "/POLICY", 1, true},
    {Id::kRtf, "/RTF", 2, false},
    {Id::kRuleset, "/RULESET", 2, false},
    {Id::kSimple, "/SIMPLE", 3, false},
    {Id::kSubfolders, "/SUBFOLDERS", 3, true},
    {Id::kSilent, "/SILENT", 3, true},
    {Id::kComma, "/COMMA", 3, false},
    {Id::kTabbed, "/TABBED", 4, false},
    {Id::kTable, "/TABLE", 4, false},
    {Id::kTags, "/TAGS", 3, false},
    {Id::kTree, "/TREE", 3, false},
}};

// /?, /HELP and /HTML are looked for before the usage text is printed.
constexpr size_t kRowsBeforeUsage = 3;

struct UsageLine {
  Id id;
  int spaces;
  std::string_view text;
};

// Usage order and the text after each name.
constexpr std::array<UsageLine, 30> kUsage = {{
    {Id::kComma, 15, "Input file is a comma-delimited table"},
    {Id::kConcat, 15, "Concatenate the results into one file"},
    {Id::kConsole, 13, "Write output direct to console"},
    {Id::kContents, 12, "Generate contents list (if possible)"},
    {Id::kCu, 18, "The file is a composition unit"},
    {Id::kCtxIn, 0, "=filename     The name of a context file to be loaded"},
    {Id::kCtxOut, 0, "[=filespec]  Filespec for output .ctx file(s)"},
    {Id::kDebug, 15, "Generate .lis and .stats file"},
    {Id::kDetag, 15, "Selectively remove HTML markup"},
    {Id::kDos, 17, "Generate DOS compatible 8.3 names"},
    {Id::kFrames, 14, "Generate HTML output in FRAMES"},
    {Id::kHelp, 16, "Display this useful list of commands (\"/?\" also works)"},
    {Id::kHtml, 16, "Source file is HTML (as opposed to text)"},
    {Id::kIndex, 0, "[=filename]    Generate a directory index of all files converted"},
    {Id::kLog, 0, "[=filename]      Generate a .log file"},
    {Id::kList, 0, "[=filename]     Generate .lis and .lis1 diagnostic files"},
    {Id::kLinks, 0, "[=filename]    Output all URLs and email addresses to file"},
    {Id::kOutput, 0, "[=filespec]   Filespec for output file(s)"},
    {Id::kOverwrite, 16, "May overwrite input files with the output"},
    {Id::kPolicy, 0, "[=filename]   Document policies used in a .pol file"},
    {Id::kRtf, 17, "Generate RTF (instead of HTML)"},
    {Id::kRuleset, 0, "=\"name\"      Rule set to be used (requires special code)"},
    {Id::kSilent, 14, "Suppress all output messages (except these :-)"},
    {Id::kSimple, 14, "Treat file as structure-free \"simple\" file"},
    {Id::kSubfolders, 14, "Search sub-folders for files as well"},
    {Id::kTags, 16, "Generate debug tags in output"},
    {Id::kTable, 15, "Input file is plain text table"},
    {Id::kTabbed, 14, "Input file is tab-delimited table"},
    {Id::kTocOut, 0, "[=filespec]  Filespec for output .toc file(s)"},
    {Id::kTree, 14, "Output directory tree should match input tree"},
}};

const Qualifier& RowOf(Id id) {
  for (const Qualifier& q : kTable)
    if (q.id == id) return q;
  return kTable[0];
}

// Stand-in for the characters of a quoted or bracketed value in the masked
// text; never part of a qualifier name.
constexpr char kMasked = '\x01';

// A copy of `text` of the same length in which every value written after
// "=" in double quotes or angle brackets (delimiters included) is blanked
// out, so that names are counted and searched for only outside values.
std::string MaskValues(std::string_view text) {
  std::string mask(text);
  for (size_t i = 0; i + 1 < mask.size(); ++i) {
    if (mask[i] != '=' || (mask[i + 1] != '"' && mask[i + 1] != '<')) continue;
    const char close = mask[i + 1] == '"' ? '"' : '>';
    size_t end = text.find(close, i + 2);
    end = end == std::string_view::npos ? text.size() : end + 1;
    for (size_t j = i + 1; j < end; ++j) mask[j] = kMasked;
    i = end - 1;
  }
  return mask;
}

bool IsWordEnd(char c) { return c == ' ' || c == '\t' || c == '=' || c == '/'; }
bool IsValueEnd(char c) { return c == ' ' || c == '\t' || c == '/'; }

// Cuts qualifier `q` and its value out of `text`. Returns the trimmed
// value, empty when there is none or the typed word was not a form of the
// qualifier's name (reported; the text is then left unchanged).
std::string Extract(const Qualifier& q, std::string& text, Context& context) {
  const std::string mask = MaskValues(text);
  size_t pos = std::string::npos;
  for (size_t len = q.full_name.size(); len >= q.abbreviation().size() && len > 0; --len) {
    pos = FindNoCase(mask, q.full_name.substr(0, len));
    if (pos != std::string::npos) break;
  }
  if (pos == std::string::npos) return "";

  size_t word_end = pos + 1;
  while (word_end < text.size() && !IsWordEnd(text[word_end])) ++word_end;
  size_t region_end = word_end;
  std::string value;
  if (word_end < text.size() && text[word_end] == '=') {
    const size_t after = word_end + 1;
    const char first = after < text.size() ? text[after] : '\0';
    if (first == ' ' || first == '\t') {
      context.Report("Missing value after \"=\" for qualifier " + std::string(q.full_name));
      region_end = after;
    } else if (first == '<' || first == '"') {
      const size_t close = text.find(first == '<' ? '>' : '"', after + 1);
      if (close == std::string::npos) {
        context.Report("Missing end-quote in qualifier value " + std::string(q.full_name));
        value = text.substr(after + 1);
        region_end = text.size();
      } else {
        value = text.substr(after + 1, close - after - 1);
        region_end = close + 1;
      }
    } else {
      size_t end = after;
      while (end < text.size() && !IsValueEnd(text[end])) ++end;
      value = text.substr(after, end - after);
      region_end = end;
    }
  }

  const std::string word = Trim(std::string_view(text).substr(pos, word_end - pos));
  if (FindNoCase(q.full_name, word) == std::string_view::npos) {
    context.Report("Illegal Qualifier : " + word);
    return "";
  }
  text.replace(pos, region_end - pos, " ");
  return Trim(value);
}

// "Can't use ..." rule of the log and index names: a ".pol", ".txt" or
// ".dat" extension becomes `replacement`.
std::string FixNameExtension(const std::string& value, std::string_view what,
                             std::string_view replacement, Context& context) {
  PathParts parts = SplitPath(value);
  for (std::string_view bad : {".pol", ".txt", ".dat"}) {
    if (!EqualsNoCase(parts.extension, bad)) continue;
    context.Report("Can't use \"" + parts.extension + "\" for " + std::string(what) +
                   " file.  Changing to \"" + std::string(replacement) + "\"");
    return parts.directory + parts.name + std::string(replacement);
  }
  return value;
}

void SetEffect(Id id, QualifierSettings& s, Context& context) {
  switch (id) {
    case Id::kQuery:
    case Id::kHelp: s.help = true; break;
    case Id::kHtml: s.html = true; break;
    case Id::kLog: s.log = true; break;
    case Id::kOutput: s.output = true; break;
    case Id::kTocOut: s.toc_out = true; break;
    case Id::kConcat: s.concat = true; break;
    case Id::kContents: s.contents = true; break;
    case Id::kConsole: s.console = true; break;
    case Id::kCu: s.cu = true; break;
    case Id::kCtxIn: s.ctx_in = true; break;
    case Id::kCtxOut: s.ctx_out = true; break;
    case Id::kDebug: s.debug = true; break;
    case Id::kDetag: s.detag = true; break;
    case Id::kDos: s.dos = true; break;
    case Id::kFrames: s.frames = true; break;
    case Id::kIndex: s.index = true; break;
    case Id::kList: s.list = true; break;
    case Id::kLinks: s.links = true; break;
    case Id::kOverwrite: s.overwrite = true; break;
    case Id::kPolicy: s.policy = true; break;
    case Id::kRtf: s.rtf = true; break;
    case Id::kRuleset: s.ruleset = true; break;
    case Id::kSimple: s.simple = true; break;
    case Id::kSubfolders: s.subfolders = true; break;
    case Id::kSilent:
      s.silent = true;
      context.SetEcho(false);
      break;
    case Id::kComma: s.comma = true; break;
    case Id::kTabbed: s.tabbed = true; break;
    case Id::kTable: s.table = true; break;
    case Id::kTags: s.tags = true; break;
    case Id::kTree: s.tree = true; break;
  }
}

void ApplyValue(Id id, const std::string& value, QualifierSettings& s, Context& context) {
  switch (id) {
    case Id::kLog:
      s.log_file_name = value.empty() ? std::string(Context::kDefaultLogName)
                                      : FixNameExtension(value, "a log", ".log", context);
      break;
    case Id::kOutput: {
      if (value.empty()) break;
      PathParts parts = SplitPath(value);
      if (EqualsNoCase(parts.extension, ".pol")) {
        context.Report("Can't use \"" + parts.extension +
                       "\" for an output file.  Changing to \".html\"");
        parts.extension = ".html";
        s.output_spec = parts.directory + parts.name + parts.extension;
      } else {
        s.output_spec = value;
      }
      s.output_directory = parts.directory;
      s.output_name = parts.name;
      s.output_extension = parts.extension;
      break;
    }
    case Id::kIndex:
      s.index_file_name =
          value.empty() ? "" : FixNameExtension(value, "an index", ".html", context);
      break;
    case Id::kCtxIn:
      if (value.empty()) {
        context.Report("Value missing for " + std::string(RowOf(id).full_name) + " qualifier");
        s.ctx_in = false;
      } else {
        s.context_file = value;
      }
      break;
    case Id::kTocOut:
      if (!value.empty()) {
        PathParts parts = SplitPath(value);
        s.toc_spec = value;
        s.toc_name = parts.name;
        s.toc_extension = parts.extension;
        s.toc_directory = parts.directory;
      }
      break;
    case Id::kCtxOut:
      if (!value.empty()) {
        PathParts parts = SplitPath(value);
        s.ctx_out_spec = value;
        s.ctx_out_name = parts.name;
        s.ctx_out_extension = parts.extension;
        s.ctx_out_directory = parts.directory;
      }
      break;
    case Id::kPolicy: s.policy_out_name = value; break;
    case Id::kLinks: s.links_file_name = value.empty() ? "FoundLinks.txt" : value; break;
    case Id::kRuleset: s.ruleset_name = value; break;
    default: break;
  }
}

// Reports and cuts out every word that still holds a "/".
void ReportLeftovers(std::string& text, Context& context) {
  if (text.find('/') == std::string::npos) return;
  std::string collected;
  std::string kept;
  for (std::string& word : Split(text, ' ')) {
    size_t slash = word.find('/');
    if (slash != std::string::npos) {
      collected += word.substr(slash);
      collected += ' ';
      word.erase(slash);
    }
    if (word.empty()) continue;
    if (!kept.empty()) kept += ' ';
    kept += word;
  }
  text = kept;
  context.Report("*** Unrecognised, ambiguous or repeated qualifiers : " + collected);
}

void RecordItem(const std::string& item, QualifierSettings& s) {
  std::string_view bare(item);
  if (bare.size() >= 2 && bare.front() == '<' && bare.back() == '>')
    bare = bare.substr(1, bare.size() - 2);
  if (EqualsNoCase(SplitPath(bare).extension, ".pol")) {
    s.policy_file = std::string(bare);
    return;
  }
  if (!s.input_file_list.empty()) s.input_file_list += ' ';
  s.input_file_list += item;
}

// Records what is left of the argument: items in angle brackets first,
// then the plain words.
void RecordRemainder(const std::string& text, QualifierSettings& s) {
  std::string rest;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('<', pos);
    size_t close = open == std::string::npos ? open : text.find('>', open + 1);
    if (close == std::string::npos) {
      rest += text.substr(pos);
      break;
    }
    RecordItem(text.substr(open, close - open + 1), s);
    rest += text.substr(pos, open - pos);
    rest += ' ';
    pos = close + 1;
  }
  for (const std::string& word : Split(CollapseBlanks(rest), ' '))
    if (!word.empty()) RecordItem(word, s);
}

}  // namespace

std::span<const Qualifier> QualifierTable() { return kTable; }

std::string UsageText(std::string_view program_name) {
  std::string text = "Usage : " + std::string(program_name) +
                     " filespec1 filespec2 [policy_file.pol] [/qualifiers]\n\n"
                     "Recognised qualifiers include\n";
  for (const UsageLine& line : kUsage) {
    const Qualifier& q = RowOf(line.id);
    if (!q.listed) continue;
    text += "   ";
    text += q.full_name;
    text.append(static_cast<size_t>(line.spaces), ' ');
    text += line.text;
    text += '\n';
  }
  text +=
      "Qualifiers are case insensitive and may be reduced to shortest unique\n"
      "name (e.g \"/lo\" for \"/log\")\n";
  return text;
}

void ParseQualifierArgument(std::string_view argument, Context& context) {
  QualifierSettings& s = context.Qualifiers();
  std::string text(argument);
  auto print_usage_once = [&] {
    if (!s.help || s.usage_printed) return;
    s.usage_printed = true;
    context.Sink().Out() << UsageText();
    context.Sink().Out().flush();
  };

  const std::string mask = MaskValues(text);
  size_t to_find = 0;
  for (char c : mask) to_find += c == '/';

  for (size_t row = 0; row < kTable.size() && to_find > 0; ++row) {
    if (row == kRowsBeforeUsage) print_usage_once();
    const Qualifier& q = kTable[row];
    if (FindNoCase(MaskValues(text), q.abbreviation()) == std::string::npos) continue;
    SetEffect(q.id, s, context);
    ApplyValue(q.id, Extract(q, text, context), s, context);
    --to_find;
  }
  print_usage_once();

  text = Trim(text);
  ReportLeftovers(text, context);

  if (s.console) {
    s.index = false;
    s.index_file_name.clear();
    context.SetEcho(false);
    s.output_spec.clear();
    s.output_directory.clear();
    s.output_name.clear();
    s.output_extension.clear();
  }

  RecordRemainder(text, s);
}

void FinishQualifiers(Context& context) {
  QualifierSettings& s = context.Qualifiers();
  if (s.tree && !s.subfolders) {
    context.Report("/tree has no effect unless /subfolders is set");
    s.tree = false;
  }
}

}  // namespace orv
