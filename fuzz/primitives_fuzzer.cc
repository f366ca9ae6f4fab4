// SPDX-License-Identifier: Apache-2.0
// The engine's fast rewriting, stripping and searching against the
// reference and the standard library; any difference stops the
// run. The first byte picks the procedure, the next ones its markers, the
// rest is the text.
#include <string>
#include <string_view>
#include <vector>

#include "block/first_occurrence.h"
#include "block/markup_stripper.h"
#include "block/reference.h"
#include "block/text_primitives.h"
#include "common/text_search.h"
#include "fuzz_support.h"

namespace korvane::fuzz {
namespace {

using View = std::u16string_view;

// The reference is quadratic in the length.
constexpr size_t kMaxUnits = 4096;

// The reference never ends when `find` is empty or the replacement holds
// it, nor when a marker is empty; the engine leaves the text as it is then.
bool ReferenceEnds(View find, View replacement) {
  return !find.empty() && replacement.find(find) == View::npos;
}

bool ReferenceEndsForSpan(View open, View close) { return !open.empty() && !close.empty(); }

// Which open markers must be followed by the end of a tag name is decided
// differently by the two versions for a "<" followed by anything but a
// letter (other than "<!--", which both read alike). No caller passes such
// a marker, so they are compared on the others only.
bool BothReadAlike(View open) {
  if (open.size() < 2 || open[0] != u'<' || open == u"<!--") return true;
  return (open[1] >= u'a' && open[1] <= u'z') || (open[1] >= u'A' && open[1] <= u'Z');
}

std::u16string ReferenceReplaceAll(View text, View find, View replacement) {
  return ReferenceEnds(find, replacement) ? reference::ReplaceAll(text, find, replacement)
                                          : std::u16string(text);
}

std::u16string ReferenceRemoveSpans(View text, View open, View close) {
  return ReferenceEndsForSpan(open, close) ? reference::RemoveSpans(text, open, close)
                                           : std::u16string(text);
}

std::u16string ReferenceRemoveEntities(View text, View open, View close) {
  return ReferenceEndsForSpan(open, close) ? reference::RemoveEntities(text, open, close)
                                           : std::u16string(text);
}

enum Procedure : uint8_t { kReplaceAll, kRemoveSpans, kRemoveEntities, kProcedures };

std::u16string Reference(Procedure procedure, View text, View first, View second) {
  switch (procedure) {
    case kReplaceAll:
      return ReferenceReplaceAll(text, first, second);
    case kRemoveSpans:
      return ReferenceRemoveSpans(text, first, second);
    default:
      return ReferenceRemoveEntities(text, first, second);
  }
}

std::u16string Fast(Procedure procedure, View text, View first, View second) {
  switch (procedure) {
    case kReplaceAll:
      return ReplaceAll(text, first, second);
    case kRemoveSpans:
      return RemoveSpans(text, first, second);
    default:
      return RemoveEntities(text, first, second);
  }
}

void CompareOne(Bytes& bytes, Procedure procedure) {
  const View first = Marker(bytes.Byte());
  const View second = Marker(bytes.Byte());
  if (procedure == kRemoveSpans && !BothReadAlike(first)) return;
  const std::u16string text = PieceText(bytes.Rest(), kMaxUnits);
  Require(Fast(procedure, text, first, second) == Reference(procedure, text, first, second),
          "a rewriting procedure matches the reference");
}

// Up to eight procedures in a row on one Rewriter, whose two buffers trade
// places and keep their capacity from pass to pass.
void CompareRewriter(Bytes& bytes) {
  struct Step {
    Procedure procedure;
    View first, second;
  };
  std::vector<Step> steps(bytes.Byte() % 9);
  for (Step& step : steps) {
    step = {static_cast<Procedure>(bytes.Byte() % kProcedures), Marker(bytes.Byte()),
            Marker(bytes.Byte())};
    if (step.procedure == kRemoveSpans && !BothReadAlike(step.first)) return;
  }
  std::u16string text = PieceText(bytes.Rest(), kMaxUnits);
  std::u16string spare;
  std::u16string expected = text;
  Rewriter rewriter(text, spare);
  for (const Step& step : steps) {
    switch (step.procedure) {
      case kReplaceAll:
        rewriter.ReplaceAll(step.first, step.second);
        break;
      case kRemoveSpans:
        rewriter.RemoveSpans(step.first, step.second);
        break;
      default:
        rewriter.RemoveEntities(step.first, step.second);
    }
    expected = Reference(step.procedure, expected, step.first, step.second);
    Require(rewriter.Text() == expected, "a Rewriter's passes match the reference");
  }
}

void CompareStripMarkup(Bytes& bytes) {
  const std::u16string markup = PieceText(bytes.Rest(), kMaxUnits);
  Require(StripMarkup(markup) == reference::StripMarkup(markup),
          "StripMarkup matches the reference");
}

// Patterns: markers, and pieces of the text itself so that most are found;
// two bytes of `specs` make each.
std::vector<std::u16string> Patterns(std::string_view specs, View text) {
  std::vector<std::u16string> patterns;
  for (size_t at = 0; at + 1 < specs.size(); at += 2) {
    const uint8_t choice = static_cast<uint8_t>(specs[at]);
    const size_t start = text.empty() ? 0 : static_cast<uint8_t>(specs[at + 1]) * 31u % text.size();
    patterns.emplace_back(choice & 1 ? Marker(choice >> 1) : text.substr(start, choice >> 1 & 15));
  }
  return patterns;
}

void CompareSearches(Bytes& bytes) {
  const std::string_view specs = bytes.Take(2 * (bytes.Byte() % 9));
  const std::u16string text = PieceText(bytes.Rest(), kMaxUnits);
  const std::vector<std::u16string> owned = Patterns(specs, text);
  const std::vector<View> patterns(owned.begin(), owned.end());
  const std::vector<size_t> firsts = FirstOccurrences(text, patterns);
  for (size_t i = 0; i < patterns.size(); ++i) {
    Require(firsts[i] == text.find(patterns[i]), "FirstOccurrences matches find");
    for (size_t from : {size_t{0}, size_t{1}, text.size() / 2, text.size(), text.size() + 1}) {
      Require(Find(text, patterns[i], from) == text.find(patterns[i], from), "Find matches find");
      if (patterns[i].empty()) continue;
      Require(FindUnit(text, patterns[i][0], from) == text.find(patterns[i][0], from),
              "FindUnit matches find");
      const std::u16string either{patterns[i].front(), patterns[i].back()};
      Require(FindEither(text, either[0], either[1], from) == text.find_first_of(either, from),
              "FindEither matches find_first_of");
    }
  }
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane::fuzz;
  Bytes bytes(data, size);
  const uint8_t what = bytes.Byte();
  switch (what % 6) {
    case 0:
    case 1:
    case 2:
      CompareOne(bytes, static_cast<Procedure>(what % 6));
      break;
    case 3:
      CompareRewriter(bytes);
      break;
    case 4:
      CompareStripMarkup(bytes);
      break;
    default:
      CompareSearches(bytes);
  }
  return 0;
}
