#include "metadata/metadata.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/scratch.h"
#include "dom/text.h"
#include "html/tokenizer.h"
#include "metadata/byline.h"
#include "metadata/date_parse.h"
#include "metadata/json_ld.h"
#include "metadata/page_lines.h"
#include "metadata/title.h"

namespace korvane {
namespace {

constexpr int kNoRank = 100;
// Elements named author or byline whose text is longer, or that hold more
// nodes, are not one byline.
constexpr size_t kMaxBylineText = 80;
constexpr NodeIndex kMaxBylineNodes = 64;
// A line alike to the title at least this much marks where the headline stands.
constexpr double kTitleLine = 0.6;
// Lines after the headline that still belong to its dateline and byline.
constexpr size_t kHeadLines = 12;
// The headline is looked for at most this many lines before the article.
constexpr size_t kMaxHeadGap = 60;
// Lines under the headline (or the article's start) where a line of bare
// names is a byline.
constexpr size_t kBareLines = 4;
// Lines above the headline that still count as its dateline.
constexpr size_t kLinesAboveHead = 3;
// Lines around the article's last line where closing bylines stand.
constexpr size_t kEndLinesBefore = 3;
constexpr size_t kEndLinesAfter = 8;
// Blocks read before and after the article: enough for the lines the
// headline is looked for in and the lines scanned around it.
constexpr size_t kBlocksBefore = 120;
constexpr size_t kBlocksAfter = 80;
// Blocks read at an article's start and end; its middle is prose.
constexpr size_t kArticleHeadBlocks = 40;
constexpr size_t kArticleTailBlocks = 30;
// Datelines and bylines are looked for this many lines around the headline
// and the article at most: farther away are menus, lists and footers.
constexpr size_t kScanMargin = 40;
// Lines of this length are prose, not datelines or bylines.
constexpr size_t kShortLine = 80;
constexpr size_t kLongLine = 200;
// The least score of a date or an author found in the text.
constexpr int kLeastDateScore = 6;
constexpr int kLeastAuthorScore = 3;

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
    if ((lower >= u'a' && lower <= u'z') || (lower >= u'0' && lower <= u'9')) out.push_back(lower);
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

// What the page declares about itself.
struct Declared {
  std::u16string og_title;
  std::u16string site_name;
  std::optional<Date> published;
  int published_rank = kNoRank;
  std::u16string author;
  int author_rank = kNoRank;
  LinkedData linked;
  std::vector<NodeIndex> author_elements;  // class or id "author", "byline"; rel="author"
  std::vector<std::pair<NodeIndex, Date>> times;
};

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

void ReadMeta(const Dom& dom, const Node& node, Declared& declared) {
  std::u16string name;
  for (const std::u16string_view attribute : {u"property", u"name", u"itemprop"}) {
    if (const Attribute* found = dom.FindAttribute(node, attribute)) {
      name = FieldName(dom.RawValue(*found));
      if (!name.empty()) break;
    }
  }
  if (name.empty()) return;
  if (name == u"ogsitename") {
    declared.site_name = OneLine(dom.AttributeValue(node, u"content"));
    return;
  }
  if (name == u"ogtitle") {
    if (declared.og_title.empty())
      declared.og_title = OneLine(dom.AttributeValue(node, u"content"));
    return;
  }
  const int date_rank = RankOf(name, kDateNames);
  const int author_rank = RankOf(name, kAuthorNames);
  if (date_rank == kNoRank && author_rank == kNoRank) return;
  const std::u16string content = dom.AttributeValue(node, u"content");
  if (date_rank != kNoRank) OfferDate(content, kMetaRank + date_rank, declared);
  if (author_rank != kNoRank) OfferAuthor(content, kMetaRank + author_rank, declared);
}

std::u16string ElementText(const Dom& dom, NodeIndex index) {
  if (dom[index].end - index > kMaxBylineNodes) return {};  // a whole block, not a byline
  std::u16string text = OneLineText(dom, index);
  if (text.size() > kMaxBylineText) text.clear();
  return text;
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

// Whether a class, id or rel value names an author or a byline ("author",
// "post-byline", "zuozhe"), in one pass.
bool NamesAuthor(std::u16string_view value) {
  for (size_t at = 0; at < value.size(); ++at) {
    // "| 0x20" lowers ASCII letters; a match is confirmed below.
    switch (value[at] | 0x20) {
      case u'a':
        if (ContainsIgnoringCase(value.substr(at, 6), u"author")) return true;
        break;
      case u'b':
        if (ContainsIgnoringCase(value.substr(at, 6), u"byline")) return true;
        break;
      case u'z':
        if (ContainsIgnoringCase(value.substr(at, 6), u"zuozhe")) return true;
        break;
      default:
        break;
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

// The nodes around the article where its dateline and byline may stand:
// the article and enough blocks before and after it for the zones.
struct NodeWindow {
  NodeIndex begin = 0;
  NodeIndex end = 0;
  bool Holds(NodeIndex node) const { return node >= begin && node < end; }
};

NodeWindow AroundArticle(const Dom& dom, ArticleSpan article) {
  if (article.begin == kNoNode) return NodeWindow{0, dom.size()};
  const auto starts_line = [&](NodeIndex node) {
    return Has(dom[node].tag, kBlock) || dom[node].tag == Tag::kBr;
  };
  NodeWindow window{article.begin, std::min(article.end, dom.size())};
  for (size_t blocks = 0; window.begin > 0 && blocks < kBlocksBefore;) {
    blocks += starts_line(--window.begin);
  }
  for (size_t blocks = 0; window.end < dom.size() && blocks < kBlocksAfter;) {
    blocks += starts_line(window.end++);
  }
  return window;
}

// The window without the middle of a long article: datelines and bylines
// stand at an article's start and end, and its prose is most of the text.
std::vector<NodeRange> LinesToRead(const Dom& dom, const NodeWindow& window, ArticleSpan article) {
  if (article.begin == kNoNode) return {NodeRange{window.begin, window.end}};
  const auto starts_line = [&](NodeIndex node) {
    return Has(dom[node].tag, kBlock) || dom[node].tag == Tag::kBr;
  };
  NodeIndex head = article.begin;
  for (size_t blocks = 0; head < article.end && blocks < kArticleHeadBlocks; ++head) {
    blocks += starts_line(head);
  }
  NodeIndex tail = std::min(article.end, dom.size());
  for (size_t blocks = 0; tail > head && blocks < kArticleTailBlocks;) {
    blocks += starts_line(--tail);
  }
  if (tail <= head) return {NodeRange{window.begin, window.end}};
  return {NodeRange{window.begin, head}, NodeRange{tail, window.end}};
}

Declared ReadDeclared(const Dom& dom, const NodeWindow& window) {
  Declared declared;
  for (NodeIndex i = 0; i < dom.size(); ++i) {
    const Node& node = dom[i];
    switch (node.tag) {
      case Tag::kText:
      case Tag::kDocument:
        continue;
      case Tag::kMeta:
        ReadMeta(dom, node, declared);
        break;
      case Tag::kScript:
        if (const Attribute* type = dom.FindAttribute(node, u"type");
            type && ContainsIgnoringCase(dom.RawValue(*type), u"ld+json") &&
            dom.FirstChild(i) != kNoNode) {
          ReadLinkedData(dom.Text(dom[dom.FirstChild(i)]), declared.linked);
        }
        continue;
      case Tag::kTime:
        if (const std::optional<Date> date =
                ParseDateValue(dom.AttributeValue(node, u"datetime"))) {
          if (dom.FindAttribute(node, u"pubdate")) {
            OfferDate(dom.AttributeValue(node, u"datetime"), kMetaRank + kPubdateRank, declared);
          }
          if (window.Holds(i)) declared.times.emplace_back(i, *date);
        }
        break;
      default:
        break;
    }
    // Microdata and bylines named by class are looked for near the article.
    if (node.attribute_count != 0 && window.Holds(i)) ReadAttributes(dom, i, declared);
  }
  OfferDate(declared.linked.published, kLinkedRank, declared);
  OfferAuthor(declared.linked.author, kLinkedRank, declared);
  return declared;
}

// Where the article's parts stand in the lines.
struct Zones {
  size_t headline = 0;  // the headline's line (or the article's first when none)
  size_t head_end = 0;  // one past the last line of the headline's dateline and byline
  size_t article_begin = 0;
  size_t article_end = 0;
  bool has_headline = false;
  size_t scan_begin = 0;  // datelines and bylines are looked for in [scan_begin, scan_end)
  size_t scan_end = 0;

  // The dateline may stand just above the headline, or above the article
  // when the headline is not found.
  bool InHead(size_t line) const { return line + kLinesAboveHead >= headline && line < head_end; }
  bool InArticle(size_t line) const { return line >= article_begin && line < article_end; }
  bool AtArticleEnd(size_t line) const {
    return line + kEndLinesBefore >= article_end && line < article_end + kEndLinesAfter;
  }
  size_t Distance(size_t line) const {
    return line >= headline ? line - headline : 2 * (headline - line);
  }
};

// The line where the headline stands: its <h1>, else the line most alike to
// the title near the article.
size_t HeadlineLine(const PageLines& lines, const PageHeadings& headings, size_t article_begin,
                    bool& found) {
  found = true;
  if (headings.headline_node != kNoNode) return lines.LineAt(headings.headline_node);
  found = false;
  size_t best = article_begin;
  double best_match = kTitleLine;
  const size_t title_size = headings.title.size();
  const size_t first = article_begin > kMaxHeadGap ? article_begin - kMaxHeadGap : 0;
  const size_t last = std::min(lines.lines.size(), article_begin + kMaxHeadGap);
  for (size_t i = first; i < last; ++i) {
    const size_t size = lines.lines[i].size;
    if (size * 2 < title_size || size > 2 * title_size + 8) continue;
    const double match = HeadingSimilarity(lines.Text(i), headings.title);
    // Later lines win ties until the article starts: the headline is the
    // last heading before the text.
    if (match > best_match || (match == best_match && found && i <= article_begin)) {
      best = i;
      best_match = match;
      found = true;
    }
    if (i > article_begin + kHeadLines && found) break;
  }
  return best;
}

Zones PlaceZones(const PageLines& lines, const PageHeadings& headings, ArticleSpan article) {
  Zones zones;
  if (article.begin != kNoNode) {
    zones.article_begin = lines.LineAt(article.begin);
    zones.article_end = lines.LineAt(article.end);
  }
  zones.headline = HeadlineLine(lines, headings, zones.article_begin, zones.has_headline);
  if (!zones.has_headline) zones.headline = zones.article_begin;
  zones.head_end = zones.headline + kHeadLines;
  if (zones.headline < zones.article_begin && zones.article_begin - zones.headline <= kMaxHeadGap) {
    zones.head_end = std::max(zones.head_end, zones.article_begin + 3);
  }
  const size_t top = std::min(zones.headline, zones.article_begin);
  zones.scan_begin = top > kScanMargin ? top - kScanMargin : 0;
  zones.scan_end =
      std::min(lines.lines.size(), std::max(zones.article_end, zones.head_end) + kScanMargin);
  return zones;
}

bool LinkHeavy(const TextLine& line) { return line.link_units * 2 > line.size; }

int PlaceScore(const Zones& zones, size_t line, int head, int end, int inside) {
  // Under the headline, nearer is surer.
  constexpr size_t kLinesPerPoint = 4;
  constexpr size_t kMostPoints = 3;
  if (zones.InHead(line)) {
    return head - static_cast<int>(std::min(zones.Distance(line) / kLinesPerPoint, kMostPoints));
  }
  if (zones.AtArticleEnd(line)) return end;
  if (zones.InArticle(line)) return inside;
  return 0;
}

// Words in a line that make it a dateline ("2023-11-18 10:20 来源：...").
bool HasDatelineWord(std::u16string_view line) {
  static constexpr std::u16string_view kWords[] = {u"来源", u"作者", u"编辑", u"记者", u"出处",
                                                   u"稿源", u"字号", u"阅读", u"浏览", u"点击",
                                                   u"发布", u"发表", u"更新", u"By ",  u"by "};
  for (const std::u16string_view word : kWords) {
    if (line.find(word) != std::u16string_view::npos) return true;
  }
  return false;
}

// A label just before the date ("发布时间：", "Posted on") or just after it
// ("2005-04-05 06:40 更新").
bool IsLabelledDate(std::u16string_view line, const DateMatch& match) {
  static constexpr std::u16string_view kBefore[] = {
      u"时间",   u"日期",    u"发布",    u"发表",      u"发表于",    u"发布于",
      u"更新",   u"刊登",    u"上传",    u"Published", u"published", u"Posted",
      u"posted", u"Updated", u"updated", u"Date",      u"on"};
  size_t end = match.begin;
  while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u':' || line[end - 1] == 0xFF1A ||
                     line[end - 1] == 0x3011 || line[end - 1] == u']')) {
    --end;
  }
  const std::u16string_view before = line.substr(0, end);
  for (const std::u16string_view label : kBefore) {
    if (before.size() >= label.size() && before.substr(before.size() - label.size()) == label) {
      return true;
    }
  }
  std::u16string_view after = line.substr(match.end);
  while (!after.empty() && after.front() == u' ') after.remove_prefix(1);
  return after.substr(0, 2) == u"更新" || after.substr(0, 2) == u"发布" ||
         after.substr(0, 2) == u"发表";
}

struct Found {
  std::u16string value;
  Date date;
  int score = 0;
  size_t distance = 0;
  bool any = false;

  void Offer(int new_score, size_t new_distance, auto&& make) {
    if (any && (new_score < score || (new_score == score && new_distance >= distance))) return;
    make(*this);
    score = new_score;
    distance = new_distance;
    any = true;
  }
};

// Whether a text has four digits in a row, as every date in text has for its
// year: most lines have none and are passed over at once.
bool HasYear(std::u16string_view text) {
  int run = 0;
  for (const char16_t unit : text) {
    const bool digit = (unit >= u'0' && unit <= u'9') || (unit >= 0xFF10 && unit <= 0xFF19);
    run = digit ? run + 1 : 0;
    if (run == 4) return true;
  }
  return false;
}

// What makes a line a dateline, whatever date in it is weighed.
int DatelineScore(const PageLines& lines, size_t index, const Zones& zones) {
  const TextLine& line = lines.lines[index];
  const std::u16string_view text = lines.Text(index);
  int score = PlaceScore(zones, index, 8, 4, 1);
  if (line.size <= kShortLine) {
    score += 2;
    if (HasDatelineWord(text)) score += 3;
  } else {
    score -= line.size > kLongLine ? 4 : 1;
  }
  // Datelines are not sentences.
  if (text.find_first_of(u"，。") != std::u16string_view::npos) score -= 3;
  return score;
}

int DateScore(const PageLines& lines, size_t index, const DateMatch& match, int dateline) {
  const std::u16string_view text = lines.Text(index);
  int score = dateline;
  if (IsLabelledDate(text, match)) score += 5;
  if (match.date.HasTime()) score += 2;
  if (2 * (match.end - match.begin) >= text.size()) score += 1;  // the date is the line
  if (lines.AnyLinked(index, match.begin, match.end)) score -= 5;
  return score;
}

// The dateline date the page prints, if one is sure enough.
std::optional<Date> PrintedDate(const PageLines& lines, const Zones& zones,
                                const Declared& declared) {
  Found best;
  for (size_t i = zones.scan_begin; i < zones.scan_end; ++i) {
    const std::u16string_view text = lines.Text(i);
    if (!HasYear(text)) continue;
    std::optional<DateMatch> match = FindDate(text);
    if (!match) continue;
    const int dateline = DatelineScore(lines, i, zones);
    for (; match; match = FindDate(text, match->end)) {
      best.Offer(DateScore(lines, i, *match, dateline), zones.Distance(i),
                 [&](Found& found) { found.date = match->date; });
    }
  }
  for (const auto& time : declared.times) {
    const Date& date = time.second;
    const size_t line = lines.LineAt(time.first);
    best.Offer(PlaceScore(zones, line, 8, 4, 1) + 7, zones.Distance(line),
               [&](Found& found) { found.date = date; });
  }
  if (!best.any || best.score < kLeastDateScore) return std::nullopt;
  return best.date;
}

int AuthorScore(const PageLines& lines, size_t index, BylineKind kind, const Zones& zones) {
  // Photographer, source, editor, names only, closing note, reporter, author.
  static constexpr int kKindScore[] = {1, 0, 3, 5, 7, 9, 12};
  const TextLine& line = lines.lines[index];
  int score = kKindScore[static_cast<int>(kind)] + PlaceScore(zones, index, 6, 5, 2);
  if (LinkHeavy(line) && kind != BylineKind::kAuthor) score -= 3;
  if (line.link_units == line.size) score -= 6;  // a link to other pages
  if (line.size > kLongLine && kind != BylineKind::kClosing) score -= 3;
  return score;
}

// Closing notes and lines of bare names count under the headline and at
// the article's end.
bool MayBeBare(const Zones& zones, size_t line) {
  return (line > zones.headline && line <= zones.headline + kBareLines) ||
         (line + kEndLinesBefore >= zones.article_end && line < zones.article_end);
}

// "作者：" alone, with the names in the next line.
bool EndsWithLabel(std::u16string_view line) {
  constexpr size_t kMaxLabel = 8;
  return !line.empty() && line.size() <= kMaxLabel &&
         (line.back() == u':' || line.back() == 0xFF1A);
}

std::u16string PrintedAuthor(const Dom& dom, const PageLines& lines, const Zones& zones,
                             const Declared& declared) {
  Found best;
  std::u16string joined;
  for (size_t i = zones.scan_begin; i < zones.scan_end; ++i) {
    std::optional<Byline> byline = FindByline(lines.Text(i), MayBeBare(zones, i));
    if (!byline && EndsWithLabel(lines.Text(i)) && i + 1 < lines.lines.size()) {
      // A table's cell names the label, the next cell the author.
      joined.assign(lines.Text(i)).append(lines.Text(i + 1));
      byline = FindByline(joined, false);
    }
    if (!byline) continue;
    best.Offer(AuthorScore(lines, i, byline->kind, zones), zones.Distance(i),
               [&](Found& found) { found.value = byline->names; });
  }
  // Elements named author or byline: bare names in them count as much as
  // a closing note.
  for (const NodeIndex node : declared.author_elements) {
    const std::optional<Byline> byline = FindByline(ElementText(dom, node), true);
    if (!byline || byline->kind < BylineKind::kNamesOnly) continue;
    const size_t line = lines.LineAt(node);
    if (line >= lines.lines.size()) continue;
    const BylineKind kind = std::max(byline->kind, BylineKind::kClosing);
    best.Offer(AuthorScore(lines, line, kind, zones), zones.Distance(line),
               [&](Found& found) { found.value = byline->names; });
  }
  if (!best.any || best.score < kLeastAuthorScore) return {};
  return best.value;
}

std::u16string PublishedDate(const std::optional<Date>& declared,
                             const std::optional<Date>& printed) {
  if (declared && printed && declared->day && printed->SameDay(*declared) && printed->HasTime() &&
      !declared->HasTime()) {
    return printed->Iso();
  }
  if (declared) return declared->Iso();
  return printed ? printed->Iso() : std::u16string();
}

}  // namespace

PageMetadata ReadMetadata(const Dom& dom, ArticleSpan article) {
  thread_local PageLines lines;
  // A huge page's buffers are given back (by swaps: a string's move
  // assignment may keep its buffer).
  struct GiveBack {
    PageLines& lines;
    ~GiveBack() {
      GiveBackIfHuge(lines.text);
      constexpr size_t kKeptLines = kKeptScratchUnits / 16;
      if (lines.lines.capacity() > kKeptLines) std::vector<TextLine>().swap(lines.lines);
      if (lines.links.capacity() > kKeptLines) decltype(lines.links)().swap(lines.links);
    }
  } give_back{lines};
  const NodeWindow window = AroundArticle(dom, article);
  const Declared declared = ReadDeclared(dom, window);
  PageHeadings headings = ReadHeadings(dom, declared.og_title, declared.site_name);
  if (!window.Holds(headings.headline_node)) headings.headline_node = kNoNode;
  CollectLines(dom, LinesToRead(dom, window, article), lines);
  const Zones zones = PlaceZones(lines, headings, article);

  PageMetadata metadata;
  metadata.published = PublishedDate(declared.published, PrintedDate(lines, zones, declared));
  // Sites name themselves where the author belongs ("网易").
  const auto names_site = [&](const std::u16string& author) {
    const std::u16string& site_name = declared.site_name;
    return author.size() >= 2 && (headings.site.find(author) != std::u16string::npos ||
                                  site_name.find(author) != std::u16string::npos ||
                                  (site_name.size() >= 3 && author.find(site_name) == 0));
  };
  metadata.author = declared.author;
  if (metadata.author.empty() || names_site(metadata.author)) {
    metadata.author = PrintedAuthor(dom, lines, zones, declared);
    if (names_site(metadata.author)) metadata.author.clear();
  }
  metadata.title = std::move(headings.title);
  metadata.headline = std::move(headings.headline);
  return metadata;
}

}  // namespace korvane
