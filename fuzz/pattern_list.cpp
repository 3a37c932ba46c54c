// A fuzz target: a pattern list built from the input, applied to a text from
// the input by the production scan and by the plain model of the tests
// (tests/html/reference_matcher.h), which must agree on every handler call,
// the result, the count and every entry's counters. The scan skips and
// jumps in many ways (leads, tag by tag, literal runs, busy marks); the
// model feeds every character to every entry.
//
// Input: a byte with the number of entries (1 to 8), then per entry a byte
// with its kind and case rule and its pattern up to a line feed; the rest is
// the text. Handlers decide by a hash of the match, as in the tests.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "html/pattern_list.h"
#include "html/reference_matcher.h"

namespace {

int Decide(size_t entry, long start, long end, uint8_t mix) {
  const uint32_t h = static_cast<uint32_t>(entry * 7919 + start * 31 + end * 131 + mix);
  const uint32_t pick = (h ^ (h >> 7)) % 10;
  return pick < (mix % 6) ? orv::ActionNone : pick < 8 ? orv::ActionChanged : orv::ActionRejected;
}

bool Replaces(size_t entry, long start) { return (start + static_cast<long>(entry)) % 3 == 0; }

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "pattern list and model differ: %s\ntext: \"%s\"\n", what, text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const uint8_t mix = data.ConsumeIntegral<uint8_t>();
  const size_t count = 1 + data.ConsumeIntegral<uint8_t>() % 8;
  std::vector<orv::reference::Entry> entries;
  static const int kKinds[] = {orv::Replace, orv::InsertAfter, orv::InsertBefore, orv::Delete,
                               orv::Callback};
  for (size_t e = 0; e < count && data.remaining_bytes() > 0; ++e) {
    const uint8_t how = data.ConsumeIntegral<uint8_t>();
    std::string pattern;
    while (data.remaining_bytes() > 0) {
      const char c = data.ConsumeIntegral<char>();
      if (c == '\n') break;
      pattern += c;
    }
    if (pattern.size() > 40 || !orv::reference::IsValid(pattern)) continue;
    orv::reference::Entry entry;
    entry.kind = kKinds[how % 5];
    entry.case_sensitive = (how & 0x80) != 0;
    entry.pattern = pattern;
    if (entry.kind != orv::Delete && entry.kind != orv::Callback)
      entry.replacement = std::string((how >> 3) % 3, '@');
    entries.push_back(std::move(entry));
  }
  if (entries.empty()) return 0;
  const std::string text = data.ConsumeBytesAsString(data.remaining_bytes());

  const orv::reference::Outcome want = orv::reference::Apply(
      entries, text, [mix](size_t e, long s, long end, const std::string&) {
        orv::reference::Decision d;
        d.result = Decide(e, s, end, mix);
        d.replace = Replaces(e, s);
        d.replacement = "#";
        return d;
      });
  orv::PatternList list;
  std::vector<orv::reference::Call> calls;
  for (size_t e = 0; e < entries.size(); ++e) {
    orv::PatternHandler handler;
    if (entries[e].kind == orv::Callback)
      handler = [&calls, mix, e](orv::PatternList& l, const orv::Pattern&, long s, long end,
                                 const std::string&, size_t, void*) {
        calls.push_back({e, s, end});
        if (Replaces(e, s)) l.ReplaceMatch("#");
        return Decide(e, s, end, mix);
      };
    if (!list.Add(static_cast<orv::ActionKind>(entries[e].kind), entries[e].pattern,
                  entries[e].replacement, entries[e].case_sensitive, handler, nullptr))
      Fail("an entry the model takes was refused", text);
  }
  const int actions = list.Apply(text);
  if (calls != want.calls) Fail("handler calls", text);
  if (list.Result() != want.text) Fail("result", text);
  if (actions != want.count) Fail("count", text);
  for (size_t e = 0; e < entries.size(); ++e)
    if (list.Entry(e).matches_found != want.matches_found[e] ||
        list.Entry(e).actions_taken != want.actions_taken[e])
      Fail("counters", text);
  return 0;
}
