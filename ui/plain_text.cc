// SPDX-License-Identifier: Apache-2.0
#include "plain_text.h"

#include <QTextDocument>

namespace korvane::ui {

std::u16string ReadText(const QPlainTextEdit& box) {
  // The raw text keeps no-break spaces, which toPlainText() turns into
  // blanks; only the paragraph separators between lines need translating.
  QString text = box.document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

void WriteText(QPlainTextEdit& box, std::u16string_view text) {
  box.setPlainText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace korvane::ui
