// SPDX-License-Identifier: Apache-2.0
// Runs every page fixture: tests/pages/<case>/page.html through the dom
// algorithm, compared with tests/pages/<case>/expected.json. After a change
// of the algorithm that is meant, KORVANE_WRITE_PAGES=1 rewrites the
// expected files (then read the difference).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "decode/utf8.h"
#include "korvane.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The body one line per element, so that a difference shows as one line.
ordered_json BodyLines(const std::string& body) {
  ordered_json lines = ordered_json::array();
  if (body.empty()) return lines;
  for (size_t begin = 0;;) {
    const size_t end = body.find("\r\n", begin);
    lines.push_back(body.substr(begin, end - begin));
    if (end == std::string::npos) break;
    begin = end + 2;
  }
  return lines;
}

ordered_json Extracted(const fs::path& page) {
  const Article article = ExtractArticle(cli::FromUtf8(ReadFile(page)).text, Algorithm::kDom);
  ordered_json images = ordered_json::array();
  for (const std::u16string& image : article.images) images.push_back(cli::ToUtf8(image));
  return {
      {"title", cli::ToUtf8(article.title)},
      {"headline", cli::ToUtf8(article.headline)},
      {"author", cli::ToUtf8(article.author)},
      {"published", cli::ToUtf8(article.published)},
      {"images", images},
      {"body", BodyLines(cli::ToUtf8(article.body))},
  };
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(KORVANE_PAGES_DIR)) {
    if (fs::exists(entry.path() / "page.html")) names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PageFixture : public testing::TestWithParam<std::string> {};

TEST_P(PageFixture, GivesItsExpectedArticle) {
  const fs::path folder = fs::path(KORVANE_PAGES_DIR) / GetParam();
  const ordered_json extracted = Extracted(folder / "page.html");
  const fs::path expected_path = folder / "expected.json";
  if (std::getenv("KORVANE_WRITE_PAGES") != nullptr) {
    std::ofstream(expected_path, std::ios::binary) << extracted.dump(2) << '\n';
    return;
  }
  ASSERT_TRUE(fs::exists(expected_path)) << expected_path << " (KORVANE_WRITE_PAGES=1 writes it)";
  const ordered_json expected = ordered_json::parse(ReadFile(expected_path));
  for (const auto& [key, value] : expected.items()) {
    EXPECT_EQ(extracted.at(key), value) << GetParam() << ": " << key;
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, PageFixture, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace korvane
