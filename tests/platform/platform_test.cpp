// Tests of the Linux platform layers: full paths, argument mapping, stored
// settings, message boxes, the status window and giving memory back.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/arguments.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/status_window.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

TEST(FullPathTest, FoldsDotsLexically) {
  struct Case {
    std::string_view name, base, full;
  } cases[] = {
      {"a.htm", "/home/me", "/home/me/a.htm"},
      {"a.htm", "/home/me/", "/home/me/a.htm"},
      {"./x/../a.htm", "/home/me/", "/home/me/a.htm"},
      {"../../../../a", "/home/me/", "/a"},
      {"/abs//dir/./f", "/ignored/", "/abs/dir/f"},
      {"sub/", "/b/", "/b/sub/"},
      {"", "/b", "/b/"},
      {"..", "/", "/"},
      {"a\\b.htm", "/d/", "/d/a\\b.htm"},
  };
  for (const Case& c : cases) EXPECT_EQ(FullPathFrom(c.name, c.base), c.full) << c.name;
  EXPECT_EQ(FullPath("/x/./y"), "/x/y");
  EXPECT_TRUE(IsFullPath(FullPath("relative")));
}

TEST(MapArgumentTest, SwitchesFilesAndValues) {
  auto exists = [](std::string_view path) { return path == "/home/me/page.htm" || path == "/tmp"; };
  struct Case {
    std::string_view argument;
    bool is_switch;
    std::string_view text;
  } cases[] = {
      {"-help", true, "/help"},
      {"--help", true, "/help"},
      {"-?", true, "/?"},
      {"/lo", true, "/lo"},
      {"page.htm", false, "page.htm"},
      {"/home/me/page.htm", false, "/home/me/page.htm"},
      {"/tmp", false, "/tmp"},
      {"/missing/page.htm", false, "/missing/page.htm"},
      {"/log=/data/run.log", true, "/log=\"/data/run.log\""},
      {"-output=/data/out/*.txt", true, "/output=\"/data/out/*.txt\""},
      {"--output=say\"hi\".txt", true, "/output=<say\"hi\".txt>"},
      {"-log= run.log", true, "/log= run.log"},
      {"-log=", true, "/log="},
      {"-", false, "-"},  // standard input
      {"--", true, "/"},
  };
  for (const Case& c : cases) {
    MappedArgument m = MapArgument(c.argument, exists);
    EXPECT_EQ(m.is_switch, c.is_switch) << c.argument;
    EXPECT_EQ(m.text, c.text) << c.argument;
  }
}

TEST(StoredSettingsTest, SectionsKeysAndFlags) {
  StoredSettings s;
  s.LoadText(
      "AutoDDEUpdates = yes\n"
      "; comment\n"
      "[DefaultPolicy]\r\n"
      "File = /etc/orv/main.pol\r\n"
      "AlwaysReload=0\n"
      "[dialogs]\n"
      "DisplayStatusDialog=No\n"
      "AutoDismissStatusDialog=maybe\n");
  EXPECT_EQ(s.GetString("DefaultPolicy\\File"), "/etc/orv/main.pol");
  EXPECT_TRUE(s.GetFlag("AutoDDEUpdates", false));
  EXPECT_FALSE(s.GetFlag("DefaultPolicy\\AlwaysReload", true));
  EXPECT_FALSE(s.GetFlag("Dialogs\\DisplayStatusDialog", true));
  EXPECT_TRUE(s.GetFlag("Dialogs\\AutoDismissStatusDialog", true));  // unreadable: default
  EXPECT_TRUE(s.GetFlag("DragAndDrop\\ViewStatusWindow", true));     // missing: default
  EXPECT_EQ(s.GetString("File", "none"), "none");  // a sectioned key is not a top-level one
}

TEST(StoredSettingsTest, FileLocationFollowsTheEnvironment) {
  auto env = [](std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) -> const char* {
      auto it = values.find(name);
      return it == values.end() ? nullptr : it->second.c_str();
    };
  };
  EXPECT_EQ(StoredSettings::SettingsPath(env({{"ORVTEXT_SETTINGS", "/s.ini"}, {"HOME", "/h"}})),
            "/s.ini");
  EXPECT_EQ(StoredSettings::SettingsPath(env({{"XDG_CONFIG_HOME", "/c"}, {"HOME", "/h"}})),
            "/c/orvtext/settings.ini");
  EXPECT_EQ(StoredSettings::SettingsPath(env({{"HOME", "/h"}})), "/h/.config/orvtext/settings.ini");
  EXPECT_EQ(StoredSettings::SettingsPath(env({})), "");

  testing::TempFolder dir;
  const std::string path = dir.Write("settings.ini", "[DefaultPolicy]\nFile=x.pol\n");
  StoredSettings s;
  EXPECT_TRUE(s.Load(env({{"ORVTEXT_SETTINGS", path}})));
  EXPECT_EQ(s.GetString("defaultpolicy\\file"), "x.pol");
  StoredSettings missing;
  EXPECT_FALSE(missing.Load(env({{"ORVTEXT_SETTINGS", dir.Path() + "none.ini"}})));
}

TEST(MessageBoxTest, OneLineOnTheErrorStream) {
  std::ostringstream err;
  StreamMessageBox(err)("Directory Error", "Invalid Output Directory.\n\rMust be writable");
  ShowMessageBox(err, "Convert Error", "Conversion failed");
  EXPECT_EQ(err.str(),
            "Directory Error: Invalid Output Directory. Must be writable\n"
            "Convert Error: Conversion failed\n");
}

TEST(StatusWindowTest, EchoesOnlyWhileShown) {
  std::ostringstream err;
  StatusWindow window(&err);
  window.Append("hidden");
  window.Show();
  window.Append("one\ntwo");
  window.Hide();
  window.Append("after");
  EXPECT_EQ(err.str(), "one\ntwo\n");
  EXPECT_EQ(window.Lines(), (std::vector<std::string>{"hidden", "one", "two", "after"}));
  EXPECT_EQ(window.DisplayedText(), "hidden\r\r\none\r\r\ntwo\r\r\nafter\r\r\n");
  window.Clear();
  EXPECT_TRUE(window.Lines().empty());
  EXPECT_EQ(window.DisplayedText(), "");
}

TEST(StatusWindowTest, LongDisplayedTextIsRebuiltFromTheLastFiftyLines) {
  StatusWindow window;
  const std::string line(99, 'x');  // 102 characters per displayed line
  for (int i = 0; i < 196; ++i) window.Append(line);
  EXPECT_EQ(window.DisplayedText().size(), 196u * 102u);  // 19992: not yet over
  window.Append(line);                                    // 20094 now
  window.Append("last");                                  // rebuilt before this one shows
  EXPECT_EQ(window.Lines().size(), 198u);
  EXPECT_EQ(window.DisplayedText().size(), 49u * 102u + 7u);
  EXPECT_TRUE(window.DisplayedText().ends_with("last\r\r\n"));
}

// Only whole pages inside the stretch are given back: the bytes of the
// pages it only partly covers, at either end, stay as they were.
TEST(ReleasePagesTest, KeepsThePartlyCoveredPagesAtBothEnds) {
  std::string buffer(3 << 20, 'a');
  char* const data = buffer.data();
  const size_t from = 5000, to = (2 << 20) + 7;
  ReleasePages(data + from, to - from);
  for (size_t i = 0; i < from; ++i) ASSERT_EQ(buffer[i], 'a') << i;
  for (size_t i = to; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 'a') << i;
  ReleasePages(data, 0);
  ReleasePages(data + 1, 10);
  EXPECT_EQ(buffer[1], 'a');
}

}  // namespace
}  // namespace orv
