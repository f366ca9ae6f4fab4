// SPDX-License-Identifier: Apache-2.0
#include "dom/edges.h"

#include <algorithm>
#include <bitset>
#include <span>
#include <vector>

#include "dom/phrases.h"
#include "dom/stats.h"
#include "dom/text.h"
#include "html/tokenizer.h"
#include "metadata/date_parse.h"

namespace korvane {
namespace {

// Line lengths (CJK counting three): datelines and credits are short,
// notices of a few sentences at most; prose is long enough to say something.
constexpr uint32_t kShortLine = 90;
constexpr uint32_t kCreditLine = 150;
constexpr uint32_t kDatelineLine = 120;
constexpr uint32_t kLongCredit = 300;
constexpr uint32_t kLongNotice = 600;
constexpr uint32_t kNoticeHeading = 30;
constexpr uint32_t kProseLine = 60;
// A notice phrase marks a long line when it opens it ("Notice: ...").
constexpr size_t kOpening = 12;
// How many lines each edge is read into, past lines that are neither.
constexpr size_t kTopLines = 6;
constexpr size_t kBottomLines = 8;
constexpr size_t kLabelledDatelineLines = 3;
// A notice section is looked for among the last lines, and cut when what it
// holds is less than this share of the body.
constexpr size_t kSectionLines = 12;
constexpr double kSectionShare = 1.0 / 3;

// Phrases are lower case; ASCII letters of a line match in any case.
constexpr std::u16string_view kDatelineOpenings[] = {
    u"updated",  u"published", u"posted",   u"last updated", u"发表于", u"发布于",
    u"发布时间", u"发表时间",  u"更新时间", u"时间：",       u"日期："};

constexpr std::u16string_view kCreditOpenings[] = {
    u"by ",        u"by:",      u"作者：",       u"作者:",      u"文：",
    u"文/",        u"文／",     u"来源：",       u"来源:",      u"文章来源",
    u"稿源",       u"出处",     u"编辑：",       u"编辑:",      u"责任编辑",
    u"责编",       u"译：",     u"转自",         u"转载自",     u"摘自",
    u"photo by",   u"image:",   u"reporting by", u"editing by", u"additional reporting",
    u"written by", u"story by", u"via "};

constexpr std::u16string_view kCreditPhrases[] = {
    u"contributed reporting", u"contributed to this report",
    u"may be reached at",     u"can be reached at",
    u"is a reporter",         u"is a staff writer",
    u"is a freelance writer", u"is a writer",
    u"is a journalist",       u"is a correspondent"};

// Found only in notices: they mark lines up to kLongNotice when they open
// them, and short lines wherever they stand.
constexpr std::u16string_view kNoticeOnlyPhrases[] = {u"版权所有",
                                                      u"版权声明",
                                                      u"免责声明",
                                                      u"平台声明",
                                                      u"侵权",
                                                      u"©",
                                                      u"all rights reserved",
                                                      u"copyright",
                                                      u"disclaimer",
                                                      u"the views expressed",
                                                      u"信息存储服务",
                                                      u"仅代表",
                                                      u"不代表本",
                                                      u"notice:"};

// Found in short notices: subscription, following, sharing, feeds, related.
constexpr std::u16string_view kNoticePhrases[] = {u"subscribe",
                                                  u"newsletter",
                                                  u"sign up",
                                                  u"follow us",
                                                  u"follow her",
                                                  u"follow him",
                                                  u"follow them",
                                                  u"follow me",
                                                  u"on twitter",
                                                  u"on facebook",
                                                  u"on instagram",
                                                  u"share this",
                                                  u"share it",
                                                  u"sharing is caring",
                                                  u"like this story",
                                                  u"listen:",
                                                  u"download:",
                                                  u"itunes:",
                                                  u"filed under",
                                                  u"trackback",
                                                  u"also on ",
                                                  u"you may also like",
                                                  u"don't miss",
                                                  u"don’t miss",
                                                  u"read more",
                                                  u"关注",
                                                  u"公众号",
                                                  u"扫码",
                                                  u"扫一扫",
                                                  u"二维码",
                                                  u"微信",
                                                  u"原标题",
                                                  u"推荐阅读",
                                                  u"相关阅读",
                                                  u"延伸阅读",
                                                  u"广告"};

// Whole lines that are notices.
constexpr std::u16string_view kNoticeLines[] = {u"comments", u"comment", u"more:", u"related"};

// What heads a note on the article's author.
constexpr std::u16string_view kAuthorNoteHeadings[] = {u"about the author", u"作者简介",
                                                       u"关于作者"};
// A note on the author is looked for among this many last lines.
constexpr size_t kAuthorNoteLines = 3;

// Endings of a notice section's heading ("反侵权公告：", "Disclaimer").
constexpr std::u16string_view kSectionHeadings[] = {u"声明", u"公告",   u"启事",
                                                    u"须知", u"notice", u"disclaimer"};

bool MatchesAt(std::u16string_view line, size_t at, std::u16string_view phrase) {
  if (at + phrase.size() > line.size()) return false;
  for (size_t i = 0; i < phrase.size(); ++i) {
    if (AsciiLower(line[at + i]) != phrase[i]) return false;
  }
  return true;
}

// The phrase lists in indexes, built once.
const PhraseIndex& NoticeOnlyIndex() {
  static const PhraseIndex index{std::span<const std::u16string_view>(kNoticeOnlyPhrases)};
  return index;
}
const PhraseIndex& NoticeIndex() {
  static const PhraseIndex index{std::span<const std::u16string_view>(kNoticePhrases)};
  return index;
}
const PhraseIndex& CreditIndex() {
  static const PhraseIndex index{std::span<const std::u16string_view>(kCreditPhrases)};
  return index;
}

// How many of the notice phrases a line holds, counted up to `enough`.
size_t CountNoticePhrases(std::u16string_view line, size_t enough) {
  std::bitset<std::size(kNoticePhrases)> seen;
  NoticeIndex().ForEach(line, [&](size_t phrase, size_t) {
    seen.set(phrase);
    return seen.count() < enough;
  });
  return seen.count();
}

// The line without blanks and opening brackets before its first word.
std::u16string_view Opening(std::u16string_view line) {
  size_t at = 0;
  while (at < line.size() &&
         (IsBlank(line[at]) ||
          std::u16string_view(u"([【（〔").find(line[at]) != std::u16string_view::npos)) {
    ++at;
  }
  return line.substr(at);
}

template <size_t N>
bool OpensWith(std::u16string_view line, const std::u16string_view (&phrases)[N]) {
  const std::u16string_view opening = Opening(line);
  for (const std::u16string_view phrase : phrases) {
    if (MatchesAt(opening, 0, phrase)) return true;
  }
  return false;
}

// The line without blanks and punctuation at its end, for whole-line tests.
std::u16string_view Trimmed(std::u16string_view line) {
  line = Opening(line);
  while (!line.empty() && (IsBlank(line.back()) || line.back() == u':' || line.back() == 0xFF1A ||
                           line.back() == u'.' || line.back() == u')' || line.back() == 0xFF09)) {
    line.remove_suffix(1);
  }
  return line;
}

bool IsWholeLine(std::u16string_view line, std::u16string_view phrase) {
  const std::u16string_view trimmed = Trimmed(line);
  return trimmed.size() == phrase.size() && MatchesAt(trimmed, 0, phrase);
}

// Whether a line holds a sentence's end: "。", "！", "？", or "." before a blank.
bool EndsSentence(std::u16string_view line) {
  for (size_t at = 0; at < line.size(); ++at) {
    const char16_t unit = line[at];
    if (unit == 0x3002 || unit == 0xFF01 || unit == 0xFF1F || unit == u'!' || unit == u'?') {
      return true;
    }
    if (unit == u'.' && (at + 1 == line.size() || IsBlank(line[at + 1]))) return true;
  }
  return false;
}

// A line's length, CJK counting three, counted until it passes `most`: no
// rule tells apart lines longer than the longest notice. (Blanks count
// nothing, so the count is not cut at a number of units.)
uint32_t Weight(std::u16string_view line, uint32_t most = kLongNotice) {
  constexpr size_t kStep = 64;
  uint32_t chars = 0;
  uint32_t commas = 0;
  for (size_t at = 0; at < line.size() && chars <= most; at += kStep) {
    CountText(line.substr(at, kStep), chars, commas);
  }
  return chars;
}

bool IsDateline(std::u16string_view line, uint32_t weight) {
  if (OpensWith(line, kDatelineOpenings)) return weight <= kCreditLine;
  if (weight > kDatelineLine) return false;
  const std::optional<DateMatch> date = FindDate(line);
  return date && date->date.HasTime();
}

bool IsNotice(std::u16string_view line, uint32_t weight) {
  if (weight > kLongNotice) return false;
  // In a longer line a notice phrase counts only where it opens the line.
  constexpr size_t kLongestPhrase = 20;
  const std::u16string_view searched =
      weight <= kShortLine ? line : line.substr(0, kOpening + kLongestPhrase);
  const size_t notice_only = NoticeOnlyIndex().First(searched);
  if (notice_only != std::u16string_view::npos &&
      (weight <= kShortLine || notice_only <= kOpening)) {
    return true;
  }
  const std::u16string_view::size_type unlicensed = line.find(u"未经");
  if (weight <= kShortLine && unlicensed != std::u16string_view::npos &&
      (line.find(u"授权", unlicensed) != std::u16string_view::npos ||
       line.find(u"许可", unlicensed) != std::u16string_view::npos)) {
    return true;
  }
  // Two phrases of subscription or following make a notice of a sentence
  // or two ("Sign up for ... to get the free daily newsletter").
  if (weight > kShortLine) return CountNoticePhrases(line, 2) >= 2;
  for (const std::u16string_view whole : kNoticeLines) {
    if (IsWholeLine(line, whole)) return true;
  }
  return NoticeIndex().First(line) != std::u16string_view::npos;
}

// "反侵权公告：", "Disclaimer:": a heading that notices follow.
bool IsNoticeHeading(std::u16string_view line) {
  if (line.size() > kNoticeHeading || Weight(line) > kNoticeHeading) return false;
  const std::u16string_view trimmed = Trimmed(line);
  for (const std::u16string_view ending : kSectionHeadings) {
    if (trimmed.size() >= ending.size() &&
        MatchesAt(trimmed, trimmed.size() - ending.size(), ending)) {
      return true;
    }
  }
  return false;
}

std::vector<std::u16string_view> Lines(std::u16string_view body) {
  std::vector<std::u16string_view> lines;
  for (size_t begin = 0; begin <= body.size();) {
    size_t end = body.find(u"\r\n", begin);
    if (end == std::u16string_view::npos) end = body.size();
    lines.push_back(body.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

// Cuts a notice section off the end: its heading among the last lines, and
// everything after it, when that is a small part of the body.
void CutNoticeSection(std::vector<std::u16string_view>& lines) {
  const size_t last = lines.size() > kSectionLines ? lines.size() - kSectionLines : 0;
  for (size_t i = lines.size(); i-- > last;) {
    if (!IsNoticeHeading(lines[i])) continue;
    uint32_t tail = 0;
    uint32_t total = 0;
    for (size_t line = 0; line < lines.size(); ++line) {
      const uint32_t weight = Weight(lines[line]);
      total += weight;
      tail += line > i ? weight : 0;
    }
    if (tail < kSectionShare * total) lines.resize(i);
    return;
  }
}

bool IsBoilerplate(EdgeLine kind) {
  return kind == EdgeLine::kDateline || kind == EdgeLine::kCredit || kind == EdgeLine::kNotice;
}

// The names of an author field ("Jane Doe and John Roe", "王五、赵六"):
// parts of two units or more.
std::vector<std::u16string_view> AuthorNames(std::u16string_view author) {
  // Chinese names are set apart by blanks too ("王五 赵六").
  const bool cjk = std::any_of(author.begin(), author.end(), IsCjk);
  std::vector<std::u16string_view> names;
  size_t begin = 0;
  const auto add = [&](size_t end) {
    const std::u16string_view name = Trimmed(author.substr(begin, end - begin));
    if (name.size() >= 2) names.push_back(name);
  };
  for (size_t at = 0; at < author.size(); ++at) {
    size_t separator = 0;
    if (MatchesAt(author, at, u" and ")) {
      separator = 5;
    } else if (std::u16string_view(u",;&、，").find(author[at]) != std::u16string_view::npos ||
               (cjk && IsBlank(author[at]))) {
      separator = 1;
    }
    if (separator == 0) continue;
    add(at);
    begin = at + separator;
    at = begin - 1;
  }
  add(author.size());
  return names;
}

// Whether a line opens with `name` as a whole name and goes on about it:
// "Jane Doe is ...", "王五，...", not "Jane Doe" alone or "Jane Doeville".
bool OpensWithName(std::u16string_view line, std::u16string_view name) {
  constexpr size_t kLeastAfterName = 3;
  if (line.size() < name.size() + kLeastAfterName) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (AsciiLower(line[i]) != AsciiLower(name[i])) return false;
  }
  const char16_t next = line[name.size()];
  return !IsCjk(next) && (IsCjk(name.back()) || !IsAsciiAlnum(next));
}

bool IsAuthorNoteHeading(std::u16string_view line) {
  for (const std::u16string_view heading : kAuthorNoteHeadings) {
    if (IsWholeLine(line, heading)) return true;
  }
  return false;
}

// "About the author: Jane Doe ...", "Jane Doe is ...".
bool OpensAuthorNote(std::u16string_view line, std::span<const std::u16string_view> names) {
  const std::u16string_view opening = Opening(line);
  for (const std::u16string_view heading : kAuthorNoteHeadings) {
    if (MatchesAt(opening, 0, heading) &&
        (opening.size() == heading.size() || !IsAsciiAlnum(opening[heading.size()]))) {
      return true;
    }
  }
  return std::any_of(names.begin(), names.end(),
                     [&](std::u16string_view name) { return OpensWithName(line, name); });
}

}  // namespace

EdgeLine ClassifyEdgeLine(std::u16string_view line) {
  const uint32_t weight = Weight(line);
  if (IsDateline(line, weight)) return EdgeLine::kDateline;
  if ((weight <= kCreditLine && OpensWith(line, kCreditOpenings)) ||
      (weight <= kLongCredit && CreditIndex().First(line) != std::u16string_view::npos)) {
    return EdgeLine::kCredit;
  }
  if (IsNotice(line, weight)) return EdgeLine::kNotice;
  return weight >= kProseLine && EndsSentence(line) ? EdgeLine::kProse : EdgeLine::kOther;
}

namespace {

// Reads one line inward from an edge: boilerplate goes, and any other line
// but prose counts toward how far the edge is read; prose ends the edge
// (false).
bool ReadEdgeLine(std::u16string_view line, uint8_t& keep, size_t& read) {
  const EdgeLine kind = ClassifyEdgeLine(line);
  if (kind == EdgeLine::kProse) return false;
  if (IsBoilerplate(kind)) {
    keep = 0;
  } else {
    ++read;
  }
  return true;
}

}  // namespace

void TrimEdges(std::u16string& body) {
  std::vector<std::u16string_view> lines = Lines(body);
  CutNoticeSection(lines);
  std::vector<uint8_t> keep(lines.size(), 1);
  for (size_t i = 0, read = 0; i < lines.size() && read < kTopLines; ++i) {
    if (!ReadEdgeLine(lines[i], keep[i], read)) break;
  }
  // A labelled dateline ("Published 9:30 AM EST Mar 3, 2023") among the
  // first lines goes even after a standfirst that reads like prose.
  for (size_t i = 0; i < std::min(lines.size(), kLabelledDatelineLines); ++i) {
    if (OpensWith(lines[i], kDatelineOpenings) && Weight(lines[i]) <= kCreditLine) keep[i] = 0;
  }
  for (size_t i = lines.size(), read = 0; i-- > 0 && read < kBottomLines;) {
    if (!ReadEdgeLine(lines[i], keep[i], read)) break;
  }
  // In place: a kept line moves only towards the start, over lines already
  // read, so a large body is not held twice.
  size_t size = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!keep[i] || lines[i].empty()) continue;
    if (size > 0) size = MoveTo(body, size, u"\r\n");
    size = MoveTo(body, size, lines[i]);
  }
  body.resize(size);
}

void TrimAuthorNote(std::u16string& body, std::u16string_view author) {
  const std::vector<std::u16string_view> lines = Lines(body);
  const std::vector<std::u16string_view> names = AuthorNames(author);
  const size_t first = lines.size() > kAuthorNoteLines ? lines.size() - kAuthorNoteLines : 1;
  size_t end = lines.size();
  while (end > first && Weight(lines[end - 1]) <= kLongCredit &&
         OpensAuthorNote(lines[end - 1], names)) {
    --end;
  }
  // "About the author" standing alone over short lines.
  for (size_t i = end; i-- > first;) {
    if (Weight(lines[i]) > kLongCredit) break;
    if (IsAuthorNoteHeading(lines[i])) end = i;
  }
  if (end == lines.size()) return;
  const std::u16string_view last = lines[end - 1];
  body.resize(static_cast<size_t>(last.data() - body.data()) + last.size());
}

}  // namespace korvane
