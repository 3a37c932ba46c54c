// Conversion in memory: the same bytes as the program writes for the same
// document and policies, the messages a log would hold, and conversions on
// several threads at once that give what one thread gives.
#include "run/memory_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/orvtext_process.h"
#include "support/text_header.h"

namespace orv::testing {
namespace {

// Every document of the test data, by its path.
std::vector<std::string> TestDocuments() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(ORVTEXT_TEST_DATA)) {
    const std::string path = entry.path().string();
    if (entry.is_regular_file() && (path.ends_with(".htm") || path.ends_with(".html")))
      paths.push_back(path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string FixedTime() { return "2026-01-02 03:04:05"; }

const char kPolicies[] =
    "[Text formatting]\n"
    "Target Page width : 50\n"
    "Right justify the output text : yes\n"
    "No such policy here : 12\n";

// The program's console output and the memory conversion's output agree,
// time stamp aside, for every document, in both modes, with and without a
// policy file.
TEST(MemoryConversion, GivesTheProgramsBytesForEveryTestDocument) {
  const std::vector<std::string> documents = TestDocuments();
  ASSERT_GE(documents.size(), 5u);
  for (const std::string& path : documents) {
    for (const bool markup_removal : {false, true}) {
      for (const bool with_policies : {false, true}) {
        SCOPED_TRACE(path + (markup_removal ? " -detag" : "") +
                     (with_policies ? " with policies" : ""));
        TempFolder folder;
        const std::string html = ReadAll(path);
        folder.Write("page.htm", html);
        std::vector<std::string> arguments = {"page.htm", "-console"};
        if (markup_removal) arguments.push_back("-detag");
        if (with_policies) {
          folder.Write("my.pol", kPolicies);
          arguments.push_back("my.pol");
        }
        const RunResult run = RunOrvtext(folder, arguments);
        ASSERT_EQ(run.status, 0) << run.err;

        MemoryConversionRequest request;
        request.html = html;
        request.markup_removal = markup_removal;
        if (with_policies) request.policy_text = kPolicies;
        request.name = "page.txt";  // what the program's header shows
        request.timestamp_source = FixedTime;
        const MemoryConversionResult result = ConvertInMemory(request);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(MaskTimestamp(result.output), MaskTimestamp(run.out));
      }
    }
  }
}

TEST(MemoryConversion, ReturnsTheMessagesAndNamesOnlyWhatItIsGiven) {
  MemoryConversionRequest request;
  request.html = "<html><head><title>T</title></head><body><p>Some text.</p></body></html>";
  request.policy_text = kPolicies;
  request.timestamp_source = FixedTime;
  MemoryConversionResult result = ConvertInMemory(request);
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.output.find("| File name    :  "), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Some text."), std::string::npos);
  // A refused policy line is reported, and the accepted ones take effect.
  bool refused = false;
  for (const std::string& message : result.messages)
    refused = refused || (message.starts_with("POLICY:") &&
                          message.find("No such policy") != std::string::npos);
  EXPECT_TRUE(refused);
  EXPECT_EQ(
      result.output.find("/-----------------------------------------------------------------"),
      std::string::npos)
      << "the header should be 50 columns wide:\n"
      << result.output;

  request.name = "named.txt";
  result = ConvertInMemory(request);
  EXPECT_NE(result.output.find("| File name    : named.txt"), std::string::npos) << result.output;
}

TEST(MemoryConversion, ConvertsEmptyAndSixteenBitInput) {
  MemoryConversionRequest request;
  request.timestamp_source = FixedTime;
  MemoryConversionResult result = ConvertInMemory(request);
  EXPECT_TRUE(result.ok);
  EXPECT_NE(result.output.find("File size"), std::string::npos);
  // "<p>é" in UTF-16 with its byte-order mark.
  const std::string utf16("\xFF\xFE<\0p\0>\0\xE9\0", 10);
  request.html = utf16;
  result = ConvertInMemory(request);
  EXPECT_TRUE(result.ok);
  EXPECT_NE(Body(result.output).find("\xC3\xA9"), std::string::npos) << result.output;
}

// A converter that goes on from document to document gives for each what
// a conversion of that document alone gives, whatever came before it
// (tables, lists, centred text, a justified page).
TEST(MemoryConversion, AConverterGivesEachDocumentWhatItGivesAlone) {
  std::vector<std::string> documents;
  for (const std::string& path : TestDocuments()) documents.push_back(ReadAll(path));
  documents.push_back("<center>Centred</center><p align=right>right</p><p>" +
                      std::string(300, 'x') + " end</p>");
  documents.push_back("");
  for (const bool markup_removal : {false, true}) {
    const char* policies = markup_removal ? "" : kPolicies;
    MemoryConverter converter(policies, markup_removal);
    for (int round = 0; round < 2; ++round) {
      for (size_t k = 0; k < documents.size(); ++k) {
        const std::string& html = documents[round == 0 ? k : documents.size() - 1 - k];
        MemoryConversionRequest request;
        request.html = html;
        request.policy_text = policies;
        request.markup_removal = markup_removal;
        request.name = "doc.txt";
        request.timestamp_source = FixedTime;
        const MemoryConversionResult alone = ConvertInMemory(request);
        const MemoryConversionResult in_turn = converter.Convert(html, "doc.txt", FixedTime);
        EXPECT_EQ(in_turn.ok, alone.ok);
        EXPECT_EQ(in_turn.output, alone.output) << "document " << k << ", round " << round;
        EXPECT_EQ(in_turn.messages, alone.messages) << "document " << k << ", round " << round;
      }
    }
  }
}

// Each thread converts every document several times; all give what one
// conversion alone gives. Built with -fsanitize=thread (scripts/test-threads)
// this also shows that the conversions share no mutable state.
TEST(MemoryConversion, ConvertsOnFourThreadsAtOnce) {
  std::vector<std::string> documents;
  for (const std::string& path : TestDocuments()) documents.push_back(ReadAll(path));
  // One large document, so the conversions' own second threads run too.
  std::string large = "<html><body>";
  for (int i = 0; i < 4000; ++i) {
    large += "<p>Paragraph " + std::to_string(i) + " with some <b>bold</b> words and <a href=\"x" +
             std::to_string(i) + ".htm\">a link</a>.</p>\n";
    if (i % 100 == 0) large += "<table><tr><td>a</td><td>b</td></tr></table>\n";
  }
  documents.push_back(large + "</body></html>");

  auto convert = [](const std::string& html, bool markup_removal) {
    MemoryConversionRequest request;
    request.html = html;
    request.markup_removal = markup_removal;
    request.policy_text = markup_removal ? "" : kPolicies;
    request.name = "doc.txt";
    request.timestamp_source = FixedTime;
    return ConvertInMemory(request).output;
  };
  std::vector<std::string> expected;
  for (const std::string& html : documents)
    for (const bool markup_removal : {false, true})
      expected.push_back(convert(html, markup_removal));

  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Half the threads convert each document afresh, half keep a
      // converter per mode.
      MemoryConverter text_converter(kPolicies, false);
      MemoryConverter markup_converter("", true);
      size_t i = 0;
      for (const std::string& html : documents) {
        for (const bool markup_removal : {false, true}) {
          const std::string output = t % 2 == 0
                                         ? convert(html, markup_removal)
                                         : (markup_removal ? markup_converter : text_converter)
                                               .Convert(html, "doc.txt", FixedTime)
                                               .output;
          if (output != expected[i++]) ++mismatches[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace orv::testing
