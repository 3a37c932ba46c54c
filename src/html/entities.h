// Character entity references: the HTML 4.01 entity table, decimal
// references, UTF-8 encoding, and the one-pass replacement of references by
// bytes, plain-ASCII alternatives or UTF-8 sequences. The character-set
// classes live in charset.h; the detag pass calls ReplaceEntities on the
// whole text after the remaining tags are gone.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orv {

// Receives a prefixed message ("WARNING: ...") and its level (1 to 10).
using EntityReporter = std::function<void(const std::string& message, int level)>;

// What ReplaceEntities may produce, taken from the policies by the caller.
struct EntityOptions {
  // True when the output is laid-out text; false when HTML is written back,
  // in which case references to the markup characters < > & " stay as they
  // are so that escaped text cannot turn into markup.
  bool text_output = true;
  bool allow_8bit = false;               // "Allow 8-bit ANSI values in output"
  bool allow_ansi_alternatives = false;  // "Allow ANSI alternatives (e.g. space for &nbsp;)"
  // The text is UTF-8: an 8-bit value or alternative is written as the
  // UTF-8 of its Windows-1252 character (which does not count as UTF-8
  // output for `unicode_output`).
  bool utf8_text = false;
  // The text is a document's text, not an attribute value: references
  // written without their ';' are read as browsers read them there, the
  // numeric ones ("&#64") and the names that HTML has always allowed so
  // (the Latin-1 letters and signs, "&amp", "&lt", "&gt", "&quot": "&nbsp",
  // "&copy2020"), the longest such name first.
  bool text_content = false;
};

// Longest stretch between "&" and ";" that can be a reference: the longest
// name of the current HTML standard's list.
inline constexpr size_t kMaxReferenceName = 32;

// Code point of a reference given with or without its "&" and ";" ("&eacute;",
// "eacute", "&#233;", "#233", "&#xE9;"). Named references match exactly,
// with case: the entity table first, then the names of the current HTML
// standard; numeric ones are "#" and decimal digits, or "#x" (or "#X") and
// hexadecimal digits. nullopt when unknown, and for the few names that
// stand for two code points (see ReferenceToCodes).
std::optional<int> EntityNameToCode(std::string_view reference);

// The code points of a reference, as EntityNameToCode reads it: the first,
// and the second for a name that stands for two (0 otherwise).
std::optional<std::pair<int, int>> ReferenceToCodes(std::string_view reference);

// `value` (an attribute value as written) with its references replaced by
// their characters, those from 128 up in UTF-8: what the value says, for
// values that are shown or listed rather than written back as HTML.
std::string DecodeAttributeValue(std::string_view value);

// The entity reference ("&eacute;") for a code point, or nullopt when the
// table has no name for it. Where two names share a code the lower-case
// spelling is returned.
std::optional<std::string> CodeToEntityReference(int code);

// Appends the UTF-8 form of a code point: one byte below 128, two below
// 2048, three up to 65535, four up to 0x10FFFF. Returns false, appending
// nothing, for negative or larger code points.
bool AppendUtf8(int code, std::string& out);

// True when `text` is valid UTF-8 (plain ASCII is). Linear.
bool IsValidUtf8(std::string_view text);
// The offset of the first byte from 128 up at or after `from`, or the
// text's size. Word-wise: plain ASCII costs a fraction of a cycle a byte.
size_t NextHighByte(std::string_view text, size_t from = 0);

// Appends `text` to `out` as valid UTF-8: sequences that are valid UTF-8
// are copied; every other byte from 128 up stands for the Windows-1252
// character it is (or, for the five values that set leaves undefined, the
// Latin-1 control of that number) and is written in UTF-8. A text that
// mixes single 8-bit bytes with UTF-8 sequences so becomes one encoding.
// Returns the number of bytes converted; linear.
size_t AppendAsUtf8(std::string_view text, std::string& out);

// A 0xFF byte of the document's own text (a "ÿ" of a Windows-1252 or
// Latin-1 text, read as such or made by a reference) is held as this byte
// until the conversion's in-band marks are resolved: those marks are led
// by pairs of 0xFF bytes, and text that held such a pair would be read as
// marks (a line break, or a blank lost). The line reader turns every NUL
// into a blank, so no document can put this byte into the text itself;
// RestoreHeldFF puts the 0xFF bytes back.
inline constexpr char kHeldFF = '\0';

// Turns every kHeldFF byte of `text` back into 0xFF, in place.
void RestoreHeldFF(std::string& text);

// Number of entries in the entity table (the 252 of HTML 4.01 and four
// upper-case spellings).
size_t EntityTableSize();

// Replaces entity references in `text` in one left-to-right pass and returns
// the number of replacements. A reference is "&" up to the first ";" when at
// most kMaxReferenceName characters lie between them. "&amp;" always gives
// "&"; with ANSI alternatives some characters become plain-ASCII or
// Windows-1252 stand-ins; below 128 the character itself; 128 to 255 the
// byte when 8-bit output is allowed (a 0xFF byte as kHeldFF); otherwise the
// UTF-8 sequence, which sets `unicode_output` (never cleared here). Unknown
// references are left alone; references to code points that cannot be
// written (0, surrogates, above 0x10FFFF) are left alone too and reported
// once through `report`. A name that stands for two code points gives both,
// in UTF-8.
// Linear in the length of the text.
int ReplaceEntities(std::string& text, const EntityOptions& options, bool& unicode_output,
                    const EntityReporter& report = {});

}  // namespace orv
