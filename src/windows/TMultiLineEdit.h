// The multi-line fields of the panels (text and number arrays): plain text without wrapping,
// Tab moving on rather than typing a tab, and a paste that is safe with an empty clipboard.
#pragma once

#include <QPlainTextEdit>

namespace tabrix {

class TMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TMultiLineEdit(QWidget* parent = nullptr);

protected:
    // Qt 6.4 pastes through here with no data at all when the clipboard is empty, and the
    // base class does not look before it reads.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

}  // namespace tabrix
