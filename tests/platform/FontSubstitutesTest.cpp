// The Windows font names stored in parameter files resolve to an installed Japanese font.
#include <QFontDatabase>
#include <QFontInfo>
#include <QtTest>

#include "platform/FontSubstitutes.h"

namespace tabrix {

class FontSubstitutesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FontSubstitutes::Install(); }

    void JapaneseFamilyIsInstalled() {
        const QString family = FontSubstitutes::JapaneseFamily();
        QVERIFY(!family.isEmpty());
        QVERIFY(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese));
    }

    void WindowsFontsResolveToAJapaneseFamily_data() {
        QTest::addColumn<QString>("family");
        for (const QString& family : FontSubstitutes::WindowsFamilies())
            QTest::newRow(family.toUtf8().constData()) << family;
    }
    void WindowsFontsResolveToAJapaneseFamily() {
        QFETCH(QString, family);
        const QFontInfo info(QFont(family, 9));
        QVERIFY2(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::Japanese),
                 qPrintable(family + QStringLiteral(" -> ") + info.family()));
    }

    void FixedPitchNamesPreferAFixedPitchFamily() {
        const QString fixed = FontSubstitutes::JapaneseFixedFamily();
        // Qt keeps substitutes in lower case.
        QCOMPARE(QFont::substitutes(QStringLiteral("ＭＳ ゴシック")).value(0), fixed.toLower());
        QCOMPARE(QFont::substitutes(QStringLiteral("ＭＳ Ｐゴシック")).value(0),
                 FontSubstitutes::JapaneseFamily().toLower());
    }
};

}  // namespace tabrix

QTEST_MAIN(tabrix::FontSubstitutesTest)
#include "FontSubstitutesTest.moc"
