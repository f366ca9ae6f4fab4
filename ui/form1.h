// SPDX-License-Identifier: Apache-2.0
// KORVANE's one window: a page's HTML source in the upper box, the convert
// button, and the page's extraction record in the lower box.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "korvane.h"
#include "straight_line.h"

namespace korvane::ui {

class Form1 : public QWidget {
  Q_OBJECT

 public:
  using Converter = std::function<std::u16string(std::u16string_view)>;

  // `convert` turns a page into its record.
  explicit Form1(Converter convert = HtmlToText, QWidget* parent = nullptr);

  // Stacked in this order: the text boxes cover the labels' lower parts, and
  // the arrow lies over the boxes' edges.
  QLabel* const Label1;
  QLabel* const Label2;
  QLabel* const Label3;
  QLabel* const Label4;
  QPlainTextEdit* const Text1;
  QPlainTextEdit* const Text2;
  QPushButton* const Command1;
  StraightLine* const Line1;
  StraightLine* const Line2;
  StraightLine* const Line3;

 public slots:
  // Replaces the output box's text with the record of the input box's page.
  // A conversion that throws leaves the output box as it was and opens a
  // message saying why.
  void Command1_Click();

 private:
  void ShowFailure(const QString& reason);

  const Converter convert_;
};

}  // namespace korvane::ui
