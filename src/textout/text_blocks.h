// The stored text blocks of one file: multi-line texts (laid-out tables)
// numbered from 1, filled by the table writer and expanded by the layout
// step where a "$_$_TEXTBLOCK n" statement stands.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orv {

class TextBlockStore {
 public:
  // Stores a block (lines separated by line feeds) and returns its number.
  int Add(std::string text) {
    blocks_.push_back(std::move(text));
    return static_cast<int>(blocks_.size());
  }
  // Block `number`, or null when no block has that number.
  const std::string* Find(long number) const {
    if (number < 1 || number > static_cast<long>(blocks_.size())) return nullptr;
    return &blocks_[static_cast<size_t>(number - 1)];
  }
  size_t Count() const { return blocks_.size(); }
  void Clear() { blocks_.clear(); }

 private:
  std::vector<std::string> blocks_;
};

}  // namespace orv
