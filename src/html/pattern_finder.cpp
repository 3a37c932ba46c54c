// The cached forward searches of pattern_finder.h.
#include "html/pattern_finder.h"

#include <cstring>

#include "common/text.h"

namespace orv {
namespace {

constexpr size_t kNone = std::string::npos;

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

PatternFinder PatternFinder::ForSet(const CharacterSet& members) {
  PatternFinder f;
  f.set = members;
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    if (!members[b]) continue;
    if (count < 3) f.bytes[count] = static_cast<unsigned char>(b);
    ++count;
  }
  f.byte_count = count <= 3 ? count : -1;
  return f;
}

PatternFinder PatternFinder::ForRun(const std::string& run, bool case_sensitive) {
  // Anchor on a byte without case variants when there is one, so a single
  // memchr finds the candidates.
  size_t anchor = 0;
  if (!case_sensitive) {
    for (size_t k = 0; k < run.size(); ++k) {
      if (!IsLetter(static_cast<unsigned char>(run[k]))) {
        anchor = k;
        break;
      }
    }
  }
  CharacterSet members{};
  const unsigned char a = static_cast<unsigned char>(run[anchor]);
  members[a] = true;
  if (!case_sensitive && IsLetter(a)) {
    members[static_cast<unsigned char>(ToLowerAscii(static_cast<char>(a)))] = true;
    members[static_cast<unsigned char>(ToUpperAscii(static_cast<char>(a)))] = true;
  }
  PatternFinder f = ForSet(members);
  f.run = run;
  f.case_sensitive = case_sensitive;
  f.anchor = anchor;
  return f;
}

void PatternFinder::ResetCache() {
  cached_from = kNone;
  for (size_t& from : byte_from) from = kNone;
}

size_t PatternFinder::NextByte(std::string_view text, size_t from) {
  const size_t n = text.size();
  if (from >= n) return n;
  if (byte_count < 0) {
    while (from < n && !set[static_cast<unsigned char>(text[from])]) ++from;
    return from;
  }
  // Each member byte keeps its own last answer, so a frequent byte does not
  // make a rare one be searched for again and again.
  size_t best = n;
  for (int k = 0; k < byte_count; ++k) {
    if (byte_from[k] == kNone || from < byte_from[k] || from > byte_at[k]) {
      const void* hit = std::memchr(text.data() + from, bytes[k], n - from);
      byte_from[k] = from;
      byte_at[k] = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : n;
    }
    if (byte_at[k] < best) best = byte_at[k];
  }
  return best;
}

bool PatternFinder::RunAt(std::string_view text, size_t at) const {
  if (text.size() - at < run.size()) return false;
  for (size_t k = 0; k < run.size(); ++k) {
    const char c = case_sensitive ? text[at + k] : ToUpperAscii(text[at + k]);
    if (c != run[k]) return false;
  }
  return true;
}

size_t PatternFinder::Next(std::string_view text, size_t from) {
  if (cached_from != kNone && from >= cached_from && from <= cached_at) return cached_at;
  const size_t n = text.size();
  size_t at = n;
  if (run.empty()) {
    at = NextByte(text, from);
  } else {
    for (size_t j = from; j + run.size() <= n;) {
      const size_t hit = NextByte(text, j + anchor);
      if (hit >= n) break;
      const size_t candidate = hit - anchor;
      if (RunAt(text, candidate)) {
        at = candidate;
        break;
      }
      j = candidate + 1;
    }
  }
  cached_from = from;
  cached_at = at;
  return at;
}

}  // namespace orv
