// The definition list, the fragments file reader, and fragment expansion
// with the text header's boxed lines.
#include "textout/fragments.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "common/text.h"
#include "platform/directory.h"
#include "platform/paths.h"
#include "common/ascii_file.h"

#ifndef ORVTEXT_VERSION
#define ORVTEXT_VERSION "unknown"
#endif

namespace orv {
namespace {

constexpr int kTagErrorLevel = 8;
constexpr int kErrorLevel = 10;
constexpr int kInfoLevel = 5;

// The second blank-separated field of a statement line (a definition's or
// an included file's name), or "".
std::string SecondField(std::string_view line) {
  std::vector<std::string> words = Split(CollapseBlanks(line), ' ');
  return words.size() > 1 ? words[1] : std::string();
}

bool OpensDefinition(Keyword k, DefinitionKind& kind) {
  switch (k) {
    case Keyword::kDefineTextFragment: kind = DefinitionKind::kTextFragment; return true;
    case Keyword::kDefineHtmlFragment: kind = DefinitionKind::kHtmlFragment; return true;
    case Keyword::kDefineBlock: kind = DefinitionKind::kBlock; return true;
    default: return false;
  }
}

bool ResetsDefinition(Keyword k, DefinitionKind& kind) {
  switch (k) {
    case Keyword::kResetTextFragment: kind = DefinitionKind::kTextFragment; return true;
    case Keyword::kResetHtmlFragment: kind = DefinitionKind::kHtmlFragment; return true;
    case Keyword::kResetBlock: kind = DefinitionKind::kBlock; return true;
    default: return false;
  }
}

void Report(const ReportFunction& report, const std::string& message, int level) {
  if (report) report(message, level);
}

// The path under which `name` is found: itself when absolute, else in the
// first folder, else in the second. "" when it is in neither.
std::string LocateFile(const std::string& name, const std::string& first_folder,
                       const std::string& second_folder) {
  if (name.empty()) return {};
  if (IsFullPath(name)) return IsRegularFile(name) ? name : std::string();
  for (const std::string* folder : {&first_folder, &second_folder}) {
    if (folder->empty()) continue;
    std::string path = *folder + name;
    if (IsRegularFile(path)) return path;
  }
  return {};
}

std::string FormatTime(std::time_t when) {
  std::tm parts{};
  if (localtime_r(&when, &parts) == nullptr) return {};
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts) == 0) return {};
  return text;
}

int HeaderWidth(int page_width) { return std::clamp(page_width, kMinHeaderWidth, kMaxHeaderWidth); }

}  // namespace

// ---- DefinitionList -----------------------------------------------------

void DefinitionList::Add(DefinitionKind kind, std::string name, std::vector<std::string> lines,
                         std::string value) {
  Definition definition;
  definition.kind = kind;
  definition.name = std::move(name);
  definition.lines = std::move(lines);
  definition.value = std::move(value);
  definition.position = static_cast<int>(definitions_.size()) + 1;
  definitions_.push_back(std::move(definition));
}

void DefinitionList::Reset(DefinitionKind kind, std::string_view name) {
  for (Definition& definition : definitions_)
    if (definition.kind == kind && EqualsNoCase(definition.name, name)) definition.ended = true;
}

const Definition* DefinitionList::Find(DefinitionKind kind, std::string_view name) const {
  for (auto it = definitions_.rbegin(); it != definitions_.rend(); ++it)
    if (!it->ended && it->kind == kind && EqualsNoCase(it->name, name)) return &*it;
  return nullptr;
}

void DefinitionList::Load(const std::vector<std::string>& lines, const DirectiveKeywords& keywords,
                          const ReportFunction& report) {
  bool open = false;
  DefinitionKind open_kind = DefinitionKind::kTextFragment;
  std::string open_name;
  std::vector<std::string> open_lines;

  for (const std::string& line : lines) {
    std::optional<Keyword> keyword = keywords.Match(line);
    DefinitionKind kind;
    if (keyword && OpensDefinition(*keyword, kind)) {
      if (open) {
        Report(report, "TAG ERROR: recursive DEFINE_BLOCK or DEFINE_<XXXX>_FRAGMENT detected.",
               kTagErrorLevel);
        continue;
      }
      open = true;
      open_kind = kind;
      open_name = SecondField(line);
      open_lines.clear();
    } else if (keyword && *keyword == Keyword::kEndBlock) {
      if (!open) {
        Report(report, "TAG ERROR: END_BLOCK not expected here.", kTagErrorLevel);
        continue;
      }
      Add(open_kind, std::move(open_name), std::move(open_lines));
      open = false;
      open_name.clear();
      open_lines.clear();
    } else if (keyword && ResetsDefinition(*keyword, kind)) {
      if (open) {
        Report(report, "TAG ERROR: recursive RESET_BLOCK or RESET_<XXXX>_FRAGMENT detected.",
               kTagErrorLevel);
        continue;
      }
      Reset(kind, SecondField(line));
    } else if (open) {
      open_lines.push_back(line);
    }
  }
  // A definition whose end statement is missing still counts: its lines
  // were meant for it.
  if (open) Add(open_kind, std::move(open_name), std::move(open_lines));
}

// ---- The fragments file -------------------------------------------------

bool ReadFragmentsFile(const std::string& name, const std::string& input_folder,
                       const std::string& second_folder, const DirectiveKeywords& keywords,
                       const ReportFunction& report, std::vector<std::string>& lines) {
  const std::string path = LocateFile(name, input_folder, second_folder);
  ASCIIFile file;
  if (path.empty() || !file.OpenReadRegular(path)) {
    Report(report, "ERROR: Can't find file " + name, kErrorLevel);
    return false;
  }
  bool in_definition = false;
  std::string line;
  while (file.ReadNextLine(line)) {
    if (file.LastLineTooLong()) {
      Report(report,
             "ERROR: Line longer than " + std::to_string(ASCIIFile::kMaxLineLength) +
                 " characters ignored in " + file.CurrentName(),
             kErrorLevel);
      continue;
    }
    if (!keywords.IsStatementLine(line)) {
      if (in_definition) lines.push_back(line);
      continue;
    }
    const std::optional<Keyword> keyword = keywords.Match(line);
    if (!keyword) {
      Report(report, "TAG ERROR: fragment file contains : " + line, kTagErrorLevel);
      continue;
    }
    switch (*keyword) {
      case Keyword::kDefineHtmlFragment:
      case Keyword::kDefineTextFragment:
        in_definition = true;
        lines.push_back(line);
        continue;
      case Keyword::kEndBlock:
      case Keyword::kResetHtmlFragment:
      case Keyword::kResetTextFragment:
        in_definition = false;
        lines.push_back(line);
        continue;
      case Keyword::kInclude: {
        const std::string include = SecondField(line);
        const std::string include_path = LocateFile(include, input_folder, second_folder);
        if (!include_path.empty() && file.OpenInclude(include_path))
          Report(report, "INFO: Opened include file \"" + include + "\"", kInfoLevel);
        else
          Report(report, "ERROR: Failed to open include file \"" + include + "\"", kErrorLevel);
        continue;
      }
      default: Report(report, "TAG ERROR: fragment file contains : " + line, kTagErrorLevel);
    }
  }
  return true;
}

// ---- The text header ----------------------------------------------------

std::string BoxHeaderText(std::string_view text, int page_width) {
  static constexpr std::string_view kContinuation = "             : ";
  static constexpr size_t kLabelColumn = 14;
  static constexpr size_t kMaxPadding = 76;
  const size_t width = static_cast<size_t>(HeaderWidth(page_width));
  const size_t room = width - 4;

  // Each piece is worked through as the rest still to place, with or
  // without the continuation prefix in front, so a very long text is
  // broken in time proportional to its length.
  std::vector<std::string> rows;
  for (const std::string& source : Split(text, '\n')) {
    std::string_view rest = source;
    bool prefixed = false;
    while (true) {
      const size_t prefix = prefixed ? kContinuation.size() : 0;
      if (prefix + rest.size() <= room) {
        rows.push_back((prefixed ? std::string(kContinuation) : std::string()) + std::string(rest));
        break;
      }
      // The last space at or before column `room` of prefix + rest; the
      // prefix's own last space is at kLabelColumn.
      size_t cut = std::string_view::npos;
      const size_t in_rest = rest.rfind(' ', room - prefix);
      if (in_rest != std::string_view::npos) {
        cut = prefix + in_rest;
      } else if (prefixed) {
        cut = kLabelColumn;
      }
      if (cut == std::string_view::npos || cut == 0) {
        // Nowhere to break: framed whole.
        rows.push_back((prefixed ? std::string(kContinuation) : std::string()) + std::string(rest));
        break;
      }
      if (cut >= prefix) {
        rows.push_back((prefixed ? std::string(kContinuation) : std::string()) +
                       std::string(rest.substr(0, cut - prefix)));
        rest = TrimView(rest.substr(cut - prefix));
      } else {
        rows.push_back(std::string(kContinuation.substr(0, cut)));
        rest = TrimView(rest);
      }
      if (rest.empty()) break;
      prefixed = cut > kLabelColumn;
    }
  }

  std::string boxed;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string framed = "| " + rows[i];
    framed.append(kMaxPadding, ' ');
    if (framed.size() > width - 2) framed.resize(width - 2);
    framed += " |";
    if (i > 0) boxed += '\n';
    boxed += framed;
  }
  return boxed;
}

std::string TextHeaderLine(std::string_view kind, std::string_view argument,
                           const HeaderDocument& document, bool& known) {
  known = true;
  const int width = HeaderWidth(document.page_width);
  const std::string rule(static_cast<size_t>(width - 2), '-');
  if (EqualsNoCase(kind, "BOX_TOP")) return "/" + rule + "\\";
  if (EqualsNoCase(kind, "BOX_BOTTOM")) return "\\" + rule + "/";

  std::string text;
  if (EqualsNoCase(kind, "BOX_MIDDLE")) {
  } else if (EqualsNoCase(kind, "TITLE")) {
    std::string title = document.title;
    std::replace(title.begin(), title.end(), '\n', ' ');
    text = "Title        : " + title;
  } else if (EqualsNoCase(kind, "AUTHOR")) {
    const bool unknown = document.author.empty() || document.author == "** UNKNOWN **";
    text = "Author       : " + (unknown ? document.second_author : document.author);
  } else if (EqualsNoCase(kind, "TOP_EMAIL")) {
    text = "Email        : " + document.top_email;
  } else if (EqualsNoCase(kind, "LAST_EMAIL")) {
    text = "Email        : " + document.last_email;
  } else if (EqualsNoCase(kind, "TOP_URL")) {
    text = "URL          : " + document.top_url;
  } else if (EqualsNoCase(kind, "LAST_URL")) {
    text = "URL          : " + document.last_url;
  } else if (EqualsNoCase(kind, "IN_FILENAME")) {
    text = "File name    : " + document.input_file_name;
  } else if (EqualsNoCase(kind, "OUT_FILENAME")) {
    text = "File name    : " + document.output_file_name;
  } else if (EqualsNoCase(kind, "IN_FILESIZE")) {
    text = "File size    : " + document.input_size_text;
  } else if (EqualsNoCase(kind, "OUT_FILESIZE")) {
    text = "File size    : " + document.output_size_text;
  } else if (EqualsNoCase(kind, "IN_FILEDATE")) {
    text = "Create date  : " + document.input_date;
  } else if (EqualsNoCase(kind, "TIMESTAMP")) {
    text = "Create date  : " + document.timestamp;
  } else if (EqualsNoCase(kind, "COMMENT")) {
    text = Trim(argument);
  } else if (EqualsNoCase(kind, "VERSION")) {
    text = "Converted by : " + ProgramVersionText();
  } else {
    known = false;
    return {};
  }
  return BoxHeaderText(text, width);
}

std::string FormatThousands(uint64_t value) {
  std::string digits = std::to_string(value);
  std::string grouped;
  const size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  grouped.append(digits, 0, lead);
  for (size_t i = lead; i < digits.size(); i += 3) {
    grouped += ',';
    grouped.append(digits, i, 3);
  }
  return grouped;
}

std::string EstimatedSizeText(uint64_t line_length_sum, uint64_t line_count) {
  return FormatThousands(line_length_sum + 2 * line_count + 520) + " bytes (approx)";
}

std::string LocalTimestamp() { return FormatTime(std::time(nullptr)); }

std::string FileTimestamp(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  return FormatTime(status.st_mtime);
}

std::string ProgramVersionText() { return std::string("orvtext ") + ORVTEXT_VERSION; }

// ---- Expansion ----------------------------------------------------------

FragmentExpander::FragmentExpander(const DefinitionList& definitions, const Delimiters& delimiters,
                                   const HeaderDocument& document, ReportFunction report)
    : definitions_(definitions),
      delimiters_(delimiters),
      document_(document),
      report_(std::move(report)) {}

bool FragmentExpander::ExpandFragment(std::string_view name, std::vector<std::string>& target) {
  const Definition* fragment = definitions_.Find(DefinitionKind::kTextFragment, name);
  if (fragment == nullptr) return false;
  for (const std::string& line : fragment->lines)
    for (std::string& piece : Split(ExpandLine(line), '\n')) target.push_back(std::move(piece));
  return true;
}

void FragmentExpander::ReportTagError(const std::string& error) const {
  if (!report_) return;
  if (error.starts_with("TAG ERROR:") || error.starts_with("TAG_ERROR:"))
    report_(error, kTagErrorLevel);
  else
    report_("TAG ERROR: " + error, kTagErrorLevel);
}

std::string FragmentExpander::ExpandLine(std::string_view line) {
  const std::string_view start = delimiters_.start_tag;
  const std::string_view end = delimiters_.end_tag;
  if (start.empty() || end.empty()) return std::string(line);
  std::string out;
  size_t pos = 0;
  // The next end delimiter is found once and kept until the scan passes
  // it, so a line full of start delimiters is still scanned in linear time.
  size_t close = 0;
  bool close_known = false;
  while (pos < line.size()) {
    const size_t open = line.find(start, pos);
    if (open == std::string_view::npos) break;
    out.append(line.substr(pos, open - pos));
    if (!close_known || (close != std::string_view::npos && close < open + start.size())) {
      close = line.find(end, open + start.size());
      close_known = true;
    }
    if (close == std::string_view::npos) {
      ReportTagError("Incomplete tag, or nested tag - \"" + std::string(line.substr(open)) + "\"");
      out.append(line.substr(open));
      return out;
    }
    const size_t after = close + end.size();
    const std::string_view tag_text = line.substr(open, after - open);
    // With start delimiters nested inside, the error is reported once and
    // the text kept up to the innermost tag, which is tried on its own.
    const size_t nested = line.substr(0, close).rfind(start);
    if (nested != std::string_view::npos && nested >= open + start.size()) {
      ReportTagError("Incomplete tag, or nested tag - \"" + std::string(tag_text) + "\"");
      out.append(line.substr(open, nested - open));
      pos = nested;
      continue;
    }
    std::string text;
    if (ExpandTag(tag_text, text))
      out += text;
    else
      out.append(tag_text);
    pos = after;
  }
  if (pos < line.size()) out.append(line.substr(pos));
  return out;
}

bool FragmentExpander::ExpandTag(std::string_view tag_text, std::string& out) {
  InlineTag tag = ParseInlineTag(tag_text, delimiters_, /*in_fragment=*/true);
  if (!tag.error.empty()) {
    ReportTagError(tag.error);
    return false;
  }
  const std::string& name = tag.name;
  if (EqualsNoCase(name, "TEXT_HEADER")) {
    const std::string kind = tag.fields.empty() ? std::string() : tag.fields[0];
    // COMMENT shows what follows the kind word.
    std::string_view argument = tag.arguments;
    const size_t kind_at = argument.find(kind);
    if (!kind.empty() && kind_at != std::string_view::npos)
      argument.remove_prefix(kind_at + kind.size());
    bool known = false;
    out = TextHeaderLine(kind, argument, document_, known);
    if (!known && report_)
      report_("TAG ERROR: Unknown TEXT_HEADER tag type \"" + kind + "\"", kTagErrorLevel);
    return true;
  }
  if (EqualsNoCase(name, "TIMESTAMP")) {
    out = document_.timestamp;
    return true;
  }
  if (EqualsNoCase(name, "VERSION")) {
    out = ProgramVersionText();
    return true;
  }
  if (EqualsNoCase(name, "SOURCE_FILE")) {
    out = document_.input_file_name;
    return true;
  }
  if (EqualsNoCase(name, "LINERULE")) {
    out.assign(static_cast<size_t>(HeaderWidth(document_.page_width)), '-');
    return true;
  }
  if (EqualsNoCase(name, "DEFINE_VARIABLE")) {
    // [[DEFINE_VARIABLE name value]] or [[DEFINE_VARIABLE name=value]].
    std::string variable = tag.fields[0];
    std::string value;
    const size_t equals = variable.find('=');
    if (equals != std::string::npos) {
      value = variable.substr(equals + 1);
      variable.resize(equals);
    }
    for (size_t i = 1; i < tag.fields.size(); ++i) {
      if (!value.empty()) value += ' ';
      value += tag.fields[i];
    }
    variables_.Add(DefinitionKind::kVariable, std::move(variable), {}, std::move(value));
    out.clear();
    return true;
  }
  if (EqualsNoCase(name, "VARIABLE")) {
    const std::string variable = tag.fields.empty() ? std::string() : tag.fields[0];
    const Definition* found = variables_.Find(DefinitionKind::kVariable, variable);
    if (found == nullptr) found = definitions_.Find(DefinitionKind::kVariable, variable);
    if (found == nullptr) {
      if (report_) report_("TAG ERROR: Undefined variable \"" + variable + "\"", kTagErrorLevel);
      return false;
    }
    out = found->value;
    return true;
  }
  if (IsFragmentTagName(name)) {
    // Page navigation and rule shapes belong to HTML output: no text.
    out.clear();
    return true;
  }
  if (report_) report_("TAG ERROR: Unknown fragment tag \"" + name + "\"", kTagErrorLevel);
  return false;
}

}  // namespace orv
