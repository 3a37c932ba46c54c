// Classes of the character set a document names (META tag or policy):
// multi-byte, non-Western single-byte, or Western. The class decides whether
// the Windows ellipsis byte is spelled out as "..." by the chunk pass.
// Entity references are in entities.h.
#pragma once

#include <string>
#include <string_view>

namespace orv {

struct CharsetClass {
  bool multi_byte = false;   // multi-byte or non-Latin set (also UTF-8)
  bool non_western = false;  // non-Western single-byte set
};

// Classifies a character-set name, trimmed and ignoring case. Western names,
// unknown names and the empty name give both flags clear.
CharsetClass ClassifyCharset(std::string_view name);

// True when the set is Western, unknown or absent: only then is byte 133 the
// Windows ellipsis. In a multi-byte text (UTF-8 in particular) that byte is
// part of other characters and must be left alone.
bool EllipsisIsSpelledOut(const CharsetClass& charset);

// Replaces every byte 133 by "...". Returns the number replaced; linear.
int SpellOutEllipses(std::string& text);

}  // namespace orv
