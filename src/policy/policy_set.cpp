// Policy sets: construction and reset from the engine catalogue, assign
// and merge, reporting through the Context, typed access and rule sets.
#include "policy/policy_set.h"

#include <iostream>

#include "common/text.h"
#include "policy/own_policies.h"
#include "policy/shared_policies.h"

namespace orv {

namespace {

struct RuleSetValue {
  EnginePolicy policy;
  PolicyValue value;
};

// What the two rule sets impose on policies that nothing has set. They
// steer the marked-up output of the sister converters; orvtext keeps the
// lists short: a page width, the justification, font markup and one font,
// and for SEC plain black text without colour markup.
const std::vector<RuleSetValue>& TarnwellValues() {
  static const std::vector<RuleSetValue> values = {
      {EnginePolicy::kPageWidth, {80, ""}},
      {EnginePolicy::kTextJustification, {kAlignJustified, ""}},
      {EnginePolicy::kAddFONTMarkup, {1, ""}},
      {EnginePolicy::kListMarkupCode, {2, ""}},
      {EnginePolicy::kDefaultFont, {0, "Times New Roman, Regular, 11"}},
  };
  return values;
}

const std::vector<RuleSetValue>& SecValues() {
  static const std::vector<RuleSetValue> values = {
      {EnginePolicy::kPageWidth, {80, ""}},
      {EnginePolicy::kTextJustification, {kAlignLeft, ""}},
      {EnginePolicy::kAddFONTMarkup, {0, ""}},
      {EnginePolicy::kSuppressAllColourMarkup, {1, ""}},
      {EnginePolicy::kTextColour, {0, "Black"}},
      {EnginePolicy::kFixedFont, {0, "Courier New, Regular, 9"}},
  };
  return values;
}

const std::string kNoText;

// Every engine policy's default, for sets of plain and of RTF output: built
// once, so that resetting a set (once per converted file) copies the
// defaults instead of building each one again.
const std::vector<PolicyValue>& EngineDefaults(bool rtf_output) {
  auto build = [](bool rtf) {
    std::vector<PolicyValue> values;
    values.reserve(kEnginePolicyCount);
    for (size_t i = 0; i < kEnginePolicyCount; ++i)
      values.push_back(EngineDefault(static_cast<EnginePolicy>(i), rtf));
    return values;
  };
  static const std::vector<PolicyValue> plain = build(false);
  static const std::vector<PolicyValue> rtf = build(true);
  return rtf_output ? rtf : plain;
}

}  // namespace

PolicySet::PolicySet() : out_(&std::cout), err_(&std::cerr) {
  engine_.reserve(kEnginePolicyCount);
  for (const EngineCatalogueEntry& entry : EngineCatalogue())
    engine_.push_back(MakePolicy(static_cast<int>(entry.type)));
  Reset();
}

PolicySet::~PolicySet() = default;

void PolicySet::Reset() {
  const std::vector<PolicyValue>& defaults = EngineDefaults(rtf_output_);
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    const EngineCatalogueEntry& entry = EngineCatalogue()[i];
    Policy& policy = *engine_[i];
    policy.Initialise(static_cast<int>(i), entry.type, 0, entry.category, defaults[i],
                      entry.choices, entry.key);
    if (entry.type == PolicyType::kInteger) static_cast<IntegerPolicy&>(policy).SetPrintsNone(entry.prints_none);
  }
  static_cast<IntegerPolicy&>(Engine(EnginePolicy::kListMarkupCode)).SetRange(0, 2);
  rule_set_ = kRuleSetNone;
  rule_set_given_ = false;
  analysis_ = AnalysisSettings{};
}

void PolicySet::Assign(const PolicySet& other) {
  Reset();
  for (size_t i = 0; i < kEnginePolicyCount; ++i) engine_[i]->Assign(*other.engine_[i]);
  rule_set_ = other.rule_set_;
  rule_set_given_ = other.rule_set_given_;
  analysis_ = other.analysis_;
}

void PolicySet::Merge(const PolicySet& other, bool carry_flags) {
  for (size_t i = 0; i < kEnginePolicyCount; ++i) engine_[i]->Merge(*other.engine_[i], carry_flags);
  if (other.rule_set_given_) {
    rule_set_ = other.rule_set_;
    if (carry_flags) rule_set_given_ = true;
  }
  const AnalysisSettings& from = other.analysis_;
  AnalysisSettings& to = analysis_;
  // Each group is taken whole when the other set gave it.
  if (from.indent_given) {
    to.indent_positions = from.indent_positions;
    if (carry_flags) to.indent_given = true;
  }
  if (from.hanging_given) {
    to.hanging_positions = from.hanging_positions;
    if (carry_flags) to.hanging_given = true;
  }
  if (from.definition_given) {
    to.colon_definition = from.colon_definition;
    to.colon_strong = from.colon_strong;
    to.dash_definition = from.dash_definition;
    to.dash_strong = from.dash_strong;
    if (carry_flags) to.definition_given = true;
  }
  if (from.bullets_given) {
    to.bullet_characters = from.bullet_characters;
    if (carry_flags) to.bullets_given = true;
  }
  if (from.headings_given) {
    to.recognised_headings = from.recognised_headings;
    to.heading_levels = from.heading_levels;
    to.contents_levels = from.contents_levels;
    if (carry_flags) to.headings_given = true;
  }
  if (from.sections_given) {
    to.document_sections = from.document_sections;
    if (carry_flags) to.sections_given = true;
  }
  if (from.groups_given) {
    to.usenet_groups = from.usenet_groups;
    if (carry_flags) to.groups_given = true;
  }
  if (from.link_dictionary_named) {
    to.link_dictionary_file = from.link_dictionary_file;
    if (carry_flags) to.link_dictionary_named = true;
  }
}

// ---- Reporting ----------------------------------------------------------

SinkSettings PolicySet::MessageSettings() const {
  SinkSettings settings;
  settings.level = ErrorReportingLevel();
  settings.display = DisplayMessages();
  settings.suppress_url = GetYesNo(EnginePolicy::kSuppressURLMessages);
  settings.suppress_info = GetYesNo(EnginePolicy::kSuppressINFOMessages);
  settings.suppress_warning = GetYesNo(EnginePolicy::kSuppressWARNINGMessages);
  settings.suppress_program_error = GetYesNo(EnginePolicy::kSuppressProgramERRORMessages);
  settings.suppress_tag_error = GetYesNo(EnginePolicy::kSuppressTAGERRORMessages);
  return settings;
}

void PolicySet::Report(std::string_view message, int level) {
  if (context_ != nullptr) {
    context_->Sink().ApplySettings(MessageSettings());
    context_->Sink().Report(message, level);
    return;
  }
  if (!DisplayMessages()) return;
  *err_ << message << '\n';
  err_->flush();
}

void PolicySet::ReportPlain(std::string_view message) {
  if (context_ != nullptr) {
    context_->Sink().ApplySettings(MessageSettings());
    context_->Sink().ReportPlain(message);
    return;
  }
  if (!DisplayMessages()) return;
  *out_ << message << '\n';
  out_->flush();
}

void PolicySet::SetStreams(std::ostream* out, std::ostream* err) {
  out_ = out != nullptr ? out : &std::cout;
  err_ = err != nullptr ? err : &std::cerr;
}

// ---- Typed access -------------------------------------------------------

Policy* PolicySet::FindEngine(std::string_view key) {
  for (auto& policy : engine_)
    if (EqualsNoCase(policy->Key(), key)) return policy.get();
  return nullptr;
}

int PolicySet::GetInteger(EnginePolicy policy) const {
  const NumberPolicy* number = Engine(policy).AsNumber();
  return number != nullptr ? number->Value() : 0;
}

const std::string& PolicySet::GetText(EnginePolicy policy) const {
  const StringPolicy* text = Engine(policy).AsString();
  return text != nullptr ? text->Value() : kNoText;
}

bool PolicySet::SetInteger(EnginePolicy policy, int value, bool mark) {
  NumberPolicy* number = Engine(policy).AsNumber();
  if (number == nullptr) return false;
  number->SetValue(value, mark);
  return true;
}

bool PolicySet::SetText(EnginePolicy policy, std::string_view value, bool mark) {
  StringPolicy* text = Engine(policy).AsString();
  if (text == nullptr) return false;
  text->SetValue(value, mark);
  return true;
}

int PolicySet::GetSectionInteger(int section, int identifier) {
  if (context_ == nullptr) return PolicySection::kFallbackInteger;
  return context_->PolicySectionAt(section).GetInteger(identifier);
}

bool PolicySet::GetSectionYesNo(int section, int identifier) {
  if (context_ == nullptr) return PolicySection::kFallbackYesNo;
  return context_->PolicySectionAt(section).GetYesNo(identifier);
}

std::string PolicySet::GetSectionText(int section, int identifier) {
  if (context_ == nullptr) return std::string(PolicySection::kFallbackText);
  return context_->PolicySectionAt(section).GetText(identifier);
}

// ---- Rule sets ----------------------------------------------------------

void PolicySet::ApplyRuleSet() {
  const std::vector<RuleSetValue>* values = nullptr;
  switch (rule_set_) {
    case kRuleSetNone: return;
    case kRuleSetTarnwell: values = &TarnwellValues(); break;
    case kRuleSetSec: values = &SecValues(); break;
    default: Report("UNSUPPORTED CASE: Unexpected Rule Set", 10); return;
  }
  const bool report_overrides = context_ != nullptr && context_->ReportRuleSetOverrides();
  for (const RuleSetValue& entry : *values)
    Engine(entry.policy).ApplyRuleSetValue(entry.value, false, this, report_overrides);
  // Like the policies, indent positions that a policy file gave are kept.
  if (!analysis_.indent_given) {
    analysis_.indent_positions.assign(1, 0);
    analysis_.indent_given = true;
  }
}

}  // namespace orv
