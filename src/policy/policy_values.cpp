// Integer, colour and font value rules shared by the policy types.
#include "policy/policy_values.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/text.h"

namespace orv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F'); }

struct ColourValue {
  std::string_view value;
  std::string_view name;
};

// The sixteen standard colours whose values map back to a name ("Magenta"
// is a name only: its value is Fuchsia's).
constexpr ColourValue kColourValues[] = {
    {"#000000", "Black"},  {"#c0c0c0", "Silver"}, {"#808080", "Gray"},  {"#ffffff", "White"},
    {"#800000", "Maroon"}, {"#ff0000", "Red"},    {"#800080", "Purple"}, {"#ff00ff", "Fuchsia"},
    {"#008000", "Green"},  {"#00ff00", "Lime"},   {"#808000", "Olive"}, {"#ffff00", "Yellow"},
    {"#000080", "Navy"},   {"#0000ff", "Blue"},   {"#008080", "Teal"},  {"#00ffff", "Aqua"}};

bool AllHex(std::string_view text) {
  for (char c : text)
    if (!IsHexDigit(c)) return false;
  return true;
}

}  // namespace

bool ParseInteger(std::string_view text, int& value) {
  size_t begin = 0;
  while (begin < text.size()) {
    char c = text[begin];
    if (IsDigit(c) || c == '+' || c == '-') break;
    if (IsLetter(c)) return false;
    ++begin;
  }
  size_t end = text.size();
  while (end > begin) {
    char c = text[end - 1];
    if (IsDigit(c)) break;
    if (IsLetter(c)) return false;
    --end;
  }
  std::string_view body = text.substr(begin, end - begin);
  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (body.empty()) return false;
  long long number = 0;
  for (char c : body) {
    if (!IsDigit(c)) return false;
    number = number * 10 + (c - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) number = -number;
  if (number > INT_MAX || number < INT_MIN) return false;
  value = static_cast<int>(number);
  return true;
}

bool NormaliseColour(std::string_view text, std::string& normal) {
  normal.assign(text);
  if (text.empty()) return true;
  bool valid = false;
  if (text[0] == '#') {
    normal = ToUpper(text);
    valid = normal.size() == 7 && AllHex(std::string_view(normal).substr(1));
  } else {
    for (std::string_view name : kColourNames)
      if (EqualsNoCase(text, name)) return true;
    normal = ToUpper(text);
    valid = normal.size() == 6 && AllHex(normal);
    if (valid) normal.insert(normal.begin(), '#');
  }
  if (!valid) return false;
  for (const ColourValue& entry : kColourValues) {
    if (EqualsNoCase(normal, entry.value)) {
      normal.assign(entry.name);
      break;
    }
  }
  return true;
}

std::string ColourFromFractions(double red, double green, double blue) {
  auto scale = [](double fraction) {
    if (std::isnan(fraction)) return 0;
    double scaled = std::trunc(fraction * 256.0);
    if (scaled < 0) return 0;
    if (scaled > 255) return 255;
    return static_cast<int>(scaled);
  };
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02x%02x%02x", scale(red), scale(green), scale(blue));
  return ToUpper(buffer);
}

bool CheckFont(std::string_view text, std::string& face, bool& bold, bool& italic, int& size) {
  // Cut at the commas that stand outside double quotes.
  std::vector<std::string_view> fields;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == ',' && !quoted) {
      fields.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  fields.push_back(text.substr(start));
  if (fields.size() > 3) return false;

  std::string_view new_face = TrimView(fields[0]);
  if (new_face.empty()) return false;
  bool new_bold = false;
  bool new_italic = false;
  if (fields.size() > 1) {
    std::string_view style = TrimView(fields[1]);
    if (style.empty() || EqualsNoCase(style, "normal") || EqualsNoCase(style, "regular")) {
    } else if (EqualsNoCase(style, "bold")) {
      new_bold = true;
    } else if (EqualsNoCase(style, "italic")) {
      new_italic = true;
    } else if (EqualsNoCase(style, "bold italic") || EqualsNoCase(style, "italic bold")) {
      new_bold = new_italic = true;
    } else {
      return false;
    }
  }
  int new_size = 12;
  if (fields.size() > 2 && !ParseInteger(fields[2], new_size)) return false;
  face.assign(new_face);
  bold = new_bold;
  italic = new_italic;
  size = new_size;
  return true;
}

}  // namespace orv
