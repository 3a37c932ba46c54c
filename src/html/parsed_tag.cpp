// Splitting one tag into name and attributes, and writing it back.
#include "html/parsed_tag.h"

#include "common/text.h"

namespace orv {

namespace {

std::string ConvertCase(std::string_view text, NameCase name_case) {
  switch (name_case) {
    case NameCase::kUpper:
      return ToUpper(text);
    case NameCase::kLower:
      return ToLower(text);
    case NameCase::kAsWritten:
      break;
  }
  return std::string(text);
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string_view TagAttribute::Value() const {
  std::string_view value = value_text;
  if (!value.empty() && value.front() == '=') value.remove_prefix(1);
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
    const char quote = value.front();
    value.remove_prefix(1);
    if (!value.empty() && value.back() == quote) value.remove_suffix(1);
  }
  return value;
}

ParsedTag ParsedTag::Parse(std::string_view text) {
  ParsedTag tag;
  const size_t open = text.find('<');
  if (open == std::string_view::npos) {
    tag.leading = std::string(text);
    return tag;
  }
  tag.leading = std::string(text.substr(0, open));
  tag.has_open = true;

  const size_t close = text.find('>', open + 1);
  std::string_view body;
  if (close == std::string_view::npos) {
    body = text.substr(open + 1);
  } else {
    body = text.substr(open + 1, close - open - 1);
    tag.has_close = true;
    tag.trailing = std::string(text.substr(close + 1));
  }

  size_t name_end = 0;
  while (name_end < body.size() && !IsBlank(body[name_end])) ++name_end;
  tag.name = std::string(body.substr(0, name_end));
  const size_t tail_start = ScanTagAttributes(body, [&tag](const AttributeSpan& span) {
    TagAttribute attribute;
    attribute.separator = std::string(span.separator);
    attribute.name = std::string(span.name);
    if (span.has_value) {
      attribute.value_text.reserve(span.value.size() + 1);
      attribute.value_text += '=';
      attribute.value_text.append(span.value);
    }
    tag.attributes.push_back(std::move(attribute));
    return false;
  });
  tag.tail = std::string(body.substr(tail_start));
  return tag;
}

bool ParsedTag::IsLeftAlone() const {
  return !has_open || StartsWithNoCase(name, "!--") || EqualsNoCase(name, "!DOCTYPE") ||
         IsAllDigits(name);
}

std::string ParsedTag::Reassemble(NameCase name_case) const {
  if (!has_open) return leading;
  size_t size = leading.size() + name.size() + tail.size() + trailing.size() + 2;
  for (const TagAttribute& a : attributes)
    size += a.separator.size() + a.name.size() + a.value_text.size() + 1;
  std::string out;
  out.reserve(size);
  out += leading;
  out += '<';
  out += ConvertCase(name, name_case);
  for (const TagAttribute& a : attributes) {
    out += a.separator.empty() ? std::string(" ") : a.separator;
    out += ConvertCase(a.name, name_case);
    out += a.value_text;
  }
  out += tail;
  if (has_close) out += '>';
  out += trailing;
  return out;
}

}  // namespace orv
