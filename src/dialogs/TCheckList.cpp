#include "dialogs/TCheckList.h"

#include <QKeyEvent>

#include <algorithm>

#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQPCtrl.h"
#include "platform/QtText.h"

namespace tabrix {

TCheckList::TCheckList(const char* objectName, QWidget* parent) : QListWidget(parent) {
    setObjectName(QString::fromLatin1(objectName));
    // A click anywhere on a row ticks it, as the check lists of the original editor did.
    connect(this, &QListWidget::itemClicked, this, &TCheckList::Toggle);
}

void TCheckList::Toggle(QListWidgetItem* item) {
    if (item) item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TCheckList::keyPressEvent(QKeyEvent* event) {
    // The space bar ticks the current row, as a click does.
    if (event->key() == Qt::Key_Space) {
        Toggle(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TCheckList::Fill(const QStringList& names) {
    clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, this);
        // Ticking is the list's own click; the item's check box does not toggle a second time.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
}

std::vector<bool> TCheckList::Ticks() const {
    std::vector<bool> ticks;
    for (int i = 0; i < count(); ++i)
        ticks.push_back(item(i)->checkState() == Qt::Checked);
    return ticks;
}

void TCheckList::SetTicked(int row, bool ticked) {
    if (QListWidgetItem* it = item(row)) it->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

bool TCheckList::AnyTicked() const {
    const std::vector<bool> ticks = Ticks();
    return std::find(ticks.begin(), ticks.end(), true) != ticks.end();
}

QStringList TCheckList::ParameterNames(const TZQLCtrl& library) {
    QStringList names;
    if (const TZQPCtrl* parameters = library.ParameterFile()) {
        for (const auto& parameter : parameters->Parameters())
            names << QtText::FromCp932(parameter->Name());
    }
    return names;
}

QStringList TCheckList::GroupNames(const TZQLCtrl& library) {
    QStringList names;
    for (const auto& group : library.Groups())
        names << QtText::FromCp932(group->Name());
    return names;
}

}  // namespace tabrix
