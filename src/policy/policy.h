// The seven policy types (integer, yes/no, text, alignment, colour, font,
// choice) as one family behind the Policy interface of nine operations.
// Sections (policy_section.h) and sets (policy_set.h) hold policies by this
// interface; policy_values.h has the value rules the types share.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class ASCIIFile;

enum class PolicyType : int {
  kInteger = 1,
  kYesNo = 2,
  kText = 3,
  kAlignment = 4,
  kColour = 5,
  kFont = 6,
  kChoice = 7,
};

// Alignment values of an Alignment policy.
enum PolicyAlignment : int { kAlignNone = 0, kAlignLeft = 1, kAlignCenter = 2, kAlignRight = 3, kAlignJustified = 4 };

// Where policies send their messages (a PolicySet forwards them to its
// Context's message sink).
class PolicyReporter {
 public:
  virtual ~PolicyReporter() = default;
  virtual void Report(std::string_view message, int level) = 0;
};

// A default or rule-set value: the number for Integer, YesNo, Alignment and
// Choice policies, the text for Text, Colour and Font policies.
struct PolicyValue {
  int number = 0;
  std::string text;
};

// The record that LoadPolicyLine fills for one line and hands to each
// policy in turn.
struct PolicyLineContext {
  PolicyReporter* reporter = nullptr;
  std::string line;       // normalised line
  std::string key;        // text before the first colon, trimmed
  std::string value;      // text after the first colon, trimmed
  std::string alias_key;  // accepted in place of a key text during the alias pass
  bool check_repeats = false;
  bool none = false;  // value is "(none)" or "none"
  bool yes = false;   // value is "Yes" or "true"
  bool no = false;    // value is "no" or "false"
  bool handled = false;
  bool success = true;
  int category = 0;

  // Clears everything but the reporter and fills line, key, value and the
  // three value-word flags from an already normalised line.
  void Prepare(std::string_view normalised_line, bool repeats);
  void Report(std::string_view message, int level) const;
};

class NumberPolicy;
class StringPolicy;

// One named option. The nine virtual operations come first, in their fixed
// order; the rest are shared helpers.
class Policy {
 public:
  // 1. Destroy.
  virtual ~Policy() = default;
  // 2. Gives the policy its identity and default, then resets it.
  virtual void Initialise(int identifier, PolicyType type, int section, int category,
                          const PolicyValue& default_value, std::string_view choices,
                          std::string_view key);
  // 3. Applies a rule set's value: taken (and the policy marked set) when
  // the policy is unset or `force` is on; a user's value otherwise stays
  // (reported when `report_overrides`). Once visited, a policy ignores
  // further unforced rule-set values.
  virtual void ApplyRuleSetValue(const PolicyValue& value, bool force, PolicyReporter* reporter,
                                 bool report_overrides);
  // 4. Copies value and set flag from a policy of the same type.
  virtual void Assign(const Policy& other) = 0;
  // 5. Writes the policy-file line when `write_all` is on or it is set.
  virtual void Write(ASCIIFile& out, bool write_all) const;
  // 6. When the line's key names this policy, gives the current value text
  // in `line.value` and marks the line handled. Returns whether it did.
  virtual bool QueryLine(PolicyLineContext& line) const;
  // 7. Copies the value when `other` is set; with `carry_flags` also its
  // set and rule-set flags.
  virtual void Merge(const Policy& other, bool carry_flags) = 0;
  // 8. When the line's key names this policy: applies the repeated-line
  // rule, then parses the value. Returns whether the policy handled it.
  virtual bool TryLine(PolicyLineContext& line);
  // 9. Current value := default; set and rule-set flags cleared.
  virtual void Reset() = 0;

  // The value as printed in a policy file ("(none)" for empty texts ...).
  virtual std::string ValueText() const = 0;
  // The whole policy-file line: key padded to 42, ": ", the value.
  std::string FileLine() const;

  virtual NumberPolicy* AsNumber() { return nullptr; }
  virtual const NumberPolicy* AsNumber() const { return nullptr; }
  virtual StringPolicy* AsString() { return nullptr; }
  virtual const StringPolicy* AsString() const { return nullptr; }

  int Identifier() const { return identifier_; }
  PolicyType Type() const { return type_; }
  int SectionNumber() const { return section_; }
  int Category() const { return category_; }
  const std::string& Key() const { return key_; }
  bool IsSet() const { return set_; }
  bool RuleSetVisited() const { return rule_set_; }
  int UsageCount() const { return usage_count_; }
  void CountUse() { ++usage_count_; }
  // Marks the policy set or unset without touching its value.
  void MarkSet(bool set) { set_ = set; }

 protected:
  Policy() = default;
  // Type-specific parsing of `line.value` (the repeat rule already applied).
  virtual void ParseValue(PolicyLineContext& line) = 0;
  // Stores a rule-set value (step 2 of applying a rule set).
  virtual void TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) = 0;
  // " : " and the value, as the rule-set override report shows it.
  virtual std::string OverrideText() const = 0;
  // The value part of the policy-file line.
  virtual std::string FileValueText() const { return ValueText(); }
  // Reported when a line is offered to a policy without key text.
  std::string_view MissingKeyMessage() const;
  bool KeyMatches(const PolicyLineContext& line) const;
  void CopyFlags(const Policy& other, bool carry_flags);

  int identifier_ = 0;
  PolicyType type_ = PolicyType::kInteger;
  int section_ = 0;
  int category_ = 0;
  bool set_ = false;
  bool rule_set_ = false;
  std::string key_;
  int usage_count_ = 0;
};

// The types whose value is a number: Integer, YesNo, Alignment, Choice.
class NumberPolicy : public Policy {
 public:
  void Initialise(int identifier, PolicyType type, int section, int category,
                  const PolicyValue& default_value, std::string_view choices,
                  std::string_view key) override;
  void Assign(const Policy& other) override;
  void Merge(const Policy& other, bool carry_flags) override;
  void Reset() override;
  NumberPolicy* AsNumber() override { return this; }
  const NumberPolicy* AsNumber() const override { return this; }

  int Value() const { return value_; }
  int Default() const { return default_; }
  // Stores a value; the set flag becomes true when `mark` is (it never
  // goes back to false here).
  void SetValue(int value, bool mark);
  void SetDefault(int value) { default_ = value; }

 protected:
  void TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) override;
  int value_ = 0;
  int default_ = 0;
};

// The types whose value is a text: Text, Colour, Font.
class StringPolicy : public Policy {
 public:
  void Initialise(int identifier, PolicyType type, int section, int category,
                  const PolicyValue& default_value, std::string_view choices,
                  std::string_view key) override;
  void Assign(const Policy& other) override;
  void Merge(const Policy& other, bool carry_flags) override;
  void Reset() override;
  std::string ValueText() const override;
  StringPolicy* AsString() override { return this; }
  const StringPolicy* AsString() const override { return this; }

  const std::string& Value() const { return value_; }
  const std::string& Default() const { return default_; }
  void SetValue(std::string_view value, bool mark);
  // Changes the default (a Font policy keeps only a valid font default).
  virtual void SetDefault(std::string_view value) { default_.assign(value); }

 protected:
  void TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) override;
  std::string OverrideText() const override;
  std::string value_;
  std::string default_;
};

class IntegerPolicy : public NumberPolicy {
 public:
  std::string ValueText() const override;
  // A range (lowest below highest) refuses numbers outside it.
  void SetRange(int lowest, int highest) {
    lowest_ = lowest;
    highest_ = highest;
  }
  bool HasRange() const { return lowest_ < highest_; }
  int Lowest() const { return lowest_; }
  int Highest() const { return highest_; }
  // Prints "(none)" for the value -1 ("none") instead of the number.
  void SetPrintsNone(bool prints_none) { prints_none_ = prints_none; }
  bool PrintsNone() const { return prints_none_; }

 protected:
  void ParseValue(PolicyLineContext& line) override;
  std::string OverrideText() const override;
  std::string FileValueText() const override { return ValueText() + " "; }

 private:
  int lowest_ = 0;
  int highest_ = 0;
  bool prints_none_ = false;
};

class YesNoPolicy : public NumberPolicy {
 public:
  std::string ValueText() const override { return value_ ? "Yes" : "No"; }

 protected:
  void ParseValue(PolicyLineContext& line) override;
  std::string OverrideText() const override { return value_ ? " : Yes" : " : No"; }
};

class AlignmentPolicy : public NumberPolicy {
 public:
  std::string ValueText() const override;

 protected:
  void ParseValue(PolicyLineContext& line) override;
  std::string OverrideText() const override;
};

class ChoicePolicy : public NumberPolicy {
 public:
  void Initialise(int identifier, PolicyType type, int section, int category,
                  const PolicyValue& default_value, std::string_view choices,
                  std::string_view key) override;
  std::string ValueText() const override;
  const std::vector<std::string>& Choices() const { return choices_; }

 protected:
  void ParseValue(PolicyLineContext& line) override;
  std::string OverrideText() const override;

 private:
  std::vector<std::string> choices_;
  std::string choices_text_;  // what `choices_` was split from
};

class TextPolicy : public StringPolicy {
 protected:
  void ParseValue(PolicyLineContext& line) override;
};

class ColourPolicy : public StringPolicy {
 protected:
  void ParseValue(PolicyLineContext& line) override;
  void TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) override;
};

class FontPolicy : public StringPolicy {
 public:
  void SetDefault(std::string_view value) override;

 protected:
  void ParseValue(PolicyLineContext& line) override;
  void TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) override;
};

// A new, uninitialised policy of the given type code; null for a code
// outside 1..7.
std::unique_ptr<Policy> MakePolicy(int type_code);

// The key padded with blanks to `width` (a key of that length or more gets
// exactly two blanks), then ": " and the value.
std::string PaddedPolicyLine(std::string_view key, int width, std::string_view value);

}  // namespace orv
