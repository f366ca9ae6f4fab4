// SPDX-License-Identifier: Apache-2.0
#include "plain_text.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;
using korvane::ui::ReadText;
using korvane::ui::WriteText;

class PlainTextTest : public QObject {
  Q_OBJECT

 private slots:
  void RoundTrip_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("one line") << u"[[txt]]"_s << u"[[txt]]"_s;
    QTest::newRow("CR LF is one break") << u"a\r\nb\r\n"_s << u"a\nb\n"_s;
    QTest::newRow("lone CR and LF") << u"a\rb\nc"_s << u"a\nb\nc"_s;
    QTest::newRow("no-break space kept") << u"a\u00a0b"_s << u"a\u00a0b"_s;
    QTest::newRow("line separator kept") << u"a\u2028b"_s << u"a\u2028b"_s;
    QTest::newRow("surrogate pair kept") << u"\U00020000x"_s << u"\U00020000x"_s;
    QTest::newRow("CJK and tags") << u"<p>抽取</p>"_s << u"<p>抽取</p>"_s;
  }
  void RoundTrip() {
    QFETCH(QString, written);
    QFETCH(QString, read);
    QPlainTextEdit box;
    box.setPlainText(u"earlier text"_s);
    WriteText(box, std::u16string_view(reinterpret_cast<const char16_t*>(written.utf16()),
                                       written.size()));
    const std::u16string text = ReadText(box);
    QCOMPARE(QString::fromUtf16(text.data(), text.size()), read);
  }
};

QTEST_MAIN(PlainTextTest)
#include "plain_text_test.moc"
