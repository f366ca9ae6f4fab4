#include "text_primitives.h"

#include <algorithm>

namespace korvane {
namespace {

constexpr size_t kNone = std::u16string_view::npos;

// The offset in `pending` at which `find` begins when it runs on from
// `pending` into `text` at `at`; kNone when no such match exists.
size_t MatchRunningOn(std::u16string_view pending, std::u16string_view text,
                      size_t at, std::u16string_view find) {
  for (size_t offset = 0; offset < pending.size(); ++offset) {
    const size_t inPending = std::min(pending.size() - offset, find.size());
    if (pending.substr(offset, inPending) != find.substr(0, inPending)) continue;
    const std::u16string_view rest = find.substr(inPending);
    if (text.substr(at, rest.size()) == rest) return offset;
  }
  return kNone;
}

bool EndsTagName(std::u16string_view text, size_t at) {
  if (at >= text.size()) return true;
  switch (text[at]) {
    case u'>': case u'/': case u' ': case u'\t': case u'\r': case u'\n':
    case u'\f':
      return true;
    default:
      return false;
  }
}

bool IsTagNameOpener(std::u16string_view open) {
  if (open.size() < 2 || open[0] != u'<') return false;
  const char16_t first = open[1];
  return (first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z');
}

size_t FindOpenMarker(std::u16string_view text, std::u16string_view open,
                      size_t from) {
  const bool needsNameEnd = IsTagNameOpener(open);
  for (;;) {
    const size_t at = text.find(open, from);
    if (at == kNone || !needsNameEnd || EndsTagName(text, at + open.size())) {
      return at;
    }
    from = at + 1;
  }
}

}  // namespace

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement) {
  size_t match = find.empty() || replacement.find(find) != kNone
                     ? kNone
                     : text.find(find);
  if (match == kNone) return std::u16string(text);

  std::u16string out(text.substr(0, match));
  out.reserve(text.size());
  // What is left to search is `replacement` followed by text[rest...].
  size_t rest = match + find.size();
  for (;;) {
    const size_t inReplacement = MatchRunningOn(replacement, text, rest, find);
    if (inReplacement != kNone) {
      out.append(replacement.substr(0, inReplacement));
      rest += find.size() - (replacement.size() - inReplacement);
      continue;
    }
    out.append(replacement);
    match = text.find(find, rest);
    if (match == kNone) break;
    out.append(text.substr(rest, match - rest));
    rest = match + find.size();
  }
  out.append(text.substr(rest));
  return out;
}

std::u16string RemoveSpans(std::u16string_view text, std::u16string_view open,
                           std::u16string_view close) {
  std::u16string out;
  if (open.empty() || close.empty()) return std::u16string(text);
  size_t kept = 0;
  for (size_t at = FindOpenMarker(text, open, 0); at != kNone;
       at = FindOpenMarker(text, open, kept)) {
    const size_t end = text.find(close, at);
    if (end == kNone) break;
    out.append(text.substr(kept, at - kept));
    kept = end + close.size();
  }
  out.append(text.substr(kept));
  return out;
}

std::u16string RemoveEntities(std::u16string_view text,
                              std::u16string_view open,
                              std::u16string_view close) {
  constexpr size_t kReach = 10;
  std::u16string out;
  if (open.empty() || close.empty()) return std::u16string(text);
  size_t kept = 0;
  size_t end = 0;
  bool endKnown = false;  // `end` is the first close marker at or after `at`
  for (size_t at = text.find(open); at != kNone;) {
    if (!endKnown || end < at) {
      end = text.find(close, at);
      endKnown = true;
      if (end == kNone) break;
    }
    if (end < at + kReach) {
      out.append(text.substr(kept, at - kept));
      kept = end + close.size();
      endKnown = false;
      at = text.find(open, kept);
    } else {
      at = text.find(open, at + 1);
    }
  }
  out.append(text.substr(kept));
  return out;
}

}  // namespace korvane
