// The frame a window test drives: a real TMainForm with scripted dialogs and a settings folder
// of its own, made before each test and checked afterwards for questions nobody expected or
// that were scripted and never asked; and the small helpers and common widgets the window and
// dialog tests share.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include "ScriptedDialogs.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "platform/QtText.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TMainForm.h"
#include "windows/TParamSBox.h"
#include "windows/TZQLForm.h"

namespace tabrix::test {

using Kind = ScriptedDialogs::Kind;
using Answer = IDialogs::Answer;
using namespace Qt::StringLiterals;

// Copies the sample library (examples/books: groups 書籍 with four elements, 新刊 with two,
// 出版社) into folder, where a test may change and save it; returns its library file's path.
inline QString CopySample(const QString& folder) {
    const QString source = QStringLiteral(TABRIX_SOURCE_DIR "/examples/books");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = folder + QLatin1Char('/') + QDir(source).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return folder + QStringLiteral("/books.ZQL");
}

// Types text into a widget one key at a time, as a keyboard or input method would deliver it.
// QTest::keyClicks accepts only ASCII; Japanese text needs key events that carry their text.
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

// The control called name; a test naming a control the window lacks stops at once.
template <typename T = QWidget>
T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

inline void Click(const QObject& parent, const char* name) {
    Child<QAbstractButton>(parent, name)->click();
}

// A click in the middle of a list's row, as the user makes it.
inline void ClickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

// The entry captioned text of the menus under parent; a test naming one that is missing stops.
inline QAction* MenuEntry(const QObject& parent, const QString& text) {
    for (QAction* action : parent.findChildren<QAction*>())
        if (action->text() == text) return action;
    qFatal("no menu entry %s", qPrintable(text));
}

inline QStringList ItemTexts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

inline QStringList ItemTexts(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

// A drag entering target at a point, moving there and dropped, as the window system delivers
// them: the action the drop took, or Qt::IgnoreAction when the target refused any of the three.
inline Qt::DropAction SendDrag(QWidget* target, QPoint at, const QMimeData* mime,
                               Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    QDragEnterEvent enter(at, actions, mime, Qt::LeftButton, {});
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, actions, mime, Qt::LeftButton, {});
    move.ignore();
    if (enter.isAccepted()) QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(QPointF(at), actions, mime, Qt::LeftButton, {});
    drop.ignore();
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

inline QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file as the editor shows CP932 text.
inline QString FileText(const QString& path) {
    return QtText::FromCp932(Bytes(path).toStdString());
}

// The first text of parameter 0 (the sample's title), as the editor shows it.
inline QString Title(const TElement* element) {
    return element && !element->Texts(0).empty() ? QtText::FromCp932(element->Texts(0)[0])
                                                 : QString();
}

// The elements of data in their order.
inline std::vector<TElement*> Elements(const TGroupData& data) {
    std::vector<TElement*> elements;
    for (std::size_t i = 0; i < data.Size(); ++i)
        elements.push_back(data.At(i));
    return elements;
}

// The edits are the test's own: the frame closes without asking about them.
inline void ForgetChanges(TZQLCtrl& library) {
    library.SetModified(false);
    for (const auto& group : library.Groups())
        if (group->GroupData()) group->GroupData()->Owner()->SetModified(false);
}

class FrameFixture {
protected:
    void StartFrame(int width, int height) {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        config_ = std::make_unique<QTemporaryDir>();
        dir_ = std::make_unique<QTemporaryDir>();
        frame_ = std::make_unique<TMainForm>(*dialogs_, config_->path());
        frame_->resize(width, height);
        frame_->show();
    }
    // Opens a copy of the sample library, in dir_ or in a folder of that name inside it.
    TZQLForm* OpenSample(const QString& folder = {}) {
        return frame_->OpenSelected(CopySample(folder.isEmpty() ? dir_->path() : Path(folder)));
    }
    QString Path(const QString& name) const { return dir_->filePath(name); }
    // Destroys the frame, then fails on questions nobody expected and on scripted ones never
    // asked.
    void CloseFrame() {
        const QStringList unexpected = dialogs_->Unexpected();
        const bool done = dialogs_->Done();
        frame_.reset();
        dir_.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('|')));
        QVERIFY(done);
    }

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<QTemporaryDir> config_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TMainForm> frame_;
};

}  // namespace tabrix::test
