// The nine operations of each policy type: initialise, rule-set values,
// assign, write, query, merge, parse a policy line, reset.
#include "policy/policy.h"

#include "common/text.h"
#include "policy/policy_values.h"
#include "common/ascii_file.h"

namespace orv {

namespace {

// Repeats of these keys in one policy file are dropped without a message.
constexpr std::string_view kSilentRepeatKeys[] = {"Directory filename", "Use .HTM extension",
                                                  "Concatenate results into one file",
                                                  "Remove all tags", "Make Directory"};

bool IsSilentRepeat(std::string_view key) {
  for (std::string_view silent : kSilentRepeatKeys)
    if (EqualsNoCase(key, silent)) return true;
  return false;
}

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

}  // namespace

void PolicyLineContext::Prepare(std::string_view normalised_line, bool repeats) {
  line.assign(normalised_line);
  alias_key.clear();
  check_repeats = repeats;
  handled = false;
  success = true;
  category = 0;
  size_t colon = line.find(':');
  if (colon == std::string::npos) {
    key = Trim(line);
    value.clear();
  } else {
    key = Trim(std::string_view(line).substr(0, colon));
    value = Trim(std::string_view(line).substr(colon + 1));
  }
  none = EqualsNoCase(value, "(none)") || EqualsNoCase(value, "none");
  yes = EqualsNoCase(value, "Yes") || EqualsNoCase(value, "true");
  no = EqualsNoCase(value, "no") || EqualsNoCase(value, "false");
}

void PolicyLineContext::Report(std::string_view message, int level) const {
  if (reporter != nullptr) reporter->Report(message, level);
}

std::string PaddedPolicyLine(std::string_view key, int width, std::string_view value) {
  std::string line(key);
  if (line.size() >= static_cast<size_t>(width))
    line += "  ";
  else
    line.append(static_cast<size_t>(width) - line.size(), ' ');
  line += ": ";
  line += value;
  return line;
}

// ---- Policy -------------------------------------------------------------

void Policy::Initialise(int identifier, PolicyType type, int section, int category,
                        const PolicyValue&, std::string_view, std::string_view key) {
  identifier_ = identifier;
  type_ = type;
  section_ = section;
  category_ = category;
  key_.assign(key);
  usage_count_ = 0;
}

void Policy::ApplyRuleSetValue(const PolicyValue& value, bool force, PolicyReporter* reporter,
                               bool report_overrides) {
  if (rule_set_ && !force) return;
  if (!set_ || force) {
    TakeRuleSetValue(value, reporter);
    set_ = true;
  } else if (report_overrides && reporter != nullptr) {
    reporter->Report("INFO: Ruleset overrided - " + key_ + OverrideText(), 10);
  }
  rule_set_ = true;
}

void Policy::Write(ASCIIFile& out, bool write_all) const {
  if (write_all || set_) out.WriteLine(FileLine());
}

std::string Policy::FileLine() const { return PaddedPolicyLine(key_, 42, FileValueText()); }

std::string_view Policy::MissingKeyMessage() const {
  if (type_ == PolicyType::kInteger) return "PROGRAM ERROR: Missing Int policy text";
  if (type_ == PolicyType::kYesNo) return "PROGRAM ERROR: Missing Bool policy text";
  return "PROGRAM ERROR: Missing text policy text";
}

bool Policy::KeyMatches(const PolicyLineContext& line) const {
  if (!key_.empty() && EqualsNoCase(line.key, key_)) return true;
  return !line.alias_key.empty() && EqualsNoCase(line.key, line.alias_key);
}

bool Policy::QueryLine(PolicyLineContext& line) const {
  if (key_.empty()) line.Report("PROGRAM ERROR: Missing text policy text", 10);
  if (!KeyMatches(line)) return false;
  line.handled = true;
  line.category = category_;
  line.value = ValueText();
  return true;
}

bool Policy::TryLine(PolicyLineContext& line) {
  if (key_.empty()) line.Report(MissingKeyMessage(), 10);
  if (!KeyMatches(line)) return false;
  line.handled = true;
  line.category = category_;
  if (line.check_repeats && set_) {
    if (rule_set_) {
      line.Report("INFO: Ruleset overrided : " + line.line, 10);
    } else if (IsSilentRepeat(key_)) {
      line.success = true;
      return true;
    } else {
      line.success = false;
      line.Report("POLICY: Ignoring repeated policy \\" + key_ + "\\", 10);
      return true;
    }
  }
  ParseValue(line);
  return true;
}

void Policy::CopyFlags(const Policy& other, bool carry_flags) {
  if (!carry_flags) return;
  set_ = other.set_;
  rule_set_ = other.rule_set_;
}

// ---- Number-valued types -------------------------------------------------

void NumberPolicy::Initialise(int identifier, PolicyType type, int section, int category,
                              const PolicyValue& default_value, std::string_view choices,
                              std::string_view key) {
  Policy::Initialise(identifier, type, section, category, default_value, choices, key);
  default_ = default_value.number;
  Reset();
}

void NumberPolicy::Assign(const Policy& other) {
  const NumberPolicy* source = other.AsNumber();
  if (source == nullptr || other.Type() != type_) return;
  value_ = source->value_;
  set_ = source->set_;
}

void NumberPolicy::Merge(const Policy& other, bool carry_flags) {
  const NumberPolicy* source = other.AsNumber();
  if (source == nullptr || other.Type() != type_ || !other.IsSet()) return;
  value_ = source->value_;
  CopyFlags(other, carry_flags);
}

void NumberPolicy::Reset() {
  value_ = default_;
  set_ = false;
  rule_set_ = false;
}

void NumberPolicy::SetValue(int value, bool mark) {
  value_ = value;
  if (mark) set_ = true;
}

void NumberPolicy::TakeRuleSetValue(const PolicyValue& value, PolicyReporter*) { value_ = value.number; }

// Integer: a number, -1 for "none", optionally limited to a range.
std::string IntegerPolicy::ValueText() const {
  if (prints_none_ && value_ == -1) return "(none)";
  return std::to_string(value_);
}

std::string IntegerPolicy::OverrideText() const { return " : " + std::to_string(value_); }

void IntegerPolicy::ParseValue(PolicyLineContext& line) {
  if (line.none) {
    value_ = -1;
    set_ = true;
    return;
  }
  int number = 0;
  if (!ParseInteger(line.value, number)) {
    line.success = false;
    set_ = false;
    return;
  }
  if (HasRange() && (number < lowest_ || number > highest_)) {
    line.Report("POLICY: Ignored - Value " + std::to_string(number) + " is outside allowed range (" +
                    std::to_string(lowest_) + ":" + std::to_string(highest_) + ")",
                10);
    line.success = false;
    set_ = false;
    return;
  }
  value_ = number;
  set_ = true;
}

// YesNo: the yes and no words only.
void YesNoPolicy::ParseValue(PolicyLineContext& line) {
  if (line.yes || line.no) {
    value_ = line.yes ? 1 : 0;
    set_ = true;
    return;
  }
  line.Report("ERROR: Don't understand policy value : " + line.value, 10);
  line.success = false;
}

// Alignment: the first letter of left, center, right or justified.
std::string AlignmentPolicy::ValueText() const {
  switch (value_) {
    case kAlignLeft: return "left";
    case kAlignCenter: return "center";
    case kAlignRight: return "right";
    case kAlignJustified: return "justified";
    default: return "(none)";
  }
}

std::string AlignmentPolicy::OverrideText() const { return " : " + Quoted(std::to_string(value_)); }

void AlignmentPolicy::ParseValue(PolicyLineContext& line) {
  // "(none)" is a value like any other: it clears the alignment and marks
  // the policy set, so that it is written and read back as given.
  if (line.none) {
    value_ = kAlignNone;
    set_ = true;
    return;
  }
  char first = line.value.empty() ? '\0' : ToUpperAscii(line.value[0]);
  switch (first) {
    case 'L': value_ = kAlignLeft; break;
    case 'C': value_ = kAlignCenter; break;
    case 'R': value_ = kAlignRight; break;
    case 'J': value_ = kAlignJustified; break;
    default:
      value_ = kAlignNone;
      set_ = false;
      line.success = false;
      return;
  }
  set_ = true;
}

// Choice: a 1-based position in the comma-separated list of choices.
void ChoicePolicy::Initialise(int identifier, PolicyType type, int section, int category,
                              const PolicyValue& default_value, std::string_view choices,
                              std::string_view key) {
  // A set is reset once per converted file: the list of choices is split
  // again only when it is not the one already held.
  if (choices != choices_text_) {
    choices_.clear();
    if (!choices.empty())
      for (const std::string& choice : Split(choices, ',')) choices_.push_back(CollapseBlanks(choice));
    choices_text_.assign(choices);
  }
  NumberPolicy::Initialise(identifier, type, section, category, default_value, choices, key);
}

std::string ChoicePolicy::ValueText() const {
  if (value_ < 1 || static_cast<size_t>(value_) > choices_.size()) return "(none)";
  return choices_[static_cast<size_t>(value_) - 1];
}

std::string ChoicePolicy::OverrideText() const { return " : " + Quoted(std::to_string(value_)); }

void ChoicePolicy::ParseValue(PolicyLineContext& line) {
  if (line.none) {
    value_ = -1;
    set_ = true;
    return;
  }
  std::string wanted = CollapseBlanks(line.value);
  for (size_t i = 0; i < choices_.size(); ++i) {
    if (EqualsNoCase(wanted, choices_[i])) {
      value_ = static_cast<int>(i) + 1;
      set_ = true;
      return;
    }
  }
  line.success = false;
  set_ = false;
}

// ---- Text-valued types ---------------------------------------------------

void StringPolicy::Initialise(int identifier, PolicyType type, int section, int category,
                              const PolicyValue& default_value, std::string_view choices,
                              std::string_view key) {
  Policy::Initialise(identifier, type, section, category, default_value, choices, key);
  SetDefault(default_value.text);
  Reset();
}

void StringPolicy::Assign(const Policy& other) {
  const StringPolicy* source = other.AsString();
  if (source == nullptr || other.Type() != type_) return;
  value_ = source->value_;
  set_ = source->set_;
}

void StringPolicy::Merge(const Policy& other, bool carry_flags) {
  const StringPolicy* source = other.AsString();
  if (source == nullptr || other.Type() != type_ || !other.IsSet()) return;
  value_ = source->value_;
  CopyFlags(other, carry_flags);
}

void StringPolicy::Reset() {
  value_ = default_;
  set_ = false;
  rule_set_ = false;
}

std::string StringPolicy::ValueText() const { return value_.empty() ? "(none)" : value_; }

void StringPolicy::SetValue(std::string_view value, bool mark) {
  value_.assign(value);
  if (mark) set_ = true;
}

void StringPolicy::TakeRuleSetValue(const PolicyValue& value, PolicyReporter*) { value_ = value.text; }

std::string StringPolicy::OverrideText() const { return " : " + Quoted(value_); }

void TextPolicy::ParseValue(PolicyLineContext& line) {
  if (line.none)
    value_.clear();
  else
    value_ = Trim(line.value);
  set_ = true;
}

void ColourPolicy::ParseValue(PolicyLineContext& line) {
  if (line.none) {
    value_.clear();
    set_ = true;
    return;
  }
  bool valid = NormaliseColour(line.value, value_);
  if (!value_.empty() && !valid) {
    line.Report("WARNING: " + Quoted(line.value) + " is not a standard HTML colour", 7);
    line.success = false;
    set_ = false;
    return;
  }
  set_ = true;
}

void ColourPolicy::TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) {
  std::string normal;
  if (NormaliseColour(value.text, normal)) {
    value_ = normal;
    return;
  }
  value_ = value.text;
  if (reporter != nullptr)
    reporter->Report("WARNING: " + Quoted(value.text) + " is not a standard HTML colour", 7);
}

void FontPolicy::SetDefault(std::string_view value) {
  // A set is reset for every file with the same defaults: one that passed
  // the check already is not checked again.
  if (!value.empty() && value == default_) return;
  std::string face;
  bool bold = false;
  bool italic = false;
  int size = 0;
  if (value.empty() || CheckFont(value, face, bold, italic, size))
    default_.assign(value);
  else
    default_.clear();
}

void FontPolicy::ParseValue(PolicyLineContext& line) {
  if (line.none) {
    value_.clear();
    set_ = true;
    return;
  }
  std::string face;
  bool bold = false;
  bool italic = false;
  int size = 0;
  if (!CheckFont(line.value, face, bold, italic, size)) {
    line.Report("WARNING: " + Quoted(line.value) + " is not a valid font specification", 10);
    line.success = false;
    set_ = false;
    return;
  }
  value_ = line.value;
  set_ = true;
}

void FontPolicy::TakeRuleSetValue(const PolicyValue& value, PolicyReporter* reporter) {
  std::string face;
  bool bold = false;
  bool italic = false;
  int size = 0;
  if (value.text.empty() || CheckFont(value.text, face, bold, italic, size)) {
    value_ = value.text;
    return;
  }
  if (reporter != nullptr)
    reporter->Report("WARNING: " + Quoted(value.text) + " is not a valid font specification", 10);
}

std::unique_ptr<Policy> MakePolicy(int type_code) {
  switch (type_code) {
    case 1: return std::make_unique<IntegerPolicy>();
    case 2: return std::make_unique<YesNoPolicy>();
    case 3: return std::make_unique<TextPolicy>();
    case 4: return std::make_unique<AlignmentPolicy>();
    case 5: return std::make_unique<ColourPolicy>();
    case 6: return std::make_unique<FontPolicy>();
    case 7: return std::make_unique<ChoicePolicy>();
    default: return nullptr;
  }
}

}  // namespace orv
