// Policy lines and files: LoadPolicyLine (normalisation, orvtext's
// sections, the engine chain with the composite analysis lines, the alias
// keys), ReadPolicyFile (include and switch files, configuration files) and
// WritePolicyFile.
#include "policy/policy_set.h"

#include <cstdio>
#include <filesystem>

#include "common/text.h"
#include "policy/own_policies.h"
#include "policy/policy_values.h"
#include "common/ascii_file.h"
#include "policy/shared_policies.h"

namespace orv {

namespace {

struct Alias {
  std::string_view alias;
  EnginePolicy policy;
};

// Older or American spellings still accepted for engine policies.
constexpr Alias kAliases[] = {
    {"HTML Header", EnginePolicy::kHTMLHeaderFile},
    {"HTML Footer", EnginePolicy::kHTMLFooterFile},
    {"Search for emphasis", EnginePolicy::kLookForThisAndThatEmphasis},
    {"HTML Fragments File", EnginePolicy::kFragmentsFile},
    {"Text substitution file", EnginePolicy::kTextCommandFile},
    {"Recognize 'o' as a bullet", EnginePolicy::kRecogniseOAsABullet},
    {"Recognize '-' as a bullet", EnginePolicy::kRecogniseDashAsABullet},
    {"Allow email begining with numbers", EnginePolicy::kAllowEmailBeginningWithNumbers},
    {"Header frame background color", EnginePolicy::kHeaderFrameBackgroundColour},
    {"Header frame text color", EnginePolicy::kHeaderFrameTextColour},
    {"Contents frame background color", EnginePolicy::kContentsFrameBackgroundColour},
    {"Contents frame text color", EnginePolicy::kContentsFrameTextColour},
    {"Footer frame background color", EnginePolicy::kFooterFrameBackgroundColour},
    {"Footer frame text color", EnginePolicy::kFooterFrameTextColour},
    {"Background color", EnginePolicy::kBackgroundColour},
    {"Text color", EnginePolicy::kTextColour},
    {"Unvisited link color", EnginePolicy::kUnvisitedLinkColour},
    {"Visited link color", EnginePolicy::kVisitedLinkColour},
    {"Active link color", EnginePolicy::kActiveLinkColour},
    {"Scope COLOR tags globally", EnginePolicy::kScopeCOLOURTagsGlobally},
};

constexpr std::string_view kPermittedFileTypes[] = {"plain text", "text table",
                                                    "comma-delimited table", "tab-delimited table"};

constexpr size_t kDosRootLength = 5;
constexpr int kCompositeKeyWidth = 33;

bool Contains(std::string_view text, std::string_view part) {
  return FindNoCase(text, part) != std::string_view::npos;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanksAndTabs(std::string_view text) {
  while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrTab(text.back())) text.remove_suffix(1);
  return text;
}

// Blank- or tab-separated words.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlankOrTab(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !IsBlankOrTab(text[i])) ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

std::string JoinWithBlanks(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    if (!joined.empty()) joined += ' ';
    joined += word;
  }
  return joined;
}

// A relative name is taken to be in `folder` (which ends in "/" or is "").
std::string ResolveAgainst(const std::string& folder, std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  return folder + std::string(name);
}

// Whether `path` names a file that can be read. A folder opens for reading
// on some systems but yields no lines, so it does not count: a switch or
// include line naming a folder (or naming nothing, which leaves the folder
// of the policy file) must be reported, not silently end the reading.
bool CanOpenForReading(const std::string& path) {
  std::error_code ignored;
  if (path.empty() || std::filesystem::is_directory(path, ignored)) return false;
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

std::string NormalisePolicyLine(std::string_view line) {
  std::string normal;
  normal.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    if (i > 0 && IsBlankOrTab(line[i]) && IsBlankOrTab(line[i - 1])) continue;
    normal += line[i];
  }
  return std::string(TrimBlanksAndTabs(normal));
}

bool IsPolicySectionHeader(std::string_view line) {
  if (line.find(':') != std::string_view::npos || line.find('"') != std::string_view::npos)
    return false;
  if (line.find("-----") != std::string_view::npos) return true;
  std::string_view trimmed = TrimBlanksAndTabs(line);
  for (std::string_view header : EngineSectionHeaders())
    if (EqualsNoCase(trimmed, header)) return true;
  return false;
}

// ---- LoadPolicyLine -----------------------------------------------------

PolicyLineResult PolicySet::LoadPolicyLine(std::string_view raw_line, int& category, bool check_repeats,
                              std::string* result_text) {
  PolicyLineContext& line = line_context_;
  line.reporter = this;
  line.Prepare(NormalisePolicyLine(raw_line), check_repeats);
  category = 0;

  // Blank lines and comments.
  if (line.line.empty() || line.line[0] == '!' || line.line[0] == '#') {
    if (result_text != nullptr) *result_text = "LoadPolicyLine - success: " + line.line;
    return kPolicyLineOk;
  }

  const bool has_colon = line.line.find(':') != std::string::npos;
  if (!has_colon && line.line != "!" && line.line.find('[') == std::string::npos &&
      line.line.find(']') == std::string::npos && !IsPolicySectionHeader(line.line) &&
      !Contains(line.line, " recognised headings") && !Contains(line.line, "Contents level") &&
      !Contains(line.line, "Heading level"))
    Report("POLICY: Ignored - Missing colon in \"" + line.line + "\"", 10);

  // orvtext's own sections.
  if (context_ != nullptr) {
    for (int number : kSectionOrder)
      if (context_->PolicySectionAt(number).TryLine(line)) break;
  }

  // The engine policies, by exact key, then the composite lines.
  bool refused = false;
  if (!line.handled) {
    for (size_t i = 0; i < kEnginePolicyCount && !line.handled; ++i) {
      if (!engine_[i]->TryLine(line)) continue;
      if (static_cast<EnginePolicy>(i) == EnginePolicy::kInputFileType && line.success) {
        StringPolicy& type = *engine_[i]->AsString();
        bool permitted = false;
        for (std::string_view allowed : kPermittedFileTypes)
          if (EqualsNoCase(type.Value(), allowed)) permitted = true;
        if (!permitted) {
          type.SetValue("", false);
          type.MarkSet(false);
          line.success = false;
          Report("ERROR: Invalid file type - " + line.line, 10);
        }
      }
    }
  }
  if (!line.handled) TryCompositeLine(line, refused);
  StringPolicy& dos_root = *Engine(EnginePolicy::kDOSFilenameRoot).AsString();
  if (dos_root.Value().size() > kDosRootLength) {
    bool was_set = dos_root.IsSet();
    dos_root.SetValue(dos_root.Value().substr(0, kDosRootLength), false);
    dos_root.MarkSet(was_set);
  }

  if (!line.handled && !refused) TryAliasPass(line);

  PolicyLineResult result;
  if (!line.handled) {
    if (IsPolicySectionHeader(line.line)) {
      if (result_text != nullptr) *result_text = "LoadPolicyLine - success: " + line.line;
      return kPolicyLineOk;
    }
    result = kPolicyLineUnknown;
  } else {
    result = line.success ? kPolicyLineOk : kPolicyLineInvalid;
  }
  category = line.handled ? line.category : 0;
  if (result_text != nullptr) {
    if (result == kPolicyLineOk)
      *result_text = "LoadPolicyLine - success: " + line.line;
    else if (result == kPolicyLineUnknown)
      *result_text = "LoadPolicyLine - unknown policy: " + line.line;
    else
      *result_text = "LoadPolicyLine - invalid value: " + line.value;
  }
  return result;
}

bool PolicySet::TryAliasPass(PolicyLineContext& line) {
  for (const Alias& alias : kAliases) {
    line.alias_key.assign(alias.alias);
    if (Engine(alias.policy).TryLine(line)) break;
  }
  line.alias_key.clear();
  return line.handled;
}

void PolicySet::ApplyRuleSetLine(PolicyLineContext& line) {
  line.handled = true;
  line.category = 3;
  int named;
  if (Contains(line.line, "Tarnwell")) {
    named = kRuleSetTarnwell;
  } else if (Contains(line.line, "SEC")) {
    named = kRuleSetSec;
  } else if (Contains(line.line, "none")) {
    named = kRuleSetNone;
  } else {
    line.success = false;
    rule_set_given_ = false;
    return;
  }
  if (rule_set_ != kRuleSetNone && named != rule_set_)
    Report("WARNING: Changing rule set - " + line.line, 10);
  rule_set_ = named;
  rule_set_given_ = true;
  if (context_ != nullptr) context_->SetRuleSet(named);
}

// The composite analysis lines, found by a part of the line. Sets
// `refused` for a bullet line that finds the list full (it then counts as
// unknown).
bool PolicySet::TryCompositeLine(PolicyLineContext& line, bool& refused) {
  const std::string& text = line.line;
  AnalysisSettings& a = analysis_;
  auto handle = [&](int category) {
    line.handled = true;
    line.category = category;
  };
  auto read_positions = [&](std::vector<int>& positions) {
    positions.clear();
    for (const std::string& word : Words(line.value)) {
      int number = 0;
      if (positions.size() >= AnalysisSettings::kMaxPositions || !ParseInteger(word, number)) break;
      positions.push_back(number);
    }
  };

  if (Contains(text, "Link definition")) {
    handle(0);
  } else if (Contains(text, "Rule set to be used")) {
    ApplyRuleSetLine(line);
  } else if (Contains(text, "Indent position")) {
    handle(1);
    if (Contains(text, "none")) {
      a.indent_positions.clear();
      a.indent_given = false;
    } else {
      read_positions(a.indent_positions);
      a.indent_given = true;
    }
  } else if (Contains(text, "Hanging paragraph position")) {
    handle(1);
    if (Contains(text, "none"))
      a.hanging_positions.clear();
    else
      read_positions(a.hanging_positions);
    a.hanging_given = true;
  } else if (Contains(text, "Include document section")) {
    handle(3);
    a.document_sections.clear();
    if (!Contains(text, "none")) a.document_sections = Words(line.value);
    a.sections_given = true;
  } else if (Contains(text, "Definition Char")) {
    handle(1);
    if (Contains(text, "none")) {
      a.colon_definition = a.colon_strong = false;
      a.dash_definition = a.dash_strong = false;
    } else {
      if (Contains(text, "':'")) {
        a.colon_definition = true;
        a.colon_strong = Contains(text, "strong");
      }
      if (Contains(text, "'-'")) {
        a.dash_definition = true;
        a.dash_strong = Contains(text, "strong");
      }
    }
    a.definition_given = true;
  } else if (Contains(text, "Recognised USENET groups")) {
    handle(4);
    a.usenet_groups.clear();
    if (!Contains(text, "none")) a.usenet_groups = Words(line.value);
    a.groups_given = true;
  } else if (Contains(text, "recognised headings")) {
    handle(1);
    std::vector<std::string> words = Words(text);
    int count = 0;
    if (words.size() >= 3 && ParseInteger(words[2], count) && count >= 0) {
      a.recognised_headings = count;
      a.headings_given = true;
    } else {
      line.success = false;
    }
  } else if (Contains(text, "Heading level") || Contains(text, "Contents level")) {
    // "Heading level 2 = definition": the level is the third word of the
    // key. A record is accepted for levels 0..9 with a definition; one that
    // names the second word marks "Expect Second Word Headings".
    handle(1);
    const bool contents = Contains(line.key, "Contents level") && !Contains(line.key, "Heading level");
    std::vector<std::string> words = Words(line.key);
    size_t equals = text.find('=');
    int level = -1;
    std::string definition;
    if (equals != std::string::npos) definition = std::string(TrimBlanksAndTabs(std::string_view(text).substr(equals + 1)));
    if (words.size() < 3 || !ParseInteger(words[2], level) || level < 0 ||
        level >= AnalysisSettings::kHeadingLevels || definition.empty()) {
      line.success = false;
      return true;
    }
    std::vector<std::string>& levels = contents ? a.contents_levels : a.heading_levels;
    if (levels.size() <= static_cast<size_t>(level)) levels.resize(static_cast<size_t>(level) + 1);
    levels[static_cast<size_t>(level)] = definition;
    a.headings_given = true;
    if (Contains(definition, "second word"))
      SetYesNo(EnginePolicy::kExpectSecondWordHeadings, true, true);
  } else if (Contains(text, "bullet char")) {
    if (Contains(text, "none")) {
      handle(1);
      a.bullet_characters.clear();
      a.bullets_given = true;
      return true;
    }
    if (a.bullet_characters.size() >= AnalysisSettings::kMaxBulletCharacters) {
      refused = true;
      return false;
    }
    handle(1);
    size_t first = text.find('\'');
    size_t second = first == std::string::npos ? first : text.find('\'', first + 1);
    if (second == std::string::npos || second == first + 1) {
      line.success = false;
      return true;
    }
    char bullet = text[first + 1];
    a.bullet_characters += bullet;
    a.bullets_given = true;
    if (bullet == 'o') SetYesNo(EnginePolicy::kRecogniseOAsABullet, true, true);
    if (bullet == '-') SetYesNo(EnginePolicy::kRecogniseDashAsABullet, true, true);
  }
  return line.handled;
}

bool PolicySet::QueryPolicy(std::string_view key, std::string& value) {
  PolicyLineContext& line = line_context_;
  line.reporter = this;
  line.Prepare(NormalisePolicyLine(key), false);
  line.key = line.line;
  bool found = false;
  if (context_ != nullptr) {
    for (int number : kSectionOrder)
      if ((found = context_->PolicySectionAt(number).QueryLine(line))) break;
  }
  for (size_t i = 0; i < kEnginePolicyCount && !found; ++i) found = engine_[i]->QueryLine(line);
  if (found) value = line.value;
  return found;
}

// ---- ReadPolicyFile -----------------------------------------------------

bool PolicySet::ReadPolicyFile(ASCIIFile& reader, std::string& error_text) {
  const std::string folder = SplitPath(reader.CurrentName()).directory;
  error_text.clear();
  bool failed = false;
  auto fail = [&](const std::string& message) {
    Report(message, 10);
    error_text = message;
    failed = true;
  };

  std::string raw;
  while (reader.ReadNextLine(raw)) {
    const bool header = IsPolicySectionHeader(raw);
    const bool bang = !raw.empty() && raw[0] == '!';
    const size_t colon = raw.find(':');
    std::string value;
    if (colon != std::string::npos) {
      value = Trim(std::string_view(raw).substr(colon + 1));
    } else if (!bang && !header && raw.find('[') == std::string::npos &&
               raw.find(']') == std::string::npos && !raw.empty() &&
               !Contains(raw, " recognised headings") && !Contains(raw, "Contents level") &&
               !Contains(raw, "Heading level")) {
      Report("POLICY: Ignored - Missing colon in \"" + raw + "\"", 10);
    }
    const bool none = EqualsNoCase(value, "(none)") || EqualsNoCase(value, "none");
    if (bang || header) continue;

    int category = 0;
    if (LoadPolicyLine(raw, category, true) == kPolicyLineOk) continue;

    if (Contains(raw, "Switch to file")) {
      if (none) continue;
      std::string path = ResolveAgainst(folder, value);
      // A file that cannot be opened is reported and the current file is
      // read on; the switch itself closes the current file.
      if (!CanOpenForReading(path) || !reader.SwitchTo(path))
        fail("** Failed to open policy include file " + value + " ***");
    } else if (Contains(raw, "include file")) {
      if (none) continue;
      std::string path = ResolveAgainst(folder, value);
      bool opened = CanOpenForReading(path) && reader.OpenInclude(path);
      if (!opened && context_ != nullptr && !context_->IncludeFolder().empty()) {
        std::string other = context_->IncludeFolder();
        if (other.back() != '/') other += '/';
        path = ResolveAgainst(other, value);
        opened = CanOpenForReading(path) && reader.OpenInclude(path);
      }
      if (!opened) fail("** Failed to open policy include file " + value + " ***");
    } else if (Contains(raw, "Link Dictionary File")) {
      if (!none) {
        analysis_.link_dictionary_file = value;
        analysis_.link_dictionary_named = true;
      }
    } else {
      fail("POLICY: Ignored - \\" + raw + "\\");
    }
  }

  if (!LoadConfigurationFiles(folder, error_text)) failed = true;
  ApplyRuleSet();
  return !failed;
}

// The definitions, text command and style files named by the policies.
// Their contents serve the sister converters' text analysis; orvtext only
// checks that they can be read. A missing definitions or text command file
// fails the read; a missing style file is only reported.
bool PolicySet::LoadConfigurationFiles(const std::string& folder, std::string& error_text) {
  bool loaded = true;
  struct Named {
    EnginePolicy policy;
    std::string_view what;
    bool required;
  } files[] = {{EnginePolicy::kDefinitionsFile, "definitions file", true},
               {EnginePolicy::kTextCommandFile, "text command file", true},
               {EnginePolicy::kStyleFile, "style file", false}};
  for (const Named& file : files) {
    if (!WasSet(file.policy) || GetText(file.policy).empty()) continue;
    std::string path = ResolveAgainst(folder, GetText(file.policy));
    if (CanOpenForReading(path)) continue;
    if (file.required) {
      std::string message = "ERROR: Can't open " + std::string(file.what) + " " + path;
      Report(message, 10);
      error_text = message;
      loaded = false;
    } else {
      Report("WARNING: Can't open " + std::string(file.what) + " " + path, 7);
    }
  }
  return loaded;
}

// ---- WritePolicyFile ----------------------------------------------------

void PolicySet::CompositeLines(EngineSection section, std::vector<std::string>& lines,
                               std::vector<std::string>& after_definitions) const {
  const AnalysisSettings& a = analysis_;
  auto composite = [](std::string_view key, std::string_view value) {
    return PaddedPolicyLine(key, kCompositeKeyWidth, value);
  };
  auto positions = [](const std::vector<int>& list) {
    std::string text;
    for (int position : list) text += std::to_string(position) + " ";
    return list.empty() ? std::string("(none)") : text;
  };
  switch (section) {
    case kEngineGeneralAnalysis:
      if (a.definition_given) {
        if (a.dash_definition)
          after_definitions.push_back(composite("Definition Char", a.dash_strong ? "'-' (strong) " : "'-' (weak)"));
        if (a.colon_definition)
          after_definitions.push_back(composite("Definition Char", a.colon_strong ? "':' (strong) " : "':' (weak) "));
        if (!a.dash_definition && !a.colon_definition)
          after_definitions.push_back(composite("Definition Char", "(none)"));
      }
      if (a.indent_given) lines.push_back(composite("Indent position(s)", positions(a.indent_positions)));
      if (a.hanging_given)
        lines.push_back(composite("Hanging paragraph position(s)", positions(a.hanging_positions)));
      break;
    case kEngineBullets:
      // Bullet characters are written one to a line so that they read back.
      if (a.bullets_given) {
        if (a.bullet_characters.empty()) lines.push_back(composite("Bullet char", "(none)"));
        for (char bullet : a.bullet_characters)
          lines.push_back(composite("Bullet char", std::string("'") + bullet + "'"));
      }
      break;
    case kEngineHeadings:
      if (a.headings_given) {
        lines.push_back("");
        lines.push_back("We have " + std::to_string(a.recognised_headings) + "  recognised headings");
        for (size_t i = 0; i < a.heading_levels.size(); ++i)
          if (!a.heading_levels[i].empty())
            lines.push_back("    Heading level " + std::to_string(i) + " = " + a.heading_levels[i]);
        for (size_t i = 0; i < a.contents_levels.size(); ++i)
          if (!a.contents_levels[i].empty())
            lines.push_back("    Contents level " + std::to_string(i) + " = " + a.contents_levels[i]);
      }
      break;
    case kEngineHyperlinks:
      if (a.groups_given)
        lines.push_back(composite("Recognised USENET groups",
                                  a.usenet_groups.empty() ? "(none)" : JoinWithBlanks(a.usenet_groups)));
      break;
    case kEnginePreprocessor:
      if (a.sections_given)
        lines.push_back(composite("Include document section(s)",
                                  a.document_sections.empty() ? "(none)" : JoinWithBlanks(a.document_sections)));
      break;
    default: break;
  }
}

void PolicySet::WriteEngineSection(ASCIIFile& out, EngineSection section) {
  std::vector<std::string> lines;
  std::vector<std::string> tail;
  std::vector<std::string> after_definitions;
  CompositeLines(section, tail, after_definitions);
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    if (EngineCatalogue()[i].section != section) continue;
    const Policy& policy = *engine_[i];
    if (policy.IsSet()) lines.push_back(policy.FileLine());
    if (static_cast<EnginePolicy>(i) == EnginePolicy::kSearchForDefinitions)
      lines.insert(lines.end(), after_definitions.begin(), after_definitions.end());
  }
  lines.insert(lines.end(), tail.begin(), tail.end());
  if (lines.empty()) return;
  out.WriteLine("");
  out.WriteLine("");
  out.WriteLine(EngineSectionHeader(section));
  out.WriteLine("");
  for (const std::string& line : lines) out.WriteLine(line);
}

void PolicySet::WritePolicyFile(ASCIIFile& out, bool write_all) {
  if (context_ != nullptr) {
    for (int i = 0; i < kPolicySectionCount; ++i)
      context_->PolicySectionAt(kSectionOrder[i]).Write(out, i < kWriteAllSectionCount && write_all);
  }
  if (rule_set_given_) {
    std::string_view name;
    switch (rule_set_) {
      case kRuleSetNone: name = "(none)"; break;
      case kRuleSetTarnwell: name = "Tarnwell"; break;
      case kRuleSetSec: name = "SEC"; break;
      default: break;
    }
    out.WriteLine("");
    out.WriteLine("[Rule Set]");
    out.WriteLine("");
    if (name.empty())
      Report("UNSUPPORTED CASE: Unexpected Rule Set", 10);
    else
      out.WriteLine(PaddedPolicyLine("Rule set to be used", kCompositeKeyWidth, name));
  }
  for (int s = 0; s < kEngineSectionCount; ++s) {
    EngineSection section = static_cast<EngineSection>(s);
    if (section == kEngineTarnwell && rule_set_ != kRuleSetTarnwell && rule_set_ != kRuleSetSec)
      continue;
    WriteEngineSection(out, section);
  }
}

}  // namespace orv
