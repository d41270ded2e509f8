#include "platform/TRichEditColoring.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/QtText.h"
#include "platform/TQtPainter.h"

namespace tabrix {

namespace {

const char* const kObjectName = "tabrix-format-colouring";

}  // namespace

TRichEditColoring::TRichEditColoring(QTextDocument& document) : QSyntaxHighlighter(&document) {
    setObjectName(QString::fromLatin1(kObjectName));
}

TRichEditColoring& TRichEditColoring::Of(QTextDocument& document) {
    auto* existing = document.findChild<QSyntaxHighlighter*>(QString::fromLatin1(kObjectName),
                                                             Qt::FindDirectChildrenOnly);
    if (auto* colouring = dynamic_cast<TRichEditColoring*>(existing)) return *colouring;
    return *new TRichEditColoring(document);  // owned by the document
}

void TRichEditColoring::Colour(QTextEdit& editor, const TZQLCtrl& library) {
    const QSignalBlocker quiet(editor);
    Colour(*editor.document(), library);
}

void TRichEditColoring::Colour(QPlainTextEdit& editor, const TZQLCtrl& library) {
    const QSignalBlocker quiet(editor);
    Colour(*editor.document(), library);
}

void TRichEditColoring::Colour(QTextDocument& document, const TZQLCtrl& library) {
    StringList cp932;
    std::vector<Line> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines.push_back({block.text(), {}});
        cp932.push_back(QtText::ToCp932(block.text()));
    }
    for (const TColourSpan& span :
         TSyntaxColourer::InUtf16(cp932, TSyntaxColourer(library).Colour(cp932)))
        lines[span.line].spans.push_back(span);

    TRichEditColoring& colouring = Of(document);
    colouring.lines_ = std::move(lines);
    colouring.rehighlight();
}

void TRichEditColoring::highlightBlock(const QString& text) {
    const int number = currentBlock().blockNumber();
    if (number < 0 || static_cast<std::size_t>(number) >= lines_.size()) return;
    const Line& line = lines_[static_cast<std::size_t>(number)];
    // A line changed since it was coloured: its old spans would land on the wrong characters.
    if (line.text != text) return;
    for (const TColourSpan& span : line.spans) {
        QTextCharFormat format;
        format.setForeground(TQtPainter::ToQColor(span.colour));
        format.setFontStrikeOut(span.strikeout);
        setFormat(static_cast<int>(span.begin), static_cast<int>(span.end - span.begin), format);
    }
}

}  // namespace tabrix
