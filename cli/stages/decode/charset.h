// SPDX-License-Identifier: Apache-2.0
// Charset labels, mapped to encodings the way browsers map them (every label
// of every encoding that browsers know), and each encoding to what decodes it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvane::cli {

struct Charset {
  enum class Kind {
    kAsciiCompatible,  // every ASCII byte decodes to itself, no state
    kWide,             // UTF-16: ASCII bytes mean something else
    kStateful,         // ISO-2022-JP: escape sequences switch the character set
    kReplacement,      // decoded as one U+FFFD, as browsers do for these labels
    kOther,            // named with --encoding, not known to browsers
  };
  std::string name;       // reported: "gb18030", "big5-hkscs", "shift_jis", "utf-8" ...
  std::string converter;  // the ICU converter that decodes it; empty: decoded here
  Kind kind = Kind::kAsciiCompatible;
  // The converter swaps the controls 0x1A, 0x1C and 0x7F (IBM's PC tables);
  // the decoder swaps them back, so that ASCII decodes to itself.
  bool pc_controls = false;
};

// The encoding that browsers give `label` (ASCII case and surrounding white
// space ignored): gb2312/gbk/x-gbk/gb18030 → gb18030, big5 → big5-hkscs,
// iso-8859-1/latin1/us-ascii → windows-1252, shift_jis/sjis/windows-31j →
// shift_jis (the Windows table), utf-16 → utf-16le, hz-gb-2312 →
// replacement, and so on. Nothing for a label browsers do not know
// ("utf-32", "ucs-4"), so that the caller goes on as browsers do.
std::optional<Charset> CharsetForLabel(std::string_view label);

// For --encoding: a browser's label, else any charset ICU knows by that name.
std::optional<Charset> CharsetForOption(std::string_view label);

// Every label of the browsers' table with the name of its encoding, for
// tests and seeds.
struct LabelEntry {
  std::string_view label;
  std::string_view name;
};
std::span<const LabelEntry> BrowserLabels();

inline bool IsWideUnicode(const Charset& charset) { return charset.kind == Charset::Kind::kWide; }

// Every ASCII byte decodes to itself and no byte sequence switches state, so
// ASCII text reads the same under this charset as under UTF-8.
inline bool IsAsciiCompatible(const Charset& charset) {
  return charset.kind == Charset::Kind::kAsciiCompatible;
}

}  // namespace korvane::cli
