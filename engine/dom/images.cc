// SPDX-License-Identifier: Apache-2.0
#include "dom/images.h"

#include <algorithm>

#include "html/char_refs.h"
#include "html/tokenizer.h"

namespace korvane {
namespace {

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// "a.jpg 1x, b.jpg 2x" -> "a.jpg".
std::u16string_view FirstCandidate(std::u16string_view srcset) {
  srcset = Trim(srcset);
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
  static constexpr std::u16string_view kLazy[] = {u"data-src", u"data-original"};
  static constexpr std::u16string_view kSets[] = {u"srcset", u"data-srcset"};
  for (std::u16string_view name : kLazy) {
    const Attribute* attribute = dom.FindAttribute(image, name);
    if (attribute == nullptr) continue;
    const std::u16string_view url = Trim(dom.RawValue(*attribute));
    if (!url.empty() && !IsPlaceholder(url)) return CleanSource(url);
  }
  if (const Attribute* src = dom.FindAttribute(image, u"src")) {
    const std::u16string_view url = Trim(dom.RawValue(*src));
    if (!url.empty() && !IsPlaceholder(url)) return CleanSource(url);
  }
  for (std::u16string_view name : kSets) {
    const Attribute* attribute = dom.FindAttribute(image, name);
    if (attribute == nullptr) continue;
    const std::u16string_view url = FirstCandidate(dom.RawValue(*attribute));
    if (!url.empty() && !IsPlaceholder(url)) return CleanSource(url);
  }
  return {};
}

std::vector<std::u16string> ArticleImages(const Dom& dom, std::span<const NodeIndex> parts,
                                          std::span<const uint8_t> drops) {
  std::vector<std::u16string> images;
  for (const NodeIndex part : parts) {
    for (NodeIndex i = part; i < dom[part].end; ++i) {
      if (drops[i] != 0) {
        i = dom[i].end - 1;
        continue;
      }
      if (dom[i].tag != Tag::kImg) continue;
      std::u16string source = ImageSource(dom, dom[i]);
      if (!source.empty() && std::find(images.begin(), images.end(), source) == images.end()) {
        images.push_back(std::move(source));
      }
    }
  }
  return images;
}

}  // namespace korvane
