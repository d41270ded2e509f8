#include "windows/TMultiLineEdit.h"

#include <QMimeData>

namespace tabrix {

TMultiLineEdit::TMultiLineEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
}

bool TMultiLineEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source && QPlainTextEdit::canInsertFromMimeData(source);
}

void TMultiLineEdit::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText()) QPlainTextEdit::insertFromMimeData(source);
}

}  // namespace tabrix
