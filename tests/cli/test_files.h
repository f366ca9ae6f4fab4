// Files, gzip members, WARC records and charset bytes made by the tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::cli::testing {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `relative` (creating folders); returns the full path.
  std::string Write(const std::string& relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);

// `bytes` as one gzip member.
std::string Gzip(std::string_view bytes);

// `utf8` text in the bytes of the ICU converter `charset` ("gbk", "big5", ...).
std::string Encode(std::string_view utf8, const char* charset);

struct WarcResponse {
  std::string uri;
  std::string version = "WARC/1.0";
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::string type = "response";
};

// One WARC record: header, the HTTP head and body as content, CRLF CRLF.
std::string WarcRecord(const WarcResponse& response);

// A small page whose article the engine finds: a title, paragraphs of
// Chinese text, and an image per entry of `images`.
std::string ArticlePage(std::string_view title, const std::vector<std::string>& images = {},
                        std::string_view head_extra = "",
                        std::string_view paragraph =
                            "记者从有关部门获悉，今年全市经济运行总体平稳，城乡居民收入稳步提高。");

}  // namespace korvane::cli::testing
