// The cached forward searches of pattern_finder.h.
#include "html/pattern_finder.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/text.h"

namespace orv {
namespace {

constexpr size_t kNone = std::string::npos;

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Bit k set when data[k] is one of bytes[0..count) (count 1 to 3), for the
// first `length` (at most 64) bytes of `data`.
uint64_t AnchorMask(const char* data, size_t length, const unsigned char* bytes, int count) {
#if defined(__SSE2__)
  if (length == 64) {
    __m128i needles[3];
    for (int k = 0; k < count; ++k) needles[k] = _mm_set1_epi8(static_cast<char>(bytes[k]));
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
      __m128i hits = _mm_cmpeq_epi8(block, needles[0]);
      for (int k = 1; k < count; ++k) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, needles[k]));
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hits))) << (16 * part);
    }
    return mask;
  }
#endif
  uint64_t mask = 0;
  for (size_t k = 0; k < length; ++k) {
    const unsigned char c = static_cast<unsigned char>(data[k]);
    bool hit = false;
    for (int b = 0; b < count; ++b) hit |= c == bytes[b];
    mask |= static_cast<uint64_t>(hit) << k;
  }
  return mask;
}

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

namespace orv {
namespace {

// How common a byte is in the texts the lists scan, for choosing anchors:
// letters, digits and white space are everywhere, markup punctuation is
// frequent, other punctuation rarer, 8-bit bytes (the in-band markers)
// rarest.
int Commonness(unsigned char c) {
  if (c >= 0x80) return 0;
  if (IsLetter(c) || (c >= '0' && c <= '9') || c == ' ' || c == '\n' || c == '\t') return 3;
  if (c == '<' || c == '>' || c == '/' || c == '"' || c == '.' || c == ',' || c == '=') return 2;
  return 1;
}

}  // namespace

void LeadFinder::Clear() {
  leads_.clear();
  words_ = 0;
  max_anchor_ = 0;
  max_length_ = 0;
}

void LeadFinder::Add(std::string_view lead, bool case_sensitive) {
  Lead l;
  l.text.assign(lead);
  l.case_sensitive = case_sensitive;
  for (size_t k = 1; k < l.text.size(); ++k)
    if (Commonness(static_cast<unsigned char>(l.text[k])) <
        Commonness(static_cast<unsigned char>(l.text[l.anchor])))
      l.anchor = k;
  leads_.push_back(std::move(l));
}

bool LeadFinder::Accepts(const Lead& lead, size_t k, unsigned char c) const {
  const char stored = lead.text[k];
  return (lead.case_sensitive ? static_cast<char>(c) : ToUpperAscii(static_cast<char>(c))) == stored;
}

bool LeadFinder::LeadAt(const Lead& lead, std::string_view text, size_t at) const {
  const size_t length = lead.text.size();
  if (text.size() - at < length) return false;
  const char* here = text.data() + at;
  const char* want = lead.text.data();
  if (lead.case_sensitive) return std::memcmp(here, want, length) == 0;
  for (size_t k = 0; k < length; ++k)
    if (ToUpperAscii(here[k]) != want[k]) return false;
  return true;
}

void LeadFinder::Prepare() {
  // One anchor byte shared by every lead (each `<` of `<p>`, `</p>` and
  // `<!--`) lets a single memchr find all candidates: use the rarest byte
  // without case variants that every lead holds, when there is one.
  int shared = -1;
  if (!leads_.empty()) {
    for (unsigned char c : leads_[0].text) {
      if (IsLetter(c) || (shared >= 0 && Commonness(c) >= Commonness(static_cast<unsigned char>(shared))))
        continue;
      bool everywhere = true;
      for (const Lead& lead : leads_) everywhere &= lead.text.find(static_cast<char>(c)) != std::string::npos;
      if (everywhere) shared = c;
    }
  }
  if (shared >= 0)
    for (Lead& lead : leads_) lead.anchor = lead.text.find(static_cast<char>(shared));
  words_ = (leads_.size() + 63) / 64;
  max_anchor_ = 0;
  max_length_ = 0;
  slot_of_.fill(-1);
  CharacterSet anchor_bytes{};
  int slots = 0;
  for (const Lead& lead : leads_) {
    max_anchor_ = std::max(max_anchor_, lead.anchor);
    max_length_ = std::max(max_length_, lead.text.size());
    for (int b = 0; b < 256; ++b) {
      if (!Accepts(lead, lead.anchor, static_cast<unsigned char>(b))) continue;
      anchor_bytes[b] = true;
      if (slot_of_[b] < 0) slot_of_[b] = slots++;
    }
  }
  anchors_ = PatternFinder::ForSet(anchor_bytes);
  single_anchor_ = -1;
  if (anchors_.byte_count == 1) single_anchor_ = anchors_.bytes[0];
  first_any_ = CharacterSet{};
  prefix_end_ = CharacterSet{};
  for (const Lead& lead : leads_) {
    for (int b = 0; b < 256; ++b) {
      const unsigned char c = static_cast<unsigned char>(b);
      if (Accepts(lead, 0, c)) first_any_[b] = true;
      for (size_t k = 0; k + 1 < lead.text.size(); ++k)
        if (Accepts(lead, k, c)) prefix_end_[b] = true;
    }
  }
  const size_t rows = static_cast<size_t>(slots) * (kEnd + 1) * words_;
  for (size_t k = 1; k <= kFollowers; ++k) follow_[k].assign(rows, 0);
  first_.assign(256 * words_, 0);
  for (size_t e = 0; e < leads_.size(); ++e) {
    const Lead& lead = leads_[e];
    const uint64_t bit = uint64_t{1} << (e % 64);
    const size_t word = e / 64;
    for (int a = 0; a < 256; ++a) {
      if (Accepts(lead, 0, static_cast<unsigned char>(a))) first_[a * words_ + word] |= bit;
      if (!Accepts(lead, lead.anchor, static_cast<unsigned char>(a))) continue;
      const size_t slot = static_cast<size_t>(slot_of_[a]);
      for (size_t k = 1; k <= kFollowers; ++k) {
        const size_t at = lead.anchor + k;
        for (size_t b = 0; b <= kEnd; ++b) {
          // A lead that ends before this follower accepts anything there;
          // the end of the text is accepted only by such a lead.
          const bool ok = at >= lead.text.size() ||
                          (b < kEnd && Accepts(lead, at, static_cast<unsigned char>(b)));
          if (ok) follow_[k][(slot * (kEnd + 1) + b) * words_ + word] |= bit;
        }
      }
    }
  }
  ResetCache();
}

void LeadFinder::ResetCache() {
  anchors_.ResetCache();
  cached_from_ = std::string::npos;
}

void LeadFinder::CheckAnchor(std::string_view text, size_t x, size_t from, size_t& best) const {
  const size_t n = text.size();
  const size_t slot = static_cast<size_t>(slot_of_[static_cast<unsigned char>(text[x])]);
  size_t follower[kFollowers + 1];
  for (size_t k = 1; k <= kFollowers; ++k)
    follower[k] = x + k < n ? static_cast<unsigned char>(text[x + k]) : kEnd;
  for (size_t w = 0; w < words_; ++w) {
    uint64_t candidates = Row(follow_[1], slot, follower[1])[w];
    for (size_t k = 2; k <= kFollowers && candidates != 0; ++k) candidates &= Row(follow_[k], slot, follower[k])[w];
    for (; candidates != 0; candidates &= candidates - 1) {
      const Lead& lead = leads_[w * 64 + static_cast<size_t>(__builtin_ctzll(candidates))];
      if (x < lead.anchor) continue;
      const size_t at = x - lead.anchor;
      if (at < from || at >= best) continue;
      if (LeadAt(lead, text, at)) best = at;
    }
  }
}

size_t LeadFinder::Next(std::string_view text, size_t from) {
  if (cached_from_ != std::string::npos && from >= cached_from_ && from <= cached_at_) return cached_at_;
  const size_t n = text.size();
  size_t best = n;
  if (leads_.empty()) from = n;
  if (anchors_.byte_count > 0) {
    // The usual case: every lead found through `<` (or a marker byte), or
    // through one of a few anchor bytes. The anchors are taken from a bit
    // mask of 64 bytes at a time, so their irregular spacing in dense
    // markup costs no mispredicted branch or library call per anchor.
    const char* const data = text.data();
    size_t base = from;
    bool searching = true;
    while (searching && base < n) {
      uint64_t mask = AnchorMask(data + base, std::min<size_t>(64, n - base), anchors_.bytes,
                                 anchors_.byte_count);
      if (mask == 0 && single_anchor_ >= 0) {
        // A stretch without anchors (plain text): memchr covers it faster.
        const void* hit =
            base + 64 < n ? std::memchr(data + base + 64, single_anchor_, n - base - 64) : nullptr;
        if (hit == nullptr) break;
        base = static_cast<size_t>(static_cast<const char*>(hit) - data);
        continue;
      }
      for (; mask != 0; mask &= mask - 1) {
        const size_t x = base + static_cast<size_t>(__builtin_ctzll(mask));
        // A lead found through an anchor at x begins at x - max_anchor_ or later.
        if (best < n && x >= best + max_anchor_) {
          searching = false;
          break;
        }
        if (words_ == 1 && x + kFollowers < n) {
          const unsigned char* follower = reinterpret_cast<const unsigned char*>(data + x);
          if (single_anchor_ >= 0) {
            // Most anchors begin no lead: three lookups say so, and the
            // leads that pass are compared directly.
            for (uint64_t candidates = follow_[1][follower[1]] & follow_[2][follower[2]] & follow_[3][follower[3]];
                 candidates != 0; candidates &= candidates - 1) {
              const Lead& lead = leads_[static_cast<size_t>(__builtin_ctzll(candidates))];
              if (x < lead.anchor) continue;
              const size_t at = x - lead.anchor;
              if (at >= from && at < best && LeadAt(lead, text, at)) best = at;
            }
            continue;
          }
          const size_t slot = static_cast<size_t>(slot_of_[follower[0]]);
          uint64_t pass = ~uint64_t{0};
          for (size_t k = 1; k <= kFollowers; ++k) pass &= *Row(follow_[k], slot, follower[k]);
          if (pass == 0) continue;
        }
        CheckAnchor(text, x, from, best);
      }
      base += 64;
    }
  } else {
    for (size_t x = from; x < n; ++x) {
      x = anchors_.Next(text, x);
      // A lead found through an anchor at x begins at x - max_anchor_ or later.
      if (x >= n || (best < n && x >= best + max_anchor_)) break;
      if (words_ == 1 && x + kFollowers < n) {
        const size_t slot = static_cast<size_t>(slot_of_[static_cast<unsigned char>(text[x])]);
        uint64_t pass = ~uint64_t{0};
        for (size_t k = 1; k <= kFollowers; ++k) pass &= *Row(follow_[k], slot, static_cast<unsigned char>(text[x + k]));
        if (pass == 0) continue;
      }
      CheckAnchor(text, x, from, best);
    }
  }
  cached_from_ = from;
  cached_at_ = best;
  return best;
}

bool LeadFinder::PrefixEndsAt(std::string_view text, size_t at, size_t floor) const {
  if (at == 0 || at <= floor || !prefix_end_[static_cast<unsigned char>(text[at - 1])]) return false;
  for (size_t k = 1; k < max_length_ && k <= at && at - k >= floor; ++k) {
    const size_t begin = at - k;
    const unsigned char c = static_cast<unsigned char>(text[begin]);
    if (!first_any_[c]) continue;
    for (size_t w = 0; w < words_; ++w) {
      for (uint64_t bits = first_[c * words_ + w]; bits != 0; bits &= bits - 1) {
        const Lead& lead = leads_[w * 64 + static_cast<size_t>(__builtin_ctzll(bits))];
        if (lead.text.size() <= k) continue;
        size_t j = 1;
        while (j < k && Accepts(lead, j, static_cast<unsigned char>(text[begin + j]))) ++j;
        if (j == k) return true;
      }
    }
  }
  return false;
}

}  // namespace orv
