#include "literal.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <vector>

namespace korvane::literal {
namespace {

using Text = std::u16string;
using View = std::u16string_view;

// First occurrence of s in t at or after 1-based k; 0 when none.
int64_t Search(View t, View s, int64_t k) {
  if (k > static_cast<int64_t>(t.size())) return 0;
  const size_t at = t.find(s, k - 1);
  return at == View::npos ? 0 : static_cast<int64_t>(at) + 1;
}

Text Head(View t, int64_t n) { return Text(t.substr(0, n)); }

Text Tail(View t, int64_t k) {
  return k > static_cast<int64_t>(t.size()) ? Text() : Text(t.substr(k - 1));
}

// The piece of t at 1-based s of length n, fewer where t ends.
Text Piece(View t, int64_t s, int64_t n) { return Text(t.substr(s - 1, n)); }

int64_t Length(View t) { return static_cast<int64_t>(t.size()); }

Text Lower(View t) {
  Text lower(t);
  for (char16_t& unit : lower) unit = static_cast<char16_t>(u_tolower(unit));
  return lower;
}

// An open marker that begins a tag name ("<" and a letter) stands only where
// the name ends after it.
bool OpensBlock(View w, int64_t p, View open) {
  const bool tagName =
      open.size() >= 2 && open[0] == u'<' &&
      ((open[1] >= u'a' && open[1] <= u'z') || (open[1] >= u'A' && open[1] <= u'Z'));
  if (!tagName) return true;
  const int64_t after = p + Length(open);
  if (after > Length(w)) return true;
  const char16_t next = w[after - 1];
  return next == u'>' || next == u'/' || next == u' ' || next == u'\t' || next == u'\r' ||
         next == u'\n' || next == u'\f';
}

int64_t SearchOpen(View w, View open, int64_t k) {
  int64_t p = Search(w, open, k);
  while (p > 0 && !OpensBlock(w, p, open)) p = Search(w, open, p + 1);
  return p;
}

Text Trim(View t) {
  while (!t.empty() && t.front() == u' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == u' ') t.remove_suffix(1);
  return Text(t);
}

Text Clean(Text t) {
  t = RemoveSpans(t + u"</style>", u"<style", u"</style>");
  t = RemoveSpans(t + u"</script>", u"<script", u"</script>");
  t = RemoveSpans(t + u"</head>", u"<head", u"</head>");
  t = RemoveSpans(t + u"-->", u"<!--", u"-->");
  t = ReplaceAll(t, u"&nbsp;", u" ");
  t = ReplaceAll(t, u"&lt;", u"<");
  t = ReplaceAll(t, u"&gt;", u">");
  t = RemoveEntities(t, u"&", u";");
  return ReplaceAll(t, u"&amp;", u"&");
}

Text FoldFullWidth(View text) {
  Text w = u"[";
  w.append(text).append(u"]");
  const int64_t n = Length(w) - 1;
  for (int64_t i = 2; i <= n; ++i) {
    const uint32_t x = w[i - 1];
    if (x > 65295) {
      if (x > 65344 && x < 65371) w[i - 1] = static_cast<char16_t>(x - 65248);
      if (x > 65312 && x < 65339) w[i - 1] = static_cast<char16_t>(x - 65216);
      if (x < 65306) w[i - 1] = static_cast<char16_t>(x - 65248);
    }
  }
  return w.substr(1, n - 1);
}

int CharClass(char16_t v) {
  if (v >= 0x4E00 && v <= 0x9FA5) return 3;
  if (v >= 0xF900 && v <= 0xFA2D) return 3;
  if (v >= 0x30 && v <= 0x39) return 4;
  if (v >= 0x61 && v <= 0x7A) return 5;
  return 0;
}

Text CollectImages(View region, View sourceHtml) {
  const Text l = Lower(sourceHtml);
  Text result;
  int64_t s = 1;
  for (;;) {
    const int64_t p = Search(region, u"<img", s);
    if (p == 0) break;
    const int64_t q = Search(region, u"src=", p);
    if (q == 0) break;
    const int64_t g = Search(region, u">", q);
    if (g == 0) break;
    Text t = Piece(region, q + 4, g - q - 4);
    t = ReplaceAll(t, u"\"", u"");
    t = ReplaceAll(t, u"'", u"");
    const int64_t space = Search(t, u" ", 1);
    if (space > 0) t = Head(t, space - 1);
    const int64_t k = t.empty() ? 0 : Search(l, t, 1);
    if (k > 0) t = Piece(sourceHtml, k, Length(t));
    const Text tail5 = Length(t) > 5 ? Tail(t, Length(t) - 4) : t;
    if (Search(Lower(t), u".gif", 1) == 0 && Search(tail5, u".", 1) > 0) {
      result += u"[[ur=" + t + u"]]\r\n";
    }
    s = g;
  }
  return result;
}

struct Located {
  Text window;
  Text imageLines;
};

Located LocateContent(View html) {
  Text w = Lower(html).substr(0, 900000) + u"</body>";
  const int64_t p1 = Search(w, u"<body", 1);
  const int64_t p2 = Search(w, u"</body>", 1);
  if (!(p1 > 0 && p2 > 0 && p2 > p1)) return {};
  w = Piece(w, p1, p2 - p1);
  w = Clean(w);

  std::vector<int16_t> marks(w.size() + 2, 0);
  int64_t a = Search(w, u">", 1);
  int64_t d = 0, b = 0;
  if (a > 0) {
    d = Search(w, u">", a + 1);
    b = Search(w, u"<", a);
  }
  while (a > 0 && b > 0) {
    if (d > b || d == 0) {
      for (int64_t p = a; p <= b; ++p) {
        if (CharClass(w[p - 1]) != 0) marks[p] = 1;
      }
    }
    a = Search(w, u">", b);
    if (a > 0) {
      d = Search(w, u">", a + 1);
      b = Search(w, u"<", a);
    }
  }

  const int64_t n = Length(w) / 200;
  const int64_t m = n + 1;
  std::vector<int16_t> counts(n + 3, 0);
  for (int64_t k = 1; k <= n; ++k) {
    for (int64_t j = 1; j <= 200; ++j) counts[k + 1] += marks[(k - 1) * 200 + j];
  }
  counts[1] = 0;
  counts[n + 1] = 0;
  for (int64_t i = 5; i <= m - 2; ++i) {
    if (counts[i] <= 70 &&
        (counts[i - 4] > 70 || counts[i - 3] > 70 || counts[i - 2] > 70 || counts[i - 1] > 70) &&
        (counts[i + 1] > 70 || counts[i + 2] > 70)) {
      counts[i] = 80;
    }
  }
  std::vector<std::pair<int, int64_t>> edges(1);
  for (int64_t i = 2; i <= m; ++i) {
    if (counts[i] > 70 && counts[i - 1] <= 70) edges.push_back({1, i});
    if (counts[i - 1] > 70 && counts[i] <= 70) edges.push_back({2, i});
  }
  const int64_t edgeCount = static_cast<int64_t>(edges.size()) - 1;
  int64_t bestLength = 0, bestIndex = 0;
  for (int64_t e = 1; e <= edgeCount - 1; ++e) {
    if (edges[e].first == 1 && edges[e + 1].first == 2 &&
        edges[e + 1].second - edges[e].second > bestLength) {
      bestLength = edges[e + 1].second - edges[e].second;
      bestIndex = e;
    }
  }
  if (bestLength == 0 || bestIndex == 0) return {};
  const int64_t r = edges[bestIndex].second;
  const int64_t f = edges[bestIndex + 1].second;
  int64_t s = r * 200 - 700;
  if (s < 1) s = 1;
  const int64_t l = (f - r) * 200 + 500;
  const int64_t imageStart = s > 2000 ? s - 1000 : 1;
  return {Piece(w, s, l), CollectImages(Piece(w, imageStart, l + 1400), html)};
}

Text ElementText(View l, View open, View close) {
  const int64_t p = Search(l, open, 1);
  if (p == 0) return {};
  const int64_t g = Search(l, u">", p);
  if (g == 0) return {};
  const int64_t a = g + 1;
  const int64_t c = Search(l, close, a);
  if (c == 0) return {};
  Text wrapped = u">";
  wrapped.append(Piece(l, a, c - a)).append(u"<");
  Text t = StripMarkup(wrapped);
  t = Trim(FoldFullWidth(t));
  return Head(t, 64);
}

Text ExtractHeadings(View html, View body) {
  const Text l = Lower(html);
  Text result;
  const Text title = ElementText(l, u"<title", u"</title>");
  if (!title.empty()) result += u"[[ht=" + title + u"]]\r\n";
  Text headline = ElementText(l, u"<h1", u"</h1>");
  if (!headline.empty()) result += u"[[ha=" + headline + u"]]\r\n";
  if (headline.empty()) {
    bool marks[201] = {};
    for (int64_t i = 1; i <= Length(title) - 1; ++i) {
      if (Search(body, Piece(title, i, 2), 1) > 0) marks[i] = marks[i + 1] = true;
    }
    for (int64_t i = 1; i <= 200; ++i) {
      if (marks[i]) headline += title[i - 1];
    }
    if (!headline.empty()) result += u"[[ha=" + headline + u"]]\r\n";
  }
  return result;
}

}  // namespace

Text ReplaceAll(View text, View find, View replacement) {
  Text w(text);
  int64_t p = Search(w, find, 1);
  while (p > 0) {
    w = Head(w, p - 1) + Text(replacement) + Tail(w, p + Length(find));
    p = Search(w, find, p);
  }
  return w;
}

Text RemoveSpans(View text, View open, View close) {
  Text w(text);
  int64_t p = SearchOpen(w, open, 1);
  int64_t q = p > 0 ? Search(w, close, p) : 0;
  while (p > 0 && q > 0) {
    w = Head(w, p - 1) + Tail(w, q + Length(close));
    p = SearchOpen(w, open, p);
    if (p > 0) q = Search(w, close, p);
  }
  return w;
}

Text RemoveEntities(View text, View open, View close) {
  Text w(text);
  int64_t p = Search(w, open, 1);
  int64_t q = p > 0 ? Search(w, close, p) : 0;
  while (p > 0 && q > 0) {
    if (q < p + 10) {
      w = Head(w, p - 1) + Tail(w, q + Length(close));
    } else {
      p = p + 1;
    }
    p = Search(w, open, p);
    if (p > 0) q = Search(w, close, p);
  }
  return w;
}

Text StripMarkup(View markup) {
  Text t = Clean(Lower(markup));
  t = ReplaceAll(t, u"  ", u" ");
  t = ReplaceAll(t, u"</td>", u" ");
  t = ReplaceAll(t, u"</li>", u"zorblevant");
  t = ReplaceAll(t, u"</p>", u"zorblevant");
  t = ReplaceAll(t, u"<p", u"zorblevant<q");
  t = ReplaceAll(t, u"<br", u"zorblevant<qq");
  t = ReplaceAll(t, u"br>", u"qq>zorblevant");
  t = ReplaceAll(t, u"</tr>", u"zorblevant");

  Text out;
  int64_t g = Search(t, u">", 1);
  int64_t n = 0, l = 0;
  if (g > 0) {
    n = Search(t, u">", g + 1);
    l = Search(t, u"<", g);
  }
  while (g > 0 && l > 0) {
    if (l > g + 1 && (n > l || n == 0)) out += Trim(Piece(t, g + 1, l - g - 1));
    g = Search(t, u">", l);
    if (g > 0) {
      n = Search(t, u">", g + 1);
      l = Search(t, u"<", g);
    }
  }
  t = out;
  t = ReplaceAll(t, u"\r", u"");
  t = ReplaceAll(t, u"\n", u"");
  t = ReplaceAll(t, u"\t", u"");
  t = ReplaceAll(t, u"  ", u" ");
  t = ReplaceAll(t, u"zorblevant", u"\r\n");
  t = ReplaceAll(t, u" \r\n", u"\r\n");
  return ReplaceAll(t, u"\r\n\r\n", u"\r\n");
}

Text HtmlToText(View html) {
  const Text sourceHtml(html);
  const Located located = LocateContent(sourceHtml);
  const Text body = FoldFullWidth(StripMarkup(located.window));
  return ExtractHeadings(sourceHtml, body) + located.imageLines + u"[[txt]]\r\n" + body;
}

}  // namespace korvane::literal
