// Types text into a widget one key at a time, as a keyboard or input method would deliver it.
// QTest::keyClicks accepts only ASCII; Japanese text needs key events that carry their text.
#pragma once

#include <QtTest>

namespace tabrix::test {

inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(widget, ch.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        }
    }
}

}  // namespace tabrix::test
