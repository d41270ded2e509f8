// The question after the library settings named another parameter file that already exists:
// read that file, overwrite it with the current definitions at the next save, or change
// nothing (also the Escape key).
#pragma once

#include <QDialog>

namespace tabrix {

class TSelectZQPReLoadForm : public QDialog {
    Q_OBJECT

public:
    // The dialog's results; kKeep is the plain rejection, so Escape and closing mean it too.
    enum Result { kKeep = QDialog::Rejected, kRead = 2, kOverwrite = 3 };

    explicit TSelectZQPReLoadForm(QWidget* parent = nullptr);
};

}  // namespace tabrix
