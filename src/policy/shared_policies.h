// What every policy set of a run shares: the message sink that sets report
// through, orvtext's ten policy sections, the rule set named last, whether
// rule-set overrides are reported, and the second folder for include files.
// The run context holds one; policy sets attach to it.
#pragma once

#include <string>
#include <utility>

#include "common/messages.h"
#include "policy/own_policies.h"
#include "policy/policy_section.h"

namespace orv {

class SharedPolicies {
 public:
  // `sink` must outlive this object; null means "none yet" and must be set
  // with SetSink before anything reports.
  explicit SharedPolicies(MessageSink* sink = nullptr) : sink_(sink) {
    CreateOwnSections(policy_sections_);
  }
  SharedPolicies(const SharedPolicies&) = delete;
  SharedPolicies& operator=(const SharedPolicies&) = delete;

  MessageSink& Sink() { return *sink_; }
  const MessageSink& Sink() const { return *sink_; }

  // orvtext's ten policy sections, shared by every policy set attached here.
  // `number` is 1..10; any other number gives an empty section whose reads
  // return the fallbacks.
  PolicySection& PolicySectionAt(int number) {
    if (number < 1 || number > kPolicySectionCount) return unknown_section_;
    return policy_sections_[number - 1];
  }
  PolicySections& Sections() { return policy_sections_; }
  // Resets every policy of the ten sections to its default.
  void ResetAllSections() {
    for (PolicySection& section : policy_sections_) section.ResetAll();
  }

  // The rule set named by the last rule-set policy line (0 none,
  // 1 Tarnwell, 2 SEC).
  int RuleSet() const { return rule_set_; }
  void SetRuleSet(int rule_set) { rule_set_ = rule_set; }
  // Whether policies report a user's value that a rule set leaves alone.
  bool ReportRuleSetOverrides() const { return report_rule_set_overrides_; }
  void SetReportRuleSetOverrides(bool on) { report_rule_set_overrides_ = on; }
  // A second folder in which policy include files are looked for; "" none.
  const std::string& IncludeFolder() const { return include_folder_; }
  void SetIncludeFolder(std::string folder) { include_folder_ = std::move(folder); }

 protected:
  void SetSink(MessageSink* sink) { sink_ = sink; }

 private:
  MessageSink* sink_;
  PolicySections policy_sections_;
  PolicySection unknown_section_;
  int rule_set_ = 0;
  bool report_rule_set_overrides_ = false;
  std::string include_folder_;
};

}  // namespace orv
