// SPDX-License-Identifier: Apache-2.0
#include "dom/images.h"

#include <functional>
#include <unordered_set>

#include "common/chars.h"
#include "html/char_refs.h"
#include "html/tokenizer.h"

namespace korvane {
namespace {

// "a.jpg 1x, b.jpg 2x" -> "a.jpg".
std::u16string_view FirstCandidate(std::u16string_view srcset) {
  srcset = TrimHtmlSpace(srcset);
  size_t end = 0;
  while (end < srcset.size() && !IsHtmlSpace(srcset[end])) ++end;
  std::u16string_view url = srcset.substr(0, end);
  if (!url.empty() && url.back() == u',') url.remove_suffix(1);
  return url;
}

// Decoded, and without the tabs and line breaks that URLs drop anyway (a
// source is one line of the record).
std::u16string CleanSource(std::u16string_view url) {
  std::u16string source = DecodeReferences(url, ReferenceContext::kAttribute);
  std::erase_if(source,
                [](char16_t unit) { return unit == u'\t' || unit == u'\n' || unit == u'\r'; });
  return source;
}

bool IsPlaceholder(std::u16string_view url) {
  return url.size() >= 5 && EqualIgnoringAsciiCase(url.substr(0, 5), u"data:");
}

}  // namespace

std::u16string ImageSource(const Dom& dom, const Node& image) {
  // Lazy loaders keep the real source in attributes of their own (the src
  // beside them is a placeholder). Then the src, the page's own choice: a
  // srcset holds other sizes of the same picture, and its first candidate
  // is as often the smallest as the largest; it stands in for a src that
  // is missing.
  static constexpr struct {
    std::u16string_view name;
    bool set;  // a list of candidates
  } kSources[] = {{u"data-src", false},
                  {u"data-original", false},
                  {u"data-srcset", true},
                  {u"src", false},
                  {u"srcset", true}};
  for (const auto& source : kSources) {
    const Attribute* attribute = dom.FindAttribute(image, source.name);
    if (attribute == nullptr) continue;
    const std::u16string_view raw = dom.RawValue(*attribute);
    const std::u16string_view url = source.set ? FirstCandidate(raw) : TrimHtmlSpace(raw);
    if (!url.empty() && !IsPlaceholder(url)) return CleanSource(url);
  }
  return {};
}

std::vector<std::u16string> ArticleImages(const Dom& dom, std::span<const NodeIndex> parts,
                                          std::span<const uint8_t> drops) {
  std::vector<std::u16string> images;
  // The sources kept so far, by their index in `images`: each new one is
  // looked up in constant time, and no source is held twice.
  const auto hash = [&](size_t index) { return std::hash<std::u16string>()(images[index]); };
  const auto equal = [&](size_t a, size_t b) { return images[a] == images[b]; };
  std::unordered_set<size_t, decltype(hash), decltype(equal)> kept(0, hash, equal);
  for (const NodeIndex part : parts) {
    for (NodeIndex i = part; i < dom[part].end; ++i) {
      if (drops[i] != 0) {
        i = dom[i].end - 1;
        continue;
      }
      if (dom[i].tag != Tag::kImg) continue;
      std::u16string source = ImageSource(dom, dom[i]);
      if (source.empty()) continue;
      images.push_back(std::move(source));
      if (!kept.insert(images.size() - 1).second) images.pop_back();
    }
  }
  return images;
}

}  // namespace korvane
