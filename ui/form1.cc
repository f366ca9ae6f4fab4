// SPDX-License-Identifier: Apache-2.0
#include "form1.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTextDocument>
#include <exception>
#include <new>

#include "plain_text.h"

namespace korvane::ui {
namespace {

using namespace Qt::Literals::StringLiterals;

QLabel* MakeLabel(const QString& text, QRect place, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

QPlainTextEdit* MakeTextBox(QRect place, QWidget* parent) {
  auto* box = new QPlainTextEdit(parent);
  box->setGeometry(place);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Page sources hold long runs without blanks; those wrap anywhere.
  box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Tab moves on to the next control, so the tab order stays usable.
  box->setTabChangesFocus(true);
  return box;
}

QPushButton* MakeButton(const QString& text, QRect place, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(place);
  return button;
}

// 宋体 at 10.5 points; where it is missing, an installed CJK face of the
// same kind stands in.
QFont SongFont() {
  QFont font;
  font.setFamilies(
      {u"宋体"_s, u"SimSun"_s, u"NSimSun"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s});
  font.setStyleHint(QFont::Serif);
  font.setPointSizeF(10.5);
  font.setWeight(QFont::Normal);
  return font;
}

QString SamplePage() {
  QFile file(u":/korvane/sample.html"_s);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// Shows the busy cursor while a conversion holds the window's thread.
class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

Form1::Form1(Converter convert, QWidget* parent)
    : QWidget(parent),
      Label1(MakeLabel(u"HTML格式网页："_s, {8, 8, 97, 65}, this)),
      Label2(MakeLabel(u"转换后TXT正文："_s, {8, 192, 137, 33}, this)),
      Label3(MakeLabel(u"抽取"_s, {344, 176, 41, 17}, this)),
      Label4(MakeLabel(u"KORVANE：本程序是构建搜索引擎和网络爬虫的核心组件。"
                       u"它能过滤掉HTML网页中无用的标签和与主题无关的文字，"
                       u"抽取出网页的核心正文。"_s,
                       {16, 400, 481, 49}, this)),
      Text1(MakeTextBox({24, 24, 609, 137}, this)),
      Text2(MakeTextBox({16, 208, 609, 169}, this)),
      Command1(MakeButton(u"抽取转换"_s, {528, 400, 89, 41}, this)),
      Line1(new StraightLine({328, 160, 328, 208}, this)),
      Line2(new StraightLine({312, 192, 328, 208}, this)),
      Line3(new StraightLine({344, 192, 328, 208}, this)),
      convert_(std::move(convert)) {
  setWindowTitle(QStringLiteral("KORVANE V" KORVANE_VERSION));
  setWindowIcon(QIcon(u":/korvane/korvane.png"_s));
  setFixedSize(660, 474);
  Label3->setFont(SongFont());
  Text1->setPlainText(SamplePage());
  setTabOrder(Command1, Text1);
  setTabOrder(Text1, Text2);
  Command1->setFocus();
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::Command1_Click() {
  const BusyCursor busy;
  try {
    const std::u16string page = ReadText(*Text1);
    const std::u16string record = convert_(page);
    WriteText(*Text2, record);
  } catch (const std::bad_alloc&) {
    ShowFailure(u"内存不足"_s);
  } catch (const std::exception& error) {
    ShowFailure(QString::fromLocal8Bit(error.what()));
  }
}

void Form1::ShowFailure(const QString& reason) {
  const QString message =
      u"抽取转换失败：%1。\n输入框中的网页共 %2 个字符；输出框保持原样。"_s.arg(reason).arg(
          Text1->document()->characterCount() - 1);
  auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Not modal: nothing waits on the message, and the window stays usable.
  box->open();
}

}  // namespace korvane::ui
