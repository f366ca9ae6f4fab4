// SPDX-License-Identifier: Apache-2.0
// Title, author and date readers on any text: dates found where they stand
// and valid, bylines taken from the line they are read in, JSON-LD read as
// the tree reader reads it, titles of any shape read without fault. The first byte picks UTF-8
// (even) or UTF-16 units (odd) for the rest.
#include <algorithm>

#include "common/chars.h"
#include "decode/utf8.h"
#include "fuzz_support.h"
#include "metadata/byline.h"
#include "metadata/date_parse.h"
#include "metadata/json_ld.h"
#include "metadata/json_ld_reference.h"
#include "metadata/title.h"

namespace korvane::fuzz {
namespace {

// "YYYY-MM", "YYYY-MM-DD", then "THH:MM", ":SS" and a zone, nothing else.
void CheckIso(const Date& date) {
  const std::u16string iso = date.Iso();
  Require(iso.size() >= 7 && IsAsciiDigit(iso[0]) && iso[4] == u'-', "ISO dates start YYYY-MM");
  Require(date.year >= 1900 && date.year <= 2099, "years are 1900 to 2099");
  Require(date.month >= 1 && date.month <= 12 && date.day >= 0 && date.day <= 31,
          "months and days are in range");
  Require(date.hour < 24 && date.minute < 60 && date.second < 60, "times are in range");
  Require(date.day != 0 || !date.HasTime(), "a time comes with a day");
  Require(iso.size() == (date.day == 0 ? 7 : 10) + (date.HasTime() ? 6 : 0) +
                            (date.second >= 0 ? 3 : 0) + date.zone.size(),
          "the ISO text has the parts the date has");
}

void CheckDates(std::u16string_view text) {
  size_t from = 0;
  for (int found = 0; found < 64; ++found) {
    const std::optional<DateMatch> match = FindDate(text, from);
    if (!match) break;
    Require(match->begin >= from && match->begin < match->end && match->end <= text.size(),
            "a date lies inside the text, after where the search began");
    Require(match->date.day != 0, "dates in text have a day");
    CheckIso(match->date);
    from = match->end;
  }
  if (const std::optional<Date> date = ParseDateValue(text)) CheckIso(*date);
}

void CheckByline(std::u16string_view line) {
  for (const bool bare : {false, true}) {
    const std::optional<Byline> byline = FindByline(line, bare);
    if (!byline) continue;
    Require(!byline->names.empty(), "a byline names someone");
    Require(line.find(byline->names) != std::u16string_view::npos,
            "a byline's names are printed in its line");
  }
  const std::u16string author = DeclaredAuthor(line);
  Require(author.size() <= line.size(), "a declared author comes out of its value");
}

void CheckTitle(std::u16string_view title) {
  const std::u16string cut = WithoutSiteName(title);
  Require(cut.size() <= title.size(), "a title loses its site's name, nothing is added");
  const std::u16string_view half = title.substr(title.size() / 2);
  const std::u16string parts = WithoutSiteParts(title, half, half, u"");
  Require(title.find(parts) != std::u16string_view::npos, "og:title keeps a run of itself");
  const double similarity = HeadingSimilarity(title, half);
  Require(similarity >= 0 && similarity <= 1, "similarity lies between 0 and 1");
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane::fuzz;
  Bytes bytes(data, size);
  const bool units = bytes.Byte() % 2 == 1;
  const std::u16string text =
      units ? Units(bytes.Rest()) : korvane::cli::FromUtf8(bytes.Rest()).text;
  CheckDates(text);
  CheckByline(text);
  CheckTitle(text);
  korvane::LinkedData linked;
  korvane::ReadLinkedData(text, linked);
  korvane::LinkedData tree;
  korvane::reference::ReadLinkedData(text, tree);
  Require(linked.published == tree.published && linked.author == tree.author,
          "JSON-LD gives what the tree reader gives");
  return 0;
}
