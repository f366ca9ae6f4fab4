// Throughput and peak memory of `korvane` over a folder of generated pages,
// with -j 1 and -j 2. Usage: cli_batch_bench [PAGES [RUNS]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "korvane_runs.h"

namespace {

using korvane::bench::Measure;
using korvane::bench::Median;
using korvane::bench::RunKorvane;
using korvane::bench::ToGb18030;

namespace fs = std::filesystem;

// Common characters of news text, so that the density measure sees an article.
constexpr std::string_view kCharacters =
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子"
    "说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机"
    "当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心"
    "反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程"
    "展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期"
    "根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百规热领七海口东导器压志"
    "世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速花带安场身车例真务具万每"
    "目至达走积示议声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律"
    "叫且究观越织装影算低持音众书布复容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感"
    "劳便团往酸历市克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片"
    "始却专状育厂京识适属圆包火住调满县局照参红细引听该铁价严";

std::string RandomText(std::mt19937& random, size_t characters) {
  // Each character is three UTF-8 bytes.
  const size_t count = kCharacters.size() / 3;
  std::string text;
  for (size_t i = 0; i < characters; ++i) {
    if (i % 23 == 22) {
      text += "，";
      continue;
    }
    text.append(kCharacters.substr(3 * (random() % count), 3));
  }
  return text + "。";
}

// A news page: head with scripts and styles, navigation, the article with
// images, a sidebar of links and a footer.
std::string Page(std::mt19937& random, int number, const char* charset) {
  std::string page = "<!DOCTYPE html><html><head><meta charset=\"";
  page.append(charset).append("\"><title>").append(RandomText(random, 18));
  page += "</title><style>body{font:14px sans-serif}.nav a{margin:0 4px}</style>";
  page += "<script>var page=" + std::to_string(number) + ";function track(){return page;}</script>";
  page += "</head><body><div class=\"nav\">";
  for (int link = 0; link < 12; ++link) {
    page += "<a href=\"/channel/" + std::to_string(link) + "/\">" + RandomText(random, 2) + "</a>";
  }
  page += "</div><div class=\"article\"><h1>" + RandomText(random, 16) + "</h1>";
  const int paragraphs = 20 + static_cast<int>(random() % 60);
  for (int paragraph = 0; paragraph < paragraphs; ++paragraph) {
    if (paragraph % 8 == 3) {
      page += "<p><img src=\"../images/" + std::to_string(number) + "_" +
              std::to_string(paragraph) + ".jpg\" alt=\"\"></p>";
    }
    page += "<p>" + RandomText(random, 80 + random() % 170) + "</p>\n";
  }
  page += "</div><div class=\"sidebar\"><ul>";
  for (int item = 0; item < 20; ++item) {
    page += "<li><a href=\"/news/" + std::to_string(random() % 100000) + ".html\">" +
            RandomText(random, 12) + "</a></li>";
  }
  return page + "</ul></div><div class=\"footer\">Copyright 2024</div></body></html>";
}

// One page in four is GB18030 with its meta, as older Chinese sites serve them.
uint64_t WritePages(const fs::path& folder, int pages) {
  std::mt19937 random(2024);
  uint64_t bytes = 0;
  for (int number = 0; number < pages; ++number) {
    const bool gb = number % 4 == 3;
    std::string page = Page(random, number, gb ? "gb2312" : "utf-8");
    if (gb) page = ToGb18030(page);
    const fs::path file = folder / ("section" + std::to_string(number / 100)) /
                          ("page" + std::to_string(number) + ".html");
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << page;
    bytes += page.size();
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  std::string pattern = (fs::temp_directory_path() / "korvane-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path folder = pattern;
  const uint64_t bytes = WritePages(folder, pages);
  std::printf("%d generated pages, %.1f MB, %d runs each\n", pages,
              static_cast<double>(bytes) / 1e6, runs);
  double single = 0;
  for (const int jobs : {1, 2}) {
    std::vector<double> seconds;
    std::vector<double> cpu_seconds;
    long peak = 0;
    RunKorvane(KORVANE_BINARY,
               {"-q", "-j", std::to_string(jobs), folder.string()});  // warm the page cache
    for (int run = 0; run < runs; ++run) {
      const Measure measure =
          RunKorvane(KORVANE_BINARY, {"-q", "-j", std::to_string(jobs), folder.string()});
      seconds.push_back(measure.seconds);
      cpu_seconds.push_back(measure.cpu_seconds);
      peak = std::max(peak, measure.peak_kib);
    }
    const double median = Median(seconds);
    if (jobs == 1) single = median;
    // CPU time shows whether the work divides; wall time also depends on
    // how many cores the machine has free.
    std::printf("-j %d: median %.3f s (CPU %.3f s), %.0f pages/s, %.1f MB/s, peak RSS %.1f MB",
                jobs, median, Median(cpu_seconds), pages / median,
                static_cast<double>(bytes) / 1e6 / median, peak / 1024.0);
    if (jobs == 2) std::printf(", %.2fx -j 1", single / median);
    std::printf("\n");
  }
  fs::remove_all(folder);
  return 0;
}
