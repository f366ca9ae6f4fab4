// SPDX-License-Identifier: Apache-2.0
// Short lines that news sites print around every article: paging, sharing,
// copyright and disclaimer notices, "related" headings, editor credits.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Whether a line of body text is such boilerplate: short, and holding one of
// the phrases that these lines are made of.
bool IsBoilerplateLine(std::u16string_view line);

// Removes the boilerplate lines of a body whose lines are joined by "\r\n".
void RemoveBoilerplateLines(std::u16string& body);

}  // namespace korvane
