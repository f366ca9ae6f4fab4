#include "metadata/printed.h"

#include <algorithm>

#include "common/chars.h"
#include "metadata/byline.h"

namespace korvane {
namespace {

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
// Datelines and bylines are looked for this many lines around the headline
// and the article at most: farther away are menus, lists and footers.
constexpr size_t kScanMargin = 40;
// Lines of this length are prose, not datelines or bylines.
constexpr size_t kShortLine = 80;
constexpr size_t kLongLine = 200;
// The least score of a date or an author found in the text.
constexpr int kLeastDateScore = 6;
constexpr int kLeastAuthorScore = 3;

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

// Whether a line is running text: a sentence, with the commas and full
// stops of prose, rather than a dateline.
bool IsRunningText(std::u16string_view line) {
  if (line.find_first_of(u"，。") != std::u16string_view::npos) return true;
  return line.size() > kShortLine && line.back() == u'.';
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
    run = DigitValue(unit) >= 0 ? run + 1 : 0;
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

}  // namespace

bool Zones::InHead(size_t line) const {
  return line + kLinesAboveHead >= headline && line < head_end;
}

bool Zones::AtArticleEnd(size_t line) const {
  return line + kEndLinesBefore >= article_end && line < article_end + kEndLinesAfter;
}

Zones PlaceZones(const PageLines& lines, const PageHeadings& headings, ArticleSpan article) {
  Zones zones;
  if (article.begin != kNoNode) {
    zones.article_begin = lines.LineAt(article.begin);
    zones.article_end = lines.LineAt(article.end);
    zones.enclosure_end = lines.LineAt(article.enclosure_end);
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
    const bool prose = IsRunningText(text);
    for (; match; match = FindDate(text, match->end)) {
      // A date in a sentence is what the text tells of (a history's dates),
      // unless a label makes it the dateline.
      if (prose && !IsLabelledDate(text, *match)) continue;
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

PrintedAuthors PrintedAuthor(const Dom& dom, const PageLines& lines, const Zones& zones,
                             const Declared& declared) {
  Found best;
  BylineKind best_kind = BylineKind::kEditor;
  PrintedAuthors found;
  std::u16string joined;
  for (size_t i = zones.scan_begin; i < zones.scan_end; ++i) {
    const std::u16string_view text = lines.Text(i);
    std::optional<Byline> byline = FindByline(
        text, MayBeBare(zones, i), text.size() <= kShortLine && HasYear(text), lines.Seams(i));
    if (!byline && EndsWithLabel(text) && i + 1 < lines.lines.size()) {
      // A table's cell names the label, the next cell the author.
      joined.assign(text).append(lines.Text(i + 1));
      byline = FindByline(joined, false);
    }
    if (!byline || zones.ElsewhereOnPage(i)) continue;
    if (byline->kind == BylineKind::kEditor) found.editors.push_back(byline->names);
    best.Offer(AuthorScore(lines, i, byline->kind, zones), zones.Distance(i), [&](Found& f) {
      f.value = byline->names;
      best_kind = byline->kind;
    });
  }
  // Elements named author or byline: bare names in them count as much as
  // a closing note.
  for (const NodeIndex node : declared.author_elements) {
    const std::optional<Byline> byline = FindByline(ElementText(dom, node), true);
    if (!byline || byline->kind < BylineKind::kNamesOnly) continue;
    const size_t line = lines.LineAt(node);
    if (line >= lines.lines.size() || zones.ElsewhereOnPage(line)) continue;
    const BylineKind kind = std::max(byline->kind, BylineKind::kClosing);
    best.Offer(AuthorScore(lines, line, kind, zones), zones.Distance(line), [&](Found& f) {
      f.value = byline->names;
      best_kind = kind;
    });
  }
  if (!best.any || best.score < kLeastAuthorScore) return found;
  found.author = std::move(best.value);
  found.by_writer = best_kind >= BylineKind::kNamesOnly;
  return found;
}

}  // namespace korvane
