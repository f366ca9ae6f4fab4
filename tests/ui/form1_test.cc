// SPDX-License-Identifier: Apache-2.0
#include "form1.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <map>
#include <new>
#include <stdexcept>

#include "korvane.h"
#include "plain_text.h"

using namespace Qt::StringLiterals;
using korvane::ui::Form1;
using korvane::ui::ReadText;
using korvane::ui::WriteText;

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

// A record as the output box shows it: each "\r\n" one line break.
QString AsShown(std::u16string_view record) {
  return ToQString(record).replace(u"\r\n"_s, u"\n"_s);
}

QString Shown(const QPlainTextEdit& box) { return ToQString(ReadText(box)); }

QString SamplePageFile() {
  QFile file(QStringLiteral(KORVANE_SAMPLE_PAGE));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QWidget* Control(Form1& form, const QString& name) {
  const std::map<QString, QWidget*> controls = {
      {u"Label1"_s, form.Label1},    {u"Label2"_s, form.Label2}, {u"Label3"_s, form.Label3},
      {u"Label4"_s, form.Label4},    {u"Text1"_s, form.Text1},   {u"Text2"_s, form.Text2},
      {u"Command1"_s, form.Command1}};
  return controls.at(name);
}

const QString kSmallPage = u"<html><head><title>小页</title></head><body><h1>小标题</h1><p>"_s +
                           QString(u"正文内容"_s).repeated(120) +
                           u"</p><p>第二段</p></body></html>"_s;

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void ControlPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Label1") << u"Label1"_s << QRect(8, 8, 97, 65);
    QTest::newRow("Text1") << u"Text1"_s << QRect(24, 24, 609, 137);
    QTest::newRow("Label3") << u"Label3"_s << QRect(344, 176, 41, 17);
    QTest::newRow("Label2") << u"Label2"_s << QRect(8, 192, 137, 33);
    QTest::newRow("Text2") << u"Text2"_s << QRect(16, 208, 609, 169);
    QTest::newRow("Label4") << u"Label4"_s << QRect(16, 400, 481, 49);
    QTest::newRow("Command1") << u"Command1"_s << QRect(528, 400, 89, 41);
  }
  void ControlPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(Control(form, name)->geometry(), place);
  }

  void ArrowLines_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QLine>("line");
    QTest::newRow("Line1 shaft") << 1 << QLine(328, 160, 328, 208);
    QTest::newRow("Line2 left barb") << 2 << QLine(312, 192, 328, 208);
    QTest::newRow("Line3 right barb") << 3 << QLine(344, 192, 328, 208);
  }
  void ArrowLines() {
    QFETCH(int, index);
    QFETCH(QLine, line);
    Form1 form;
    const korvane::ui::StraightLine* lines[] = {form.Line1, form.Line2, form.Line3};
    const auto* shown = lines[index - 1];
    QCOMPARE(shown->line(), line);
    QVERIFY(shown->geometry().contains(line.p1()));
    QVERIFY(shown->geometry().contains(line.p2()));
  }

  void Texts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << u"Label1"_s << u"HTML格式网页："_s;
    QTest::newRow("Label2") << u"Label2"_s << u"转换后TXT正文："_s;
    QTest::newRow("Label3") << u"Label3"_s << u"抽取"_s;
    QTest::newRow("Command1") << u"Command1"_s << u"抽取转换"_s;
  }
  void Texts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    Form1 form;
    QWidget* control = Control(form, name);
    const auto* label = qobject_cast<QLabel*>(control);
    const auto* button = qobject_cast<QPushButton*>(control);
    QCOMPARE(label ? label->text() : button->text(), text);
  }

  void WindowSizeCaptionIconAndDescription() {
    Form1 form;
    QCOMPARE(form.size(), QSize(660, 474));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.windowTitle(), u"KORVANE V3.2"_s);
    QVERIFY(!form.windowIcon().isNull());
    QVERIFY(form.Label4->text().startsWith(u"KORVANE"_s));
    QCOMPARE(form.Label4->text().count(u'。'), 2);
    QVERIFY(form.Label4->wordWrap());
  }

  void BoxesStartWithSamplePageAndNothing() {
    Form1 form;
    const QString sample = SamplePageFile();
    QVERIFY(sample.size() > 20000);
    QCOMPARE(Shown(*form.Text1), sample);
    QCOMPARE(Shown(*form.Text2), QString());
  }

  void Label3HasSongFontOrCjkStandIn() {
    Form1 form;
    const QFont font = form.Label3->font();
    QCOMPARE(font.families().value(0), u"宋体"_s);
    QCOMPARE(font.pointSizeF(), 10.5);
    QCOMPARE(font.weight(), QFont::Normal);
    const QString family = QFontInfo(font).family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
             qPrintable(family));
    for (const QChar unit : u"抽取"_s) QVERIFY(QFontMetrics(font).inFont(unit));
  }

  void ButtonHasFocusAndTabCycles() {
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.Command1);
    for (QWidget* next : std::initializer_list<QWidget*>{form.Text1, form.Text2, form.Command1}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
  }

  void ClickWritesRecordOfInput_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("empty") << QString();
    QTest::newRow("small page") << kSmallPage;
    QTest::newRow("no-break spaces") << QString(kSmallPage).replace(u"第二段"_s, u"第\u00a0二段"_s);
    QTest::newRow("sample page") << SamplePageFile();
  }
  void ClickWritesRecordOfInput() {
    QFETCH(QString, page);
    std::u16string received;
    Form1 form([&received](std::u16string_view html) {
      received = html;
      return korvane::HtmlToText(html);
    });
    form.Text1->setPlainText(page);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(ToQString(received), page);
    QCOMPARE(Shown(*form.Text2), AsShown(korvane::HtmlToText(ToU16(page))));
    QCOMPARE(Shown(*form.Text1), page);
  }

  void EmptyInputGivesSmallestRecord() {
    Form1 form;
    form.Text1->clear();
    form.Command1->click();
    QCOMPARE(Shown(*form.Text2), u"[[txt]]\n"_s);
  }

  void SecondClickGivesSameRecord() {
    Form1 form;
    form.Command1->click();
    const QString first = Shown(*form.Text2);
    form.Command1->click();
    QCOMPARE(Shown(*form.Text2), first);
  }

  void TypedOutputIsReplacedWhole() {
    Form1 form;
    form.Text1->setPlainText(kSmallPage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Text2->setFocus();
    QTest::keyClicks(form.Text2, u"typed"_s);
    QTest::keyClick(form.Text2, Qt::Key_Return);
    form.Text2->insertPlainText(u"粘贴的文字"_s);
    QVERIFY(Shown(*form.Text2).endsWith(u"typed\n粘贴的文字"_s));
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(Shown(*form.Text2), AsShown(korvane::HtmlToText(ToU16(kSmallPage))));
  }

  void SamplePageGivesFullRecord() {
    Form1 form;
    form.Command1->click();
    const QStringList lines = Shown(*form.Text2).split(u'\n');
    QVERIFY(lines.size() > 5);
    QVERIFY(lines[0].startsWith(u"[[ht="_s));
    QVERIFY(lines[1].startsWith(u"[[ha="_s));
    QVERIFY(lines
                .filter(QRegularExpression(u"^\\[\\[ur=.+\\.(jpg|png)\\]\\]$"_s,
                                           QRegularExpression::CaseInsensitiveOption))
                .size() >= 2);
    const qsizetype marker = lines.indexOf(u"[[txt]]"_s);
    QVERIFY(marker > 3);
    const QStringList body = lines.mid(marker + 1);
    // The article's own paragraphs are the sample's only bare <p> elements.
    const QRegularExpression paragraph(u"<p>([^<]+)</p>"_s);
    int paragraphs = 0;
    for (const auto& match : paragraph.globalMatch(SamplePageFile())) {
      QVERIFY2(body.contains(match.captured(1).toLower()), qPrintable(match.captured(1)));
      ++paragraphs;
    }
    QVERIFY(paragraphs >= 5);
  }

  void FailedConversionKeepsOutput_data() {
    QTest::addColumn<bool>("out_of_memory");
    QTest::addColumn<QString>("reason");
    QTest::newRow("out of memory") << true << u"内存不足"_s;
    QTest::newRow("other failure") << false << u"engine stopped"_s;
  }
  void FailedConversionKeepsOutput() {
    QFETCH(bool, out_of_memory);
    QFETCH(QString, reason);
    Form1 form([out_of_memory](std::u16string_view) -> std::u16string {
      if (out_of_memory) throw std::bad_alloc();
      throw std::runtime_error("engine stopped");
    });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Text2->setPlainText(u"earlier record\nkept"_s);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    QCOMPARE(Shown(*form.Text2), u"earlier record\nkept"_s);
    auto* message = form.findChild<QMessageBox*>();
    QVERIFY(message);
    QVERIFY(message->isVisible());
    QVERIFY2(message->text().contains(u"失败"_s), qPrintable(message->text()));
    QVERIFY2(message->text().contains(reason), qPrintable(message->text()));
    message->close();
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
