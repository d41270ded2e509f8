// "Tabrix について": the program's icon, name and version, the file version it writes, its
// licence and the Qt it runs on.
#pragma once

#include <QDialog>

namespace tabrix {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

}  // namespace tabrix
