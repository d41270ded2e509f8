#include "windows/TMultiApplyForm.h"

#include "model/TValueChange.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <vector>

#include "model/TElement.h"
#include "windows/IFrame.h"
#include "windows/TElementListView.h"
#include "windows/TLibraryDocument.h"
#include "windows/TParamSBox.h"
#include "windows/TZQLForm.h"

namespace tabrix {

namespace {

// A use box stands level with the top of its control; beside a tall control (a list, a
// multi-line field) it stays at the height of a one-line field.
constexpr int kUseBoxMaxHeight = 24;

}  // namespace

TMultiApplyForm::TMultiApplyForm(TZQLForm& window, QWidget* parent)
    : QWidget(parent), window_(window), own_(std::make_unique<TElement>()) {
    setWindowTitle(QStringLiteral("一括変更適用ウィンドウ"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(BuildUpperArea());

    TLibraryDocument& document = window_.Document();
    panel_ = new TParamSBox(document.Library(), document.Frame().Dialogs(), this);
    panel_->setObjectName(QStringLiteral("MultiParamSBox"));
    // Editing here must never touch the library's current element or its working copy.
    panel_->SetWorkingElement(own_.get());
    panel_->SetDragMode(window_.DragMode());
    panel_->SetIndent(kIndent);
    column->addWidget(panel_, 1);
    connect(panel_, &TParamSBox::laidOut, this, &TMultiApplyForm::PlaceUseBoxes);
    panel_->Rebuild();
    BuildUseBoxes();
}

TMultiApplyForm::~TMultiApplyForm() {
    // The panel edits the own element; it goes first.
    delete panel_;
}

QWidget* TMultiApplyForm::BuildUpperArea() {
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    apply_ = new QPushButton(QStringLiteral("一括変更適用"), area);
    apply_->setObjectName(QStringLiteral("MultiApplyBtn"));
    connect(apply_, &QPushButton::clicked, this, &TMultiApplyForm::ApplyToSelection);
    column->addWidget(apply_);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    outputUse_ = new QCheckBox(area);
    outputUse_->setObjectName(QStringLiteral("OutputUseCBox"));
    outputUse_->setFixedWidth(kUseBoxWidth);
    output_ = new QCheckBox(QStringLiteral("出力する"), area);
    output_->setObjectName(QStringLiteral("OutputCBox"));
    output_->setChecked(true);
    row->addWidget(outputUse_);
    row->addWidget(output_);
    row->addStretch(1);
    column->addLayout(row);
    return area;
}

void TMultiApplyForm::BuildUseBoxes() {
    qDeleteAll(useBoxes_);
    useBoxes_.clear();
    for (int i = 0; panel_->Control(i); ++i) {
        auto* box = new QCheckBox(panel_->Content());
        box->setObjectName(QStringLiteral("UseCBox%1").arg(i));
        box->show();
        useBoxes_ << box;
    }
    PlaceUseBoxes();
}

void TMultiApplyForm::PlaceUseBoxes() {
    for (int i = 0; i < useBoxes_.size(); ++i) {
        const QWidget* control = panel_->Control(i);
        if (!control) continue;
        useBoxes_[i]->setGeometry(kUseBoxLeft, control->y(), kUseBoxWidth,
                                  std::min(control->height(), kUseBoxMaxHeight));
    }
}

TMultiApplyForm* TMultiApplyForm::Create(TZQLForm& window) {
    auto* form = new TMultiApplyForm(window);
    auto* librarySub = qobject_cast<QMdiSubWindow*>(window.parentWidget());
    QMdiArea* area = librarySub ? librarySub->mdiArea() : nullptr;
    if (area) {
        QMdiSubWindow* sub = area->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->resize(kDesignWidth, kDesignHeight);
        const QSize room = area->viewport()->size();
        sub->move(std::max(0, (room.width() - kDesignWidth) / 2),
                  std::max(0, (room.height() - kDesignHeight) / 2));
        sub->show();
    } else {
        form->setParent(window.window(), Qt::Window);
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->resize(kDesignWidth, kDesignHeight);
        form->move(window.window()->geometry().center() - form->rect().center());
        form->show();
    }
    return form;
}

QWidget* TMultiApplyForm::Holder() const {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    return sub ? static_cast<QWidget*>(sub) : const_cast<TMultiApplyForm*>(this);
}

void TMultiApplyForm::BringToFront() {
    QWidget* holder = Holder();
    if (holder->isMinimized()) holder->showNormal();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(holder); sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    holder->raise();
    holder->activateWindow();
}

void TMultiApplyForm::CloseNow() {
    QWidget* holder = Holder();
    holder->hide();
    delete holder;  // this window with it
}

void TMultiApplyForm::ApplyToSelection() {
    const int group = window_.CurrentGroup();
    int top = 0, bottom = 0;
    if (group < 0 || !window_.List().SelectedRange(top, bottom) || top < 0) return;
    std::vector<bool> use;
    for (const QCheckBox* box : useBoxes_)
        use.push_back(box->isChecked());
    TLibraryDocument& document = window_.Document();
    // Each element's new values are read by the panel's rules against that element's own.
    std::vector<TValueChange> changes;
    for (int row = top; row <= bottom; ++row) {
        TElement* target =
            document.ElementAt(static_cast<std::size_t>(group), static_cast<std::size_t>(row));
        if (!target) break;
        TValueChange change;
        change.target = target;
        change.values = target->KeptCopy();
        for (std::size_t i = 0; i < use.size(); ++i) {
            if (!use[i]) continue;
            panel_->ReadInto(static_cast<int>(i), *change.values);
            change.params.push_back(i);
        }
        if (outputUse_->isChecked()) change.outputFlag = output_->isChecked() ? 1 : 0;
        changes.push_back(std::move(change));
    }
    document.ApplyToElements(static_cast<std::size_t>(group), std::move(changes));
}

}  // namespace tabrix
