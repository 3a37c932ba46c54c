// Fuzz target: a whole command line run in a scratch folder of documents,
// policy files and a settings file. Whatever the qualifiers ask, the run
// must never change a file it reads: every file of the folder is compared
// with what it held before, after each run, and the outputs the run made
// are removed.
//
// Under -overwrite documents may be replaced as asked, and so may a document
// the command line names as the output; they are put back for the next run. The input is the command line, one argument per line. Arguments that
// would reach outside the scratch folder (an absolute path, "..", a
// backslash) are refused before the run: the target tests the program,
// not the machine's other files.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/arguments.h"
#include "platform/directory.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/status_window.h"
#include "run/command_line.h"
#include "run/context.h"
#include "run/conversion_run.h"

namespace {

const std::map<std::string, std::string>& SeedFiles() {
  static const std::map<std::string, std::string> files = {
      {"a.htm", "<html><head><title>A</title></head><body><h1>One</h1><p>Text &amp; more "
                "<a href=\"b.html\">link</a></p><ul><li>x<li>y</ul></body></html>\n"},
      {"b.html", "<table border=1><tr><td>1</td><td>2</td></tr></table><pre> pre\n</pre>\n"},
      {"sub/c.htm", "<p align=center>centred</p><br><hr width=50%>\n"},
      {"sub/deeper/d.html", "<!-- comment --><script>var x = '<p>';</script><p>d</p>\n"},
      {"p.pol", "[Text formatting]\nTarget Page width : 60\ninclude file : inc.pol\n"},
      {"inc.pol", "Right-justify text : yes\n"},
      {"settings.ini", "[DefaultPolicy]\nFile=\n"},
      {"notes.txt", "plain text that is not HTML\n"},
  };
  return files;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every regular file under `folder`, by path relative to it.
void ListFiles(const std::string& folder, const std::string& prefix,
               std::vector<std::string>& found) {
  DIR* dir = opendir((folder + prefix).c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string relative = prefix + name;
    struct stat info;
    if (lstat((folder + relative).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      ListFiles(folder, relative + "/", found);
      found.push_back(relative + "/");
    } else {
      found.push_back(relative);
    }
  }
  closedir(dir);
}

void LayOutScratch(const std::string& root) {
  mkdir((root + "sub").c_str(), 0755);
  mkdir((root + "sub/deeper").c_str(), 0755);
  for (const auto& [name, text] : SeedFiles()) orv::fuzz::WriteFile(root + name, text);
}

void WriteFileIfChanged(const std::string& path, const std::string& text) {
  if (Read(path) != text) orv::fuzz::WriteFile(path, text);
}

// Whether `word` is the output qualifier ("-output=", "/OU=", any case,
// shortened to two letters at least) naming `name` as the output file.
// The user may name an existing document as the output of a run that does
// not read it; only the files a run reads are protected.
bool NamesAsOutput(const std::string& word, const std::string& name) {
  const size_t equals = word.find('=');
  if (word.size() < 3 || (word[0] != '-' && word[0] != '/') || equals == std::string::npos) return false;
  const std::string qualifier = word.substr(1, equals - 1);
  const std::string full = "output";
  if (qualifier.size() < 2 || qualifier.size() > full.size()) return false;
  for (size_t k = 0; k < qualifier.size(); ++k)
    if ((qualifier[k] | 0x20) != full[k]) return false;
  std::string value = word.substr(equals + 1);
  while (value.rfind("./", 0) == 0) value.erase(0, 2);
  return value == name;
}

bool Acceptable(const std::string& argument) {
  if (argument.empty() || argument.size() > 200) return false;
  if (argument[0] == '/') return false;
  if (argument.find("..") != std::string::npos) return false;
  if (argument.find('\\') != std::string::npos) return false;
  // A qualifier value that is an absolute path ("-output=/x").
  if (argument.find("=/") != std::string::npos || argument.find(":/") != std::string::npos)
    return false;
  if (argument.find('~') != std::string::npos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace orv;
  static const std::string root = [] {
    const std::string folder = fuzz::ScratchFolder() + "cmd/";
    mkdir(folder.c_str(), 0755);
    LayOutScratch(folder);
    if (chdir(folder.c_str()) != 0) std::abort();
    setenv("ORVTEXT_SETTINGS", (folder + "settings.ini").c_str(), 1);
    setenv("HOME", folder.c_str(), 1);
    return folder;
  }();

  std::vector<std::string> words;
  std::string text(reinterpret_cast<const char*>(bytes), size);
  size_t from = 0;
  while (from <= text.size() && words.size() < 8) {
    size_t feed = text.find('\n', from);
    if (feed == std::string::npos) feed = text.size();
    words.push_back(text.substr(from, feed - from));
    from = feed + 1;
  }
  for (const std::string& word : words)
    if (!Acceptable(word)) return -1;  // not kept in the corpus

  bool documents_may_change = false;
  {
    StoredSettings settings;
    settings.Load(nullptr);
    Context context;
    std::ostringstream discard;
    context.Sink().SetStreams(&discard, &discard);
    context.SetEcho(false);
    std::vector<MappedArgument> arguments;
    for (const std::string& word : words) arguments.push_back(MapArgument(word, PathExists));
    FileSelection selection;
    const MessageBoxFn message_box = StreamMessageBox(discard);
    ReadCommandLine(arguments, context, selection, message_box, root);
    // -overwrite lets outputs replace documents (even when it was written
    // wrong: a qualifier's effect is set before its spelling is checked).
    // Policy and settings files stay inputs whatever is asked.
    documents_may_change = context.Qualifiers().overwrite;
    if (!context.Qualifiers().help && !NoInputFile(selection)) {
      StatusWindow status(&discard);
      ConversionRun run(context, status, RunSettings::FromStored(settings), message_box);
      run.RunCommandLine(selection);
    }
  }

  // The oracle: every file the run could read is as it was.
  for (const auto& [name, seed] : SeedFiles()) {
    const bool document = !name.ends_with(".pol") && !name.ends_with(".ini");
    bool named_output = false;
    for (const std::string& word : words) named_output |= NamesAsOutput(word, name);
    // A document named as the output may have been written, unless the
    // run read it too: then the run refuses (a word naming it as an input
    // keeps it under the oracle).
    bool named_input = false;
    for (const std::string& word : words) named_input |= word == name || word == "./" + name;
    if (document && ((documents_may_change) || (named_output && !named_input))) {
      WriteFileIfChanged(root + name, seed);
      continue;
    }
    if (Read(root + name) != seed) {
      std::cerr << "the run changed its input " << name << "\n";
      std::abort();
    }
  }
  // Outputs go, so the next run starts from the same folder.
  std::vector<std::string> present;
  ListFiles(root, "", present);
  for (const std::string& relative : present) {
    const bool seed = SeedFiles().count(relative) != 0 || relative == "sub/" ||
                      relative == "sub/deeper/";
    if (seed) continue;
    if (relative.back() == '/')
      rmdir((root + relative).c_str());
    else
      unlink((root + relative).c_str());
  }
  return 0;
}
