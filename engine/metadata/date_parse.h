// SPDX-License-Identifier: Apache-2.0
// Dates as pages write them, read into ISO 8601.
//
// Recognised, with an optional time after the date (H:MM, H:MM:SS, H时MM分,
// with AM/PM, 上午/下午, and a zone such as Z, +08:00, +0800, GMT, UTC):
//   2023-11-18  2023/11/18  2023.11.18  2023年11月18日 (or 号)  2023-11-18T10:20
//   11/18/2023 (month first unless the first number cannot be a month)
//   November 18, 2023  Nov. 18 2023  18 November 2023
// and, in structured values only, 20231118 and year and month alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;  // 0: the page gives year and month only
  int hour = -1;
  int minute = -1;
  int second = -1;
  std::u16string zone;  // "Z", "+08:00", or empty when not given

  // "2023-11-18", "2023-11-18T10:20", "2023-11-18T10:20:05+08:00", "2023-11".
  std::u16string Iso() const;
  bool HasTime() const { return hour >= 0; }
  bool SameDay(const Date& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
};

struct DateMatch {
  Date date;
  size_t begin = 0;  // where the date starts in the text
  size_t end = 0;    // one past its last unit (the time's, when it has one)
};

// The first date with year, month and day in `text` at or after `from`.
std::optional<DateMatch> FindDate(std::u16string_view text, size_t from = 0);

// A date in a value meant to hold one (a <meta> content, a datetime
// attribute, JSON-LD): it must start within the value's first few units;
// year and month alone are accepted.
std::optional<Date> ParseDateValue(std::u16string_view value);

}  // namespace korvane
