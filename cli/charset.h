// Charset labels, mapped to converters the way browsers map them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

struct Charset {
  std::string name;       // reported: "gb18030", "big5-hkscs", "utf-8" ...
  std::string converter;  // the ICU converter that decodes it
};

// gb2312/gbk/x-gbk/gb18030 → gb18030, big5 → big5-hkscs, iso-8859-1/latin1/
// us-ascii → windows-1252, utf-16 → utf-16le, and so on; other labels as ICU
// knows them. Empty when no converter decodes the label.
std::optional<Charset> CharsetForLabel(std::string_view label);

// UTF-16 or UTF-32: bytes of ASCII text mean something else under them.
bool IsWideUnicode(const Charset& charset);

// Every ASCII byte decodes to itself and no byte sequence switches state, so
// ASCII text reads the same under this charset as under UTF-8.
bool IsAsciiCompatible(const Charset& charset);

}  // namespace korvane::cli
