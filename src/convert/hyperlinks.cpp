// The anchor and image handlers and the URL reference list. The handlers see
// one span or tag at a time; the pass's hyperlinks and images lists find them
// (html/detag.cpp) and the slot wrappers at the end of this file hand them
// over.
#include "convert/hyperlinks.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "common/text.h"
#include "convert/detag.h"
#include "convert/detag_handlers.h"
#include "html/detag_options.h"
#include "html/entities.h"
#include "html/tag_scanner.h"

namespace orv {

// ---- UrlReferenceList -------------------------------------------------------

void UrlReferenceList::Clear() {
  slots_.clear();
  urls_.clear();
  blocks_.clear();
  free_ = nullptr;
  free_size_ = 0;
}

std::string_view UrlReferenceList::Keep(std::string_view url) {
  constexpr size_t kBlock = 64 * 1024;
  char* kept = nullptr;
  if (url.size() <= free_size_) {
    kept = free_;
    free_ += url.size();
    free_size_ -= url.size();
  } else if (url.size() > kBlock / 4) {
    // A long URL has a block of its own.
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(url.size()));
    kept = blocks_.back().get();
  } else {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
    kept = blocks_.back().get();
    free_ = kept + url.size();
    free_size_ = kBlock - url.size();
  }
  std::copy(url.begin(), url.end(), kept);
  return std::string_view(kept, url.size());
}

size_t UrlReferenceList::SlotOf(std::string_view url) const {
  const size_t mask = slots_.size() - 1;
  size_t at = std::hash<std::string_view>()(url) & mask;
  while (slots_[at] != 0 && urls_[slots_[at] - 1] != url) at = (at + 1) & mask;
  return at;
}

void UrlReferenceList::Grow() {
  std::vector<uint32_t> slots(std::max<size_t>(slots_.size() * 2, 64), 0);
  slots_.swap(slots);
  // Filled in the order of numbering, as if each URL were added anew.
  for (size_t i = 0; i < urls_.size(); ++i) slots_[SlotOf(urls_[i])] = static_cast<uint32_t>(i + 1);
}

int UrlReferenceList::Add(std::string_view url, bool& added) {
  if (!slots_.empty()) {
    const uint32_t number = slots_[SlotOf(url)];
    added = number == 0;
    if (!added) return static_cast<int>(number);
  }
  added = true;
  if ((urls_.size() + 1) * 2 > slots_.size()) Grow();
  const size_t at = SlotOf(url);
  urls_.push_back(Keep(url));
  slots_[at] = static_cast<uint32_t>(urls_.size());
  return static_cast<int>(urls_.size());
}

int UrlReferenceList::Find(std::string_view url) const {
  return slots_.empty() ? 0 : static_cast<int>(slots_[SlotOf(url)]);
}

void UrlReferenceList::RemoveLast() {
  if (urls_.empty()) return;
  const std::string_view last = urls_.back();
  slots_[SlotOf(last)] = 0;
  urls_.pop_back();
  // Its text is given back when it is the last in the last block.
  if (free_ != nullptr && last.data() + last.size() == free_) {
    free_ -= last.size();
    free_size_ += last.size();
  }
}

std::vector<std::string> UrlReferenceList::Urls() const {
  return std::vector<std::string>(urls_.begin(), urls_.end());
}

// ---- Link classes and comparison forms -------------------------------------

namespace {

bool Contains(std::string_view text, std::string_view needle) {
  return FindNoCase(text, needle) != std::string_view::npos;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Schemes that a link text may leave out before a host name that repeats
// them ("www.example.com" for "http://www.example.com").
struct SchemeHost {
  std::string_view scheme;
  std::string_view host;
};
constexpr SchemeHost kSchemeHosts[] = {{"http://", "www"},       {"https://", "www"},
                                       {"ftp://", "ftp."},       {"gopher://", "gopher."},
                                       {"telnet://", "telnet."}, {"news://", "news."}};

// Drops a leading scheme when the host that follows repeats it.
void DropSchemeBeforeHost(std::string_view& form) {
  // Every scheme ends in "://" within its first nine characters.
  if (form.find("://") > 6) return;
  for (const SchemeHost& pair : kSchemeHosts) {
    if (StartsWithNoCase(form, pair.scheme) &&
        StartsWithNoCase(form.substr(pair.scheme.size()), pair.host)) {
      form.remove_prefix(pair.scheme.size());
      return;
    }
  }
}

void DropTrailingSlash(std::string_view& form) {
  if (!form.empty() && form.back() == '/') form.remove_suffix(1);
}

// `text` with every occurrence of `needle` (ignoring case) replaced by
// `by`, in one pass, so a span full of them stays linear.
std::string ReplaceAllNoCase(std::string_view text, std::string_view needle, std::string_view by) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = FindNoCase(text, needle); at != std::string_view::npos;
       at = FindNoCase(text, needle, from)) {
    out.append(text.substr(from, at - from));
    out.append(by);
    from = at + needle.size();
  }
  out.append(text.substr(from));
  return out;
}

// Replaces every occurrence of `needle` (ignoring case) in `text` by `by`;
// a text without one is neither copied nor changed.
void ReplaceAllNoCaseIn(std::string& text, std::string_view needle, std::string_view by) {
  if (FindNoCase(text, needle) == std::string_view::npos) return;
  text = ReplaceAllNoCase(text, needle, by);
}

// The href as a link text would show it: only a prefix and a final slash
// go, so it is a part of `href`.
std::string_view HrefComparisonForm(std::string_view href, std::string_view display) {
  std::string_view form = href;
  if (StartsWithNoCase(form, "mailto:")) form.remove_prefix(7);
  DropSchemeBeforeHost(form);
  if (StartsWithNoCase(form, "news:") && !Contains(form, "://") &&
      !StartsWithNoCase(display, "news:"))
    form.remove_prefix(5);
  DropTrailingSlash(form);
  return form;
}

// The display text stripped of what writers put around an address shown as
// text ("URL:", "mailto:", angle brackets, the scheme). Most display texts
// hold neither ":" nor ">", and their form is a part of `display`;
// otherwise it is made in `room`.
std::string_view DisplayComparisonForm(std::string_view display, std::string& room) {
  std::string_view form = display;
  const bool colon = display.find(':') != std::string_view::npos;  // both prefixes hold one
  if (colon || display.find('>') != std::string_view::npos) {
    room.assign(display);
    if (colon) {
      ReplaceAllNoCaseIn(room, "URL:", "");
      ReplaceAllNoCaseIn(room, "mailto:", "");
    }
    std::erase(room, '>');
    form = room;
  }
  form = TrimView(form);
  DropSchemeBeforeHost(form);
  DropTrailingSlash(form);
  return form;
}

// The display text: tabs and line ends trimmed from both ends, each run of
// blanks one space. A space at either end stays: it parts the link from
// the words around it.
std::string TidyDisplayText(std::string_view text) {
  const auto edge = [](char c) { return c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && edge(text.front())) text.remove_prefix(1);
  while (!text.empty() && edge(text.back())) text.remove_suffix(1);
  std::string out;
  out.reserve(text.size());
  // Words go over whole, each run of blanks as one space.
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    out.append(text, i, end - i);
    if (end == text.size()) break;
    out += ' ';
    for (i = end + 1; i < text.size() && IsBlank(text[i]);) ++i;
  }
  return out;
}

// Replaces each line-break tag of a span by `mark`, however it is written:
// "<br>", "<br/>", "<br />", "<br clear=all>", "</br>".
void ReplaceBreakTags(std::string& text, const std::string& mark) {
  if (text.find('<') == std::string::npos) return;
  std::string out;
  size_t copied = 0;
  for (size_t at = FindNoCase(text, "br", 1); at != std::string::npos;
       at = FindNoCase(text, "br", at + 2)) {
    size_t open = at - 1;
    if (text[open] == '/' && open > 0) --open;
    if (text[open] != '<' || open < copied) continue;
    const size_t after = at + 2;
    if (after < text.size() && !IsBlank(text[after]) && text[after] != '/' && text[after] != '>')
      continue;
    const size_t close = text.find('>', after);
    if (close == std::string::npos) break;
    out.append(text, copied, open - copied);
    out += mark;
    copied = close + 1;
  }
  if (copied == 0) return;
  out.append(text, copied, std::string::npos);
  text.swap(out);
}

// `text` with every "&" written as "&amp;".
std::string EscapeAmpersands(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else
      out += c;
  }
  return out;
}

// Puts a blank before each tag of a block element in `text`, so that a link
// around several blocks (a card with a date and a heading) keeps their
// words apart once its tags are gone.
void SpaceBeforeBlockTags(std::string& text) {
  std::string out;
  size_t copied = 0;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
    size_t name = at + 1;
    if (name < text.size() && text[name] == '/') ++name;
    size_t stop = name;
    while (stop < text.size() && stop - name <= 10 &&
           ((text[stop] >= 'a' && text[stop] <= 'z') || (text[stop] >= 'A' && text[stop] <= 'Z') ||
            (text[stop] >= '0' && text[stop] <= '9')))
      ++stop;
    if (stop >= text.size() || (!IsBlank(text[stop]) && text[stop] != '/' && text[stop] != '>'))
      continue;
    if (!IsBlockTagName(std::string_view(text).substr(name, stop - name))) continue;
    out.append(text, copied, at - copied);
    out += ' ';
    copied = at;
  }
  if (copied == 0) return;
  out.append(text, copied, std::string::npos);
  text.swap(out);
}

// True when the span holds a second anchor after its first character.
bool HoldsSecondAnchor(std::string_view span) {
  for (size_t at = span.find('<', 1); at != std::string_view::npos && at + 1 < span.size();
       at = span.find('<', at + 1)) {
    if ((span[at + 1] == 'a' || span[at + 1] == 'A') &&
        (at + 2 >= span.size() || !IsWordChar(span[at + 2])))
      return true;
  }
  return false;
}

}  // namespace

LinkClass ClassifyLink(std::string_view href) {
  if (StartsWithNoCase(href, "mailto:") && std::count(href.begin(), href.end(), '@') == 1)
    return LinkClass::kMail;
  // Secure web addresses are as absolute as plain ones; leaving them out
  // would drop their address from the text.
  for (std::string_view scheme :
       {"http://", "https://", "ftp://", "gopher://", "telnet://", "news://"})
    if (StartsWithNoCase(href, scheme)) return LinkClass::kAbsolute;
  if (StartsWithNoCase(href, "news:") && !Contains(href, "://")) return LinkClass::kAbsolute;
  return LinkClass::kLocal;
}

// ---- The anchor handler -------------------------------------------------------

// Rewrites a span in the steps the conversion defines for links: a nested
// anchor is left alone; a named anchor keeps only its content; a link that
// can be referred to gets its reference number; omitted local and e-mail
// links become the removed-link text; markup removal may keep the link as
// it is; otherwise the link becomes its display text, followed by its
// reference number or its address unless the text already shows the
// address.
bool RewriteAnchor(std::string_view span, LinkEnvironment& environment, std::string& replacement) {
  const DetagOptions& options = *environment.options;
  const bool text_mode = options.TextMode();

  // 1. A second anchor inside: nested, or this one is unterminated.
  if (HoldsSecondAnchor(span)) return false;

  // 2. The opening tag, the content, the href made absolute.
  size_t tag_end = span.find('>');
  if (tag_end == std::string_view::npos) return false;
  const std::string_view opening = span.substr(0, tag_end + 1);
  size_t content_end = span.size();
  if (span.size() >= tag_end + 1 + 4 && EndsWithNoCase(span, "</a>")) content_end -= 4;
  const std::string_view content = span.substr(tag_end + 1, content_end - (tag_end + 1));
  const TagAttributes attributes(opening);
  const std::optional<std::string_view> href_value = attributes.Find("href");
  const std::optional<std::string_view> name_value = attributes.Find("name");
  // The address the attribute says, references decoded ("&amp;" is "&").
  std::string href = DecodeAttributeValue(TrimView(href_value.value_or(std::string_view())));
  if (environment.info != nullptr && NeedsBase(href, environment.info->base_url))
    href = ResolveUrl(href, environment.info->base_url);

  // 3. A named anchor marks a place; only its content stays. An anchor
  // that also has an href is a link all the same.
  if (name_value.has_value() && !name_value->empty() && href.empty()) {
    replacement.assign(content);
    return true;
  }

  const LinkClass link_class = ClassifyLink(href);
  const bool mail = link_class == LinkClass::kMail;
  if (!href.empty() && href.front() != '#' && environment.report != nullptr && *environment.report)
    (*environment.report)("URL: " + href, 10);

  // 4. Links to an address elsewhere can be referred to by number.
  const bool referable = !href.empty() && href.front() != '#' &&
                         ((link_class == LinkClass::kAbsolute && Contains(href, ":/")) ||
                          Contains(href, "news:") || mail) &&
                         !EqualsNoCase(href, "http:///") && !EqualsNoCase(href, "http://") &&
                         !EqualsNoCase(href, "https:///") && !EqualsNoCase(href, "https://");
  if (referable && !mail && environment.info != nullptr) {
    if (environment.info->first_url.empty()) environment.info->first_url = href;
    environment.info->last_url = href;
  }
  int number = 0;
  bool added = false;
  UrlReferenceList* references = environment.references;
  if (referable && options.add_url_references && references != nullptr)
    number = references->Add(href, added);
  // An omitted link is not shown, so it needs no reference either.
  const auto omit = [&]() {
    if (added) references->RemoveLast();
    replacement = options.removed_link_text;
    return true;
  };

  // 5. Omitted links.
  if (options.omit_local_links && !href.empty() && !Contains(href, "://") &&
      !Contains(href, "news:") && !mail)
    return omit();
  if (options.omit_email_links && mail) {
    if (environment.info != nullptr) {
      const std::string address = href.substr(7);
      DocumentInfo& info = *environment.info;
      if (info.email.empty() || info.email == "** UNKNOWN **") info.email = address;
      info.last_email = address;
    }
    return omit();
  }

  // 6. Markup removal keeps links unless they are to become their text.
  if (!text_mode && !options.replace_hyperlinks) {
    if (added) references->RemoveLast();
    return false;
  }

  // 7. The display text: in text mode the visible text of the span (the
  // general tag removal would delete the opening tag and "</a>" first, so
  // it only needs to see the content, and only when that holds a tag);
  // otherwise the content as written.
  std::string display;
  if (content.find('<') == std::string_view::npos) {
    display = TidyDisplayText(content);  // neither break tags nor others
  } else {
    display.assign(content);
    if (environment.markers != nullptr) ReplaceBreakTags(display, environment.markers->break_mark);
    if (text_mode && environment.catalogue != nullptr && display.find('<') != std::string::npos) {
      SpaceBeforeBlockTags(display);
      RemainingTagPass(display, options, *environment.catalogue, {}, {});
    }
    display = TidyDisplayText(display);
  }
  const std::string_view trimmed_display = TrimView(display);
  std::string decoded_display;
  std::string_view compared_display = trimmed_display;
  if (trimmed_display.find('&') != std::string_view::npos) {
    decoded_display = DecodeAttributeValue(trimmed_display);
    compared_display = decoded_display;
  }

  // 8 and 9. The suffix, unless the display text already shows the href.
  const std::string_view href_form = HrefComparisonForm(href, compared_display);
  std::string display_room;
  if (href.empty() ||
      !EqualsNoCase(href_form, DisplayComparisonForm(compared_display, display_room))) {
    if (number > 0) {
      display += " [" + std::to_string(number) + "]";
      // "the page [1]. Next", not "the page [1] . Next".
      const char next = environment.next_character;
      if (next == 0 || std::string_view(".,;:!?)]}").find(next) == std::string_view::npos)
        display += ' ';
    } else if (options.display_link_urls && link_class != LinkClass::kLocal) {
      // The text's references are replaced later: its own "&" is written as
      // a reference too.
      display += " [" + EscapeAmpersands(href_form) + "]";
    }
  } else if (added) {
    references->RemoveLast();
  }

  // 10.
  replacement = std::move(display);
  return true;
}

char VisibleCharacterAfter(std::string_view text, size_t end) {
  size_t at = end + 1;
  for (int tags = 0; at < text.size() && text[at] == '<' && tags < 4; ++tags) {
    const size_t close = text.find('>', at);
    if (close == std::string_view::npos || close - at > 200) return 0;
    at = close + 1;
  }
  return at < text.size() && text[at] != '<' ? text[at] : 0;
}

// ---- The image handler --------------------------------------------------------

std::string RewriteImage(std::string_view tag, LinkEnvironment& environment) {
  const DetagOptions& options = *environment.options;
  if (!options.img_text_marker) return std::string();
  std::string src;
  std::string alt;
  GetTagAttribute(tag, "src", src);
  src = Trim(src);
  if (options.img_use_alt) {
    GetTagAttribute(tag, "alt", alt);
    alt = CollapseBlanks(alt);
  }
  if (!alt.empty()) return "[" + alt + "]";
  if (src.empty()) return std::string();
  if (src.find(":/") == std::string::npos) return "[Image " + src + "]";
  if (options.add_url_references && environment.references != nullptr) {
    bool added = false;
    const std::string address = DecodeAttributeValue(src);
    return "[Image {" + std::to_string(environment.references->Add(address, added)) + "}]";
  }
  return "[Image]";
}

// ---- The reference table --------------------------------------------------

bool ReferenceTableWanted(const DetagOptions& options, const UrlReferenceList& references) {
  return options.add_url_references && !references.Empty() &&
         (options.TextMode() || options.replace_hyperlinks ||
          (options.remove_img && options.img_text_marker));
}

void ForEachReferenceLine(const UrlReferenceList& references,
                          const std::function<void(std::string_view)>& line) {
  line({});
  std::string text;
  for (size_t number = 1; number <= references.Size(); ++number) {
    text.assign("[").append(std::to_string(number)).append("] ").append(references.Url(number));
    line(text);
  }
}

void AppendReferenceTable(const UrlReferenceList& references, std::vector<std::string>& lines) {
  ForEachReferenceLine(references, [&lines](std::string_view text) { lines.emplace_back(text); });
}

// ---- Installation in the detag pass ----------------------------------------

namespace {

LinkEnvironment EnvironmentOf(DetagPass& pass) {
  LinkEnvironment environment;
  environment.options = &pass.Options();
  environment.markers = &pass.Markers();
  environment.catalogue = &pass.Catalogue();
  environment.info = &pass.MutableInfo();
  environment.references = &pass.MutableUrlReferences();
  environment.report = &pass.Reporter();
  return environment;
}

bool InRange(long start, long end, const std::string& text) {
  return start >= 0 && end >= start && static_cast<size_t>(end) < text.size();
}

}  // namespace

void InstallLinkHandlers(DetagPass& pass) {
  DetagHandlerSlots& slots = pass.HandlerSlots();
  slots.hyperlinks = [&pass](PatternList& list, const Pattern&, long start, long end,
                             const std::string& text, size_t, void*) -> int {
    if (!InRange(start, end, text)) return ActionNone;
    LinkEnvironment environment = EnvironmentOf(pass);
    std::string replacement;
    environment.next_character = VisibleCharacterAfter(text, static_cast<size_t>(end));
    const std::string_view span(text.data() + start, static_cast<size_t>(end - start + 1));
    if (!RewriteAnchor(span, environment, replacement)) return ActionRejected;
    return list.ReplaceMatch(replacement);
  };
  slots.images = [&pass](PatternList& list, const Pattern&, long start, long end,
                         const std::string& text, size_t, void*) -> int {
    if (!InRange(start, end, text)) return ActionNone;
    LinkEnvironment environment = EnvironmentOf(pass);
    const std::string_view tag(text.data() + start, static_cast<size_t>(end - start + 1));
    return list.ReplaceMatch(RewriteImage(tag, environment));
  };
}

}  // namespace orv
