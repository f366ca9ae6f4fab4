// SPDX-License-Identifier: Apache-2.0
// The whole conversion of a page given as UTF-8 bytes, the way the command
// line does it: decoded, converted, written as a record and as a JSON line.
#include <nlohmann/json.hpp>

#include "convert/convert.h"
#include "decode/charset.h"
#include "decode/utf8.h"
#include "fuzz_support.h"
#include "input/formats.h"
#include "record_checks.h"

namespace korvane::fuzz {
namespace {

cli::Result ConvertPage(std::string_view bytes, cli::Format format) {
  cli::Input page;
  page.source = "page.html";
  page.bytes = bytes;
  return cli::Convert(std::move(page),
                      {format, cli::CharsetForLabel("utf-8"), "http://news.example/a/b.html"});
}

void CheckPage(std::string_view bytes) {
  // Bytes that open as a compressed format are named as that, not converted.
  if (const auto format = cli::CompressedFormat(bytes)) {
    const cli::Result refused = ConvertPage(bytes, cli::Format::kRecord);
    Require(refused.kind == cli::Input::Kind::kError &&
                refused.error.find(*format) != std::string::npos,
            "compressed data is refused, named");
    return;
  }
  const std::u16string record = ConvertAndCheck(cli::FromUtf8(bytes).text);
  const cli::Result as_record = ConvertPage(bytes, cli::Format::kRecord);
  Require(as_record.kind == cli::Input::Kind::kPage, "a UTF-8 page converts");
  Require(as_record.text == cli::ToUtf8(record), "the record is written as the engine gave it");
  Require(cli::CheckUtf8(as_record.text).valid, "the record is written as valid UTF-8");
  const cli::Result as_json = ConvertPage(bytes, cli::Format::kJsonl);
  Require(as_json.text.find('\n') == as_json.text.size() - 1, "a JSON line is one line");
  const auto object = nlohmann::json::parse(as_json.text, nullptr, false);
  Require(object.is_object(), "a JSON line parses");
  Require(object.value("record", std::string()) == as_record.text,
          "the JSON line holds the record");
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::fuzz::CheckPage({reinterpret_cast<const char*>(data), size});
  return 0;
}
