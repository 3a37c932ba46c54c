// A compact summary of the tag openings in a text: for every '<', the first
// few bytes after it (ASCII upper-cased), kept as bits in small tables.
// The detag pass uses it to skip pattern lists whose entries all begin with
// literal text starting with '<' that the text cannot hold.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orv {

class TagStartIndex {
 public:
  // Records every '<' of `text` with up to kDepth bytes after it. Linear in
  // the text (one memchr pass); replaces what was recorded before.
  void Build(std::string_view text);
  // Forgets the text; Valid is false until the next Build.
  void Invalidate() { valid_ = false; }
  bool Valid() const { return valid_; }

  // False only when the indexed text certainly holds no occurrence of
  // `lead` (compared with ASCII case folding on both sides). True for a lead
  // that does not begin with '<' or has nothing after it, and when the index
  // is not valid. Cost: constant.
  bool MayContain(std::string_view lead) const;

  static constexpr size_t kDepth = 3;  // bytes after '<' recorded per opening

 private:
  // Bits for the upper-cased bytes after a '<': one byte, two bytes, and
  // three bytes hashed.
  static constexpr uint32_t kWords = 65536 / 64;  // in each of the larger tables
  std::vector<uint64_t> one_ = std::vector<uint64_t>(256 / 64);
  std::vector<uint64_t> two_ = std::vector<uint64_t>(kWords);
  std::vector<uint64_t> three_ = std::vector<uint64_t>(kWords);
  // The words of two_ (below kWords) and three_ (from kWords) the last
  // Build set, while they are fewer than kFewWords; at kFewWords or more
  // the next Build clears the whole tables.
  static constexpr size_t kFewWords = 256;
  std::array<uint32_t, kFewWords> set_words_{};
  size_t set_count_ = 0;
  // Texts up to this size have the words they set listed.
  static constexpr size_t kListedText = 16 * 1024;
  // Records the openings of `text`, listing the words set when kList.
  template <bool kList>
  void Record(std::string_view text);
  bool valid_ = false;
};

}  // namespace orv
