// Throughput of pattern-list applications on real HTML (the corpus built by
// bench/make_corpus.sh) and on adversarial texts that would expose a scan
// that is not linear. Prints MB/s per case; see bench/README.md.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "html/pattern_list.h"

namespace {

using orv::PatternList;

const char* g_filter = nullptr;  // optional substring of the case names to run

// Best of `rounds` applications of the list built by `build` to `text`.
void Measure(const char* name, const std::string& text, const std::function<void(PatternList&)>& build,
             int rounds = 5) {
  if (g_filter != nullptr && std::string(name).find(g_filter) == std::string::npos) return;
  PatternList list;
  build(list);
  double best = 1e30;
  int actions = 0;
  size_t out_size = 0;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    actions = list.Apply(text);
    const auto t1 = std::chrono::steady_clock::now();
    out_size = list.Result().size();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  const double mb = static_cast<double>(text.size()) / 1e6;
  std::printf("%-44s %8.1f MB %9.1f MB/s %10d actions  (output %zu bytes)\n", name, mb, mb / best, actions,
              out_size);
}

void TagDelete(PatternList& list) { list.AddDelete("<**>"); }

void TenElements(PatternList& list) {
  list.AddDelete("<script%W**/script>");
  list.AddDelete("<style%W**/style>");
  list.AddReplace("<p%W**>", "\n\n");
  list.AddReplace("<p>", "\n\n");
  list.AddReplace("</p>", "\n");
  list.AddReplace("<br>", "\n");
  list.AddReplace("<b>", "*");
  list.AddReplace("</b>", "*");
  list.AddReplace("<a%W**>**</a>", "[link]");
  list.AddDelete("<!--");
}

void RejectEveryTag(PatternList& list) {
  list.AddCallback("<**>", [](PatternList&, const orv::Pattern&, long, long, const std::string&, size_t,
                              void*) { return static_cast<int>(orv::ActionRejected); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS.html [CASE-FILTER]\n", argv[0]);
    return 2;
  }
  if (argc > 2) g_filter = argv[2];
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s (run bench/make_corpus.sh first)\n", argv[1]);
    return 1;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string corpus = buffer.str();

  const size_t ten_mb = 10 * 1000 * 1000;
  const std::string all_lt(ten_mb, '<');
  std::string lt_a;
  while (lt_a.size() < ten_mb) lt_a += "<a";
  std::string lone_lt = "<";
  while (lone_lt.size() < ten_mb) lone_lt += "plain text without any closing bracket\n";
  const std::string lt_then_gt = all_lt + ">";

  std::printf("corpus: %s\n", argv[1]);
  Measure("corpus, <**> Delete", corpus, TagDelete);
  Measure("corpus, ten element patterns", corpus, TenElements);
  Measure("10 MB of '<', <**> Delete", all_lt, TagDelete);
  Measure("10 MB of '<', ten element patterns", all_lt, TenElements);
  Measure("10 MB of '<a', <**> Delete", lt_a, TagDelete);
  Measure("10 MB of '<a', ten element patterns", lt_a, TenElements);
  Measure("10 MB, one '<' and no '>', <**> Delete", lone_lt, TagDelete);
  Measure("10 MB, one '<' and no '>', ten elements", lone_lt, TenElements);
  Measure("10 MB of '<' then '>', <**> all rejected", lt_then_gt, RejectEveryTag, 3);
  return 0;
}
