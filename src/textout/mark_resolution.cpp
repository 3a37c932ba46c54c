#include "textout/mark_resolution.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "common/text.h"

namespace orv {

namespace {

// One entry of a mark list: literal parts with any white space (blank, tab,
// line feed) between them, and what replaces a match.
struct MarkRule {
  std::vector<std::string> parts;
  std::string with;
};
using MarkStage = std::vector<MarkRule>;

// The three lists as rules.
std::vector<MarkStage> MarkStages(const DetagMarkers& m, const MarkResolution& how) {
  std::vector<MarkStage> stages(3);
  MarkStage& runs = stages[0];
  runs.push_back({{m.statement, m.statement}, m.line_break});
  runs.push_back({{m.statement, m.line_break}, m.line_break});
  if (how.single_line) runs.push_back({{m.statement, m.break_mark}, m.break_mark});
  runs.push_back({{m.line_break, m.statement}, m.line_break});

  MarkStage& spaces = stages[1];
  spaces.push_back({{"\xFF\xFF "}, "\xFF\xFF"});
  spaces.push_back({{" \xFF\xFF"}, "\xFF\xFF"});
  if (how.text_mode) {
    const std::string statement_line = "\n" + std::string(kForcedBreak) + "\n$_$_";
    spaces.push_back({{m.statement + "$_$_"}, statement_line});
    // A run of marks that became one line break still leaves the statement
    // after it a line of its own (as between "<blockquote><pre>").
    spaces.push_back({{m.line_break + "$_$_"}, statement_line});
  }

  MarkStage& finals = stages[2];
  if (how.text_mode) {
    const std::string forced = "\n" + std::string(kForcedBreak);
    finals.push_back({{m.line_break}, forced});
    finals.push_back({{m.statement}, forced});
    finals.push_back({{m.paragraph}, "\n\n"});
  } else {
    finals.push_back({{m.line_break}, how.written_break});
    finals.push_back({{m.statement}, how.written_break});
  }
  return stages;
}

}  // namespace

void BuildMarkLists(const DetagMarkers& m, const MarkResolution& how, MarkLists& lists) {
  const std::vector<MarkStage> stages = MarkStages(m, how);
  PatternList* const targets[] = {&lists.break_runs, &lists.mark_spaces, &lists.final_marks};
  for (size_t k = 0; k < stages.size(); ++k) {
    PatternList& list = *targets[k];
    list.Unfreeze();
    list.Clear();
    for (const MarkRule& rule : stages[k]) {
      std::string pattern;
      for (const std::string& part : rule.parts) pattern += (pattern.empty() ? "" : "*W") + part;
      list.AddReplace(pattern, rule.with);
    }
    list.Freeze();
  }
}

namespace {

// Rewrites a text in place from left to right: what is read is either kept
// or replaced by text no longer than itself, so the writing never overtakes
// the reading.
class InPlaceRewrite {
 public:
  explicit InPlaceRewrite(std::string& text) : text_(text) {}
  // Keeps the text from the read position up to `to` as it is.
  void Keep(size_t to) {
    if (write_ != read_) std::memmove(&text_[write_], &text_[read_], to - read_);
    write_ += to - read_;
    read_ = to;
  }
  // Replaces the text from the read position up to `to` (at least as long
  // as `with`).
  void Replace(size_t to, std::string_view with) {
    std::memcpy(&text_[write_], with.data(), with.size());
    write_ += with.size();
    read_ = to;
  }
  void Finish() {
    Keep(text_.size());
    text_.resize(write_);
  }

 private:
  std::string& text_;
  size_t read_ = 0;
  size_t write_ = 0;
};

bool IsMarkBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The next 0xFF byte at or after `from`, or the text's size.
size_t NextMarkByte(std::string_view text, size_t from) {
  if (from >= text.size()) return text.size();
  const void* hit = std::memchr(text.data() + from, 0xFF, text.size() - from);
  return hit == nullptr ? text.size()
                        : static_cast<size_t>(static_cast<const char*>(hit) - text.data());
}

// One stage applied the way a pattern-list scan applies its entries: each
// rule has at most one attempt under way; an attempt that fails on a
// character does not let its rule start again on that character; at each
// character the first rule (in order) that completes a match replaces it
// (an attempt that began on a run of 0xFF bytes longer than its own slides
// on to the run's last ones), every attempt is dropped and the scan goes on
// after the match. Letters compare without case.
//
// The rules' attempts together are a finite machine, run here as a table
// built as its states are met: one lookup per character. Between attempts
// the scan jumps from one 0xFF byte to the next: every rule begins with
// one, or with a blank and then one.
class StageScan {
 public:
  explicit StageScan(const MarkStage& rules) : rules_(rules) {
    for (MarkRule& rule : rules_)
      for (std::string& part : rule.parts)
        for (char& c : part) c = ToUpperAscii(c);
    for (const MarkRule& rule : rules_) {
      const std::string& first = rule.parts[0];
      size_t run = 0;
      while (run < first.size() && first[run] == first[0]) ++run;
      leading_.push_back(run);
    }
    // State 0: every rule idle.
    Intern(std::vector<RuleState>(rules_.size()));
  }

  // False when a rule has a shape the scan does not know, or a replacement
  // longer than the shortest match it replaces.
  bool Usable() const {
    if (rules_.size() > kMaxRules) return false;
    for (const MarkRule& rule : rules_) {
      size_t shortest = 0;
      for (size_t k = 0; k < rule.parts.size(); ++k) {
        const std::string& part = rule.parts[k];
        if (part.empty() || part.size() > 255 || (k > 0 && IsMarkBlank(part[0]))) return false;
        shortest += part.size();
      }
      const std::string& first = rule.parts[0];
      const bool starts_on_mark = first[0] == '\xFF';
      const bool blank_then_mark = first[0] == ' ' && first.size() > 1 && first[1] == '\xFF';
      if (!starts_on_mark && !blank_then_mark) return false;
      if (rule.with.size() > shortest) return false;
    }
    return true;
  }

  // Returns whether every rule is idle at the end of the text, so that a
  // text after it would be scanned exactly as on its own.
  bool Apply(std::string& text) {
    size_t starts[kMaxRules] = {};
    InPlaceRewrite edit(text);
    const std::string_view t(text);
    const size_t n = t.size();
    int state = 0;
    size_t i = 0;
    while (i < n) {
      if (state == 0) {
        const size_t p = NextMarkByte(t, i);
        if (p >= n) break;
        // A rule that begins with a blank starts on every other blank of a
        // run (the blank that ends its attempt cannot start the next one),
        // so it reaches the 0xFF byte under way when the run is odd.
        if (p > i && t[p - 1] == ' ') {
          size_t j = p - 1;
          while (j > i && t[j - 1] == ' ') --j;
          if ((p - j) % 2 == 1) {
            const Step blank = StepFor(0, ' ');
            for (unsigned bits = blank.starts; bits != 0; bits &= bits - 1)
              starts[__builtin_ctz(bits)] = p - 1;
            state = blank.next;
          }
        }
        i = p;
      }
      // Under way: one table lookup per character until every rule is idle.
      do {
        const Step step = StepFor(state, static_cast<unsigned char>(t[i]));
        if (step.events != 0) {
          for (unsigned bits = step.starts; bits != 0; bits &= bits - 1)
            starts[__builtin_ctz(bits)] = i;
          for (unsigned bits = step.slides; bits != 0; bits &= bits - 1)
            ++starts[__builtin_ctz(bits)];
          if (step.completed >= 0) {
            edit.Keep(starts[step.completed]);
            edit.Replace(i + 1, rules_[static_cast<size_t>(step.completed)].with);
          }
        }
        state = step.next;
        ++i;
      } while (state != 0 && i < n);
    }
    edit.Finish();
    // A blank at the very end could begin a match with what would follow.
    return state == 0 && (text.empty() || text.back() != ' ');
  }

 private:
  static constexpr size_t kMaxRules = 8;
  static constexpr int kUnknown = -1;
  // One rule's attempt: idle, or in a part (`at` characters of it matched)
  // or in the white space before part `part`.
  struct RuleState {
    bool active = false;
    bool in_gap = false;
    uint8_t part = 0;
    uint8_t at = 0;
    bool operator<(const RuleState& o) const {
      return std::tie(active, in_gap, part, at) < std::tie(o.active, o.in_gap, o.part, o.at);
    }
  };
  // What a character does in a state: the next state, the rules that start
  // an attempt or slide theirs on, and the rule that completes (-1: none).
  struct Step {
    int next = kUnknown;
    uint8_t starts = 0;
    uint8_t slides = 0;
    int8_t completed = -1;
    uint8_t events = 0;  // any of the three
  };

  int Intern(const std::vector<RuleState>& rules) {
    const auto found = ids_.find(rules);
    if (found != ids_.end()) return found->second;
    const int id = static_cast<int>(states_.size());
    ids_.emplace(rules, id);
    states_.push_back(rules);
    steps_.resize(states_.size() * 256);
    return id;
  }

  Step StepFor(int state, unsigned char byte) {
    const Step step = steps_[static_cast<size_t>(state) * 256 + byte];
    return step.next != kUnknown ? step : Learn(state, byte);
  }
  __attribute__((noinline)) const Step& Learn(int state, unsigned char byte) {
    const Step made = Make(states_[static_cast<size_t>(state)], byte);
    // Interning may move the table: look the slot up afterwards.
    Step& slot = steps_[static_cast<size_t>(state) * 256 + byte];
    slot = made;
    return slot;
  }

  Step Make(std::vector<RuleState> rules, unsigned char byte) {
    Step step;
    const char raw = static_cast<char>(byte);
    const char c = ToUpperAscii(raw);
    for (size_t r = 0; r < rules_.size(); ++r) {
      RuleState& a = rules[r];
      const std::vector<std::string>& parts = rules_[r].parts;
      if (!a.active) {
        if (c != parts[0][0]) continue;
        a = RuleState{true, false, 0, 0};
        step.starts |= static_cast<uint8_t>(1u << r);
      }
      if (a.in_gap) {
        if (IsMarkBlank(raw)) continue;
        a.in_gap = false;
        a.at = 0;
      }
      if (c != parts[a.part][a.at]) {
        // A run of copies of the first character (the 0xFF pair) slides
        // on over a longer run in the text.
        if (a.part == 0 && a.at >= 2 && a.at <= leading_[r] && c == parts[0][0]) {
          step.slides |= static_cast<uint8_t>(1u << r);
          continue;
        }
        a = RuleState{};
        continue;
      }
      if (++a.at == parts[a.part].size()) {
        if (a.part + 1u == parts.size()) {
          if (step.completed < 0) step.completed = static_cast<int8_t>(r);
          continue;
        }
        ++a.part;
        a.in_gap = true;
      }
    }
    // A completed match drops every attempt.
    if (step.completed >= 0) rules.assign(rules.size(), RuleState{});
    step.events = step.starts != 0 || step.slides != 0 || step.completed >= 0;
    step.next = Intern(rules);
    return step;
  }

  MarkStage rules_;
  // Per rule: how many characters its first part begins with that equal
  // its first one.
  std::vector<size_t> leading_;
  std::map<std::vector<RuleState>, int> ids_;
  std::vector<std::vector<RuleState>> states_;
  std::vector<Step> steps_;  // 256 per state
};

}  // namespace

struct MarkResolver::Stages {
  std::vector<StageScan> scans;
  bool usable = true;
};

MarkResolver::MarkResolver(const DetagMarkers& m, const MarkResolution& how)
    : stages_(std::make_unique<Stages>()) {
  for (const MarkStage& stage : MarkStages(m, how)) {
    stages_->scans.emplace_back(stage);
    stages_->usable = stages_->usable && stages_->scans.back().Usable();
  }
}

MarkResolver::~MarkResolver() = default;

bool MarkResolver::Usable() const { return stages_->usable; }

bool MarkResolver::Resolve(std::string& text, bool* ends_idle) {
  if (!stages_->usable) return false;
  bool idle = text.empty() || text.back() != ' ';
  if (text.find('\xFF') != std::string::npos)
    for (StageScan& scan : stages_->scans) idle = scan.Apply(text) && idle;
  if (ends_idle != nullptr) *ends_idle = idle;
  return true;
}

bool ResolveMarks(std::string& text, const DetagMarkers& m, const MarkResolution& how,
                  bool* ends_idle) {
  return MarkResolver(m, how).Resolve(text, ends_idle);
}

}  // namespace orv
