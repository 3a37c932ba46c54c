// The policy set: every engine policy of one conversion, the rule set in
// force and the composite analysis settings, attached to the Context whose
// ten sections hold orvtext's own policies. Reading, applying and writing
// policy lines and files is in policy_file.cpp; the catalogues are in
// engine_policies.h and own_policies.h.
#pragma once

#include <array>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "policy/engine_policies.h"
#include "policy/policy.h"
#include "common/messages.h"

namespace orv {

class ASCIIFile;
class SharedPolicies;

enum RuleSetCode : int { kRuleSetNone = 0, kRuleSetTarnwell = 1, kRuleSetSec = 2 };

// Results of LoadPolicyLine.
enum PolicyLineResult : int { kPolicyLineOk = 0, kPolicyLineUnknown = 10, kPolicyLineInvalid = 11 };

// The analysis settings that are not plain policies. Each group has a
// "given" flag that plays the part of a policy's set flag.
struct AnalysisSettings {
  static constexpr size_t kMaxPositions = 5;
  static constexpr size_t kMaxBulletCharacters = 7;
  static constexpr int kHeadingLevels = 10;

  bool indent_given = false;
  std::vector<int> indent_positions;
  bool hanging_given = false;
  std::vector<int> hanging_positions;
  bool definition_given = false;
  bool colon_definition = false;
  bool colon_strong = false;
  bool dash_definition = false;
  bool dash_strong = false;
  bool bullets_given = false;
  std::string bullet_characters;
  bool headings_given = false;
  int recognised_headings = 0;
  // Definitions by level (0..9); an empty text is no record.
  std::vector<std::string> heading_levels;
  std::vector<std::string> contents_levels;
  bool sections_given = false;
  std::vector<std::string> document_sections;
  bool groups_given = false;
  std::vector<std::string> usenet_groups;
  bool link_dictionary_named = false;
  std::string link_dictionary_file;
};

class PolicySet : public PolicyReporter {
 public:
  // Builds every engine policy and resets the set.
  PolicySet();
  PolicySet(const PolicySet&) = delete;
  PolicySet& operator=(const PolicySet&) = delete;
  ~PolicySet() override;

  // Names and defaults every engine policy from the catalogue, clears all
  // set and rule-set flags, the rule set and the analysis settings. The
  // Context's sections are not touched (Context::ResetAllSections).
  void Reset();
  // Reset, then every value and set flag of `other`.
  void Assign(const PolicySet& other);
  // Takes every policy (and rule set and analysis setting) that `other`
  // holds as set; with `carry_flags` it becomes set here too.
  void Merge(const PolicySet& other, bool carry_flags);

  // The Context gives the set its message sink and orvtext's sections; a
  // set without one reports to the standard streams.
  void AttachContext(SharedPolicies* context) { context_ = context; }
  SharedPolicies* GetContext() const { return context_; }
  // RTF output selects smaller default fonts; takes effect at Reset.
  void SetRtfOutput(bool rtf_output) { rtf_output_ = rtf_output; }
  bool RtfOutput() const { return rtf_output_; }

  // ---- Reporting ----
  // Levelled message: through the Context's sink with this set's seven
  // message settings; without a Context to standard error while "Display
  // messages" is on.
  void Report(std::string_view message, int level) override;
  // Plain (progress) message: likewise, to standard output without a
  // Context.
  void ReportPlain(std::string_view message);
  // The seven sink settings taken from this set's message policies.
  SinkSettings MessageSettings() const;
  // Where messages go when no Context is attached (tests); null restores
  // the standard streams.
  void SetStreams(std::ostream* out, std::ostream* err);

  // ---- Engine policies ----
  Policy& Engine(EnginePolicy policy) { return *engine_[static_cast<size_t>(policy)]; }
  const Policy& Engine(EnginePolicy policy) const { return *engine_[static_cast<size_t>(policy)]; }
  // The engine policy with this key text (any letter case), or null.
  Policy* FindEngine(std::string_view key);
  // The number of an Integer, YesNo, Alignment or Choice policy (0 for a
  // text type).
  int GetInteger(EnginePolicy policy) const;
  bool GetYesNo(EnginePolicy policy) const { return GetInteger(policy) != 0; }
  // The text of a Text, Colour or Font policy ("" for a number type).
  const std::string& GetText(EnginePolicy policy) const;
  bool WasSet(EnginePolicy policy) const { return Engine(policy).IsSet(); }
  // Typed writes; false for a policy of the other kind. The set flag
  // becomes true when `mark` is (and stays true).
  bool SetInteger(EnginePolicy policy, int value, bool mark);
  bool SetYesNo(EnginePolicy policy, bool value, bool mark) { return SetInteger(policy, value ? 1 : 0, mark); }
  bool SetText(EnginePolicy policy, std::string_view value, bool mark);

  // Frequently read engine policies.
  int ErrorReportingLevel() const { return GetInteger(EnginePolicy::kErrorReportingLevel); }
  bool DisplayMessages() const { return GetYesNo(EnginePolicy::kDisplayMessages); }
  const std::string& InputDirectory() const { return GetText(EnginePolicy::kInputDirectory); }
  const std::string& OutputDirectory() const { return GetText(EnginePolicy::kOutputDirectory); }
  bool CreateLogFile() const { return GetYesNo(EnginePolicy::kCreateALogFile); }
  const std::string& OutputLogFilename() const { return GetText(EnginePolicy::kOutputLogFilename); }
  bool OutputPolicyFile() const { return GetYesNo(EnginePolicy::kOutputPolicyFile); }
  const std::string& OutputPolicyFilename() const { return GetText(EnginePolicy::kOutputPolicyFilename); }
  bool ConcatenateResults() const { return GetYesNo(EnginePolicy::kConcatenateResultsIntoOneFile); }

  // ---- orvtext's sections, through the attached Context ----
  // Typed reads of section `section` (1..10) by identifier; the section
  // fallbacks (-1, false, "**void**") without a Context.
  int GetSectionInteger(int section, int identifier);
  bool GetSectionYesNo(int section, int identifier);
  std::string GetSectionText(int section, int identifier);

  // ---- Rule sets and analysis settings ----
  int RuleSet() const { return rule_set_; }
  bool RuleSetGiven() const { return rule_set_given_; }
  // Gives the rule set's values to the policies that nothing has set
  // ("Tarnwell" and "SEC" also set the indent positions to the single
  // position 0 unless they were given). Called after a policy file has
  // been read.
  void ApplyRuleSet();
  const AnalysisSettings& Analysis() const { return analysis_; }

  // ---- Policy lines and files (policy_file.cpp) ----
  // Applies one policy line: orvtext's sections first, then the engine
  // policies and the composite analysis lines, then the alias keys.
  // Returns 0 (success, comment or header), 10 (unknown policy) or 11
  // (invalid value); `category` receives the accepting policy's category.
  // With `check_repeats` a policy that is already set keeps its value.
  PolicyLineResult LoadPolicyLine(std::string_view line, int& category, bool check_repeats,
                     std::string* result_text = nullptr);
  // Reads a policy file from `reader` (already open on it) to its end,
  // following include and switch lines, then loads the configuration files
  // the policies name and applies the rule set. Returns true when every
  // line was accepted and the configuration files loaded; otherwise
  // `error_text` holds the last failure.
  bool ReadPolicyFile(ASCIIFile& reader, std::string& error_text);
  // Writes the policies as a policy file, one WriteLine per line. Engine
  // policies are written only when set; orvtext's first seven sections
  // wholly when `write_all`.
  void WritePolicyFile(ASCIIFile& out, bool write_all);
  // The query form of a policy line: the current value text of the policy
  // whose key text is `key`. False when no policy has that key.
  bool QueryPolicy(std::string_view key, std::string& value);

 private:
  bool TryCompositeLine(PolicyLineContext& line, bool& refused);
  bool TryAliasPass(PolicyLineContext& line);
  void ApplyRuleSetLine(PolicyLineContext& line);
  void WriteEngineSection(ASCIIFile& out, EngineSection section);
  void CompositeLines(EngineSection section, std::vector<std::string>& lines,
                      std::vector<std::string>& after_definitions) const;
  bool LoadConfigurationFiles(const std::string& folder, std::string& error_text);

  std::vector<std::unique_ptr<Policy>> engine_;
  SharedPolicies* context_ = nullptr;
  bool rtf_output_ = false;
  int rule_set_ = kRuleSetNone;
  bool rule_set_given_ = false;
  AnalysisSettings analysis_;
  PolicyLineContext line_context_;
  std::ostream* out_;
  std::ostream* err_;
};

// Step 2 of applying a policy line: every blank or tab that follows a
// blank or tab is dropped, then blanks and tabs are trimmed from the ends.
std::string NormalisePolicyLine(std::string_view line);

// Whether a line is an engine section header ("[Messages]" ...) or a
// separator ("-----"); only lines without ":" and '"' qualify.
bool IsPolicySectionHeader(std::string_view line);

}  // namespace orv
