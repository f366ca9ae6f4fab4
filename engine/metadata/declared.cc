// SPDX-License-Identifier: Apache-2.0
#include "metadata/declared.h"

#include <algorithm>
#include <cstring>

#include "common/chars.h"
#include "dom/text.h"
#include "html/tokenizer.h"
#include "metadata/byline.h"

namespace korvane {
namespace {

// Elements named author or byline whose text is longer, or that hold more
// nodes, are not one byline.
constexpr size_t kMaxBylineText = 80;
constexpr NodeIndex kMaxBylineNodes = 64;

// A <meta> name or property in lower case without punctuation, with how
// surely it names the date of publication (0 surest).
struct NamedField {
  std::u16string_view name;
  int rank;
};

constexpr NamedField kDateNames[] = {
    {u"articlepublishedtime", 0},
    {u"datepublished", 0},
    {u"ogreleasedate", 1},
    {u"ogpublishedtime", 1},
    {u"publishdate", 1},
    {u"pubdate", 1},
    {u"publisheddate", 1},
    {u"publishtime", 1},
    {u"publishedtime", 1},
    {u"firstpublishedtime", 1},
    {u"ptime", 1},
    {u"pubtime", 1},
    {u"apubtime", 1},
    {u"ogtime", 1},
    {u"sailthrudate", 1},
    {u"parselypubdate", 1},
    {u"citationpublicationdate", 1},
    {u"citationdate", 1},
    {u"prismpublicationdate", 1},
    {u"dcdateissued", 1},
    {u"dctermsissued", 1},
    {u"releasedate", 1},
    {u"articlepublished", 1},
    {u"pdate", 1},
    {u"weiboarticlecreateat", 2},
    {u"dcdate", 3},
    {u"dctermsdate", 3},
    {u"dctermscreated", 3},
    {u"date", 3},
};

constexpr NamedField kAuthorNames[] = {
    {u"author", 0},          {u"articleauthor", 1},   {u"byl", 1},           {u"dccreator", 1},
    {u"dctermscreator", 1},  {u"sailthruauthor", 1},  {u"parselyauthor", 1}, {u"citationauthor", 2},
    {u"citationauthors", 2}, {u"ogarticleauthor", 1},
};

template <size_t N>
int RankOf(std::u16string_view name, const NamedField (&fields)[N]) {
  for (const NamedField& field : fields) {
    if (field.name == name) return field.rank;
  }
  return kNoRank;
}

// "article:published_time" -> "articlepublishedtime".
std::u16string FieldName(std::u16string_view name) {
  std::u16string out;
  for (const char16_t unit : name) {
    const char16_t lower = AsciiLower(unit);
    if (IsAsciiAlnum(lower)) out.push_back(lower);
  }
  return out;
}

std::u16string OneLine(std::u16string_view text) {
  std::u16string out;
  TextWriter writer(out);
  writer.AppendText(text);
  writer.Finish();
  return out;
}

bool ContainsIgnoringCase(std::u16string_view text, std::u16string_view lower_word) {
  if (text.size() < lower_word.size()) return false;
  for (size_t at = 0; at + lower_word.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < lower_word.size() && AsciiLower(text[at + i]) == lower_word[i]) ++i;
    if (i == lower_word.size()) return true;
  }
  return false;
}

void OfferDate(std::u16string_view value, int rank, Declared& declared) {
  if (rank >= declared.published_rank) return;
  if (const std::optional<Date> date = ParseDateValue(value)) {
    declared.published = date;
    declared.published_rank = rank;
  }
}

void OfferAuthor(std::u16string_view value, int rank, Declared& declared) {
  if (rank >= declared.author_rank) return;
  std::u16string author = DeclaredAuthor(OneLine(value));
  if (author.empty()) return;
  declared.author = std::move(author);
  declared.author_rank = rank;
}

// Ranks of declared dates and authors, surest first, across their sources.
constexpr int kLinkedRank = 0;
constexpr int kMetaRank = 1;  // + the name's own rank
constexpr int kItempropRank = 1;
constexpr int kPubdateRank = 2;

// A <meta> tag's field: its property, name or itemprop without punctuation.
std::u16string MetaName(const Dom& dom, const Node& node) {
  for (const std::u16string_view attribute : {u"property", u"name", u"itemprop"}) {
    if (const Attribute* found = dom.FindAttribute(node, attribute)) {
      std::u16string name = FieldName(dom.RawValue(*found));
      if (!name.empty()) return name;
    }
  }
  return {};
}

// The first og:title and the last og:site_name count.
bool ReadSiteTitle(const Dom& dom, const Node& node, const std::u16string& name,
                   SiteTitles& titles) {
  if (name == u"ogsitename") {
    titles.site_name = OneLine(dom.AttributeValue(node, u"content"));
    return true;
  }
  if (name == u"ogtitle") {
    if (titles.og_title.empty()) titles.og_title = OneLine(dom.AttributeValue(node, u"content"));
    return true;
  }
  return false;
}

void ReadMeta(const Dom& dom, const Node& node, Declared& declared) {
  const std::u16string name = MetaName(dom, node);
  if (name.empty()) return;
  SiteTitles titles{std::move(declared.og_title), std::move(declared.site_name)};
  const bool site_title = ReadSiteTitle(dom, node, name, titles);
  declared.og_title = std::move(titles.og_title);
  declared.site_name = std::move(titles.site_name);
  if (site_title) return;
  const int date_rank = RankOf(name, kDateNames);
  const int author_rank = RankOf(name, kAuthorNames);
  if (date_rank == kNoRank && author_rank == kNoRank) return;
  const std::u16string content = dom.AttributeValue(node, u"content");
  if (date_rank != kNoRank) OfferDate(content, kMetaRank + date_rank, declared);
  if (author_rank != kNoRank) OfferAuthor(content, kMetaRank + author_rank, declared);
}

void ReadItemprop(const Dom& dom, NodeIndex index, std::u16string_view itemprop,
                  Declared& declared) {
  const Node& node = dom[index];
  // "datePublished dateCreated": the value may name several properties.
  const auto has = [&](std::u16string_view property) {
    for (size_t at = itemprop.find(property); at != std::u16string_view::npos;
         at = itemprop.find(property, at + 1)) {
      const size_t end = at + property.size();
      if ((at == 0 || itemprop[at - 1] == u' ') &&
          (end == itemprop.size() || itemprop[end] == u' ')) {
        return true;
      }
    }
    return false;
  };
  if (has(u"datePublished")) {
    std::u16string value = dom.AttributeValue(node, u"datetime");
    if (value.empty()) value = dom.AttributeValue(node, u"content");
    if (value.empty()) value = ElementText(dom, index);
    OfferDate(value, kMetaRank + kItempropRank, declared);
  } else if (has(u"author") || has(u"creator")) {
    std::u16string value = dom.AttributeValue(node, u"content");
    if (value.empty()) value = ElementText(dom, index);
    OfferAuthor(value, kMetaRank + kItempropRank + 1, declared);
  }
}

// Four units from `at`, letters in lower case: "|" with 0x20 turns an ASCII
// capital into its small letter and makes no other unit a letter.
uint64_t LowerQuad(const char16_t* at) {
  uint64_t units;
  std::memcpy(&units, at, sizeof units);
  return units | 0x0020002000200020ull;
}

constexpr uint64_t Quad(std::u16string_view four) {
  return four[0] | uint64_t{four[1]} << 16 | uint64_t{four[2]} << 32 | uint64_t{four[3]} << 48;
}

// Whether a class, id or rel value names an author or a byline ("author",
// "post-byline", "zuozhe"), in one pass. Four units are compared at a time,
// as one number: the test per position is nearly always false, where a test
// per letter was mispredicted at every "a", "b" and "z".
bool NamesAuthor(std::u16string_view value) {
  constexpr std::u16string_view kWords[] = {u"author", u"byline", u"zuozhe"};
  for (size_t at = 0; at + 6 <= value.size(); ++at) {
    const uint64_t head = LowerQuad(value.data() + at);
    if (head != Quad(u"auth") && head != Quad(u"byli") && head != Quad(u"zuoz")) continue;
    for (const std::u16string_view word : kWords) {
      if (ContainsIgnoringCase(value.substr(at, 6), word)) return true;
    }
  }
  return false;
}

// Microdata and the class, id and rel words of an element, its attributes
// read once.
void ReadAttributes(const Dom& dom, NodeIndex index, Declared& declared) {
  const Node& node = dom[index];
  // Only small elements can be one byline (see ElementText).
  const bool small = node.end - index <= kMaxBylineNodes;
  bool author = false;
  for (const Attribute& attribute : dom.Attributes(node)) {
    // Names told apart by their length first: most attributes are none of these.
    const std::u16string_view name = dom.Name(attribute);
    switch (name.size()) {
      case 8:
        if (EqualIgnoringAsciiCase(name, u"itemprop")) {
          ReadItemprop(dom, index, dom.RawValue(attribute), declared);
        }
        break;
      case 5:
      case 2:
      case 3:
        if (small && !author &&
            (EqualIgnoringAsciiCase(name, u"class") || EqualIgnoringAsciiCase(name, u"id") ||
             (node.tag == Tag::kA && EqualIgnoringAsciiCase(name, u"rel")))) {
          author = NamesAuthor(dom.RawValue(attribute));
        }
        break;
      default:
        break;
    }
  }
  if (author) declared.author_elements.push_back(index);
}

// What a <meta>, a script of linked data or a <time> declares; false for a
// script, whose attributes are not the page's microdata.
bool ReadLandmark(const Dom& dom, NodeIndex i, const NodeWindow& window, Declared& declared) {
  const Node& node = dom[i];
  if (node.tag == Tag::kMeta) {
    ReadMeta(dom, node, declared);
  } else if (node.tag == Tag::kScript) {
    if (const Attribute* type = dom.FindAttribute(node, u"type");
        type && ContainsIgnoringCase(dom.RawValue(*type), u"ld+json") &&
        dom.FirstChild(i) != kNoNode) {
      ReadLinkedData(dom.Text(dom[dom.FirstChild(i)]), declared.linked);
    }
    return false;
  } else if (node.tag == Tag::kTime) {
    if (const std::optional<Date> date = ParseDateValue(dom.AttributeValue(node, u"datetime"))) {
      if (dom.FindAttribute(node, u"pubdate")) {
        OfferDate(dom.AttributeValue(node, u"datetime"), kMetaRank + kPubdateRank, declared);
      }
      if (window.Holds(i)) declared.times.emplace_back(i, *date);
    }
  }
  return true;
}

}  // namespace

SiteTitles ReadSiteTitles(const Dom& dom) {
  SiteTitles titles;
  for (const NodeIndex i : dom.Landmarks()) {
    if (dom[i].tag != Tag::kMeta || dom[i].attribute_count == 0) continue;
    // Most <meta> tags are not Open Graph's: they are passed over unread.
    const bool open_graph = std::any_of(
        dom.Attributes(dom[i]).begin(), dom.Attributes(dom[i]).end(), [&](const Attribute& a) {
          const std::u16string_view value = dom.RawValue(a);
          return value.size() > 2 && AsciiLower(value[0]) == u'o' && AsciiLower(value[1]) == u'g';
        });
    if (!open_graph) continue;
    const std::u16string name = MetaName(dom, dom[i]);
    if (!name.empty()) ReadSiteTitle(dom, dom[i], name, titles);
  }
  return titles;
}

std::u16string ElementText(const Dom& dom, NodeIndex index) {
  if (dom[index].end - index > kMaxBylineNodes) return {};  // a whole block, not a byline
  std::u16string text = OneLineText(dom, index);
  if (text.size() > kMaxBylineText) text.clear();
  return text;
}

Declared ReadDeclared(const Dom& dom, const NodeWindow& window) {
  Declared declared;
  // The tags that declare are read wherever they stand, and the attributes
  // of the elements near the article, all in document order (of two equal
  // ranks the first wins).
  const std::span<const NodeIndex> landmarks = dom.Landmarks();
  size_t next = 0;
  const auto read_landmarks_before = [&](NodeIndex end) {
    for (; next < landmarks.size() && landmarks[next] < end; ++next) {
      ReadLandmark(dom, landmarks[next], window, declared);
    }
  };
  read_landmarks_before(window.begin);
  for (NodeIndex i = window.begin; i < window.end; ++i) {
    bool microdata = true;
    if (next < landmarks.size() && landmarks[next] == i) {
      microdata = ReadLandmark(dom, i, window, declared);
      ++next;
    }
    if (microdata && dom[i].attribute_count != 0) ReadAttributes(dom, i, declared);
  }
  read_landmarks_before(dom.size());
  OfferDate(declared.linked.published, kLinkedRank, declared);
  OfferAuthor(declared.linked.author, kLinkedRank, declared);
  return declared;
}

}  // namespace korvane
