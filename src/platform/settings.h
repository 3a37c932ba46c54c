// Stored settings, read-only, from an INI file. A stored value name such as
// "DefaultPolicy\File" is key "File" of section "[DefaultPolicy]"; a name
// without a backslash ("AutoDDEUpdates") is a key before any section.
// Nothing on this platform writes the file.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class StoredSettings {
 public:
  // Reads the environment through `get_env` (std::getenv by default).
  using EnvLookup = std::function<const char*(const char*)>;

  // Where the settings file lives: $ORVTEXT_SETTINGS, else
  // $XDG_CONFIG_HOME/orvtext/settings.ini, else
  // $HOME/.config/orvtext/settings.ini; "" when none of these is known.
  static std::string SettingsPath(const EnvLookup& get_env);

  // Loads the file named by SettingsPath. A missing file is no error: every
  // value then has its default. Returns true when a file was read. Only a
  // plain file is read (a pipe or device is refused, see Problems()), and a
  // line longer than 64 KB is refused.
  bool Load(const EnvLookup& get_env);
  bool LoadFile(const std::string& path);
  // The messages of the last load ("ERROR: ..." lines), for the caller to
  // show.
  const std::vector<std::string>& Problems() const { return problems_; }
  // The file the settings were read from ("" when none was).
  const std::string& LoadedPath() const { return loaded_path_; }
  // Parses INI text: "[Section]" lines, "key=value" lines, and comment lines
  // beginning with ";" or "#". Section and key names ignore letter case;
  // blanks around names and values are dropped. Later keys replace earlier.
  void LoadText(std::string_view text);

  // The string stored under `value_name`, or `fallback` when there is none.
  std::string GetString(std::string_view value_name, std::string_view fallback = "") const;
  // A yes/no value: "1", "yes", "true", "on" are yes; "0", "no", "false",
  // "off" are no (any letter case); anything else gives `fallback`.
  bool GetFlag(std::string_view value_name, bool fallback) const;

 private:
  std::vector<std::string> problems_;
  std::string loaded_path_;
  // Keys are "SECTION\KEY" folded to upper case ("\KEY" before any section).
  std::map<std::string, std::string> values_;
};

}  // namespace orv
