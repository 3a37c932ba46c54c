// Small rewrites of a table cell's text.
#include "textout/table_text.h"

#include <algorithm>
#include <iterator>

namespace orv {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  size_t at = what.empty() ? std::string::npos : text.find(what);
  if (at == std::string::npos) return;
  if (with.size() <= what.size()) {
    size_t write = at;
    for (size_t from = at;;) {
      text.replace(write, with.size(), with);
      write += with.size();
      from = at + what.size();
      at = text.find(what, from);
      const size_t end = at == std::string::npos ? text.size() : at;
      if (write != from)
        std::copy(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(end),
                  text.begin() + static_cast<long>(write));
      write += end - from;
      if (at == std::string::npos) break;
    }
    text.resize(write);
    return;
  }
  std::string out;
  out.reserve(text.size() + 16);
  size_t from = 0;
  for (size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size()) {
    out.append(text, from, at - from);
    out += with;
  }
  out.append(text, from, std::string::npos);
  text.swap(out);
}

void RemoveAlignmentTags(std::string& text) {
  const size_t first = text.find("[[");
  if (first == std::string::npos) return;
  if (text.find("[[", first + 1) == std::string::npos) {
    // Every tag starts with "[[", so only one can be there, at `first`.
    // Taking it out makes no new "[[": a "[" just before it would have made
    // a "[[" of its own. The passes tag by tag would leave the same.
    for (const std::string_view tag : kAlignmentTags) {
      if (text.compare(first, tag.size(), tag) == 0) {
        text.erase(first, tag.size());
        return;
      }
    }
    return;
  }
  for (const std::string_view tag : kAlignmentTags) RemoveAll(text, tag);
}

int OnlyLeadingAlignmentTag(std::string_view line, size_t& length) {
  length = 0;
  if (!line.starts_with("[[") || line.find("[[", 1) != std::string_view::npos) return 0;
  for (size_t i = 0; i < std::size(kAlignmentTags); ++i) {
    if (line.starts_with(kAlignmentTags[i])) {
      length = kAlignmentTags[i].size();
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

}  // namespace orv
