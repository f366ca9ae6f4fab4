#include "test_files.h"

#include <unicode/ucnv.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korvane::cli::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "korvane-cli-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, std::string_view bytes) const {
  const fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file.string();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string Gzip(std::string_view bytes) {
  z_stream stream{};
  // 15 + 16: a gzip wrapper, as the WARC.gz files of a crawl have.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

std::string Encode(std::string_view utf8, const char* charset) {
  UErrorCode status = U_ZERO_ERROR;
  std::string out(utf8.size() * 4 + 16, '\0');
  const int32_t length =
      ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                   static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  out.resize(length);
  return out;
}

std::string WarcRecord(const WarcResponse& response) {
  std::string content;
  std::string content_type = "application/http; msgtype=response";
  if (response.type == "response") {
    content = "HTTP/1.1 " + std::to_string(response.status) + " Whatever\r\n";
    if (!response.content_type.empty()) {
      content += "Content-Type: " + response.content_type + "\r\n";
    }
    content += "Content-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
    content += response.body;
  } else {
    content = response.body;
    content_type = "application/warc-fields";
  }
  std::string record = response.version + "\r\n";
  record += "WARC-Type: " + response.type + "\r\n";
  record += "WARC-Date: 2024-01-01T00:00:00Z\r\n";
  record += "WARC-Record-ID: <urn:uuid:00000000-0000-0000-0000-000000000000>\r\n";
  if (!response.uri.empty()) record += "WARC-Target-URI: " + response.uri + "\r\n";
  record += "Content-Type: " + content_type + "\r\n";
  record += "Content-Length: " + std::to_string(content.size()) + "\r\n\r\n";
  return record + content + "\r\n\r\n";
}

std::string ArticlePage(std::string_view title, const std::vector<std::string>& images,
                        std::string_view head_extra, std::string_view paragraph) {
  std::string page = "<html><head>";
  page.append(head_extra).append("<title>").append(title).append("</title></head><body>\n");
  page += "<div class=nav><a href=/>home</a> <a href=/news>news</a></div>\n<div class=article>\n";
  for (const std::string& image : images) page += "<p><img src=\"" + image + "\"></p>\n";
  for (int number = 0; number < 12; ++number) {
    page.append("<p>").append(std::to_string(number)).append(paragraph).append(paragraph);
    page.append("</p>\n");
  }
  page += "</div>\n<div class=footer>(c) 2024</div></body></html>";
  return page;
}

}  // namespace korvane::cli::testing
