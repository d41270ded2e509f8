// CP932 meets Qt: round trips, exact conversions that refuse what CP932 cannot hold, and the
// painter's colour order (red in the lowest byte).
#include <QtTest>

#include "platform/QtText.h"
#include "platform/TQtPainter.h"

namespace tabrix {

class QtTextTest : public QObject {
    Q_OBJECT

private slots:
    void RoundTrips_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("abc");
        QTest::newRow("kanji") << QStringLiteral("十表ソ能予");
        QTest::newRow("half-width kana") << QStringLiteral("ﾊﾟｿｺﾝ");
        QTest::newRow("full-width") << QStringLiteral("ＭＳ ゴシック");
    }
    void RoundTrips() {
        QFETCH(QString, text);
        std::string cp932;
        QVERIFY(QtText::ToCp932Exact(text, cp932));
        QCOMPARE(QtText::FromCp932(cp932), text);
        QCOMPARE(QtText::ToCp932(text), cp932);
    }
    void RefusesWhatCp932CannotHold() {
        std::string cp932;
        QVERIFY(!QtText::ToCp932Exact(QStringLiteral("café"), cp932));
        QVERIFY(!QtText::ToCp932Exact(QString::fromUtf8("\xF0\x9F\x98\x80"), cp932));
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::QtTextTest)
#include "QtTextTest.moc"
