// Reading the INI file of stored settings.
#include "platform/settings.h"

#include <cstdlib>

#include "common/ascii_file.h"
#include "common/text.h"
#include "platform/directory.h"

namespace orv {
namespace {

std::string KeyFor(std::string_view value_name) {
  size_t slash = value_name.rfind('\\');
  if (slash == std::string_view::npos) return "\\" + ToUpper(value_name);
  return ToUpper(Trim(value_name.substr(0, slash))) + "\\" +
         ToUpper(Trim(value_name.substr(slash + 1)));
}

}  // namespace

std::string StoredSettings::SettingsPath(const EnvLookup& get_env) {
  auto lookup = [&](const char* name) -> std::string {
    const char* value = get_env ? get_env(name) : std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
  };
  std::string explicit_path = lookup("ORVTEXT_SETTINGS");
  if (!explicit_path.empty()) return explicit_path;
  std::string config = lookup("XDG_CONFIG_HOME");
  if (!config.empty()) return config + "/orvtext/settings.ini";
  std::string home = lookup("HOME");
  if (!home.empty()) return home + "/.config/orvtext/settings.ini";
  return "";
}

bool StoredSettings::Load(const EnvLookup& get_env) {
  std::string path = SettingsPath(get_env);
  return !path.empty() && LoadFile(path);
}

bool StoredSettings::LoadFile(const std::string& path) {
  problems_.clear();
  ASCIIFile in;
  if (!in.OpenReadRegular(path)) {
    // A missing file is no error; anything else that is there is.
    if (PathExists(path))
      problems_.push_back("ERROR: Settings file is not a readable plain file: " + path);
    return false;
  }
  std::string text;
  std::string line;
  while (in.ReadNextLine(line)) {
    if (in.LastLineTooLong()) {
      problems_.push_back("ERROR: Line longer than " + std::to_string(ASCIIFile::kMaxLineLength) +
                          " characters ignored in settings file " + path);
      continue;
    }
    text += line;
    text += '\n';
  }
  in.Close();
  LoadText(text);
  loaded_path_ = path;
  return true;
}

void StoredSettings::LoadText(std::string_view text) {
  std::string section;
  for (const std::string& raw : SplitLines(text)) {
    std::string_view line = TrimView(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      section = ToUpper(
          Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string key = section + "\\" + ToUpper(Trim(line.substr(0, equals)));
    values_[key] = Trim(line.substr(equals + 1));
  }
}

std::string StoredSettings::GetString(std::string_view value_name,
                                      std::string_view fallback) const {
  auto it = values_.find(KeyFor(value_name));
  return it != values_.end() ? it->second : std::string(fallback);
}

bool StoredSettings::GetFlag(std::string_view value_name, bool fallback) const {
  auto it = values_.find(KeyFor(value_name));
  if (it == values_.end()) return fallback;
  const std::string& value = it->second;
  for (std::string_view yes : {"1", "yes", "true", "on"})
    if (EqualsNoCase(value, yes)) return true;
  for (std::string_view no : {"0", "no", "false", "off"})
    if (EqualsNoCase(value, no)) return false;
  return fallback;
}

}  // namespace orv
