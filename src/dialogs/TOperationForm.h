// What the sort, compare-apply and duplicate-deletion dialogs share: "実行" closes the dialog
// only while it has nothing to refuse, "閉じる" closes it without a result, and the dialog's
// state is read as the data lines of a batch item. None of them changes the library.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

#include "model/TStringDivision.h"

class QHBoxLayout;
class QVBoxLayout;

namespace tabrix {

class IDialogs;
class TZQLCtrl;

class TOperationForm : public QDialog {
    Q_OBJECT

public:
    TOperationForm(IDialogs& dialogs, QWidget* parent);

    virtual StringList DataLines() const = 0;

    // "実行": the refusal is shown and the dialog stays open, or the dialog closes with OK.
    void accept() override;

protected:
    // The message that refuses "実行" in the present state; empty when there is none.
    virtual QString Refusal() const = 0;

    // The "実行" and "閉じる" row, right-aligned.
    QHBoxLayout* Buttons();
    // A list under its label.
    static QVBoxLayout* Captioned(const QString& caption, QWidget* list);

    // The group lists show the library's groups; the data lines name them by their numbers,
    // which skip the numbers of groups held but not shown.
    void KeepGroupNumbers(const TZQLCtrl& library);
    std::vector<bool> ByGroupNumber(const std::vector<bool>& shownTicks) const;

private:
    IDialogs& dialogs_;
    std::vector<std::uint32_t> groupNumbers_;
};

}  // namespace tabrix
