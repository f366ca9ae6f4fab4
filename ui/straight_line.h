// SPDX-License-Identifier: Apache-2.0
// A straight line drawn on a window, placed by its two end points.
#pragma once

#include <QLine>
#include <QWidget>

namespace korvane::ui {

class StraightLine : public QWidget {
 public:
  // `line` is in the parent's coordinates; both end points are drawn.
  StraightLine(QLine line, QWidget* parent);

  QLine line() const { return line_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QLine line_;
};

}  // namespace korvane::ui
