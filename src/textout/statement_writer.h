// The statement writer of the shared output engine: every output line
// passes through it, and directive statements are checked against the
// block rules (definitions are captured, not written; tables must end
// before other statements). Also the CHANGE_POLICY statement, which applies
// a policy line in the middle of a document. Keywords are in directives.h,
// the definition list in fragments.h. The shared engine's outputs write
// through it; orvtext's text conversion lays its lines out itself and does
// not use it, but it is kept, with its tests, as part of that engine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "textout/directives.h"
#include "textout/fragments.h"

namespace orv {

class ASCIIFile;
class PolicySet;

class StatementWriter {
 public:
  // Writes to `file` (not owned; may be null, which every write reports).
  // Captured definitions are added to `definitions` when one is given.
  // The keyword table is kept by reference.
  StatementWriter(ASCIIFile* file, const DirectiveKeywords& keywords, ReportFunction report,
                  DefinitionList* definitions = nullptr);

  // Writes one output line under the block rules:
  // 1. DEFINE_BLOCK, DEFINE_HTML_FRAGMENT or DEFINE_TEXT_FRAGMENT opens a
  //    definition, or is reported as recursive while one is open;
  // 2. END_BLOCK closes the open definition, or is reported as unexpected;
  // 3. a RESET statement while a definition is open is reported as
  //    recursive (outside one it ends the named definition's scope);
  // 4. EMBED_BLOCK is reported as unsupported;
  // 5. a table opened by a BEGIN_..._TABLE statement and still open when a
  //    statement that is not part of a table arrives is reported as
  //    missing its end, at level 10;
  // 6. lines inside an open definition, the definition statements and
  //    END_BLOCK are not written;
  // 7. with no open file, or when the write fails, the fault is reported.
  // Returns true when the line was written or deliberately held back.
  bool WriteOutStatement(std::string_view line);

  // At the end of the output: reports a table left open, and keeps a
  // definition left open.
  void Finish();

  bool InDefinition() const { return in_definition_; }
  bool InTable() const { return in_table_; }

 private:
  void ReportMissingEndTable();

  ASCIIFile* file_;
  const DirectiveKeywords& keywords_;
  ReportFunction report_;
  DefinitionList* definitions_;
  bool in_definition_ = false;
  DefinitionKind definition_kind_ = DefinitionKind::kBlock;
  std::string definition_name_;
  std::vector<std::string> definition_lines_;
  bool in_table_ = false;
};

// Applies a CHANGE_POLICY statement: the statement (found ignoring case) is
// removed from `line`, "POLICY: Changed - " + the policy line is reported,
// and the policy line is applied to `policies` as a policy file line that
// may change a policy set before. Returns LoadPolicyLine's result (0, 10,
// 11); 10 after "TAG ERROR: Failed to remove directive ..." when the line
// holds no CHANGE_POLICY statement.
int ApplyChangePolicy(std::string_view line, const DirectiveKeywords& keywords, PolicySet& policies,
                      const ReportFunction& report);

}  // namespace orv
