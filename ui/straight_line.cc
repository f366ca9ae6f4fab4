// SPDX-License-Identifier: Apache-2.0
#include "straight_line.h"

#include <QPainter>
#include <algorithm>

namespace korvane::ui {
namespace {

// The smallest rectangle holding both points (QRect::normalized() would drop
// the end points of a line drawn right to left).
QRect BoundingBox(QLine line) {
  return QRect(QPoint(std::min(line.x1(), line.x2()), std::min(line.y1(), line.y2())),
               QPoint(std::max(line.x1(), line.x2()), std::max(line.y1(), line.y2())));
}

}  // namespace

StraightLine::StraightLine(QLine line, QWidget* parent) : QWidget(parent), line_(line) {
  // The widget covers just the line's bounding box and lets clicks through to
  // whatever lies under it.
  setGeometry(BoundingBox(line));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void StraightLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(palette().windowText(), 1));
  painter.drawLine(line_.translated(-pos()));
}

}  // namespace korvane::ui
