// Implementation of the shared text helpers.
#include "common/text.h"

#include <cstring>

namespace orv {

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(ToUpperAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(ToUpperAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (text.size() < needle.size() || from > text.size() - needle.size()) return std::string_view::npos;
  const char upper = ToUpperAscii(needle[0]);
  const char lower = ToLowerAscii(needle[0]);
  const std::string_view rest = needle.substr(1);
  const char second = rest.empty() ? '\0' : ToUpperAscii(rest[0]);
  const size_t last = text.size() - needle.size();  // the last offset a match can begin at
  for (size_t i = from; i <= last; ++i) {
    // Candidates for the first character: memchr when it has no case
    // variants (markup such as "[[" usually begins with punctuation).
    if (upper == lower) {
      const void* hit = std::memchr(text.data() + i, upper, last - i + 1);
      if (hit == nullptr) break;
      i = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    } else if (text[i] != upper && text[i] != lower) {
      continue;
    }
    // The second character settles most candidates without a full compare.
    if (!rest.empty() && ToUpperAscii(text[i + 1]) != second) continue;
    if (EqualsNoCase(text.substr(i + 1, rest.size()), rest)) return i;
  }
  return std::string_view::npos;
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string CollapseBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // Word by word: each goes over whole, with one space before all but the first.
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && IsBlank(text[i])) ++i;
  while (i < n) {
    size_t end = i;
    while (end < n && !IsBlank(text[end])) ++end;
    if (!out.empty()) out += ' ';
    out.append(text, i, end - i);
    i = end;
    while (i < n && IsBlank(text[i])) ++i;
  }
  return out;
}

std::vector<std::string> Split(std::string_view text, char sep) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(sep, start);
    if (pos == std::string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

std::optional<std::string_view> FieldOf(std::string_view text, char sep, size_t index) {
  size_t start = 0;
  for (; index > 0; --index) {
    const size_t pos = text.find(sep, start);
    if (pos == std::string_view::npos) return std::nullopt;
    start = pos + 1;
  }
  const size_t end = text.find(sep, start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void EraseUntilAbsent(std::string& text, std::string_view needle) {
  const size_t m = needle.size();
  size_t first = m == 0 ? std::string::npos : text.find(needle);
  if (first == std::string::npos) return;
  // Everything before the first occurrence stays; from there each byte is
  // written behind the reading position, and an occurrence completed at
  // the written end is taken back. No occurrence can end earlier: the
  // written text before it had none.
  char* const data = text.data();
  const char last = needle.back();
  size_t write = first;
  for (size_t read = first; read < text.size(); ++read) {
    data[write++] = data[read];
    if (write >= m && data[write - 1] == last &&
        std::memcmp(data + write - m, needle.data(), m) == 0)
      write -= m;
  }
  text.resize(write);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t pos = text.find('\n', start);
    if (pos == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  return lines;
}

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  size_t slash = path.rfind('/');
  size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  parts.directory = std::string(path.substr(0, name_start));
  std::string_view file = path.substr(name_start);
  size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) {
    parts.name = std::string(file);
  } else {
    parts.name = std::string(file.substr(0, dot));
    parts.extension = std::string(file.substr(dot));
  }
  return parts;
}

}  // namespace orv
