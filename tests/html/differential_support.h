// A list applied by the production engine and by the reference matcher,
// with handlers that decide by a fixed hash of the match, compared call by
// call: the shared step of the generated-list tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "html/pattern_list.h"
#include "html/reference_matcher.h"

namespace orv::testing {

// How the generated handlers answer: out of ten hash buckets, the first
// `none_below` return ActionNone, those up to `changed_below` ActionChanged,
// the rest ActionRejected; every match whose (start + entry) is a multiple
// of `replace_every` is first replaced by "#".
struct HandlerMix {
  uint32_t none_below = 5;
  uint32_t changed_below = 8;
  long replace_every = 3;

  int Result(size_t entry, long start, long end) const {
    const uint32_t h = static_cast<uint32_t>(entry * 7919 + start * 31 + end * 131);
    const uint32_t pick = (h ^ (h >> 7)) % 10;
    return pick < none_below ? ActionNone : pick < changed_below ? ActionChanged : ActionRejected;
  }
  bool Replaces(size_t entry, long start) const {
    return (start + static_cast<long>(entry)) % replace_every == 0;
  }
};

inline void CompareWithReference(const std::vector<reference::Entry>& entries, const std::string& text,
                                 const HandlerMix& mix) {
  const reference::Outcome want =
      reference::Apply(entries, text, [&mix](size_t e, long s, long end, const std::string&) {
        reference::Decision d;
        d.result = mix.Result(e, s, end);
        d.replace = mix.Replaces(e, s);
        d.replacement = "#";
        return d;
      });
  PatternList list;
  std::vector<reference::Call> calls;
  for (size_t e = 0; e < entries.size(); ++e) {
    PatternHandler handler;
    if (entries[e].kind == Callback)
      handler = [&calls, &mix, e](PatternList& l, const orv::Pattern&, long s, long end,
                                  const std::string&, size_t, void*) {
        calls.push_back({e, s, end});
        if (mix.Replaces(e, s)) l.ReplaceMatch("#");
        return mix.Result(e, s, end);
      };
    ASSERT_TRUE(list.Add(static_cast<ActionKind>(entries[e].kind), entries[e].pattern,
                         entries[e].replacement, entries[e].case_sensitive, handler, nullptr));
  }
  const int count = list.Apply(text);
  std::string where = "text \"" + text + "\"";
  for (const reference::Entry& e : entries)
    where += " [" + std::to_string(e.kind) + " `" + e.pattern + "`]";
  ASSERT_EQ(calls, want.calls) << where;
  ASSERT_EQ(list.Result(), want.text) << where;
  ASSERT_EQ(count, want.count) << where;
  for (size_t e = 0; e < entries.size(); ++e) {
    ASSERT_EQ(list.Entry(e).matches_found, want.matches_found[e]) << where << " entry " << e;
    ASSERT_EQ(list.Entry(e).actions_taken, want.actions_taken[e]) << where << " entry " << e;
  }
}

}  // namespace orv::testing
