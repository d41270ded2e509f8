#include "dialogs/TCompareApplyForm.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "batch/TBatchLines.h"
#include "dialogs/TCheckList.h"

namespace tabrix {

namespace {

// The status images: a grey bar for "除外", a green tick for "選択".
QIcon StatusIcon(bool selected) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = selected ? QColor(0x20, 0xA0, 0x40) : QColor(0x90, 0x90, 0x90);
    painter.setPen(colour.darker(140));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    painter.setPen(QPen(Qt::white, 2));
    if (selected)
        painter.drawPolyline(QPolygonF({{4.5, 8.0}, {7.0, 10.5}, {11.5, 5.0}}));
    else
        painter.drawLine(QPointF(4.5, 8.0), QPointF(11.5, 8.0));
    return QIcon(pixmap);
}

}  // namespace

TCompareApplyForm::TCompareApplyForm(const TZQLCtrl& library, IDialogs& dialogs, QWidget* parent)
    : TOperationForm(dialogs, parent),
      judges_(new TCheckList("JudgeParamCLBox")),
      applies_(new TCheckList("ApplyParamCLBox")) {
    setWindowTitle(QStringLiteral("判定適用"));
    KeepGroupNumbers(library);
    const QStringList groups = TCheckList::GroupNames(library);
    judges_->Fill(TCheckList::ParameterNames(library));
    applies_->Fill(TCheckList::ParameterNames(library));
    auto* columns = new QHBoxLayout;
    columns->addWidget(BuildSide(sources_, "SrcGroupStatusRGroup", "SrcLBox",
                                 QStringLiteral("判定元グループ"), groups),
                       1);
    columns->addWidget(BuildSide(destinations_, "DstGroupStatusRGroup", "DstLBox",
                                 QStringLiteral("適用先グループ"), groups),
                       1);
    columns->addWidget(BuildSentence(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(Buttons());
    resize(600, 420);
}

QGroupBox* TCompareApplyForm::BuildSide(GroupSide& side, const char* boxName, const char* listName,
                                        const QString& caption, const QStringList& groups) {
    side.box = new QGroupBox(caption);
    side.box->setObjectName(QString::fromLatin1(boxName));
    side.radios = new QButtonGroup(side.box);
    auto* radioRow = new QHBoxLayout;
    for (int status : {kExclude, kSelect}) {
        auto* radio =
            new QRadioButton(status == kSelect ? QStringLiteral("選択") : QStringLiteral("除外"));
        side.radios->addButton(radio, status);
        radioRow->addWidget(radio);
    }
    radioRow->addStretch(1);
    side.list = new QListWidget;
    side.list->setObjectName(QString::fromLatin1(listName));
    side.list->setIconSize(QSize(16, 16));
    for (const QString& name : groups)
        new QListWidgetItem(StatusIcon(false), name, side.list);
    side.selected.assign(static_cast<std::size_t>(groups.size()), false);

    // A click on a row toggles its group; a radio item gives the selected row its status.
    connect(side.list, &QListWidget::itemClicked, this, [this, &side](QListWidgetItem* item) {
        const int row = side.list->row(item);
        SetStatus(side, row, !side.selected[static_cast<std::size_t>(row)]);
    });
    connect(side.list, &QListWidget::currentRowChanged, this, [this, &side] { ShowStatus(side); });
    connect(side.radios, &QButtonGroup::idClicked, this, [this, &side](int status) {
        const QList<QListWidgetItem*> chosen = side.list->selectedItems();
        if (chosen.isEmpty()) return;
        SetStatus(side, side.list->row(chosen.front()), status == kSelect);
    });
    auto* column = new QVBoxLayout(side.box);
    column->addLayout(radioRow);
    column->addWidget(side.list, 1);
    ShowStatus(side);
    return side.box;
}

QGroupBox* TCompareApplyForm::BuildSentence() {
    // The labels read as one sentence around the two parameter lists.
    auto* box = new QGroupBox(QStringLiteral("判定・適用設定"));
    auto* column = new QVBoxLayout(box);
    column->addWidget(new QLabel(QStringLiteral("判定元が、判定先の")));
    column->addWidget(judges_, 1);
    column->addWidget(new QLabel(QStringLiteral("と一致する")), 0, Qt::AlignRight);
    column->addWidget(new QLabel(QStringLiteral("なら、判定元")));
    column->addWidget(applies_, 1);
    column->addWidget(new QLabel(QStringLiteral("を適用先に複写します")), 0, Qt::AlignRight);
    return box;
}

void TCompareApplyForm::SetStatus(GroupSide& side, int row, bool selected) {
    if (row < 0 || row >= side.list->count()) return;
    side.selected[static_cast<std::size_t>(row)] = selected;
    side.list->item(row)->setIcon(StatusIcon(selected));
    ShowStatus(side);
}

void TCompareApplyForm::ShowStatus(GroupSide& side) {
    const int row = side.list->currentRow();
    if (row < 0 || row >= side.list->count()) {
        // No row chosen: neither radio item is checked.
        side.radios->setExclusive(false);
        for (QAbstractButton* radio : side.radios->buttons())
            radio->setChecked(false);
        side.radios->setExclusive(true);
        return;
    }
    side.radios->button(side.selected[static_cast<std::size_t>(row)] ? kSelect : kExclude)
        ->setChecked(true);
}

StringList TCompareApplyForm::DataLines() const {
    return TBatchLines::CompareApply(ByGroupNumber(sources_.selected),
                                     ByGroupNumber(destinations_.selected), judges_->Ticks(),
                                     applies_->Ticks());
}

bool TCompareApplyForm::Overlap(const std::vector<bool>& a, const std::vector<bool>& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] && b[i]) return true;
    return false;
}

QString TCompareApplyForm::Refusal() const {
    if (Overlap(sources_.selected, destinations_.selected))
        return QStringLiteral("判定元と適用先の両方に指定されているグループがあります！");
    if (Overlap(judges_->Ticks(), applies_->Ticks()))
        return QStringLiteral("判定元と判定先の両方に指定されているパラメータがあります！");
    return {};
}

}  // namespace tabrix
