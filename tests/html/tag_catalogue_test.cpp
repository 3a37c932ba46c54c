// Tests of TagNameList, the tag catalogue families and the element table.
#include "html/tag_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "common/text.h"
#include "html/element_table.h"

namespace orv {
namespace {

TEST(TagNameListTest, KeyFollowsTheStatedFormula) {
  EXPECT_EQ(TagNameList::NameKey(""), 0u);
  // (65 + 1000) * ('Z' + 1000) = 1160850, modulo 1000000.
  EXPECT_EQ(TagNameList::NameKey("A"), 160850u);
  EXPECT_EQ(TagNameList::NameKey("a"), 160850u);
  // Second character pairs with the first: + (66 + 1000) * (65 + 1000).
  EXPECT_EQ(TagNameList::NameKey("ab"), (160850u + 1066u * 1065u) % 1000000u);
  EXPECT_EQ(TagNameList::NameKey("TABLE"), TagNameList::NameKey("table"));
}

TEST(TagNameListTest, LookupIgnoresCaseAndDuplicatesAreIgnored) {
  TagNameList list("test");
  EXPECT_TRUE(list.Add("Table"));
  EXPECT_FALSE(list.Add("TABLE"));
  EXPECT_FALSE(list.Add("table"));
  EXPECT_TRUE(list.Add("td"));
  EXPECT_EQ(list.Size(), 2u);
  for (const char* name : {"table", "TABLE", "tAbLe"}) {
    int at = list.Find(name);
    ASSERT_NE(at, TagNameList::kNotFound) << name;
    EXPECT_EQ(list.At(size_t(at)), "Table");  // stored as first added
  }
  EXPECT_FALSE(list.Contains("tables"));
  EXPECT_FALSE(list.Contains("tabl"));
  EXPECT_FALSE(list.Contains(""));
  EXPECT_EQ(list.Title(), "test");
}

TEST(TagNameListTest, EmptyListFindsNothing) {
  TagNameList list;
  EXPECT_EQ(list.Find("a"), TagNameList::kNotFound);
  EXPECT_EQ(list.Find(""), TagNameList::kNotFound);
}

TEST(TagNameListTest, RememberedLookupStaysRightAfterAdding) {
  TagNameList list;
  list.Add("p");
  ASSERT_TRUE(list.Contains("p"));
  // Adding names moves positions; the remembered one must not go stale.
  for (const char* name : {"a", "b", "c", "zz", "o:p", "!--[if"}) list.Add(name);
  int at = list.Find("P");
  ASSERT_NE(at, TagNameList::kNotFound);
  EXPECT_EQ(list.At(size_t(at)), "p");
  EXPECT_EQ(list.Find("p"), at);
}

// Finds two different names with the same key among short letter strings.
std::pair<std::string, std::string> FindKeyCollision() {
  std::map<uint32_t, std::string> seen;
  const std::string letters = "abcdefghijklmnopqrstuvwxyz";
  for (char a : letters)
    for (char b : letters)
      for (char c : letters)
        for (char d : letters) {
          std::string name{a, b, c, d};
          auto [it, added] = seen.emplace(TagNameList::NameKey(name), name);
          if (!added) return {it->second, name};
        }
  return {};
}

TEST(TagNameListTest, NamesWithEqualKeysAreToldApart) {
  auto [first, second] = FindKeyCollision();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(TagNameList::NameKey(first), TagNameList::NameKey(second));
  TagNameList list;
  EXPECT_TRUE(list.Add(first));
  EXPECT_FALSE(list.Contains(second));
  EXPECT_TRUE(list.Add(ToUpper(second)));
  EXPECT_EQ(list.Size(), 2u);
  EXPECT_TRUE(EqualsNoCase(list.At(size_t(list.Find(second))), second));
  EXPECT_TRUE(EqualsNoCase(list.At(size_t(list.Find(first))), first));
  EXPECT_NE(list.Find(first), list.Find(second));
}

// The interpolation search against a plain set of upper-cased names, on
// generated names (including ones that differ only in case).
TEST(TagNameListTest, AgreesWithAPlainSetOnGeneratedNames) {
  std::mt19937 random(12345);
  const std::string alphabet = "abcXYZ:-!019";
  auto random_name = [&] {
    std::string name(random() % 6, ' ');
    for (char& c : name) c = alphabet[random() % alphabet.size()];
    return name;
  };
  TagNameList list;
  std::set<std::string> reference;
  for (int i = 0; i < 3000; ++i) {
    std::string name = random_name();
    EXPECT_EQ(list.Add(name), reference.insert(ToUpper(name)).second) << name;
  }
  ASSERT_EQ(list.Size(), reference.size());
  for (int i = 0; i < 10000; ++i) {
    std::string name = random_name();
    if (i % 2) name = ToLower(name);
    int at = list.Find(name);
    ASSERT_EQ(at != TagNameList::kNotFound, reference.count(ToUpper(name)) == 1) << name;
    if (at != TagNameList::kNotFound) {
      EXPECT_TRUE(EqualsNoCase(list.At(size_t(at)), name));
    }
  }
}

TEST(TagCatalogueTest, FamiliesIgnoreCaseAndTestHtmlFirst) {
  TagCatalogue catalogue;
  EXPECT_EQ(catalogue.HtmlTags().Title(), "HTML tags");
  EXPECT_EQ(catalogue.MailTags().Title(), "Mail tags");
  EXPECT_EQ(catalogue.OfficeTags().Title(), "Office tags");
  const struct {
    const char* name;
    TagFamily family;
  } cases[] = {
      {"table", TagFamily::kHtml},    {"TABLE", TagFamily::kHtml},
      {"Table", TagFamily::kHtml},    {"!DOCTYPE", TagFamily::kHtml},
      {"marquee", TagFamily::kHtml},  {"nosmartquote", TagFamily::kHtml},
      {"", TagFamily::kHtml},         {"X-TAB", TagFamily::kMail},
      {"x-sigsep", TagFamily::kMail}, {"O:P", TagFamily::kOffice},
      {"o:p", TagFamily::kOffice},    {"w:worddocument", TagFamily::kOffice},
      {"XML", TagFamily::kOffice},    {"![endif]", TagFamily::kOffice},
      {"!--[if", TagFamily::kOffice}, {"unknown", TagFamily::kNone},
      {"o:", TagFamily::kNone},       {"tables", TagFamily::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(catalogue.FamilyOf(c.name), c.family) << c.name;
  // The empty name is in every family, so "<>" is an HTML tag.
  EXPECT_TRUE(catalogue.MailTags().Contains(""));
  EXPECT_TRUE(catalogue.OfficeTags().Contains(""));
}

TEST(ElementTableTest, ElementStatus) {
  const ElementTable table = ElementTable::Html4();
  const struct {
    const char* name;
    ElementStatus status;
  } cases[] = {
      {"table", ElementStatus::kStandard},
      {"TABLE", ElementStatus::kStandard},
      {"Table", ElementStatus::kStandard},
      {" td ", ElementStatus::kStandard},
      {"/td", ElementStatus::kStandard},
      {"br/", ElementStatus::kStandard},
      {"caption", ElementStatus::kStandard},
      {"center", ElementStatus::kDeprecated},
      {"FONT", ElementStatus::kDeprecated},
      {"u", ElementStatus::kDeprecated},
      {"/u", ElementStatus::kDeprecated},
      {"marquee", ElementStatus::kNonStandard},
      {"blink", ElementStatus::kNonStandard},
      {"xml", ElementStatus::kNonStandard},
      {"!doctype", ElementStatus::kDeclaration},
      {"!DOCTYPE", ElementStatus::kDeclaration},
      {"?xml", ElementStatus::kDeclaration},
      {"foo", ElementStatus::kUnknown},
      {"", ElementStatus::kUnknown},
      {"/", ElementStatus::kUnknown},
      {"o:p", ElementStatus::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(table.StatusOfElement(c.name), c.status) << c.name;
}

TEST(ElementTableTest, AttributeStatus) {
  const ElementTable table = ElementTable::Html4();
  const struct {
    const char* element;
    const char* attribute;
    AttributeStatus status;
  } cases[] = {
      {"td", "bgcolor", AttributeStatus::kDeprecated},
      {"TD", "BGCOLOR", AttributeStatus::kDeprecated},
      {"td", "bordercolor", AttributeStatus::kExtension},
      {"td", "onclick", AttributeStatus::kStandard},  // events group
      {"td", "class", AttributeStatus::kStandard},    // core group
      {"td", "lang", AttributeStatus::kStandard},     // internationalisation group
      {"td", "colspan", AttributeStatus::kStandard},
      {"td", "foo", AttributeStatus::kUnknown},
      {"td", " width ", AttributeStatus::kDeprecated},
      // The standard caption row is found first: align is deprecated there.
      {"caption", "align", AttributeStatus::kDeprecated},
      {"caption", "onclick", AttributeStatus::kStandard},
      // br has only the core group; html only internationalisation.
      {"br", "id", AttributeStatus::kStandard},
      {"br", "onclick", AttributeStatus::kUnknown},
      {"br", "clear", AttributeStatus::kDeprecated},
      {"html", "xmlns", AttributeStatus::kExtension},
      {"html", "class", AttributeStatus::kUnknown},
      // In both the standard and the extension list: standard wins.
      {"button", "type", AttributeStatus::kStandard},
      {"script", "language", AttributeStatus::kDeprecated},
      {"font", "face", AttributeStatus::kDeprecated},
      {"font", "size", AttributeStatus::kStandard},
      {"marquee", "behavior", AttributeStatus::kUnknown},
      {"foo", "bar", AttributeStatus::kNoElement},
      {"", "id", AttributeStatus::kNoElement},
  };
  for (const auto& c : cases)
    EXPECT_EQ(table.StatusOfAttribute(c.element, c.attribute), c.status)
        << c.element << "/" << c.attribute;
}

TEST(ElementTableTest, TodaysHtmlIsStandardInTheCurrentEdition) {
  const ElementTable table = ElementTable::Current();
  for (const char* name : {"header", "nav", "main", "section", "article", "aside", "figure",
                           "figcaption", "time", "video", "audio", "source", "picture",
                           "template", "bdo", "embed", "wbr", "ruby", "rt", "details",
                           "summary", "dialog", "mark", "svg", "/footer"})
    EXPECT_EQ(table.StatusOfElement(name), ElementStatus::kStandard) << name;
  // HTML 4's own decisions stay.
  EXPECT_EQ(table.StatusOfElement("center"), ElementStatus::kDeprecated);
  EXPECT_EQ(table.StatusOfElement("blink"), ElementStatus::kNonStandard);
  EXPECT_EQ(table.StatusOfElement("foo-bar"), ElementStatus::kUnknown);

  const struct {
    const char* element;
    const char* attribute;
    AttributeStatus status;
  } cases[] = {
      {"div", "data-id", AttributeStatus::kStandard},
      {"span", "ARIA-label", AttributeStatus::kStandard},
      {"nav", "role", AttributeStatus::kStandard},
      {"br", "hidden", AttributeStatus::kStandard},
      {"html", "class", AttributeStatus::kStandard},
      {"rt", "id", AttributeStatus::kStandard},
      {"p", "onmouseenter", AttributeStatus::kStandard},
      {"video", "controls", AttributeStatus::kStandard},
      {"img", "srcset", AttributeStatus::kStandard},
      {"script", "async", AttributeStatus::kStandard},
      {"meta", "charset", AttributeStatus::kStandard},
      {"td", "bgcolor", AttributeStatus::kDeprecated},  // the row's own word first
      {"td", "bordercolor", AttributeStatus::kExtension},
      {"div", "data-", AttributeStatus::kUnknown},
      {"div", "foo", AttributeStatus::kUnknown},
      {"blink", "data-x", AttributeStatus::kStandard},
      {"foo", "id", AttributeStatus::kNoElement},
  };
  for (const auto& c : cases)
    EXPECT_EQ(table.StatusOfAttribute(c.element, c.attribute), c.status)
        << c.element << "/" << c.attribute;
  // The HTML 4 edition knows none of it.
  EXPECT_EQ(ElementTable::Html4().StatusOfElement("header"), ElementStatus::kUnknown);
  EXPECT_EQ(ElementTable::Html4().StatusOfAttribute("div", "data-id"), AttributeStatus::kUnknown);
}

TEST(ElementTableTest, RowsKeepTheirOrderAndCaptionHasTwo) {
  const ElementTable table = ElementTable::Html4();
  std::vector<ElementKind> caption_kinds;
  for (const ElementEntry& e : table.Entries())
    if (e.name == "caption") caption_kinds.push_back(e.kind);
  ASSERT_EQ(caption_kinds.size(), 2u);
  EXPECT_EQ(caption_kinds[0], ElementKind::kStandard);
  EXPECT_EQ(caption_kinds[1], ElementKind::kDeprecated);
}

TEST(ElementTableTest, AttributeListsAreTrimmedAndEmptyItemsDropped) {
  ElementTable table;
  table.AddElements(ElementKind::kStandard, " x , y ,, ", 0, " alpha , ,beta,", "gamma ", "");
  EXPECT_EQ(table.Entries().size(), 2u);
  EXPECT_EQ(table.Entries()[0].name, "x");
  EXPECT_EQ(table.Entries()[0].standard_attributes.Size(), 2u);
  EXPECT_EQ(table.StatusOfAttribute("Y", "BETA"), AttributeStatus::kStandard);
  EXPECT_EQ(table.StatusOfAttribute("y", "gamma"), AttributeStatus::kDeprecated);
  EXPECT_EQ(table.StatusOfAttribute("y", ""), AttributeStatus::kUnknown);
}

}  // namespace
}  // namespace orv
