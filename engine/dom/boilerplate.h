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

// How much a text reads like a page's footer: its licences, registration
// numbers, copyright, addresses and lists of sister sites. Phrases found only
// in footers count two, others one; a paragraph with two is a footer's.
int FooterMarks(std::u16string_view text);
constexpr int kFooterMarks = 2;

// Removes the boilerplate lines of a body whose lines are joined by "\r\n".
void RemoveBoilerplateLines(std::u16string& body);

}  // namespace korvane
