// A list of lines held in one buffer: the lines' text side by side and
// where each line ends. Many short lines cost their text and eight bytes a
// line, where a vector of strings costs 32 bytes a line and a heap block
// for every line longer than 15 bytes; a list of one line needs nothing
// but its text. Lines are read as string views, valid until the list
// changes. CompactLineList keeps where the lines end in four bytes a line,
// for lists whose text stays below 4 GB (a longer one throws
// std::length_error).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace orv {

// A forward iterator over the lines of a list that hands out line `index`
// as a view with operator[]: the line stores and their parts share it.
template <typename Lines>
class LineIndexIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = std::string_view;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = std::string_view;

  LineIndexIterator() = default;
  LineIndexIterator(const Lines* lines, size_t index) : lines_(lines), index_(index) {}
  std::string_view operator*() const { return (*lines_)[index_]; }
  LineIndexIterator& operator++() {
    ++index_;
    return *this;
  }
  LineIndexIterator operator++(int) {
    LineIndexIterator before = *this;
    ++index_;
    return before;
  }
  bool operator==(const LineIndexIterator& other) const { return index_ == other.index_; }

 private:
  const Lines* lines_ = nullptr;
  size_t index_ = 0;
};

template <typename Offset>
class BasicLineList {
 public:
  BasicLineList() = default;
  BasicLineList(BasicLineList&& other) noexcept { swap(other); }
  BasicLineList& operator=(BasicLineList&& other) noexcept {
    BasicLineList gone;
    gone.swap(other);
    swap(gone);
    return *this;
  }
  BasicLineList(const BasicLineList&) = delete;
  BasicLineList& operator=(const BasicLineList&) = delete;

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  std::string_view operator[](size_t index) const {
    const size_t start = index == 0 ? 0 : ends_[index - 1];
    const size_t end = index + 1 == count_ ? text_.size() : ends_[index];
    return std::string_view(text_).substr(start, end - start);
  }
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[count_ - 1]; }

  // Appends a line (it must not lie inside this list).
  void push_back(std::string_view line) {
    StartLine();
    text_.append(line);
  }
  // Appends a line and returns it to be filled: the text appended to the
  // returned string until the next change of the list is the line's.
  std::string& start_line() {
    StartLine();
    return text_;
  }

  void clear() {
    text_.clear();
    count_ = 0;
  }
  // Keeps the first `count` lines (no-op when there are no more).
  void truncate(size_t count) {
    if (count >= count_) return;
    const std::string_view last_kept = count == 0 ? std::string_view() : (*this)[count - 1];
    text_.resize(
        count == 0 ? 0 : static_cast<size_t>(last_kept.data() + last_kept.size() - text_.data()));
    count_ = static_cast<uint32_t>(count);
  }
  void swap(BasicLineList& other) noexcept {
    text_.swap(other.text_);
    ends_.swap(other.ends_);
    std::swap(count_, other.count_);
    std::swap(room_, other.room_);
  }
  void reserve(size_t lines, size_t bytes) {
    if (lines > 1) Resize(lines - 1);
    text_.reserve(bytes);
  }
  // Makes room for `lines` more lines holding `bytes` more bytes of text.
  // Room that must grow grows at least twofold, so that a list filled by
  // many calls is copied a few times only; the first call makes exactly
  // the room asked for.
  void reserve_more(size_t lines, size_t bytes) {
    const size_t ends_needed = count_ + lines > 0 ? count_ + lines - 1 : 0;
    if (ends_needed > room_) Resize(std::max<size_t>(ends_needed, size_t{room_} * 2));
    const size_t text_needed = text_.size() + bytes;
    if (text_needed > text_.capacity())
      text_.reserve(std::max(text_needed, text_.empty() ? size_t{0} : text_.capacity() * 2));
  }
  // Gives back the room beyond what the lines use.
  void shrink_to_fit() {
    text_.shrink_to_fit();
    if (count_ <= 1) {
      ends_.reset();
      room_ = 0;
    } else if (count_ - 1 < room_) {
      Resize(count_ - 1);
    }
  }
  // Bytes of text in all lines.
  size_t text_size() const { return text_.size(); }

  using const_iterator = LineIndexIterator<BasicLineList>;
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, count_); }

 private:
  // A new line starts where the text ends now.
  void StartLine() {
    if (count_ == std::numeric_limits<uint32_t>::max()) throw std::length_error("too many lines");
    if (count_ > 0) {
      if (text_.size() > std::numeric_limits<Offset>::max())
        throw std::length_error("line list too long");
      if (count_ - 1 == room_) Resize(std::max<size_t>(size_t{room_} * 2, 4));
      ends_[count_ - 1] = static_cast<Offset>(text_.size());
    }
    ++count_;
  }
  // Room for `room` line ends, keeping those there are.
  void Resize(size_t room) {
    room = std::min<size_t>(room, std::numeric_limits<uint32_t>::max());
    if (room < count_ - (count_ > 0 ? 1 : 0)) return;
    std::unique_ptr<Offset[]> ends(new Offset[room]);
    if (count_ > 1) std::copy(ends_.get(), ends_.get() + (count_ - 1), ends.get());
    ends_ = std::move(ends);
    room_ = static_cast<uint32_t>(room);
  }

  std::string text_;
  // Where each line but the last ends in text_; the last ends with it. A
  // plain array with 32-bit counts keeps an empty or one-line list at the
  // size of its string and eight bytes more.
  std::unique_ptr<Offset[]> ends_;
  uint32_t count_ = 0;
  uint32_t room_ = 0;  // line ends ends_ has room for
};

using LineList = BasicLineList<size_t>;
using CompactLineList = BasicLineList<uint32_t>;

}  // namespace orv
