// A check list of the operation dialogs: one check item per parameter or per group of a library,
// by name and in the library's order, read back as one tick per item.
#pragma once

#include <QListWidget>

#include <vector>

#include "model/TZQLCtrl.h"

namespace tabrix {

class TCheckList : public QListWidget {
    Q_OBJECT

public:
    TCheckList(const char* objectName, QWidget* parent = nullptr);

    void Fill(const QStringList& names);
    std::vector<bool> Ticks() const;
    void SetTicked(int row, bool ticked);
    bool AnyTicked() const;

    // The names of the library's parameters, and of its groups, in their order.
    static QStringList ParameterNames(const TZQLCtrl& library);
    static QStringList GroupNames(const TZQLCtrl& library);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Toggle(QListWidgetItem* item);
};

}  // namespace tabrix
