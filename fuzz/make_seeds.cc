// Writes the seed inputs of every fuzz target, and the dictionaries of
// markers that guide their mutations, from pages the project makes itself.
//   korvane_fuzz_seeds DIR   (DIR/<target>/<seed>, DIR/<target>.dict)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "decode/utf8.h"
#include "encode.h"
#include "fuzz_support.h"
#include "news_pages.h"
#include "random_text.h"
#include "warc_record.h"

namespace korvane::fuzz {
namespace {

namespace fs = std::filesystem;
using test_support::WarcRecord;

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) { fs::create_directories(root_); }

  void Add(const std::string& target, std::string_view bytes) {
    const fs::path folder = root_ / target;
    fs::create_directories(folder);
    char name[16];
    std::snprintf(name, sizeof name, "%04d", count_[target]++);
    std::ofstream(folder / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // One token a line, in the quoted form libFuzzer reads, every byte that is
  // not printable ASCII written as \xNN.
  void Dictionary(const std::string& target, const std::vector<std::string>& tokens) {
    std::ofstream file(root_ / (target + ".dict"), std::ios::binary);
    for (const std::string& token : tokens) {
      file << '"';
      for (unsigned char c : token) {
        char escaped[8];
        const bool plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
        std::snprintf(escaped, sizeof escaped, plain ? "%c" : "\\x%02X", c);
        file << escaped;
      }
      file << "\"\n";
    }
  }

 private:
  fs::path root_;
  std::map<std::string, int> count_;
};

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The engine's targets get at most 64 KiB: pages up to 30,000 units.
std::vector<std::u16string> Pages() {
  std::vector<std::u16string> pages;
  uint32_t seed = 1;
  for (size_t units : {1500, 4000, 9000, 16000, 30000}) {
    pages.push_back(test_support::NewsPage(units, seed++));
  }
  std::ifstream sample(KORVANE_SAMPLE_PAGE, std::ios::binary);
  const std::string sample_bytes(std::istreambuf_iterator<char>(sample), {});
  pages.push_back(cli::FromUtf8(sample_bytes).text);
  test_support::RandomText random(7);
  for (int i = 0; i < 8; ++i) pages.push_back(random.Page(i % 2 ? 600 : 150));
  return pages;
}

std::vector<std::string> Markers() {
  return {"<body",
          "</body>",
          "<title",
          "</title>",
          "<h1",
          "</h1>",
          "<img",
          "src=",
          "<",
          ">",
          "&nbsp;",
          "&lt;",
          "&gt;",
          "&amp;",
          "&",
          ";",
          "<!--",
          "-->",
          "<style",
          "</style>",
          "<script",
          "</script>",
          "<head",
          "</head>",
          "<p",
          "</p>",
          "<br",
          "br>",
          "</li>",
          "</tr>",
          "</td>",
          "zorblevant",
          ".gif",
          ".jpg",
          "\r\n",
          "  ",
          "\xe6\x96\xb0\xe9\x97\xbb",
          "\xef\xbc\xa1",
          "2024"};
}

void HtmlSeeds(SeedWriter& seeds, const std::vector<std::u16string>& pages) {
  std::vector<std::string> utf16_markers;
  for (const std::string& marker : Markers()) {
    utf16_markers.push_back(Utf16Bytes(cli::FromUtf8(marker).text));
  }
  seeds.Dictionary("html_utf16", utf16_markers);
  seeds.Dictionary("html_utf8", Markers());
  for (const std::u16string& page : pages) {
    seeds.Add("html_utf16", Utf16Bytes(page));
    seeds.Add("html_utf8", cli::ToUtf8(page));
  }
}

// Pages of pieces, short enough for the reference.
void DifferentialSeeds(SeedWriter& seeds) {
  std::mt19937 random(11);
  const std::u16string_view dense =
      u"\u8bb0\u8005\u4ece\u6709\u5173\u90e8\u95e8\u83b7\u6089\u4eca\u5e74\u5168\u5e02"
      u"\u7ecf\u6d4e\u8fd0\u884c\u603b\u4f53\u5e73\u7a33\u57ce\u4e61\u5c45\u6c11\u6536"
      u"\u5165\u7a33\u6b65\u63d0\u9ad8\u767e\u5206\u4e4b\u516d\u70b9\u4e94\u589e\u957f";
  const std::u16string_view extras[] = {u"<img src='Photo/A1.JPG'>",
                                        u"&nbsp;",
                                        u"<br>",
                                        u"&amp;amp;",
                                        u"<!--",
                                        u"-->",
                                        u"<style>",
                                        u"</style>",
                                        u"\uFF21\uFF22\uFF23",
                                        u"  ",
                                        u"\r\n",
                                        u"<li>",
                                        u"</li>"};
  for (int seed = 0; seed < 12; ++seed) {
    std::string bytes = PieceBytes({u"<title>", u"\u65b0\u95fb", u"</title>"});
    if (seed % 3 == 0) bytes += PieceBytes({u"<h1>", u"2024", u"</h1>"});
    bytes += PieceBytes({u"<body>"});
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
      bytes += PieceBytes({u"<p>", dense});
      if (random() % 3 == 0) bytes += PieceBytes({extras[random() % std::size(extras)]});
      bytes += PieceBytes({u"</p>"});
    }
    bytes += PieceBytes({u"</body>"});
    seeds.Add("html_reference", bytes);
    // The first three bytes pick the procedure and two markers.
    for (char procedure = 0; procedure < 6; ++procedure) {
      const std::string head{procedure, static_cast<char>(random() % 64),
                             static_cast<char>(random() % 64)};
      seeds.Add("primitives", head + bytes.substr(0, 40 + random() % 300));
    }
  }
}

std::string Encoded(std::u16string_view page, const char* charset) {
  return test_support::Encode(cli::ToUtf8(page), charset);
}

// Hints first: no --encoding (a byte from 32), no HTTP charset (0), bytes
// that are not known to be text (0).
void DecodeSeeds(SeedWriter& seeds, const std::vector<std::u16string>& pages) {
  const std::string hints("\xff\0\0", 3);
  const std::u16string& page = pages[5];  // the sample page: its meta says gb2312
  seeds.Add("decode", hints + Encoded(page, "gb18030"));
  seeds.Add("decode", hints + cli::ToUtf8(page));
  seeds.Add("decode", hints + Encoded(pages[0], "gb18030"));
  seeds.Add("decode", hints + Encoded(pages[1], "big5"));
  seeds.Add("decode", hints + Encoded(pages[2], "shift_jis"));
  seeds.Add("decode", hints + "\xff\xfe" + Encoded(pages[0], "utf-16le"));
  seeds.Add("decode", hints + "\xfe\xff" + Encoded(pages[0], "utf-16be"));
  seeds.Add("decode", hints + "<meta charset=\"big5\">" + Encoded(pages[3], "big5"));
  seeds.Add("decode", hints + "<meta charset=utf-16><p>caf\xe9</p>");
  seeds.Add("decode", hints + std::string("<p>\xe4\xb8\0\xad</p>", 12));
  seeds.Add("decode", hints + "http://news.example/a/b/c.html?x#y\n../../d/./e.jpg");
  seeds.Add("decode", hints + "text/html; charset=\"gbk\"; q=1");
  seeds.Dictionary("decode", {"<meta",
                              "charset=",
                              "http-equiv=\"content-type\"",
                              "content=\"text/html; charset=",
                              "<!--",
                              "-->",
                              "gb2312",
                              "gbk",
                              "big5",
                              "utf-16",
                              "utf-8",
                              "\xef\xbb\xbf",
                              "\xff\xfe",
                              "\xfe\xff",
                              "://",
                              "../",
                              "./",
                              "?",
                              "#",
                              "//"});
}

void WarcSeeds(SeedWriter& seeds, const std::vector<std::u16string>& pages) {
  std::string warc =
      WarcRecord({.uri = "http://news.example/a.html", .body = cli::ToUtf8(pages[0])});
  warc += WarcRecord({.uri = "http://news.example/r", .body = "x", .type = "request"});
  warc += WarcRecord({.uri = "http://news.example/gone", .status = 404, .body = "<p>no</p>"});
  warc += WarcRecord({.uri = "http://news.example/logo.png",
                      .content_type = "image/png",
                      .body = std::string("\x89PNG\0", 5)});
  warc += WarcRecord({.uri = "<http://news.example/b>",
                      .version = "WARC/1.1",
                      .content_type = "text/html; charset=GBK",
                      .body = Encoded(pages[1], "gb18030")});
  const std::string gzipped = test_support::Gzip("<title>x</title><p>gzip</p>");
  warc += WarcRecord({.uri = "http://news.example/c",
                      .content_type = "text/html\r\nContent-Encoding: gzip\r\nTransfer-Encoding: "
                                      "chunked",
                      .body = "a\r\n" + gzipped.substr(0, 10) + "\r\n" +
                              [&] {
                                char size[16];
                                std::snprintf(size, sizeof size, "%zx", gzipped.size() - 10);
                                return std::string(size);
                              }() +
                              "\r\n" + gzipped.substr(10) + "\r\n0\r\n\r\n"});
  // The first byte packs the file (plain, one gzip member, a member per
  // record, raw gzip, a zstd frame per record, raw zstd), the second says
  // how many read sizes follow.
  seeds.Add("warc", std::string("\0\0", 2) + warc);
  seeds.Add("warc", std::string("\1\0", 2) + warc);
  seeds.Add("warc", std::string("\2\3\1\7\0", 5) + warc);
  seeds.Add("warc", std::string("\4\0", 2) + warc);  // a zstd frame per record
  seeds.Add("warc", std::string("\0\0", 2) + warc.substr(0, warc.size() / 2));
  seeds.Dictionary(
      "warc", {"WARC/1.0\r\n", "WARC/1.1\r\n", "WARC-Type: response\r\n", "WARC-Target-URI: ",
               "Content-Length: ", "Content-Type: application/http; msgtype=response\r\n",
               "HTTP/1.1 200 OK\r\n", "Content-Type: text/html; charset=", "\r\n\r\n", "\n\n",
               "\r\n", " ", "\t", "Transfer-Encoding: chunked\r\n", "Content-Encoding: gzip\r\n",
               "Content-Encoding: deflate\r\n", "HTTP/1.1 100 Continue\r\n\r\n", "0\r\n\r\n",
               "\x1f\x8b\x08"});
}

void JsonlSeeds(SeedWriter& seeds, const std::vector<std::u16string>& pages) {
  std::string lines;
  for (int i = 0; i < 4; ++i) {
    const nlohmann::json line = {{"id", i},
                                 {"url", "http://news.example/" + std::to_string(i) + ".html"},
                                 {"html", cli::ToUtf8(pages[6 + i])}};
    lines += line.dump() + "\n";
  }
  lines += "{\"id\":{\"a\":[1,2]},\"html\":\"<p>\\u4e2d\\ud83d\\ude00</p>\"}\n";
  lines += "not json\n[1]\n{\"id\":\"x\"}\n";
  seeds.Add("jsonl", std::string(1, '\0') + lines);
  seeds.Add("jsonl", std::string("\2\5\0", 3) + lines);
  seeds.Dictionary("jsonl", {"{\"id\":", "\"html\":\"", "\"url\":\"", "\\u", "\\ud83d", "\\n", "[",
                             "]", "{", "}", "null", "\n"});
}

// The first byte picks UTF-8 (even) or UTF-16 (odd).
void DomSeeds(SeedWriter& seeds, const std::vector<std::u16string>& pages) {
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i % 3 == 2) {
      seeds.Add("dom", "\1" + Utf16Bytes(pages[i]));
    } else {
      seeds.Add("dom", "\0" + cli::ToUtf8(pages[i]));
    }
  }
  seeds.Add("dom",
            std::string(1, '\0') +
                "<html><head><title>A &amp; B</title></head><body><header><nav><a href=/>Home</a>"
                "</nav></header><article><h1>Head</h1><p>One, two, three.<p>Four<div>five"
                "<ul><li>six<li><a href=x>seven</a></ul><table><tr><td>8<td>9<tr><td>10</table>"
                "<img data-src=a.jpg src=data:x><img srcset='b.jpg 1x, c.jpg 2x'><br/>&#x4e2d;"
                "&notit;&#128;</article><div class=comments><div class=item><p>c</p></div></div>"
                "<svg><path/></svg><script>if (a<b) x='</div>'</script><footer>f</footer>");
  // SVG and MathML left open and ended by HTML, comments and scripts as
  // browsers end them.
  seeds.Add("dom",
            std::string(1, '\0') +
                "<head><title>t</title>text<p>a<svg><g><foreignObject><p>b</p></foreignObject>"
                "<style>c<![CDATA[<p>d]]></style><p>e<math><mi><b>f</b><mglyph></mi><mtext>g"
                "</mtext><annotation-xml encoding=text/html><div>h</div></annotation-xml>"
                "<font color=red>i</font><!--j--!>k<!--->l<script><!--<script>m</script>n-->"
                "</script>o</");
  seeds.Dictionary("dom", {"<div",
                           "</div>",
                           "<p>",
                           "</p>",
                           "<li>",
                           "<ul>",
                           "<table>",
                           "<tr>",
                           "<td>",
                           "</td>",
                           "<a href=",
                           "</a>",
                           "<br>",
                           "/>",
                           "<h1>",
                           "<title>",
                           "<script>",
                           "</script>",
                           "<style>",
                           "<svg>",
                           "</svg>",
                           "<math>",
                           "</math>",
                           "<mi>",
                           "<mtext>",
                           "<foreignObject>",
                           "<desc>",
                           "<annotation-xml encoding=\"text/html\">",
                           "<font color=",
                           "<![CDATA[",
                           "]]>",
                           "--!>",
                           "<head>",
                           "<!--",
                           "-->",
                           "<!DOCTYPE",
                           " class=\"",
                           " id=\"",
                           "comment",
                           "content",
                           "article",
                           "share",
                           "item",
                           " style=\"display:none\"",
                           " hidden",
                           " data-src=",
                           " srcset=",
                           "<img",
                           "&#x",
                           "&#",
                           "&amp;",
                           "&nbsp",
                           "&",
                           ";",
                           "<form>",
                           "<header>",
                           "<nav>",
                           "<footer>",
                           "<aside>",
                           "<figcaption>",
                           "<pre>",
                           "\xef\xbc\x8c",
                           "\xe3\x80\x82"});
}

// Datelines, bylines, JSON-LD and titles, as UTF-8 (first byte even).
void MetadataSeeds(SeedWriter& seeds) {
  for (const char* text :
       {"发布时间：2023-11-18 10:20 来源：本报 作者：张三 责任编辑：李四",
        "2005年3月21日 11:21 （记者 王建宏 北京报道） 本报记者罗科苏盈发自北京",
        "Posted November 18, 2023 at 3:05 p.m. by Jane Doe and John Roe | Updated",
        "7/5/2005 9:23:57 PM 文／钱七 张三/摄 ggjjzhzz 发表于 2005-9-15 11:46:00",
        "{\"@graph\":[{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-11-18T02:20:00Z\","
        "\"author\":[{\"@type\":\"Person\",\"name\":\"A\"},\"B\"]}]}",
        "投身外交(3)_读书频道_新浪网 | Opinion - Storm hits -- Herald"}) {
    seeds.Add("metadata", std::string(1, '\0') + text);
  }
  seeds.Dictionary("metadata", {"年",          "月",        "日",
                                "时",          "分",        "-",
                                "/",           ".",         ":",
                                "T",           "Z",         "+08:00",
                                " PM",         "上午",      "下午",
                                "作者：",      "记者",      "编辑：",
                                "来源：",      "（",        "）",
                                "发表于",      "By ",       " by ",
                                " and ",       "报道",      "\"datePublished\":",
                                "\"author\":", "\"name\":", "\"@type\":",
                                "{",           "}",         "[",
                                "]",           "_",         " | ",
                                " - ",         "2023",      "11",
                                "18",          "10:20"});
}

}  // namespace
}  // namespace korvane::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  using namespace korvane::fuzz;
  SeedWriter seeds(argv[1]);
  const std::vector<std::u16string> pages = Pages();
  HtmlSeeds(seeds, pages);
  DifferentialSeeds(seeds);
  DecodeSeeds(seeds, pages);
  WarcSeeds(seeds, pages);
  JsonlSeeds(seeds, pages);
  DomSeeds(seeds, pages);
  MetadataSeeds(seeds);
  return 0;
}
