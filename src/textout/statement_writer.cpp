// The block rules of the statement writer and the CHANGE_POLICY statement.
#include "textout/statement_writer.h"

#include "common/text.h"
#include "policy/policy_set.h"
#include "common/ascii_file.h"

namespace orv {
namespace {

constexpr int kTagErrorLevel = 8;
constexpr int kErrorLevel = 10;

bool IsDefineStatement(Keyword k, DefinitionKind& kind) {
  switch (k) {
    case Keyword::kDefineBlock: kind = DefinitionKind::kBlock; return true;
    case Keyword::kDefineHtmlFragment: kind = DefinitionKind::kHtmlFragment; return true;
    case Keyword::kDefineTextFragment: kind = DefinitionKind::kTextFragment; return true;
    default: return false;
  }
}

bool IsResetStatement(Keyword k, DefinitionKind& kind) {
  switch (k) {
    case Keyword::kResetBlock: kind = DefinitionKind::kBlock; return true;
    case Keyword::kResetHtmlFragment: kind = DefinitionKind::kHtmlFragment; return true;
    case Keyword::kResetTextFragment: kind = DefinitionKind::kTextFragment; return true;
    default: return false;
  }
}

bool OpensTable(Keyword k) {
  switch (k) {
    case Keyword::kBeginTable:
    case Keyword::kBeginCommaDelimitedTable:
    case Keyword::kBeginDelimitedTable:
    case Keyword::kBeginTaggedTable:
    case Keyword::kBeginUserTable: return true;
    default: return false;
  }
}

bool ClosesTable(Keyword k) {
  switch (k) {
    case Keyword::kEndTable:
    case Keyword::kEndCommaDelimitedTable:
    case Keyword::kEndDelimitedTable:
    case Keyword::kEndTaggedTable:
    case Keyword::kEndUserTable: return true;
    default: return false;
  }
}

// The statements that belong inside a table.
bool IsTableStatement(Keyword k) {
  if (KeywordName(k).starts_with("TABLE_")) return true;
  switch (k) {
    case Keyword::kNewRow:
    case Keyword::kNewCell:
    case Keyword::kColumnDetails:
    case Keyword::kColDefn:
    case Keyword::kDataCell:
    case Keyword::kHeadCell: return true;
    default: return ClosesTable(k);
  }
}

std::string SecondField(std::string_view line) {
  std::vector<std::string> words = Split(CollapseBlanks(line), ' ');
  return words.size() > 1 ? words[1] : std::string();
}

}  // namespace

StatementWriter::StatementWriter(ASCIIFile* file, const DirectiveKeywords& keywords,
                                 ReportFunction report, DefinitionList* definitions)
    : file_(file), keywords_(keywords), report_(std::move(report)), definitions_(definitions) {}

void StatementWriter::ReportMissingEndTable() {
  if (report_) report_("TAG ERROR: Missing \"End Table\" tag detected", 10);
  in_table_ = false;
}

bool StatementWriter::WriteOutStatement(std::string_view line) {
  const std::optional<Keyword> keyword = keywords_.Match(line);
  DefinitionKind kind;
  if (keyword && IsDefineStatement(*keyword, kind)) {
    if (in_definition_) {
      if (report_)
        report_("TAG ERROR: recursive DEFINE_BLOCK or DEFINE_<XXXX>_FRAGMENT detected.",
                kTagErrorLevel);
      return true;
    }
    in_definition_ = true;
    definition_kind_ = kind;
    definition_name_ = SecondField(line);
    definition_lines_.clear();
    return true;
  }
  if (keyword && *keyword == Keyword::kEndBlock) {
    if (!in_definition_) {
      if (report_) report_("TAG ERROR: END_BLOCK not expected here.", kTagErrorLevel);
      return true;
    }
    in_definition_ = false;
    if (definitions_ != nullptr)
      definitions_->Add(definition_kind_, std::move(definition_name_),
                        std::move(definition_lines_));
    definition_name_.clear();
    definition_lines_.clear();
    return true;
  }
  if (keyword && IsResetStatement(*keyword, kind)) {
    if (in_definition_) {
      if (report_)
        report_("TAG ERROR: recursive RESET_BLOCK or RESET_<XXXX>_FRAGMENT detected.",
                kTagErrorLevel);
    } else if (definitions_ != nullptr) {
      definitions_->Reset(kind, SecondField(line));
    }
    return true;
  }
  if (in_definition_) {
    definition_lines_.emplace_back(line);
    return true;
  }
  if (keyword && *keyword == Keyword::kEmbedBlock) {
    if (report_) report_("PROGRAM ERROR: No support for EMBED_BLOCK in this program", kErrorLevel);
    return true;
  }

  if (keyword) {
    if (in_table_ && (OpensTable(*keyword) || !IsTableStatement(*keyword))) ReportMissingEndTable();
    if (OpensTable(*keyword)) in_table_ = true;
    if (ClosesTable(*keyword)) in_table_ = false;
  }

  // A file with a line list attached takes lines without being open.
  if (file_ != nullptr && file_->WriteLine(line)) return true;
  if (report_) {
    if (file_ == nullptr || !file_->IsOpen())
      report_("PROGRAM ERROR: File not open in ASCIIFile::WriteOutStatement!", kErrorLevel);
    else
      report_("ERROR: Error writing to file", kErrorLevel);
  }
  return false;
}

void StatementWriter::Finish() {
  if (in_table_) ReportMissingEndTable();
  if (in_definition_) {
    in_definition_ = false;
    if (definitions_ != nullptr)
      definitions_->Add(definition_kind_, std::move(definition_name_),
                        std::move(definition_lines_));
    definition_name_.clear();
    definition_lines_.clear();
  }
}

int ApplyChangePolicy(std::string_view line, const DirectiveKeywords& keywords, PolicySet& policies,
                      const ReportFunction& report) {
  const std::string& statement = keywords.Statement(Keyword::kChangePolicy);
  // The statement was recognised ignoring case, so it is removed the same
  // way: a lower-case statement still changes its policy.
  const size_t at = FindNoCase(line, statement);
  if (at == std::string_view::npos) {
    if (report)
      report("TAG ERROR: Failed to remove directive \"" + statement +
                 "\" from input line (may be case sensitive)",
             kTagErrorLevel);
    return kPolicyLineUnknown;
  }
  std::string policy_line(line.substr(0, at));
  policy_line.append(line.substr(at + statement.size()));
  policy_line = Trim(policy_line);
  if (report) report("POLICY: Changed - " + policy_line, 5);
  int category = 0;
  return policies.LoadPolicyLine(policy_line, category, /*check_repeats=*/false);
}

}  // namespace orv
