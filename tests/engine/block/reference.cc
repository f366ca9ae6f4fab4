// SPDX-License-Identifier: Apache-2.0
#include "block/reference.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <vector>

namespace korvane::reference {
namespace {

using Text = std::u16string;
using View = std::u16string_view;

// The first occurrence of `pattern` in `text` at or after the 1-based
// position `from`; 0 when there is none.
int64_t Search(View text, View pattern, int64_t from) {
  if (from > static_cast<int64_t>(text.size())) return 0;
  const size_t found = text.find(pattern, from - 1);
  return found == View::npos ? 0 : static_cast<int64_t>(found) + 1;
}

Text Head(View text, int64_t count) { return Text(text.substr(0, count)); }

// From the 1-based position `from` to the end.
Text Tail(View text, int64_t from) {
  return from > static_cast<int64_t>(text.size()) ? Text() : Text(text.substr(from - 1));
}

// The piece at the 1-based `start` of `length` units, fewer where the text ends.
Text Piece(View text, int64_t start, int64_t length) {
  return Text(text.substr(start - 1, length));
}

int64_t Length(View text) { return static_cast<int64_t>(text.size()); }

Text Lower(View text) {
  Text lower(text);
  for (char16_t& unit : lower) unit = static_cast<char16_t>(u_tolower(unit));
  return lower;
}

// An open marker that begins a tag name ("<" and a letter) stands only where
// the name ends after it.
bool OpensBlock(View text, int64_t at, View open) {
  const bool tag_name =
      open.size() >= 2 && open[0] == u'<' &&
      ((open[1] >= u'a' && open[1] <= u'z') || (open[1] >= u'A' && open[1] <= u'Z'));
  if (!tag_name) return true;
  const int64_t after = at + Length(open);
  if (after > Length(text)) return true;
  const char16_t next = text[after - 1];
  return next == u'>' || next == u'/' || next == u' ' || next == u'\t' || next == u'\r' ||
         next == u'\n' || next == u'\f';
}

int64_t SearchOpen(View text, View open, int64_t from) {
  int64_t at = Search(text, open, from);
  while (at > 0 && !OpensBlock(text, at, open)) at = Search(text, open, at + 1);
  return at;
}

Text Trim(View text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return Text(text);
}

Text Clean(Text text) {
  text = RemoveSpans(text + u"</style>", u"<style", u"</style>");
  text = RemoveSpans(text + u"</script>", u"<script", u"</script>");
  text = RemoveSpans(text + u"</head>", u"<head", u"</head>");
  text = RemoveSpans(text + u"-->", u"<!--", u"-->");
  text = ReplaceAll(text, u"&nbsp;", u" ");
  text = ReplaceAll(text, u"&lt;", u"<");
  text = ReplaceAll(text, u"&gt;", u">");
  text = RemoveEntities(text, u"&", u";");
  return ReplaceAll(text, u"&amp;", u"&");
}

Text FoldFullWidth(View text) {
  Text framed = u"[";
  framed.append(text).append(u"]");
  const int64_t last = Length(framed) - 1;
  for (int64_t at = 2; at <= last; ++at) {
    const uint32_t unit = framed[at - 1];
    if (unit > 65295) {
      if (unit > 65344 && unit < 65371) framed[at - 1] = static_cast<char16_t>(unit - 65248);
      if (unit > 65312 && unit < 65339) framed[at - 1] = static_cast<char16_t>(unit - 65216);
      if (unit < 65306) framed[at - 1] = static_cast<char16_t>(unit - 65248);
    }
  }
  return framed.substr(1, last - 1);
}

int CharClass(char16_t unit) {
  if (unit >= 0x4E00 && unit <= 0x9FA5) return 3;
  if (unit >= 0xF900 && unit <= 0xFA2D) return 3;
  if (unit >= 0x30 && unit <= 0x39) return 4;
  if (unit >= 0x61 && unit <= 0x7A) return 5;
  return 0;
}

Text CollectImages(View region, View source_html) {
  const Text lower_html = Lower(source_html);
  Text lines;
  int64_t from = 1;
  for (;;) {
    const int64_t tag = Search(region, u"<img", from);
    if (tag == 0) break;
    const int64_t src = Search(region, u"src=", tag);
    if (src == 0) break;
    const int64_t end = Search(region, u">", src);
    if (end == 0) break;
    Text source = Piece(region, src + 4, end - src - 4);
    source = ReplaceAll(source, u"\"", u"");
    source = ReplaceAll(source, u"'", u"");
    const int64_t space = Search(source, u" ", 1);
    if (space > 0) source = Head(source, space - 1);
    const int64_t in_page = source.empty() ? 0 : Search(lower_html, source, 1);
    if (in_page > 0) source = Piece(source_html, in_page, Length(source));
    const Text last_five = Length(source) > 5 ? Tail(source, Length(source) - 4) : source;
    if (Search(Lower(source), u".gif", 1) == 0 && Search(last_five, u".", 1) > 0) {
      lines += u"[[ur=" + source + u"]]\r\n";
    }
    from = end;
  }
  return lines;
}

struct Located {
  Text window;
  Text image_lines;
};

Located LocateContent(View html) {
  Text working = Lower(html).substr(0, 900000) + u"</body>";
  const int64_t body_start = Search(working, u"<body", 1);
  const int64_t body_end = Search(working, u"</body>", 1);
  if (!(body_start > 0 && body_end > 0 && body_end > body_start)) return {};
  working = Piece(working, body_start, body_end - body_start);
  working = Clean(working);

  // Text runs: from a ">" to the next "<", passed over when a ">" comes first.
  std::vector<int16_t> text_marks(working.size() + 2, 0);
  int64_t gt = Search(working, u">", 1);
  int64_t next_gt = 0, lt = 0;
  if (gt > 0) {
    next_gt = Search(working, u">", gt + 1);
    lt = Search(working, u"<", gt);
  }
  while (gt > 0 && lt > 0) {
    if (next_gt > lt || next_gt == 0) {
      for (int64_t at = gt; at <= lt; ++at) {
        if (CharClass(working[at - 1]) != 0) text_marks[at] = 1;
      }
    }
    gt = Search(working, u">", lt);
    if (gt > 0) {
      next_gt = Search(working, u">", gt + 1);
      lt = Search(working, u"<", gt);
    }
  }

  // Entry k+1 counts block k; entries 1 and blocks+1 stay 0.
  const int64_t blocks = Length(working) / 200;
  const int64_t last_entry = blocks + 1;
  std::vector<int16_t> block_counts(blocks + 3, 0);
  for (int64_t block = 1; block <= blocks; ++block) {
    for (int64_t unit = 1; unit <= 200; ++unit) {
      block_counts[block + 1] += text_marks[(block - 1) * 200 + unit];
    }
  }
  block_counts[1] = 0;
  block_counts[blocks + 1] = 0;
  for (int64_t entry = 5; entry <= last_entry - 2; ++entry) {
    if (block_counts[entry] <= 70 &&
        (block_counts[entry - 4] > 70 || block_counts[entry - 3] > 70 ||
         block_counts[entry - 2] > 70 || block_counts[entry - 1] > 70) &&
        (block_counts[entry + 1] > 70 || block_counts[entry + 2] > 70)) {
      block_counts[entry] = 80;
    }
  }

  enum Kind { kRise = 1, kFall = 2 };
  struct Edge {
    Kind kind;
    int64_t entry;
  };
  std::vector<Edge> edges(1);  // edges[0] unused: 1-based
  for (int64_t entry = 2; entry <= last_entry; ++entry) {
    if (block_counts[entry] > 70 && block_counts[entry - 1] <= 70) edges.push_back({kRise, entry});
    if (block_counts[entry - 1] > 70 && block_counts[entry] <= 70) edges.push_back({kFall, entry});
  }
  const int64_t edge_count = static_cast<int64_t>(edges.size()) - 1;
  int64_t best_length = 0, best_edge = 0;
  for (int64_t edge = 1; edge <= edge_count - 1; ++edge) {
    if (edges[edge].kind == kRise && edges[edge + 1].kind == kFall &&
        edges[edge + 1].entry - edges[edge].entry > best_length) {
      best_length = edges[edge + 1].entry - edges[edge].entry;
      best_edge = edge;
    }
  }
  if (best_length == 0 || best_edge == 0) return {};

  const int64_t run_start = edges[best_edge].entry;
  const int64_t after_run = edges[best_edge + 1].entry;
  int64_t start = run_start * 200 - 700;
  if (start < 1) start = 1;
  const int64_t length = (after_run - run_start) * 200 + 500;
  const int64_t image_start = start > 2000 ? start - 1000 : 1;
  return {Piece(working, start, length),
          CollectImages(Piece(working, image_start, length + 1400), html)};
}

Text ElementText(View lower_html, View open, View close) {
  const int64_t tag = Search(lower_html, open, 1);
  if (tag == 0) return {};
  const int64_t gt = Search(lower_html, u">", tag);
  if (gt == 0) return {};
  const int64_t inner = gt + 1;
  const int64_t end = Search(lower_html, close, inner);
  if (end == 0) return {};
  Text wrapped = u">";
  wrapped.append(Piece(lower_html, inner, end - inner)).append(u"<");
  Text text = StripMarkup(wrapped);
  text = Trim(FoldFullWidth(text));
  return Head(text, 64);
}

Text ExtractHeadings(View html, View body) {
  const Text lower_html = Lower(html);
  Text lines;
  const Text title = ElementText(lower_html, u"<title", u"</title>");
  if (!title.empty()) lines += u"[[ht=" + title + u"]]\r\n";
  Text headline = ElementText(lower_html, u"<h1", u"</h1>");
  if (!headline.empty()) lines += u"[[ha=" + headline + u"]]\r\n";
  if (headline.empty()) {
    bool pair_marks[201] = {};
    for (int64_t at = 1; at <= Length(title) - 1; ++at) {
      if (Search(body, Piece(title, at, 2), 1) > 0) pair_marks[at] = pair_marks[at + 1] = true;
    }
    for (int64_t at = 1; at <= 200; ++at) {
      if (pair_marks[at]) headline += title[at - 1];
    }
    if (!headline.empty()) lines += u"[[ha=" + headline + u"]]\r\n";
  }
  return lines;
}

}  // namespace

Text ReplaceAll(View text, View find, View replacement) {
  Text working(text);
  int64_t at = Search(working, find, 1);
  while (at > 0) {
    working = Head(working, at - 1) + Text(replacement) + Tail(working, at + Length(find));
    at = Search(working, find, at);
  }
  return working;
}

Text RemoveSpans(View text, View open, View close) {
  Text working(text);
  int64_t open_at = SearchOpen(working, open, 1);
  int64_t close_at = open_at > 0 ? Search(working, close, open_at) : 0;
  while (open_at > 0 && close_at > 0) {
    working = Head(working, open_at - 1) + Tail(working, close_at + Length(close));
    open_at = SearchOpen(working, open, open_at);
    if (open_at > 0) close_at = Search(working, close, open_at);
  }
  return working;
}

Text RemoveEntities(View text, View open, View close) {
  Text working(text);
  int64_t open_at = Search(working, open, 1);
  int64_t close_at = open_at > 0 ? Search(working, close, open_at) : 0;
  while (open_at > 0 && close_at > 0) {
    if (close_at < open_at + 10) {
      working = Head(working, open_at - 1) + Tail(working, close_at + Length(close));
    } else {
      open_at = open_at + 1;
    }
    open_at = Search(working, open, open_at);
    if (open_at > 0) close_at = Search(working, close, open_at);
  }
  return working;
}

Text StripMarkup(View markup) {
  Text working = Clean(Lower(markup));
  working = ReplaceAll(working, u"  ", u" ");
  working = ReplaceAll(working, u"</td>", u" ");
  working = ReplaceAll(working, u"</li>", u"zorblevant");
  working = ReplaceAll(working, u"</p>", u"zorblevant");
  working = ReplaceAll(working, u"<p", u"zorblevant<q");
  working = ReplaceAll(working, u"<br", u"zorblevant<qq");
  working = ReplaceAll(working, u"br>", u"qq>zorblevant");
  working = ReplaceAll(working, u"</tr>", u"zorblevant");

  // The tag scan: what stands between a ">" and the next "<", unless a ">"
  // comes first.
  Text kept;
  int64_t gt = Search(working, u">", 1);
  int64_t next_gt = 0, lt = 0;
  if (gt > 0) {
    next_gt = Search(working, u">", gt + 1);
    lt = Search(working, u"<", gt);
  }
  while (gt > 0 && lt > 0) {
    if (lt > gt + 1 && (next_gt > lt || next_gt == 0))
      kept += Trim(Piece(working, gt + 1, lt - gt - 1));
    gt = Search(working, u">", lt);
    if (gt > 0) {
      next_gt = Search(working, u">", gt + 1);
      lt = Search(working, u"<", gt);
    }
  }
  working = kept;
  working = ReplaceAll(working, u"\r", u"");
  working = ReplaceAll(working, u"\n", u"");
  working = ReplaceAll(working, u"\t", u"");
  working = ReplaceAll(working, u"  ", u" ");
  working = ReplaceAll(working, u"zorblevant", u"\r\n");
  working = ReplaceAll(working, u" \r\n", u"\r\n");
  return ReplaceAll(working, u"\r\n\r\n", u"\r\n");
}

Text HtmlToText(View html) {
  const Text source_html(html);
  const Located located = LocateContent(source_html);
  const Text body = FoldFullWidth(StripMarkup(located.window));
  return ExtractHeadings(source_html, body) + located.image_lines + u"[[txt]]\r\n" + body;
}

}  // namespace korvane::reference
