#include "windows/TElementDelegate.h"

#include <QAbstractItemView>
#include <QFontInfo>
#include <QPainter>

#include "format/TDrawSink.h"
#include "format/TFormatEvaluator.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "platform/QtText.h"
#include "platform/TQtPainter.h"
#include "windows/TEdgePainter.h"
#include "windows/TElementListModel.h"

namespace tabrix {

TElementDelegate::TElementDelegate(const TZQLCtrl& library, QObject* parent,
                                   TDrawSink::WrapSwitches switches)
    : QStyledItemDelegate(parent), library_(library), switches_(switches) {
    SetFont(FontFor(library));
}

QFont TElementDelegate::FontFor(const TZQLCtrl& library) {
    QFont font;
    const TZQPCtrl* parameters = library.ParameterFile();
    if (!parameters) return font;
    if (!parameters->FontName().empty()) font.setFamily(QtText::FromCp932(parameters->FontName()));
    if (parameters->FontSize() > 0) font.setPointSize(parameters->FontSize());
    const std::int32_t style = parameters->FontStyle();
    font.setBold((style & 1) != 0);
    font.setItalic((style & 2) != 0);
    font.setUnderline((style & 4) != 0);
    font.setStrikeOut((style & 8) != 0);
    return font;
}

void TElementDelegate::SetFont(const QFont& font) {
    font_ = font;
    // The draw sink steps lines by the font's height, as the parameter file's row height
    // was chosen for.
    lineHeight_ = QFontInfo(font_).pixelSize();
    if (lineHeight_ <= 0) lineHeight_ = 12;
}

QSize TElementDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), library_.ParameterFile()
                                          ? static_cast<int>(library_.ParameterFile()->RowHeight())
                                          : 24);
}

void TElementDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const auto* model = qobject_cast<const TElementListModel*>(index.model());
    if (!model) return;
    const QRect cell = option.rect;
    if (index.column() < model->ElementColumn()) {
        PaintHandle(*painter, cell, index.column() + 2 == model->ElementColumn(), index.row());
        return;
    }
    painter->save();
    painter->fillRect(cell, Qt::white);
    painter->setFont(font_);
    if (model->ElementCount() == 0) {
        painter->setPen(Qt::black);
        painter->drawText(cell.adjusted(4, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop,
                          QStringLiteral("＜要素無し＞"));
        painter->restore();
        return;
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool current = view && view->currentIndex().row() == index.row();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    if (current || selected) {
        TEdgePainter::Draw(*painter, cell, TEdgePainter::Edge::kBump);
        TEdgePainter::Draw(
            *painter, cell.adjusted(2, 2, -2, -2),
            current ? TEdgePainter::Edge::kSoftSunken : TEdgePainter::Edge::kSoftBump);
    }
    PaintElement(*painter, cell, static_cast<int>(model->Group()), index.row());
    painter->restore();
}

void TElementDelegate::PaintHandle(QPainter& painter, const QRect& cell, bool dragHandle,
                                   int row) const {
    painter.save();
    painter.fillRect(cell, QColor::fromRgb(dragHandle ? kDragHandleColour : kRowHandleColour));
    if (!dragHandle) {
        painter.setPen(Qt::black);
        painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, QString::number(row + 1));
    }
    painter.restore();
}

void TElementDelegate::PaintElement(QPainter& painter, const QRect& cell, int group,
                                    int row) const {
    if (group < 0 || static_cast<std::size_t>(group) >= library_.GroupCount()) return;
    const TGroupSetting& setting = *library_.Group(static_cast<std::size_t>(group));
    const TGroupData* data = setting.GroupData();
    if (!data || row < 0 || static_cast<std::size_t>(row) >= data->Size()) return;
    painter.setClipRect(cell, Qt::IntersectClip);
    TQtPainter textPainter(painter);
    TDrawSink sink(textPainter, TRect{cell.left(), cell.top(), cell.right() + 1, cell.bottom() + 1},
                   lineHeight_, switches_);
    if (TFormatEvaluator::DrawElement(library_, setting, static_cast<std::size_t>(row), sink,
                                      kPurposeDraw) == kRunLimitReached)
        sink.MarkCut();
}

}  // namespace tabrix
