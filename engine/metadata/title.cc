// SPDX-License-Identifier: Apache-2.0
#include "metadata/title.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/chars.h"
#include "common/text_search.h"
#include "dom/text.h"

namespace korvane {
namespace {

// An <h1> is the article's heading when it is at least this alike to the title.
constexpr double kHeadlineMatch = 0.5;
// Headings are compared on their first units only, to bound the cost.
constexpr size_t kMaxCompared = 256;
// At most this many <h1> are weighed (pages of teasers have dozens).
constexpr size_t kMaxHeadings = 32;
// At most this many parts at either end of a title are weighed as the
// site's name ("Title - Section - Site - Network" has three).
constexpr size_t kMaxSiteParts = 8;
// A title or heading longer than this is no title: an <h1> that wraps the
// whole article, a title that runs on into the page.
constexpr size_t kMaxTitle = 300;
// A later part of a title is the headline rather than the site's name when it
// is this much longer than the first part ("Site | A long headline").
constexpr double kLongerPart = 1.5;

bool IsPunctuation(char16_t unit) {
  return unit < 0x80
             ? !IsAsciiAlnum(unit)
             : (unit >= 0x2000 && unit <= 0x206F) || (unit >= 0x3000 && unit <= 0x303F) ||
                   (unit >= 0xFF00 && unit <= 0xFF0F) || (unit >= 0xFF1A && unit <= 0xFF20) ||
                   (unit >= 0xFF3B && unit <= 0xFF40) || unit >= 0xFF5B || unit == 0xA0;
}

std::u16string Normalised(std::u16string_view text) {
  std::u16string out;
  for (const char16_t unit : text.substr(0, kMaxCompared)) {
    if (IsPunctuation(unit)) continue;
    out.push_back(AsciiLower(unit));
  }
  return out;
}

std::vector<uint32_t> Pairs(std::u16string_view text) {
  std::vector<uint32_t> pairs;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    pairs.push_back(uint32_t{text[i]} << 16 | text[i + 1]);
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

double SharedPairs(std::u16string_view a, std::u16string_view b) {
  const std::vector<uint32_t> x = Pairs(a);
  const std::vector<uint32_t> y = Pairs(b);
  if (x.empty() || y.empty()) return 0;
  size_t shared = 0;
  for (size_t i = 0, j = 0; i < x.size() && j < y.size();) {
    if (x[i] == y[j]) {
      ++shared, ++i, ++j;
    } else if (x[i] < y[j]) {
      ++i;
    } else {
      ++j;
    }
  }
  return 2.0 * static_cast<double>(shared) / static_cast<double>(x.size() + y.size());
}

// Words that mark a part of a title as the site's name.
bool LooksLikeSiteName(std::u16string_view part) {
  static constexpr std::u16string_view kMarks[] = {u"www.", u".com", u".cn", u".net", u".org"};
  for (const std::u16string_view mark : kMarks) {
    if (part.find(mark) != std::u16string_view::npos) return true;
  }
  static constexpr std::u16string_view kEnds[] = {u"网",   u"频道", u"新闻", u"在线",
                                                  u"首页", u"门户", u"论坛", u"博客"};
  for (const std::u16string_view end : kEnds) {
    if (part.size() >= end.size() && part.substr(part.size() - end.size()) == end) return true;
  }
  return false;
}

// The length of a separator between a title's parts at `at`, or 0.
size_t SeparatorAt(std::u16string_view title, size_t at) {
  static constexpr std::u16string_view kSpaced[] = {u" - ",  u" – ", u" — ", u" | ",
                                                    u" :: ", u" » ", u" · ", u" / "};
  const char16_t unit = title[at];
  if (unit == u' ') {
    for (const std::u16string_view separator : kSpaced) {
      if (title.substr(at, separator.size()) == separator) return separator.size();
    }
  }
  if (unit == u'_' || unit == u'|' || unit == 0xFF5C || unit == u'丨') return 1;
  if (title.substr(at, 2) == u"——" || title.substr(at, 2) == u"--") return 2;
  // "标题-新浪网": a hyphen between Chinese characters.
  if ((unit == u'-' || unit == 0xFF0D) && at > 0 && at + 1 < title.size() && IsCjk(title[at - 1]) &&
      IsCjk(title[at + 1])) {
    return 1;
  }
  return 0;
}

// The parts of a title between separators, without blanks around them.
std::vector<std::u16string_view> TitleParts(std::u16string_view title) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  for (size_t at = 0; at < title.size();) {
    const size_t separator = SeparatorAt(title, at);
    if (separator == 0) {
      ++at;
      continue;
    }
    parts.push_back(TrimBlanks(title.substr(start, at - start)));
    at += separator;
    start = at;
  }
  parts.push_back(TrimBlanks(title.substr(start)));
  return parts;
}

bool IsForeign(Tag tag) { return tag == Tag::kSvg || tag == Tag::kMath; }

std::u16string TitleText(const Dom& dom) {
  std::u16string text;
  NodeIndex foreign_end = 0;  // the titles of SVG and MathML are not the page's
  for (const NodeIndex i : dom.Landmarks()) {
    const Node& node = dom[i];
    if (i < foreign_end) continue;
    if (IsForeign(node.tag)) {
      foreign_end = node.end;
    } else if (node.tag == Tag::kTitle) {
      if (dom.FirstChild(i) == kNoNode) continue;
      TextWriter writer(text);
      writer.AppendText(dom.Text(dom[dom.FirstChild(i)]));
      writer.Finish();
      if (text.size() > kMaxTitle) text.clear();
      if (!text.empty()) break;
    }
  }
  return text;
}

struct Heading {
  NodeIndex node;
  std::u16string text;
};

std::vector<Heading> TopHeadings(const Dom& dom) {
  std::vector<Heading> headings;
  NodeIndex passed_end = 0;  // inside SVG, MathML or a heading already read
  for (const NodeIndex i : dom.Landmarks()) {
    if (headings.size() >= kMaxHeadings) break;
    const Tag tag = dom[i].tag;
    if (i < passed_end) continue;
    if (IsForeign(tag)) {
      passed_end = dom[i].end;
    } else if (tag == Tag::kH1) {
      std::u16string text = OneLineText(dom, i);
      if (!text.empty() && text.size() <= kMaxTitle) {
        headings.push_back(Heading{i, std::move(text)});
      }
      passed_end = dom[i].end;
    }
  }
  return headings;
}

}  // namespace

double HeadingSimilarity(std::u16string_view a, std::u16string_view b) {
  const std::u16string x = Normalised(a);
  const std::u16string y = Normalised(b);
  if (x.empty() || y.empty()) return 0;
  if (x == y) return 1;
  const std::u16string& shorter = x.size() < y.size() ? x : y;
  const std::u16string& longer = x.size() < y.size() ? y : x;
  double similarity = SharedPairs(x, y);
  if (shorter.size() >= 2 && longer.find(shorter) != std::u16string::npos) {
    const double filled = static_cast<double>(shorter.size()) / static_cast<double>(longer.size());
    similarity = std::max(similarity, 0.5 + 0.5 * filled);
  }
  return similarity;
}

std::u16string WithoutSiteName(std::u16string_view title) {
  std::u16string_view chosen;
  for (const std::u16string_view part : TitleParts(title)) {
    if (part.empty() || LooksLikeSiteName(part)) continue;
    if (chosen.empty()) {
      chosen = part;
    } else if (static_cast<double>(part.size()) >
               kLongerPart * static_cast<double>(chosen.size())) {
      chosen = part;
    }
  }
  return std::u16string(chosen.empty() ? TrimBlanks(title) : chosen);
}

std::u16string WithoutSiteParts(std::u16string_view title, std::u16string_view site,
                                std::u16string_view site_name, std::u16string_view heading) {
  const std::u16string normalised_heading = Normalised(heading);
  const auto names_site = [&](std::u16string_view part) {
    const std::u16string normalised = Normalised(part);
    if (!normalised.empty() && normalised_heading.find(normalised) != std::u16string::npos) {
      return false;  // the article's own heading has it
    }
    return LooksLikeSiteName(part) || (!site_name.empty() && normalised == Normalised(site_name)) ||
           (part.size() >= 2 && FindLinear(site, part) != kNotFound);
  };
  std::vector<std::u16string_view> parts = TitleParts(title);
  size_t first = 0;
  size_t last = parts.size();
  while (last - first > 1 && parts.size() - last < kMaxSiteParts && names_site(parts[last - 1])) {
    --last;
  }
  while (last - first > 1 && first < kMaxSiteParts && names_site(parts[first])) ++first;
  // The kept parts as the title writes them, separators and all.
  const size_t begin = static_cast<size_t>(parts[first].data() - title.data());
  const size_t end =
      static_cast<size_t>(parts[last - 1].data() - title.data()) + parts[last - 1].size();
  return std::u16string(title.substr(begin, end - begin));
}

PageHeadings ReadHeadings(const Dom& dom, std::u16string_view og_title,
                          std::u16string_view site_name) {
  if (og_title.size() > kMaxTitle) og_title = {};
  const std::u16string page_title = TitleText(dom);
  const std::u16string short_title = WithoutSiteName(page_title);
  std::u16string site = page_title;
  if (const size_t at = FindLinear(page_title, short_title);
      !short_title.empty() && at != kNotFound) {
    site.erase(at, short_title.size());
  }
  const std::vector<Heading> headings = TopHeadings(dom);
  const std::u16string normalised_site = Normalised(site);
  const Heading* best = nullptr;
  double best_match = kHeadlineMatch;
  for (const Heading& heading : headings) {
    // An <h1> that is the site's name (a logo) is no headline.
    const std::u16string text = Normalised(heading.text);
    if (!text.empty() && normalised_site.find(text) != std::u16string::npos) continue;
    const double match = std::max({HeadingSimilarity(heading.text, page_title),
                                   HeadingSimilarity(heading.text, short_title),
                                   HeadingSimilarity(heading.text, og_title)});
    if (match >= best_match && (!best || match > best_match)) {
      best = &heading;
      best_match = match;
    }
  }
  PageHeadings result;
  if (!og_title.empty()) {
    result.title = WithoutSiteParts(og_title, site, site_name, best ? best->text : u"");
    // A quote inside the og:title's attribute cut it short: the heading has it whole.
    if (best && best->text.size() > result.title.size() &&
        std::u16string_view(best->text).substr(0, result.title.size()) == result.title) {
      result.title = best->text;
    }
  } else if (best) {
    result.title = best->text;
  } else if (!short_title.empty()) {
    result.title = short_title;
  } else if (!headings.empty()) {
    result.title = headings.front().text;
  }
  result.headline = best ? best->text : result.title;
  result.site = std::move(site);
  if (best) result.headline_node = best->node;
  return result;
}

}  // namespace korvane
