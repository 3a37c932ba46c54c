// Hyperlinks and images in the converted text: the anchor and image handlers
// that the detag pass (html/detag.h) calls for "<a ...>...</a>" spans and
// "<img ...>" tags, and the URL reference list they fill, which the pass
// writes as a numbered table at the end of each output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"

namespace orv {

class DetagPass;
class TagCatalogue;
struct DetagMarkers;
struct DetagOptions;
struct DocumentInfo;

// The distinct URLs an output refers to, numbered from 1 in order of first
// addition. Emptied at the start of each output file, so the inputs of a
// concatenated output share one list and one numbering.
class UrlReferenceList {
 public:
  void Clear();
  // The reference number of `url` (compared as a whole string), adding it
  // at the end when absent; `added` tells whether it was. Constant time on
  // average.
  int Add(std::string_view url, bool& added);
  // The reference number of `url`, or 0 when it is not in the list.
  int Find(std::string_view url) const;
  // Takes back the most recent addition (a link that turned out to show its
  // own address needs no reference).
  void RemoveLast();
  size_t Size() const { return urls_.size(); }
  bool Empty() const { return urls_.empty(); }
  // The URL of reference number `number` (from 1).
  std::string_view Url(size_t number) const { return urls_[number - 1]; }
  // The URLs in reference order: number n is Urls()[n - 1].
  std::vector<std::string> Urls() const;

 private:
  // Copies `url` into the blocks, where it stays put.
  std::string_view Keep(std::string_view url);

  // The slot of `url` in `slots_`: the one holding its number, or the
  // empty one where it would go.
  size_t SlotOf(std::string_view url) const;
  // Doubles the table of numbers (at least 64 slots) and fills it again.
  void Grow();

  // The URLs' text, side by side in blocks that never move, so that the
  // list can view it: many URLs cost their text and about 30 bytes each,
  // not two strings and a map node.
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the free room of the block being filled
  size_t free_size_ = 0;
  std::vector<std::string_view> urls_;  // number n is urls_[n - 1]
  // The numbers by URL, with open addressing: a URL's number, 0 for an
  // empty slot; a power of two in size, at most half full. Only the last
  // URL is ever taken back, so a slot is emptied only where nothing that
  // stays was placed after it.
  std::vector<uint32_t> slots_;
};

// Link classes, from the href. Prefix tests ignore case.
enum class LinkClass {
  kMail,      // "mailto:" with exactly one "@"
  kAbsolute,  // http://, https://, ftp://, gopher://, telnet://, news:// or news:
  kLocal,     // everything else, including a mailto: with two "@"
};
LinkClass ClassifyLink(std::string_view href);

// What the handlers read and change. The pointers are not owned and must
// outlive the calls; `catalogue` may be null outside text mode.
struct LinkEnvironment {
  const DetagOptions* options = nullptr;
  const DetagMarkers* markers = nullptr;
  // The general tag removal that leaves a span's visible text (text mode).
  const TagCatalogue* catalogue = nullptr;
  // Base URL, e-mail record (`email` is the first address, `last_email`
  // the last) and the first and last web address of the document.
  DocumentInfo* info = nullptr;
  UrlReferenceList* references = nullptr;
  // "URL:" messages about the links found (none when null).
  const ReportFunction* report = nullptr;
  // The first visible character after the span (0: none known); a numbered
  // reference before closing punctuation takes no blank after it.
  char next_character = 0;
};

// The first character after `end` in `text` that is not inside a tag
// (looking past a few tags, as in "</i>."), or 0.
char VisibleCharacterAfter(std::string_view text, size_t end);

// Rewrites one anchor span, from "<a" up to and including "</a>". Returns
// true with the replacement text: the link's display text with its URL
// suffix (" [n] " for a numbered reference, " [n]" before one of
// ".,;:!?" or a closing bracket, " [address]" when link URLs
// are displayed), the content alone for a named anchor, or the removed-link
// text for an omitted local or e-mail link. Returns false when the span is
// to stay as it is: it holds a second anchor (nested, or an unterminated
// one before it), or markup removal keeps hyperlinks. Records references,
// e-mail addresses and web addresses on the way. Linear in the span.
bool RewriteAnchor(std::string_view span, LinkEnvironment& environment, std::string& replacement);

// The replacement of one "<img ...>" tag: nothing unless image markers are
// wanted; else "[alt]" (when the alt text is used and not empty), "[Image
// src]" for a local image, "[Image {n}]" for an absolute one with numbered
// references (the src becomes reference n), "[Image]" otherwise, and
// nothing for a tag without alt and src.
std::string RewriteImage(std::string_view tag, LinkEnvironment& environment);

// True when the reference table belongs at the end of the output: numbered
// references are on, the list is not empty, and the output is text, has its
// hyperlinks replaced by their display values, or has its images replaced
// by markers.
bool ReferenceTableWanted(const DetagOptions& options, const UrlReferenceList& references);

// Appends the reference table: an empty line, then "[n] url" per entry.
// The lines are not wrapped.
void AppendReferenceTable(const UrlReferenceList& references, std::vector<std::string>& lines);
// Hands the lines of the reference table to `line` one at a time.
void ForEachReferenceLine(const UrlReferenceList& references,
                          const std::function<void(std::string_view)>& line);

// Puts the anchor and image handlers into the pass's hyperlinks and images
// slots. They read the pass's options, markers, document information and
// URL reference list at each call.
void InstallLinkHandlers(DetagPass& pass);

}  // namespace orv
