// SPDX-License-Identifier: Apache-2.0
#include "block/text_primitives.h"

#include <algorithm>
#include <utility>

#include "common/text_search.h"

namespace korvane {
namespace {

// The offset in `pending` at which `find` begins when it runs on from
// `pending` into `text` at `at`; kNotFound when no such match exists.
size_t MatchRunningOn(std::u16string_view pending, std::u16string_view text, size_t at,
                      std::u16string_view find) {
  for (size_t offset = 0; offset < pending.size(); ++offset) {
    const size_t in_pending = std::min(pending.size() - offset, find.size());
    if (pending.substr(offset, in_pending) != find.substr(0, in_pending)) continue;
    const std::u16string_view rest = find.substr(in_pending);
    if (text.substr(at, rest.size()) == rest) return offset;
  }
  return kNotFound;
}

bool EndsTagName(std::u16string_view text, size_t at) {
  if (at >= text.size()) return true;
  switch (text[at]) {
    case u'>':
    case u'/':
    case u' ':
    case u'\t':
    case u'\r':
    case u'\n':
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

size_t FindOpenMarker(std::u16string_view text, std::u16string_view open, size_t from) {
  const bool needs_name_end = IsTagNameOpener(open);
  for (;;) {
    const size_t at = Find(text, open, from);
    if (at == kNotFound || !needs_name_end || EndsTagName(text, at + open.size())) {
      return at;
    }
    from = at + 1;
  }
}

// Each pass writes its result to `out` and returns true, or returns false
// when it would change nothing (`out` is then scratch).

bool ReplaceAllInto(std::u16string_view text, std::u16string_view find,
                    std::u16string_view replacement, std::u16string& out) {
  if (find.empty() || Find(replacement, find) != kNotFound) return false;
  size_t match = Find(text, find);
  if (match == kNotFound) return false;

  out.reserve(text.size());
  out.assign(text.substr(0, match));
  // What is left to search is `replacement` followed by text[rest...].
  size_t rest = match + find.size();
  for (;;) {
    const size_t in_replacement = MatchRunningOn(replacement, text, rest, find);
    if (in_replacement != kNotFound) {
      out.append(replacement.substr(0, in_replacement));
      rest += find.size() - (replacement.size() - in_replacement);
      continue;
    }
    out.append(replacement);
    match = Find(text, find, rest);
    if (match == kNotFound) break;
    out.append(text.substr(rest, match - rest));
    rest = match + find.size();
  }
  out.append(text.substr(rest));
  return true;
}

bool RemoveSpansInto(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                     std::u16string& out) {
  if (open.empty() || close.empty()) return false;
  out.clear();
  size_t kept = 0;
  for (size_t at = FindOpenMarker(text, open, 0); at != kNotFound;
       at = FindOpenMarker(text, open, kept)) {
    const size_t end = Find(text, close, at);
    if (end == kNotFound) break;
    out.append(text.substr(kept, at - kept));
    kept = end + close.size();
  }
  if (kept == 0) return false;
  out.append(text.substr(kept));
  return true;
}

bool RemoveEntitiesInto(std::u16string_view text, std::u16string_view open,
                        std::u16string_view close, std::u16string& out) {
  constexpr size_t kReach = 10;
  if (open.empty() || close.empty()) return false;
  out.clear();
  size_t kept = 0;
  size_t end = 0;
  bool end_known = false;  // `end` is the first close marker at or after `at`
  for (size_t at = Find(text, open); at != kNotFound;) {
    if (!end_known || end < at) {
      end = Find(text, close, at);
      end_known = true;
      if (end == kNotFound) break;
    }
    if (end < at + kReach) {
      out.append(text.substr(kept, at - kept));
      kept = end + close.size();
      end_known = false;
      at = Find(text, open, kept);
    } else {
      at = Find(text, open, at + 1);
    }
  }
  if (kept == 0) return false;
  out.append(text.substr(kept));
  return true;
}

template <typename Pass>
std::u16string Rewritten(std::u16string_view text, Pass pass) {
  std::u16string out;
  if (!pass(text, out)) out.assign(text);
  return out;
}

}  // namespace

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement) {
  return Rewritten(text, [&](std::u16string_view in, std::u16string& out) {
    return ReplaceAllInto(in, find, replacement, out);
  });
}

std::u16string RemoveSpans(std::u16string_view text, std::u16string_view open,
                           std::u16string_view close) {
  return Rewritten(text, [&](std::u16string_view in, std::u16string& out) {
    return RemoveSpansInto(in, open, close, out);
  });
}

std::u16string RemoveEntities(std::u16string_view text, std::u16string_view open,
                              std::u16string_view close) {
  return Rewritten(text, [&](std::u16string_view in, std::u16string& out) {
    return RemoveEntitiesInto(in, open, close, out);
  });
}

std::u16string_view TrimSpaces(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

Rewriter& Rewriter::Append(std::u16string_view more) {
  text_->append(more);
  return *this;
}

template <typename Pass>
Rewriter& Rewriter::Apply(Pass pass) {
  if (pass(*text_, *spare_)) std::swap(text_, spare_);
  return *this;
}

Rewriter& Rewriter::ReplaceAll(std::u16string_view find, std::u16string_view replacement) {
  return Apply([&](std::u16string_view in, std::u16string& out) {
    return ReplaceAllInto(in, find, replacement, out);
  });
}

Rewriter& Rewriter::RemoveSpans(std::u16string_view open, std::u16string_view close) {
  return Apply([&](std::u16string_view in, std::u16string& out) {
    return RemoveSpansInto(in, open, close, out);
  });
}

Rewriter& Rewriter::RemoveEntities(std::u16string_view open, std::u16string_view close) {
  return Apply([&](std::u16string_view in, std::u16string& out) {
    return RemoveEntitiesInto(in, open, close, out);
  });
}

}  // namespace korvane
