// SPDX-License-Identifier: Apache-2.0
// The arguments korvane-window answers before it opens its window.
#pragma once

#include <optional>
#include <ostream>

namespace korvane::ui {

// --help and --version print on `out` and give the exit status 0, without a
// display; any other arguments are left to the window and its toolkit
// (nothing).
std::optional<int> AnswerWithoutWindow(int argc, const char* const* argv, std::ostream& out);

}  // namespace korvane::ui
