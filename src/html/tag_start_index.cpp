// The tables of tag openings; see tag_start_index.h. Three-byte keys are
// hashed, so different keys may share a bit, which only makes MayContain
// answer true more often.
#include "html/tag_start_index.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace orv {

namespace {

inline uint32_t Up(char c) { return static_cast<unsigned char>(ToUpperAscii(c)); }

// The three-byte key's bit in its table of 2^16.
inline uint32_t ThreeSlot(uint32_t a, uint32_t b, uint32_t c) {
  return (((a << 16) | (b << 8) | c) * 0x9E3779B1u) >> 16;
}

inline void Set(std::vector<uint64_t>& bits, uint32_t slot) {
  bits[slot / 64] |= uint64_t{1} << (slot % 64);
}
inline bool Has(const std::vector<uint64_t>& bits, uint32_t slot) {
  return (bits[slot / 64] >> (slot % 64)) & 1;
}

}  // namespace

void TagStartIndex::Build(std::string_view text) {
  // A small text sets few words: those are listed and cleared alone at the
  // next Build, so that a small document does not clear 16 KB of tables
  // for each list. A larger one is not listed (that would cost it more
  // than the clearing), and the next Build clears the tables whole.
  std::fill(one_.begin(), one_.end(), 0);
  if (set_count_ < kFewWords) {
    for (size_t k = 0; k < set_count_; ++k) {
      const uint32_t word = set_words_[k];
      (word < kWords ? two_[word] : three_[word - kWords]) = 0;
    }
  } else {
    std::fill(two_.begin(), two_.end(), 0);
    std::fill(three_.begin(), three_.end(), 0);
  }
  set_count_ = 0;
  if (text.size() <= kListedText) {
    Record<true>(text);
  } else {
    Record<false>(text);
    set_count_ = kFewWords;
  }
  valid_ = true;
}

template <bool kList>
void TagStartIndex::Record(std::string_view text) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* at = begin;
  while (at < end) {
    const void* found = std::memchr(at, '<', static_cast<size_t>(end - at));
    if (found == nullptr) break;
    const char* open = static_cast<const char*>(found);
    const size_t after = static_cast<size_t>(end - open - 1);
    at = open + 1;
    if (after == 0) break;
    const uint32_t a = Up(open[1]);
    Set(one_, a);
    if (after == 1) continue;
    const uint32_t b = Up(open[2]);
    const uint32_t two = (a << 8) | b;
    Set(two_, two);
    if (kList && set_count_ < kFewWords) set_words_[set_count_++] = two / 64;
    if (after == 2) continue;
    const uint32_t three = ThreeSlot(a, b, Up(open[3]));
    Set(three_, three);
    if (kList && set_count_ < kFewWords) set_words_[set_count_++] = kWords + three / 64;
  }
}

bool TagStartIndex::MayContain(std::string_view lead) const {
  if (!valid_ || lead.size() < 2 || lead[0] != '<') return true;
  const uint32_t a = Up(lead[1]);
  if (lead.size() == 2) return Has(one_, a);
  const uint32_t b = Up(lead[2]);
  if (lead.size() == 3) return Has(two_, (a << 8) | b);
  return Has(three_, ThreeSlot(a, b, Up(lead[3])));
}

}  // namespace orv
