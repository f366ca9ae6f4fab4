// SPDX-License-Identifier: Apache-2.0
// The three rewriting procedures the rest of the engine is built from. Where
// a search resumes after a change decides every record, so the rules below
// are exact.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Replaces every occurrence of `find`. After each replacement the search
// resumes at the first unit of the inserted text, so a match that the
// replacement forms with the text after it is replaced too ("  " -> " "
// collapses any run of spaces). Returns `text` unchanged when `find` is empty
// or occurs inside `replacement`.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement);

// Cuts out every stretch from `open` to the first `close` at or after it
// (sought from the open marker's own position, so they may overlap). Stops at
// the first `open` without a `close` after it. An `open` that begins a tag
// name ("<style", "<head") opens a stretch only where the name ends right
// after it: <header> is not <head>.
std::u16string RemoveSpans(std::u16string_view text, std::u16string_view open,
                           std::u16string_view close);

// Cuts out every `open`...`close` sequence whose close marker begins fewer
// than 10 units after the open marker ("&" ... ";", at most 10 units in all).
// An open marker whose first close marker lies further on stays; the scan
// ends at the first open marker without a close marker after it.
std::u16string RemoveEntities(std::u16string_view text, std::u16string_view open,
                              std::u16string_view close);

// `text` without the spaces (U+0020 only) at its ends.
std::u16string_view TrimSpaces(std::u16string_view text);

// A working text rewritten by one procedure after another. A pass that finds
// nothing copies nothing, and the two buffers keep their capacity from pass
// to pass (and, when the caller keeps them, from call to call).
class Rewriter {
 public:
  // Starts from what `text` holds; `spare` is scratch.
  Rewriter(std::u16string& text, std::u16string& spare) : text_(&text), spare_(&spare) {}

  Rewriter& Append(std::u16string_view more);
  Rewriter& ReplaceAll(std::u16string_view find, std::u16string_view replacement);
  Rewriter& RemoveSpans(std::u16string_view open, std::u16string_view close);
  Rewriter& RemoveEntities(std::u16string_view open, std::u16string_view close);

  std::u16string_view Text() const { return *text_; }
  // Swaps the working text into `out` (the buffers keep each other's).
  void MoveInto(std::u16string& out) { out.swap(*text_); }

 private:
  template <typename Pass>
  Rewriter& Apply(Pass pass);

  std::u16string* text_;
  std::u16string* spare_;
};

}  // namespace korvane
