// Case-insensitive name sets (TagNameList) and the tag catalogue that sorts
// tag names into the HTML, mail and Office families. The element table in
// element_table.h builds on TagNameList; the remaining-tag pass asks the
// catalogue which family-wide removal policy applies to a tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// A titled set of names. Membership ignores ASCII letter case; adding a name
// already present does nothing. Names are kept sorted by NameKey() so that a
// lookup is an interpolation search, and the last successful lookup is
// remembered so that asking for the same name again costs one comparison.
// The remembered lookup is a cache inside const lookups: the program has one
// thread, and a list must not be shared between threads.
class TagNameList {
 public:
  static constexpr int kNotFound = -1;

  explicit TagNameList(std::string title = {});

  const std::string& Title() const { return title_; }
  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  // The name at a position (as first added, with its own case).
  const std::string& At(size_t position) const { return entries_[position].name; }

  // Adds a name unless an equal one (ignoring case) is present. Returns true
  // when it was added. Costs a binary search plus the insertion.
  bool Add(std::string_view name);

  // Splits a comma-separated list, trims each item of blanks, drops empty
  // items and adds the rest.
  void AddCommaList(std::string_view list);

  // Position of the name in the set, or kNotFound. Interpolation search on
  // the key, then a case-insensitive comparison among equal keys.
  int Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name) != kNotFound; }

  // Sum over the characters of (upper-cased code + 1000) times (upper-cased
  // code of the previous character + 1000), the first character's previous
  // character counting as 'Z'; the sum is taken modulo 1000000.
  static uint32_t NameKey(std::string_view name);

 private:
  struct Entry {
    uint32_t key;
    std::string name;
  };
  // Position at which an entry with this key and name belongs (first entry
  // not ordered before it).
  size_t LowerBound(uint32_t key, std::string_view name) const;

  std::string title_;
  std::vector<Entry> entries_;
  mutable int last_found_ = kNotFound;
};

// Which family-wide list holds a tag name.
enum class TagFamily { kNone, kHtml, kMail, kOffice };

// The three families of tag names. Each also holds the empty name, so a tag
// written as "<>" or "</>" counts as an HTML tag. Built once by its
// constructor; the owner keeps it for the run.
class TagCatalogue {
 public:
  TagCatalogue();

  // The first family, in the order HTML, mail, Office, whose list holds the
  // name (ignoring case); kNone when none does.
  TagFamily FamilyOf(std::string_view name) const;

  const TagNameList& HtmlTags() const { return html_; }
  const TagNameList& MailTags() const { return mail_; }
  const TagNameList& OfficeTags() const { return office_; }

 private:
  TagNameList html_;
  TagNameList mail_;
  TagNameList office_;
};

}  // namespace orv
