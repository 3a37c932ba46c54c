// The stored text blocks of one file: multi-line texts (laid-out tables)
// numbered from 1, filled by the table writer and expanded by the layout
// step where a "$_$_TEXTBLOCK n" statement stands.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

class TextBlockStore {
 public:
  // Stores a block (lines separated by line feeds) and returns its number.
  int Add(std::string text) {
    Ref ref{0, 0, text.size()};
    if (text.size() > kPage / 4) {
      // A large block keeps its own string.
      ref.page = static_cast<uint32_t>(pages_.size());
      pages_.push_back(std::move(text));
    } else {
      if (filling_ == kNone || pages_[filling_].size() + text.size() > kPage) {
        filling_ = pages_.size();
        pages_.emplace_back().reserve(kPage);
      }
      std::string& page = pages_[filling_];
      ref.page = static_cast<uint32_t>(filling_);
      ref.offset = static_cast<uint32_t>(page.size());
      page += text;
    }
    refs_.push_back(ref);
    return static_cast<int>(refs_.size());
  }
  // Block `number`, or nothing when no block has that number.
  std::optional<std::string_view> Find(long number) const {
    if (number < 1 || number > static_cast<long>(refs_.size())) return std::nullopt;
    const Ref& ref = refs_[static_cast<size_t>(number - 1)];
    return std::string_view(pages_[ref.page]).substr(ref.offset, ref.size);
  }
  size_t Count() const { return refs_.size(); }
  void Clear() {
    pages_.clear();
    refs_.clear();
    filling_ = kNone;
  }

 private:
  // A page of many small tables stores a block for each: their texts lie
  // side by side in pages of this size, and a block costs its text and 16
  // bytes, not a string of its own and the doubling of a list of them.
  static constexpr size_t kPage = size_t{256} << 10;
  static constexpr size_t kNone = static_cast<size_t>(-1);
  struct Ref {
    uint32_t page;
    uint32_t offset;  // within a shared page, which is never longer than kPage
    uint64_t size;
  };
  std::vector<std::string> pages_;
  std::deque<Ref> refs_;
  size_t filling_ = kNone;  // the shared page being filled
};

}  // namespace orv
