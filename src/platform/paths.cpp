// Lexical path folding and the current directory.
#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace orv {

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
    buffer.resize(buffer.size() * 2);
  }
  std::string dir(buffer.data());
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string FullPathFrom(std::string_view name, std::string_view base) {
  std::string joined;
  if (IsFullPath(name)) {
    joined = std::string(name);
  } else {
    joined = std::string(base);
    if (joined.empty() || joined.back() != '/') joined += '/';
    joined += name;
  }
  const bool ends_in_slash = !joined.empty() && joined.back() == '/';

  std::vector<std::string_view> parts;
  std::string_view rest(joined);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }

  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  if (out.empty() || ends_in_slash) out += '/';
  return out;
}

std::string FullPath(std::string_view name) { return FullPathFrom(name, CurrentDirectory()); }

}  // namespace orv
