// Policy sections: ordered insertion, typed access by identifier, writing
// and offering policy lines.
#include "policy/policy_section.h"

#include <algorithm>

#include "common/text.h"
#include "common/ascii_file.h"

namespace orv {

bool PolicySection::AddPolicy(int identifier, int type_code, int section_number, int category,
                              const PolicyValue& default_value, std::string_view choices,
                              std::string_view key) {
  if (Find(identifier) != nullptr) return false;
  std::unique_ptr<Policy> policy = MakePolicy(type_code);
  if (policy == nullptr) return false;
  policy->Initialise(identifier, static_cast<PolicyType>(type_code), section_number, category,
                     default_value, choices, key);
  auto position = std::find_if(policies_.begin(), policies_.end(), [&](const auto& existing) {
    return existing->Identifier() >= identifier;
  });
  policies_.insert(position, std::move(policy));
  return true;
}

void PolicySection::SetHeader(int number, std::string_view header) {
  number_ = number;
  header_.assign(header);
}

Policy* PolicySection::Find(int identifier) {
  for (auto& policy : policies_)
    if (policy->Identifier() == identifier) return policy.get();
  return nullptr;
}

const Policy* PolicySection::Find(int identifier) const {
  for (const auto& policy : policies_)
    if (policy->Identifier() == identifier) return policy.get();
  return nullptr;
}

int PolicySection::GetInteger(int identifier) {
  Policy* policy = Find(identifier);
  if (policy == nullptr || policy->Type() != PolicyType::kInteger) return kFallbackInteger;
  policy->CountUse();
  return policy->AsNumber()->Value();
}

bool PolicySection::GetYesNo(int identifier) {
  Policy* policy = Find(identifier);
  if (policy == nullptr || policy->Type() != PolicyType::kYesNo) return kFallbackYesNo;
  policy->CountUse();
  return policy->AsNumber()->Value() != 0;
}

std::string PolicySection::GetText(int identifier) {
  Policy* policy = Find(identifier);
  if (policy == nullptr ||
      (policy->Type() != PolicyType::kText && policy->Type() != PolicyType::kColour))
    return std::string(kFallbackText);
  policy->CountUse();
  return policy->AsString()->Value();
}

bool PolicySection::WasSet(int identifier) const {
  const Policy* policy = Find(identifier);
  return policy != nullptr && policy->IsSet();
}

bool PolicySection::SetInteger(int identifier, int value, bool mark) {
  Policy* policy = Find(identifier);
  if (policy == nullptr || policy->Type() != PolicyType::kInteger) return false;
  policy->AsNumber()->SetValue(value, mark);
  return true;
}

bool PolicySection::SetYesNo(int identifier, bool value, bool mark) {
  Policy* policy = Find(identifier);
  if (policy == nullptr || policy->Type() != PolicyType::kYesNo) return false;
  policy->AsNumber()->SetValue(value ? 1 : 0, mark);
  return true;
}

bool PolicySection::SetText(int identifier, std::string_view value, bool mark) {
  Policy* policy = Find(identifier);
  if (policy == nullptr ||
      (policy->Type() != PolicyType::kText && policy->Type() != PolicyType::kColour))
    return false;
  policy->AsString()->SetValue(value, mark);
  return true;
}

void PolicySection::ResetAll() {
  for (auto& policy : policies_) policy->Reset();
}

bool PolicySection::AnySet() const {
  for (const auto& policy : policies_)
    if (policy->IsSet()) return true;
  return false;
}

void PolicySection::Write(ASCIIFile& out, bool write_all) const {
  if (!write_all && !AnySet()) return;
  out.WriteLine("");
  out.WriteLine("");
  out.WriteLine(header_);
  out.WriteLine("");
  for (const auto& policy : policies_) policy->Write(out, write_all);
}

bool PolicySection::TryLine(PolicyLineContext& line) {
  if (EqualsNoCase(line.line, header_)) {
    line.handled = true;
    line.category = 2;
    return true;
  }
  for (auto& policy : policies_)
    if (policy->TryLine(line)) return true;
  return false;
}

bool PolicySection::QueryLine(PolicyLineContext& line) const {
  for (const auto& policy : policies_)
    if (policy->QueryLine(line)) return true;
  return false;
}

}  // namespace orv
