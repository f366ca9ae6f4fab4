// SPDX-License-Identifier: Apache-2.0
// korvane-window: opens KORVANE's window; closing it ends the program.
// --click-convert presses the convert button once the window is up (used to
// take the README's screenshot).
#include <QApplication>
#include <QTimer>
#include <iostream>
#include <optional>

#include "command_line.h"
#include "form1.h"

int main(int argc, char** argv) {
  // Before the toolkit starts, which needs a display.
  if (const std::optional<int> status = korvane::ui::AnswerWithoutWindow(argc, argv, std::cout)) {
    return *status;
  }
  QApplication app(argc, argv);
  korvane::ui::Form1 window;
  window.show();
  if (app.arguments().contains(QStringLiteral("--click-convert"))) {
    QTimer::singleShot(0, window.Command1, &QPushButton::click);
  }
  return app.exec();
}
