// A bracketed section of orvtext's own policies ("[Detag]", "[Text tables]"
// ...): policies kept in ascending identifier order, read and written by
// identifier. The Context owns the ten sections (own_policies.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "policy/policy.h"

namespace orv {

class PolicySection {
 public:
  static constexpr int kFallbackInteger = -1;
  static constexpr bool kFallbackYesNo = false;
  static constexpr std::string_view kFallbackText = "**void**";

  PolicySection() = default;
  PolicySection(PolicySection&&) = default;
  PolicySection& operator=(PolicySection&&) = default;

  // Creates a policy and inserts it before the first one whose identifier
  // is greater or equal, so the section stays in ascending order. The
  // default is `default_value.number` for Integer, YesNo, Alignment and
  // Choice, `default_value.text` for Text, Colour and Font; `choices` is
  // the comma-separated list of a Choice policy. Returns false, adding
  // nothing, for an identifier already present or a type code outside 1..7.
  bool AddPolicy(int identifier, int type_code, int section_number, int category,
                 const PolicyValue& default_value, std::string_view choices, std::string_view key);

  void SetHeader(int number, std::string_view header);
  const std::string& Header() const { return header_; }
  int Number() const { return number_; }

  // Typed reads by identifier (linear search). A policy of the right type
  // (Integer; YesNo; Text or Colour) has its usage count raised and gives
  // its value; anything else gives the fallback and changes nothing.
  int GetInteger(int identifier);
  bool GetYesNo(int identifier);
  std::string GetText(int identifier);

  // The set flag of the policy; false when there is none.
  bool WasSet(int identifier) const;

  // Typed writes: false when there is no such policy or it has another
  // type. The set flag becomes true when `mark` is, and stays true.
  bool SetInteger(int identifier, int value, bool mark);
  bool SetYesNo(int identifier, bool value, bool mark);
  bool SetText(int identifier, std::string_view value, bool mark);

  // Resets every policy of the section.
  void ResetAll();
  // Writes two empty lines, the header, an empty line and the policy lines
  // (all with `write_all`, else the set ones). With `write_all` off and no
  // policy set nothing is written.
  void Write(ASCIIFile& out, bool write_all) const;
  // Handles the section's own header (category 2) or offers the line to
  // the policies in identifier order until one handles it. Returns whether
  // the line was handled.
  bool TryLine(PolicyLineContext& line);
  // The query form: gives the value text of the policy the line names.
  bool QueryLine(PolicyLineContext& line) const;

  // The policy with this identifier, or null.
  Policy* Find(int identifier);
  const Policy* Find(int identifier) const;
  size_t Count() const { return policies_.size(); }
  const Policy& At(size_t index) const { return *policies_[index]; }
  Policy& At(size_t index) { return *policies_[index]; }
  bool AnySet() const;

 private:
  std::string header_ = "[Unknown]";
  int number_ = 0;
  std::vector<std::unique_ptr<Policy>> policies_;
};

}  // namespace orv
