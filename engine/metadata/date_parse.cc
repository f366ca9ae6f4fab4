// SPDX-License-Identifier: Apache-2.0
#include "metadata/date_parse.h"

#include <array>

#include "common/chars.h"

namespace korvane {
namespace {

// Structured values may hold a date alone or its year and month; text needs
// a whole date, so that "2005年3月" in a sentence is not taken for one.
enum class Mode { kText, kValue };

// How far into a structured value its date may start ("Sat, 18 Nov 2023").
constexpr size_t kValueLead = 16;
// Blanks allowed between a date and its time.
constexpr int kMaxGap = 4;

// Separators of numeric dates, ASCII and full-width.
char16_t DateSeparator(char16_t unit) {
  switch (unit) {
    case u'-':
    case 0xFF0D:
      return u'-';
    case u'/':
    case 0xFF0F:
      return u'/';
    case u'.':
    case 0xFF0E:
      return u'.';
    default:
      return 0;
  }
}

struct Number {
  int value = 0;
  int digits = 0;
  size_t end = 0;
};

// The whole run of digits at `at`, if it has between 1 and `max_digits`.
std::optional<Number> ReadNumber(std::u16string_view text, size_t at, int max_digits) {
  Number number;
  number.end = at;
  while (number.end < text.size()) {
    const int digit = DigitValue(text[number.end]);
    if (digit < 0) break;
    if (++number.digits > max_digits) return std::nullopt;
    number.value = number.value * 10 + digit;
    ++number.end;
  }
  if (number.digits == 0) return std::nullopt;
  return number;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool ValidDate(int year, int month, int day) {
  static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1900 || year > 2099 || month < 1 || month > 12) return false;
  if (day < 1 || day > kDays[month - 1]) return false;
  return month != 2 || day < 29 || IsLeapYear(year);
}

size_t SkipGaps(std::u16string_view text, size_t at, int max_gaps) {
  for (int gaps = 0; at < text.size() && gaps < max_gaps && IsBlank(text[at]); ++gaps) ++at;
  return at;
}

bool HasAt(std::u16string_view text, size_t at, std::u16string_view word) {
  return at + word.size() <= text.size() && text.substr(at, word.size()) == word;
}

// ASCII words compared without letter case.
bool HasWordAt(std::u16string_view text, size_t at, std::string_view word) {
  if (at + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[at + i]) != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

void AppendTwoDigits(int value, std::u16string& out) {
  out.push_back(static_cast<char16_t>(u'0' + value / 10));
  out.push_back(static_cast<char16_t>(u'0' + value % 10));
}

Date DayOf(int year, int month, int day) {
  Date date;
  date.year = year;
  date.month = month;
  date.day = day;
  return date;
}

// "AM", "pm", "a.m.": 0 none, 1 morning, 2 afternoon; `at` moves past it.
int ReadMeridiem(std::u16string_view text, size_t& at) {
  const size_t start = SkipGaps(text, at, 1);
  if (start >= text.size()) return 0;
  const char16_t first = AsciiLower(text[start]);
  if (first != u'a' && first != u'p') return 0;
  size_t end = start + 1;
  if (end < text.size() && text[end] == u'.') ++end;
  if (end >= text.size() || AsciiLower(text[end]) != u'm') return 0;
  ++end;
  if (end < text.size() && text[end] == u'.') ++end;
  if (end < text.size() && IsAsciiLetter(text[end])) return 0;
  at = end;
  return first == u'a' ? 1 : 2;
}

// "Z", "+08:00", "+0800", "+08", " GMT", " UTC+8"; `at` moves past it.
std::u16string ReadZone(std::u16string_view text, size_t& at) {
  size_t pos = at;
  bool named = false;
  if (pos < text.size() && text[pos] == u'Z' &&
      (pos + 1 >= text.size() || !IsAsciiLetter(text[pos + 1]))) {
    at = pos + 1;
    return u"Z";
  }
  const size_t word = SkipGaps(text, pos, 1);
  if (HasAt(text, word, u"GMT") || HasAt(text, word, u"UTC")) {
    named = true;
    pos = word + 3;
  }
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-' || text[pos] == 0x2212)) {
    const char16_t sign = text[pos] == u'+' ? u'+' : u'-';
    const std::optional<Number> hours = ReadNumber(text, pos + 1, 4);
    if (hours && (hours->digits == 4 || hours->digits <= 2)) {
      int hh = hours->value;
      int mm = 0;
      size_t end = hours->end;
      if (hours->digits == 4) {
        hh = hours->value / 100;
        mm = hours->value % 100;
      } else if (end < text.size() && text[end] == u':') {
        const std::optional<Number> minutes = ReadNumber(text, end + 1, 2);
        if (minutes && minutes->digits == 2) {
          mm = minutes->value;
          end = minutes->end;
        }
      }
      if (hh <= 14 && mm < 60) {
        at = end;
        if (hh == 0 && mm == 0 && named) return u"Z";
        std::u16string zone(1, sign);
        AppendTwoDigits(hh, zone);
        zone.push_back(u':');
        AppendTwoDigits(mm, zone);
        return zone;
      }
    }
  }
  if (named) {
    at = pos;
    return u"Z";
  }
  return {};
}

// A time after a date that ends at `at`: "10:20", "10:20:05", "10时20分",
// "9:23:57 PM", "下午3:05", with a zone. Sets the time and moves `at` past it.
void ReadTime(std::u16string_view text, size_t& at, Date& date) {
  size_t pos = at;
  if (pos < text.size() && (text[pos] == u'T' || text[pos] == u',')) ++pos;
  pos = SkipGaps(text, pos, kMaxGap);
  if (HasWordAt(text, pos, "at ")) pos = SkipGaps(text, pos + 3, kMaxGap);
  int meridiem = 0;
  if (HasAt(text, pos, u"上午")) meridiem = 1;
  if (HasAt(text, pos, u"下午") || HasAt(text, pos, u"晚上")) meridiem = 2;
  if (meridiem) pos = SkipGaps(text, pos + 2, 1);
  const std::optional<Number> hour = ReadNumber(text, pos, 2);
  if (!hour || hour->end >= text.size()) return;
  const char16_t colon = text[hour->end];
  const bool chinese = colon == u'时' || colon == u'点' || colon == u'點';
  if (colon != u':' && colon != 0xFF1A && !chinese) return;
  const std::optional<Number> minute = ReadNumber(text, hour->end + 1, 2);
  if (!minute || (!chinese && minute->digits != 2)) return;
  size_t end = minute->end;
  int second = -1;
  if (chinese) {
    if (end >= text.size() || text[end] != u'分') return;
    ++end;
    const std::optional<Number> seconds = ReadNumber(text, end, 2);
    if (seconds && seconds->end < text.size() && text[seconds->end] == u'秒') {
      second = seconds->value;
      end = seconds->end + 1;
    }
  } else if (end + 1 < text.size() && (text[end] == u':' || text[end] == 0xFF1A)) {
    const std::optional<Number> seconds = ReadNumber(text, end + 1, 2);
    if (seconds && seconds->digits == 2) {
      second = seconds->value;
      end = seconds->end;
      // Fractions of a second are dropped.
      if (end + 1 < text.size() && text[end] == u'.' && DigitValue(text[end + 1]) >= 0) {
        end = ReadNumber(text, end + 1, 9).value_or(Number{0, 0, end + 1}).end;
      }
    }
  }
  if (!meridiem) meridiem = ReadMeridiem(text, end);
  int hours = hour->value;
  if (meridiem) {
    if (hours < 1 || hours > 12) return;
    hours = hours % 12 + (meridiem == 2 ? 12 : 0);
  }
  if (hours > 23 || minute->value > 59 || second > 59) return;
  date.hour = hours;
  date.minute = minute->value;
  date.second = second;
  date.zone = ReadZone(text, end);
  at = end;
}

// "2023-11-18", "2023年11月18日", "20231118" (values only) at `at`, a digit.
std::optional<DateMatch> ReadYearFirst(std::u16string_view text, size_t at, Mode mode) {
  const std::optional<Number> year = ReadNumber(text, at, 8);
  if (!year) return std::nullopt;
  DateMatch match;
  match.begin = at;
  Date& date = match.date;
  bool day_given = true;
  if (year->digits == 8 && mode == Mode::kValue) {
    date = DayOf(year->value / 10000, year->value / 100 % 100, year->value % 100);
    match.end = year->end;
  } else if (year->digits == 4 && year->end < text.size()) {
    date.year = year->value;
    size_t pos = year->end;
    const char16_t separator = DateSeparator(text[pos]);
    const size_t mark = SkipGaps(text, pos, 1);
    const bool chinese = !separator && mark < text.size() && text[mark] == u'年';
    if (!separator && !chinese) return std::nullopt;
    pos = chinese ? SkipGaps(text, mark + 1, 1) : pos + 1;
    const std::optional<Number> month = ReadNumber(text, pos, 2);
    if (!month) return std::nullopt;
    date.month = month->value;
    pos = month->end;
    if (chinese) {
      pos = SkipGaps(text, pos, 1);
      if (pos >= text.size() || text[pos] != u'月') return std::nullopt;
      pos = SkipGaps(text, pos + 1, 1);
    } else if (pos < text.size() && DateSeparator(text[pos]) == separator) {
      ++pos;
    } else {
      pos = text.size() + 1;  // no day
    }
    const std::optional<Number> day =
        pos < text.size() ? ReadNumber(text, pos, 2) : std::optional<Number>();
    day_given = day.has_value();
    if (day) {
      date.day = day->value;
      match.end = day->end;
      if (chinese) {
        const size_t mark = SkipGaps(text, match.end, 1);
        if (mark < text.size() && (text[mark] == u'日' || text[mark] == u'号')) {
          match.end = mark + 1;
        } else if (mark < text.size()) {
          return std::nullopt;
        }
      }
    } else {
      if (mode == Mode::kText) return std::nullopt;
      match.end = chinese ? pos : month->end;
    }
  } else {
    return std::nullopt;
  }
  // Year and month alone (values only) stand for their first day here.
  if (!ValidDate(date.year, date.month, date.day == 0 && !day_given ? 1 : date.day)) {
    return std::nullopt;
  }
  if (date.day) ReadTime(text, match.end, date);
  return match;
}

// "11/18/2023", or "18/11/2023" when 18 cannot be a month.
std::optional<DateMatch> ReadMonthFirst(std::u16string_view text, size_t at) {
  const std::optional<Number> first = ReadNumber(text, at, 2);
  if (!first || first->end + 1 >= text.size() || text[first->end] != u'/') return std::nullopt;
  const std::optional<Number> second = ReadNumber(text, first->end + 1, 2);
  if (!second || second->end + 1 >= text.size() || text[second->end] != u'/') return std::nullopt;
  const std::optional<Number> year = ReadNumber(text, second->end + 1, 4);
  if (!year || year->digits != 4) return std::nullopt;
  DateMatch match;
  match.begin = at;
  match.end = year->end;
  const bool day_first = first->value > 12 && second->value <= 12;
  match.date = DayOf(year->value, day_first ? second->value : first->value,
                     day_first ? first->value : second->value);
  if (!ValidDate(match.date.year, match.date.month, match.date.day)) return std::nullopt;
  ReadTime(text, match.end, match.date);
  return match;
}

// The month an English name at `at` stands for (0: none); `at` moves past
// it and a following ".".
int ReadMonthName(std::u16string_view text, size_t& at) {
  constexpr std::u16string_view kFirstLetters = u"adfjmnosADFJMNOS";
  if (kFirstLetters.find(text[at]) == std::u16string_view::npos) return 0;
  static constexpr std::string_view kMonths[] = {"january",   "february", "march",    "april",
                                                 "may",       "june",     "july",     "august",
                                                 "september", "october",  "november", "december"};
  constexpr size_t kLongest = 9;  // "september"
  size_t end = at;
  while (end < text.size() && end - at <= kLongest && IsAsciiLetter(text[end])) ++end;
  const size_t length = end - at;
  if (length < 3 || length > kLongest) return 0;
  const char16_t first = AsciiLower(text[at]);
  for (int month = 0; month < 12; ++month) {
    const std::string_view name = kMonths[month];
    if (static_cast<char16_t>(name.front()) != first) continue;
    // Full names, three-letter abbreviations and "Sept".
    const bool fits = length == name.size() || length == 3 || (month == 8 && length == 4);
    if (fits && length <= name.size() && HasWordAt(text, at, name.substr(0, length))) {
      at = end < text.size() && text[end] == u'.' ? end + 1 : end;
      return month + 1;
    }
  }
  return 0;
}

// A day of the month with an optional English ordinal ending ("18th").
std::optional<Number> ReadDay(std::u16string_view text, size_t at) {
  std::optional<Number> day = ReadNumber(text, at, 2);
  if (!day) return day;
  for (const std::string_view ending : {"st", "nd", "rd", "th"}) {
    if (HasWordAt(text, day->end, ending)) {
      day->end += 2;
      break;
    }
  }
  if (day->end < text.size() && IsAsciiLetter(text[day->end])) return std::nullopt;
  return day;
}

std::optional<Number> ReadYearAfter(std::u16string_view text, size_t at) {
  size_t pos = at;
  if (pos < text.size() && text[pos] == u',') ++pos;
  pos = SkipGaps(text, pos, 2);
  const std::optional<Number> year = ReadNumber(text, pos, 4);
  if (!year || year->digits != 4) return std::nullopt;
  return year;
}

// "November 18, 2023", "Nov. 18 2023" at `at`, a letter.
std::optional<DateMatch> ReadMonthNameFirst(std::u16string_view text, size_t at) {
  size_t pos = at;
  const int month = ReadMonthName(text, pos);
  if (!month) return std::nullopt;
  const size_t day_at = SkipGaps(text, pos, 2);
  if (day_at == pos) return std::nullopt;
  const std::optional<Number> day = ReadDay(text, day_at);
  if (!day) return std::nullopt;
  const std::optional<Number> year = ReadYearAfter(text, day->end);
  if (!year || !ValidDate(year->value, month, day->value)) return std::nullopt;
  DateMatch match{DayOf(year->value, month, day->value), at, year->end};
  ReadTime(text, match.end, match.date);
  return match;
}

// "18 November 2023", "18 Nov, 2023" at `at`, a digit.
std::optional<DateMatch> ReadDayFirst(std::u16string_view text, size_t at) {
  const std::optional<Number> day = ReadDay(text, at);
  if (!day) return std::nullopt;
  size_t pos = SkipGaps(text, day->end, 2);
  if (pos == day->end) return std::nullopt;
  const int month = ReadMonthName(text, pos);
  if (!month) return std::nullopt;
  const std::optional<Number> year = ReadYearAfter(text, pos);
  if (!year || !ValidDate(year->value, month, day->value)) return std::nullopt;
  DateMatch match{DayOf(year->value, month, day->value), at, year->end};
  ReadTime(text, match.end, match.date);
  return match;
}

// No word or number runs on into `at` (FindDateFrom passes those by).
std::optional<DateMatch> ReadDateAt(std::u16string_view text, size_t at, Mode mode) {
  const char16_t unit = text[at];
  if (DigitValue(unit) >= 0) {
    if (auto match = ReadYearFirst(text, at, mode)) return match;
    if (auto match = ReadMonthFirst(text, at)) return match;
    return ReadDayFirst(text, at);
  }
  if (IsAsciiLetter(unit)) return ReadMonthNameFirst(text, at);
  return std::nullopt;
}

std::optional<DateMatch> FindDateFrom(std::u16string_view text, size_t from, size_t last,
                                      Mode mode) {
  for (size_t at = from; at < text.size() && at <= last; ++at) {
    // Dates start with a digit or a letter: ideographs are passed over quickly.
    const char16_t unit = text[at];
    if (unit > u'z' && DigitValue(unit) < 0) continue;
    // Inside a word or a number no date starts.
    const char16_t before = at > 0 ? text[at - 1] : u' ';
    if ((IsAsciiLetter(unit) && IsAsciiLetter(before)) ||
        (DigitValue(unit) >= 0 && DigitValue(before) >= 0)) {
      continue;
    }
    if (auto match = ReadDateAt(text, at, mode)) return match;
  }
  return std::nullopt;
}

}  // namespace

std::u16string Date::Iso() const {
  std::u16string iso;
  AppendTwoDigits(year / 100, iso);
  AppendTwoDigits(year % 100, iso);
  iso.push_back(u'-');
  AppendTwoDigits(month, iso);
  if (day == 0) return iso;
  iso.push_back(u'-');
  AppendTwoDigits(day, iso);
  if (hour < 0) return iso;
  iso.push_back(u'T');
  AppendTwoDigits(hour, iso);
  iso.push_back(u':');
  AppendTwoDigits(minute, iso);
  if (second >= 0) {
    iso.push_back(u':');
    AppendTwoDigits(second, iso);
  }
  return iso + zone;
}

std::optional<DateMatch> FindDate(std::u16string_view text, size_t from) {
  return FindDateFrom(text, from, text.size(), Mode::kText);
}

std::optional<Date> ParseDateValue(std::u16string_view value) {
  const std::optional<DateMatch> match = FindDateFrom(value, 0, kValueLead, Mode::kValue);
  if (!match) return std::nullopt;
  return match->date;
}

}  // namespace korvane
