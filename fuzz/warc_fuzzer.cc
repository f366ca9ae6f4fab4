// WARC files, plain, gzip- or zstd-compressed, read record by record in
// chunks of any size, and each page they give converted as the command line
// does.
// The first byte says how the rest is compressed, the second how many of the
// bytes after it give the sizes of the reads.
#include <nlohmann/json.hpp>

#include "chunked_reader.h"
#include "compress.h"
#include "convert/convert.h"
#include "encode.h"
#include "fuzz_support.h"
#include "input/warc.h"
#include "input/zstd_reader.h"

namespace korvane::fuzz {
namespace {

enum class Packing : uint8_t {
  kPlain,
  kOneMember,
  kMemberPerRecord,
  kRawGzip,
  kZstdFramePerRecord,  // with the dictionary in a leading skippable frame
  kRawZstd,
  kCount
};

// Each record compressed on its own, as crawls write them.
template <typename Compress>
std::string PerRecord(std::string_view warc, Compress compress) {
  std::string packed;
  for (size_t start = 0; start < warc.size();) {
    size_t next = warc.find("WARC/1.", start + 1);
    if (next == std::string_view::npos) next = warc.size();
    packed += compress(warc.substr(start, next - start));
    start = next;
  }
  return packed;
}

// A dictionary of the words every record has.
constexpr std::string_view kDictionary =
    "WARC/1.0\r\nWARC-Type: response\r\nContent-Type: application/http\r\nHTTP/1.1 200 OK\r\n";

// A small limit, so that pages over it come up often.
constexpr uint64_t kLimit = 4096;

std::unique_ptr<cli::ByteReader> Reader(Packing packing, std::string_view warc,
                                        std::string_view sizes) {
  switch (packing) {
    case Packing::kOneMember:
      return std::make_unique<cli::GzipReader>(
          std::make_unique<test_support::ChunkedReader>(test_support::Gzip(warc), sizes));
    case Packing::kMemberPerRecord:
      return std::make_unique<cli::GzipReader>(std::make_unique<test_support::ChunkedReader>(
          PerRecord(warc, [](std::string_view record) { return test_support::Gzip(record); }),
          sizes));
    case Packing::kRawGzip:
      return std::make_unique<cli::GzipReader>(
          std::make_unique<test_support::ChunkedReader>(warc, sizes));
    case Packing::kZstdFramePerRecord:
      return std::make_unique<cli::ZstdReader>(std::make_unique<test_support::ChunkedReader>(
          test_support::DictionaryFrame(kDictionary) + PerRecord(warc,
                                                                 [](std::string_view record) {
                                                                   return test_support::ZstdFrame(
                                                                       record, kDictionary);
                                                                 }),
          sizes));
    case Packing::kRawZstd:
      return std::make_unique<cli::ZstdReader>(
          std::make_unique<test_support::ChunkedReader>(warc, sizes));
    default:
      return std::make_unique<test_support::ChunkedReader>(warc, sizes);
  }
}

void CheckPage(const cli::Input& page) {
  switch (page.kind) {
    case cli::Input::Kind::kError:
    case cli::Input::Kind::kSkipped:
      Require(!page.error.empty(), "an error or a skipped record says why");
      return;
    case cli::Input::Kind::kPage:
      break;
  }
  Require(page.output_name.starts_with("crawl.warc/") && page.output_name.ends_with(".txt"),
          "a page of a WARC file has its output name under the file's");
  const cli::Result result = cli::Convert(page, {cli::Format::kJsonl, {}, "http://news.example/"});
  Require(nlohmann::json::accept(result.text), "each page gives a JSON line");
}

void ReadWarc(Bytes& bytes) {
  const auto packing = static_cast<Packing>(bytes.Byte() % static_cast<uint8_t>(Packing::kCount));
  const std::string_view sizes = bytes.Take(bytes.Byte() % 8);
  cli::WarcReader reader(Reader(packing, bytes.Rest(), sizes), "crawl.warc", "crawl.warc", kLimit);
  while (std::optional<cli::Input> page = reader.Next()) {
    CheckPage(*page);
    // A record's own error names the record; one that breaks the file's
    // framing names the file, and ends it.
    if (page->kind == cli::Input::Kind::kError && page->source == "crawl.warc") {
      Require(!reader.Next(), "nothing is read after an error of the file");
    }
  }
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::fuzz::Bytes bytes(data, size);
  korvane::fuzz::ReadWarc(bytes);
  return 0;
}
