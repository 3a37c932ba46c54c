// The named character references of the current HTML standard, as a
// generated table (scripts/make-html5-entities writes html5_entities.cpp).
#pragma once

#include <span>
#include <string_view>

namespace orv {

// One name (without "&" and ";") and the one or two code points it stands
// for (`second` is 0 when there is one).
struct Html5Entity {
  std::string_view name;
  char32_t first;
  char32_t second;
};

// Every name of the list, sorted by name (byte order).
std::span<const Html5Entity> Html5Entities();

}  // namespace orv
