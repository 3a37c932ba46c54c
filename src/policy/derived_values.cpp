// Derived layout values read from the Context's policy sections.
#include "policy/derived_values.h"

#include "policy/own_policies.h"
#include "policy/shared_policies.h"

namespace orv {

std::array<int, 8> OutputIndentationPositions(SharedPolicies& context) {
  return IndentationPositions(
      context.PolicySectionAt(kSectionTextFormatting).GetText(kOutputIndentationPositions));
}

int EffectiveTableWidth(SharedPolicies& context) {
  PolicySection& tables = context.PolicySectionAt(kSectionTextTables);
  if (tables.WasSet(kTargetTableWidth)) return tables.GetInteger(kTargetTableWidth);
  return context.PolicySectionAt(kSectionTextFormatting).GetInteger(kTargetPageWidth);
}

std::string FirstLineIndentText(SharedPolicies& context) {
  int indent = context.PolicySectionAt(kSectionTextFormatting).GetInteger(kFirstLineIndent);
  if (indent > kMaxFirstLineIndent) indent = kMaxFirstLineIndent;
  return std::string(static_cast<size_t>(indent > 0 ? indent : 0), ' ');
}

}  // namespace orv
