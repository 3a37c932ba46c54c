// Times the entity replacement pass and tag parsing on a 16 MB document, the
// largest whole text the detag pass hands to them.
#include <chrono>
#include <cstdio>
#include <string>

#include "html/entities.h"
#include "html/parsed_tag.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  using namespace orv;
  const std::string line =
      "Caf&eacute; &amp; cr&egrave;me &mdash; &ldquo;quoted&rdquo; AT&T; 5 &lt; 6 &#169; "
      "&nbsp;plain text without references to fill the line out a little.\n";
  std::string document;
  while (document.size() < (16u << 20)) document += line;

  const struct {
    const char* label;
    EntityOptions options;
  } runs[] = {{"text, UTF-8", {true, false, false}},
              {"text, 8-bit + alternatives", {true, true, true}},
              {"html, 8-bit", {false, true, false}}};
  for (const auto& run : runs) {
    std::string text = document;
    bool unicode = false;
    auto start = std::chrono::steady_clock::now();
    int count = ReplaceEntities(text, run.options, unicode);
    std::printf("ReplaceEntities %-28s %zu bytes, %d replacements, %.3f s\n", run.label,
                document.size(), count, Seconds(start));
  }

  std::string worst(16u << 20, '&');
  worst += ';';
  bool unicode = false;
  auto start = std::chrono::steady_clock::now();
  ReplaceEntities(worst, EntityOptions{}, unicode);
  std::printf("ReplaceEntities 16 MB of '&', one ';' at the end: %.3f s\n", Seconds(start));

  const std::string tag =
      "<td class=\"cell\" BGCOLOR=red width=10 title='a b' onclick=\"go()\" nowrap>";
  size_t tags = (16u << 20) / tag.size(), total = 0;
  start = std::chrono::steady_clock::now();
  for (size_t i = 0; i < tags; ++i)
    total += ParsedTag::Parse(tag).Reassemble(NameCase::kLower).size();
  std::printf("ParsedTag parse + reassemble %zu tags (%zu bytes): %.3f s\n", tags, total,
              Seconds(start));
  return 0;
}
