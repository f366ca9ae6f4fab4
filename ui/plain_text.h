// SPDX-License-Identifier: Apache-2.0
// Moves text between the engine's UTF-16 strings and a QPlainTextEdit,
// unit for unit: no encoding step, nothing normalised but line breaks.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace korvane::ui {

// The box's text as shown: its lines joined by "\n", every other code unit
// (no-break spaces included) as the box holds it.
std::u16string ReadText(const QPlainTextEdit& box);

// Replaces the whole text of the box. "\r\n", "\r" and "\n" each start a new
// line.
void WriteText(QPlainTextEdit& box, std::u16string_view text);

}  // namespace korvane::ui
