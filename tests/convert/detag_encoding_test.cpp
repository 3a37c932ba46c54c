// Pages in the character sets of today's web convert to valid UTF-8 text
// that holds every word, whether the page is UTF-8 with or without a
// declaration, or an 8-bit or multi-byte set named by its META tag; markup
// removal writes the page back in its own bytes.
#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <sstream>

#include "convert/detag.h"
#include "html/entities.h"
#include "support/temp_folder.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::Body;
using testing::ReadFile;

// `utf8` in the character set `charset`, through iconv.
std::string Encode(const std::string& utf8, const char* charset) {
  iconv_t handle = iconv_open(charset, "UTF-8");
  EXPECT_NE(handle, reinterpret_cast<iconv_t>(-1)) << charset;
  std::string in = utf8;
  std::string out(utf8.size() * 4 + 16, '\0');
  char* from = in.data();
  size_t from_left = in.size();
  char* to = out.data();
  size_t to_left = out.size();
  EXPECT_NE(iconv(handle, &from, &from_left, &to, &to_left), static_cast<size_t>(-1)) << charset;
  iconv(handle, nullptr, nullptr, &to, &to_left);
  iconv_close(handle);
  out.resize(out.size() - to_left);
  return out;
}

std::string Convert(const std::string& page, bool text_mode = true,
                    const std::string& character_encoding = "") {
  testing::TempFolder dir;
  const std::string input = dir.Write("page.htm", page);
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  DetagOptions options;
  options.remove_all_tags = text_mode;
  options.character_encoding = character_encoding;
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + (text_mode ? "page.txt" : "out.htm");
  EXPECT_TRUE(pass.ConvertFile(options, request, output, {}));
  output.Close();
  return ReadFile(request.output_path);
}

struct Page {
  const char* name;
  std::string html;                // as written to the file
  std::vector<std::string> words;  // in UTF-8, each expected in the text
};

TEST(DetagEncodingTest, PagesInManySetsGiveUtf8WithEveryWord) {
  const std::string russian = "Привет, мир! Это хорошая проверка… конец";
  const std::vector<std::string> russian_words = {"Привет", "мир", "Это", "хорошая", "проверка…",
                                                  "конец"};
  const std::vector<Page> pages = {
      {"windows-1251",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
       "</head><body><p>" + Encode(russian, "WINDOWS-1251") + "</p></body></html>\n",
       russian_words},
      {"undeclared UTF-8 Cyrillic", "<p>" + russian + "</p>\n<p>хх&nbsp;х</p>\n",
       {"Привет", "хорошая", "проверка…", "конец", "хх х"}},
      {"iso-8859-7 Greek",
       "<meta charset=\"iso-8859-7\"><p>" + Encode("Καλημέρα κόσμε, ελληνικά", "ISO-8859-7") +
           "</p>\n",
       {"Καλημέρα", "κόσμε", "ελληνικά"}},
      {"gb2312 Chinese",
       "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\"><p>" +
           Encode("你好，世界。中文测试页面", "GB2312") + "</p>\n",
       {"你好", "世界", "中文测试页面"}},
      {"iso-8859-1 Latin",
       "<meta charset=iso-8859-1><p>" + Encode("Ça coûte très cher, déjà vu, naïve", "ISO-8859-1") +
           " \x96 fin\x85</p>\n",
       {"Ça", "coûte", "très", "déjà", "naïve", "– fin..."}},
      {"ASCII with a bulleted list",
       "<p>Caf&eacute; menu</p>\n<ul><li>Cr&egrave;me br&ucirc;l&eacute;e<li>Tea</ul>\n",
       {"Café", "· Crème brûlée", "· Tea"}},
  };
  for (const Page& page : pages) {
    const std::string text = testing::Body(Convert(page.html));
    EXPECT_TRUE(IsValidUtf8(text)) << page.name << ": " << text;
    for (const std::string& word : page.words)
      EXPECT_NE(text.find(word), std::string::npos) << page.name << ": " << word << " in " << text;
  }
}

// Inputs in different encodings written to one output: each input's text
// is written in UTF-8 by its own encoding.
TEST(DetagEncodingTest, OneOutputOfInputsInDifferentEncodings) {
  testing::TempFolder dir;
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  const std::vector<std::string> pages = {"<p>хорошо</p>\n", "<p>caf\xE9</p>\n",
                                          "<p>\xD1\x85 again</p>\n", "<p>fin\xE9</p>\n"};
  for (size_t i = 0; i < pages.size(); ++i) {
    DetagRequest request;
    request.input_path = dir.Write("p" + std::to_string(i) + ".htm", pages[i]);
    request.output_path = dir.Path() + "all.txt";
    request.first_of_output = i == 0;
    request.last_of_output = i + 1 == pages.size();
    ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, request, output, {}));
  }
  output.Close();
  const std::string text = ReadFile(dir.Path() + "all.txt");
  EXPECT_TRUE(IsValidUtf8(text)) << text;
  for (const char* word : {"хорошо", "café", "х again", "finé"})
    EXPECT_NE(text.find(word), std::string::npos) << word << " in " << text;
}

// A page without a META tag is read in the set the "Character encoding"
// policy names; a META tag names the page's own set.
TEST(DetagEncodingTest, ThePolicyNamesTheSetOfAnUndeclaredPage) {
  const std::string koi8 = "<p>" + Encode("хорошо", "KOI8-R") + "</p>\n";
  EXPECT_NE(testing::Body(Convert(koi8, true, "koi8-r")).find("хорошо"), std::string::npos);
  const std::string declared =
      "<meta charset=windows-1251><p>" + Encode("хорошо", "WINDOWS-1251") + "</p>\n";
  EXPECT_NE(testing::Body(Convert(declared, true, "koi8-r")).find("хорошо"), std::string::npos);
}

// Markup removal changes only the markup it removes: a UTF-8 page keeps
// its characters (no byte of them is taken for the Windows ellipsis), and
// an 8-bit page keeps its bytes.
TEST(DetagEncodingTest, MarkupRemovalKeepsThePagesOwnBytes) {
  const std::string utf8 = "<p>хорошо… конец</p>\n";
  EXPECT_EQ(Convert(utf8, false), utf8);
  const std::string cp1251 = "<meta charset=windows-1251><p>" +
                             Encode("хорошо… конец", "WINDOWS-1251") + "</p>\n";
  EXPECT_EQ(Convert(cp1251, false), cp1251);
}

// The marks the conversion puts into its text are made of 0xFF bytes,
// which an 8-bit page holds as "ÿ": its own "ÿÿ", "ÿBRÿ" and "¿BR¿",
// from the file or from references, stay text (no line break, no blank or
// word lost), in the body, the title and a link's address, and markup
// removal writes them back as the page's own bytes.
TEST(DetagEncodingTest, EightBitPagesCannotSpellTheConversionsMarks) {
  const std::string page =
      "<meta charset=iso-8859-1><title>Lou\xFFs \xFF\xFF</title>"
      "<p>one \xFF\xFF two \xFF\xFF" "BR\xFF\xFF three &yuml;&yuml; four "
      "\xFF\xFF" "P\xFF\xFF end\xFF</p>\n"
      "<p><a href=\"http://e.com/\xFF\xFF\">l\xFF</a> \xFF\xFF" "CBR\xFF\xFF$_$_START_LIST x</p>\n"
      "<p>\xBF" "BR\xBF a \xFF" "BR\xFF b &iquest;BR&iquest; c &yuml;BR&yuml;</p>\n";
  const std::string text = Convert(page);
  const std::string y = "\xC3\xBF";
  EXPECT_NE(text.find("Lou" + y + "s " + y + y), std::string::npos) << text;
  EXPECT_NE(Body(text).find("one " + y + y + " two " + y + y + "BR" + y + y + " three " + y + y +
                            " four " + y + y + "P" + y + y + " end" + y + "\n"),
            std::string::npos)
      << text;
  EXPECT_NE(Body(text).find("l" + y + " [1] " + y + y + "CBR" + y + y + "$_$_START_LIST x"),
            std::string::npos)
      << text;
  const std::string q = "\xC2\xBF";
  EXPECT_NE(Body(text).find(q + "BR" + q + " a " + y + "BR" + y + " b " + q + "BR" + q + " c " + y +
                            "BR" + y + "\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("http://e.com/" + y + y), std::string::npos) << text;
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_TRUE(IsValidUtf8(text));

  EXPECT_EQ(Convert(page, false), page);
}

// Entities replaced in markup removal go into a UTF-8 page as UTF-8.
TEST(DetagEncodingTest, MarkupRemovalWritesEntitiesInTheUtf8PagesEncoding) {
  testing::TempFolder dir;
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  DetagOptions options;
  options.remove_all_tags = false;
  options.replace_entities = true;
  for (const std::string page : {"<p>хорошо caf&eacute;</p>\n",
                                 "<meta charset=\"utf-8\"><p>caf&eacute;</p>\n"}) {
    ASCIIFile output;
    DetagRequest request;
    request.input_path = dir.Write("page.htm", page);
    request.output_path = dir.Path() + "out.htm";
    ASSERT_TRUE(pass.ConvertFile(options, request, output, {}));
    output.Close();
    const std::string written = ReadFile(request.output_path);
    EXPECT_NE(written.find("caf\xC3\xA9"), std::string::npos) << written;
  }
}

}  // namespace
}  // namespace orv
