// TagNameList (sorted by a numeric name key, searched by interpolation) and
// the fixed contents of the three tag families.
#include "html/tag_catalogue.h"

#include "common/text.h"

namespace orv {

TagNameList::TagNameList(std::string title) : title_(std::move(title)) {}

uint32_t TagNameList::NameKey(std::string_view name) {
  uint64_t sum = 0;
  unsigned previous = 'Z';
  for (char c : name) {
    unsigned code = static_cast<unsigned char>(ToUpperAscii(c));
    sum = (sum + uint64_t(code + 1000) * (previous + 1000)) % 1000000;
    previous = code;
  }
  return static_cast<uint32_t>(sum);
}

size_t TagNameList::LowerBound(uint32_t key, std::string_view name) const {
  size_t lo = 0, hi = entries_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    const Entry& e = entries_[mid];
    bool before = e.key < key || (e.key == key && CompareNoCase(e.name, name) < 0);
    if (before)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

bool TagNameList::Add(std::string_view name) {
  uint32_t key = NameKey(name);
  size_t at = LowerBound(key, name);
  if (at < entries_.size() && entries_[at].key == key && EqualsNoCase(entries_[at].name, name))
    return false;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at),
                  Entry{key, std::string(name)});
  last_found_ = kNotFound;  // positions after `at` have moved
  return true;
}

void TagNameList::AddCommaList(std::string_view list) {
  for (const std::string& item : Split(list, ',')) {
    std::string_view trimmed = TrimView(item);
    if (!trimmed.empty()) Add(trimmed);
  }
}

int TagNameList::Find(std::string_view name) const {
  if (last_found_ != kNotFound && EqualsNoCase(entries_[size_t(last_found_)].name, name))
    return last_found_;
  if (entries_.empty()) return kNotFound;

  const uint32_t key = NameKey(name);
  size_t lo = 0, hi = entries_.size() - 1;
  while (lo <= hi && key >= entries_[lo].key && key <= entries_[hi].key) {
    const uint32_t lo_key = entries_[lo].key, hi_key = entries_[hi].key;
    size_t probe = lo;
    if (hi_key != lo_key)
      probe = lo + size_t(uint64_t(key - lo_key) * (hi - lo) / (hi_key - lo_key));
    const uint32_t probe_key = entries_[probe].key;
    if (probe_key < key) {
      lo = probe + 1;
    } else if (probe_key > key) {
      if (probe == 0) break;
      hi = probe - 1;
    } else {
      // Several names may share a key: compare each of them in full.
      size_t first = probe;
      while (first > 0 && entries_[first - 1].key == key) --first;
      for (size_t i = first; i < entries_.size() && entries_[i].key == key; ++i) {
        if (EqualsNoCase(entries_[i].name, name)) {
          last_found_ = static_cast<int>(i);
          return last_found_;
        }
      }
      return kNotFound;
    }
  }
  return kNotFound;
}

namespace {

constexpr std::string_view kHtmlTagNames[] = {
    "!doctype", "!element", "a", "abbr", "acronym", "address", "applet", "area", "b", "base",
    "basefont", "bdo", "big", "blockquote", "body", "br", "button", "caption", "center", "cite",
    "code", "col", "colgroup", "dd", "del", "dfn", "dir", "div", "dl", "dt", "em", "fieldset",
    "font", "form", "frame", "frameset", "h1", "h2", "h3", "h4", "h5", "h6", "head", "hr", "html",
    "i", "iframe", "img", "input", "ins", "isindex", "kbd", "label", "legend", "li", "link",
    "listing", "map", "menu", "meta", "noframes", "noscript", "object", "ol", "optgroup", "option",
    "p", "plaintext", "pre", "q", "s", "samp", "script", "select", "small", "span", "strike",
    "strong", "style", "sub", "sup", "table", "tbody", "td", "textarea", "tfoot", "th", "thead",
    "title", "tr", "tt", "u", "ul", "var", "xmp",
    // Browser extensions.
    "blink", "keygen", "multicol", "param", "server", "wbr", "spacer", "ilayer", "layer", "nolayer",
    "banner", "bgsound", "comment", "embed", "hn", "marquee", "nobr", "noembed", "rt", "ruby",
    "audioscope", "blackface", "bq", "fn", "limittext", "nosmartquote", "shadow",
    // Today's HTML.
    "article", "aside", "audio", "bdi", "canvas", "data", "datalist", "details", "dialog",
    "figcaption", "figure", "footer", "header", "hgroup", "main", "mark", "math", "meter", "nav",
    "output", "picture", "rp", "search", "section", "selectedcontent", "slot", "source", "summary",
    "svg", "template", "time", "track", "video"};

constexpr std::string_view kMailTagNames[] = {"x-html", "x-sigsep", "x-tab"};

constexpr std::string_view kOfficeTagNames[] = {
    "xml", "o:Company", "o:Lines", "o:Lock", "o:Paragraphs", "o:CharactersWithSpaces", "o:Version",
    "o:LastPrinted", "o:Characters", "o:DocumentProperties", "o:Author", "o:Template",
    "o:LastAuthor", "o:p", "o:Revision", "o:TotalTime", "o:Created", "o:LastSaved", "o:Pages",
    "o:Words", "w:WordDocument", "w:BrowserLevel", "w:Compatibility", "w:FootnoteLayoutLikeWW8",
    "w:ShapeLayoutLikeWW8", "w:AlignTablesRowByRow", "w:ForgetLastTabAlignment",
    "w:LayoutRawTableWidth", "w:LayoutTableRowsApart", "v:f", "v:formulas", "v:stroke",
    "v:shapetype", "v:path", "v:imagedata", "v:shape",
    // Conditional-comment markers.
    "!--[if", "![endif]--", "![if", "![endif]"};

template <size_t N>
void AddAll(TagNameList& list, const std::string_view (&names)[N]) {
  list.Add("");  // "<>" and "</>" belong to every family
  for (std::string_view name : names) list.Add(name);
}

}  // namespace

TagCatalogue::TagCatalogue() : html_("HTML tags"), mail_("Mail tags"), office_("Office tags") {
  AddAll(html_, kHtmlTagNames);
  AddAll(mail_, kMailTagNames);
  AddAll(office_, kOfficeTagNames);
}

TagFamily TagCatalogue::FamilyOf(std::string_view name) const {
  if (html_.Contains(name)) return TagFamily::kHtml;
  if (mail_.Contains(name)) return TagFamily::kMail;
  if (office_.Contains(name)) return TagFamily::kOffice;
  return TagFamily::kNone;
}

}  // namespace orv
