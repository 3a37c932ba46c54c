// The element table: for each HTML element, whether it is standard,
// deprecated, a declaration or a browser extension, and which attributes are
// standard, deprecated or extensions for it. Built on TagNameList
// (tag_catalogue.h); the tag rewriter asks it about every tag it rebuilds.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "html/tag_catalogue.h"

namespace orv {

// The kind of one row of the table.
enum class ElementKind { kStandard = 1, kDeclaration = 2, kNonStandard = 3, kDeprecated = 4 };

// Status of an element name as answered by ElementTable::ElementStatus.
enum class ElementStatus {
  kUnknown = 0,
  kStandard = 1,
  kDeclaration = 2,
  kNonStandard = 3,
  kDeprecated = 4
};

// Status of an attribute of an element as answered by
// ElementTable::AttributeStatus. kNoElement: the element is unknown or has no
// row, so nothing can be said about its attributes.
enum class AttributeStatus {
  kUnknown = 0,
  kNoElement = 1,
  kDeprecated = 3,
  kExtension = 4,
  kStandard = 5
};

// Bits of the common attribute groups; kAllGroups is written as 1 in the
// table and stands for all three.
enum AttributeGroup : int {
  kAllGroups = 1,
  kCoreGroup = 2,           // id,class,style,title
  kInternationalGroup = 4,  // lang,dir
  kEventGroup = 8,          // onclick ... onkeyup
};

// One row of the element table.
struct ElementEntry {
  std::string name;
  ElementKind kind = ElementKind::kStandard;
  int groups = 0;
  TagNameList standard_attributes;  // the common groups first, then its own
  TagNameList deprecated_attributes;
  TagNameList extension_attributes;
};

class ElementTable {
 public:
  // An empty table; see Current() for the one the program uses.
  ElementTable();

  // The HTML 4 edition of the table.
  static ElementTable Html4();

  // The HTML 4 edition with today's HTML added: its new elements as
  // standard ones (with their attributes), the new attributes of the older
  // elements, and its global attributes, which every known element takes
  // as standard (those of a list, every "data-" and "aria-" attribute, and
  // the event handlers). What neither edition defines stays unknown.
  static ElementTable Current();

  // Adds the comma-separated `attributes` to the standard attributes of the
  // first row of each of the comma-separated `names` that has one.
  void AddStandardAttributes(std::string_view names, std::string_view attributes);

  // Makes the comma-separated `attributes`, and every attribute whose name
  // begins with "data-" or "aria-", standard for every known element whose
  // row does not say otherwise.
  void AddGlobalAttributes(std::string_view attributes);

  // Adds one row per name of the comma-separated `names`, each with the
  // given kind, common groups and comma-separated attribute lists.
  void AddElements(ElementKind kind, std::string_view names, int groups,
                   std::string_view standard = {}, std::string_view deprecated = {},
                   std::string_view extension = {});

  // The name is trimmed and a leading or trailing "/" removed (end tags and
  // empty-element tags). Standard wins over deprecated, deprecated over
  // non-standard, non-standard over declaration; kUnknown when absent.
  ElementStatus StatusOfElement(std::string_view name) const;

  // Status of an attribute in the first row carrying the element's name;
  // kNoElement when the element is unknown or has no row. Both names are
  // trimmed and compared ignoring case. Costs a hash lookup and three
  // interpolation searches.
  AttributeStatus StatusOfAttribute(std::string_view element, std::string_view attribute) const;

  // The rows in order of addition.
  const std::vector<ElementEntry>& Entries() const { return entries_; }

 private:
  std::vector<ElementEntry> entries_;
  TagNameList standard_names_;
  TagNameList declaration_names_;
  TagNameList non_standard_names_;
  TagNameList deprecated_names_;
  // Lower-cased element name to the index of its first row.
  std::unordered_map<std::string, size_t> first_row_;
  TagNameList global_attributes_;
  bool has_global_attributes_ = false;
  bool IsGlobalAttribute(std::string_view attribute) const;
};

// The element name as the table looks it up: trimmed, without a leading or
// trailing "/".
std::string_view ElementLookupName(std::string_view name);

}  // namespace orv
