// Colours a format editor by what the format language makes of its text (the "< 着色 >"
// button). The colours live in the layout of each line, as a syntax highlighter keeps them, so
// the text, the selection, the undo history and the document's modified state stay as they
// were. A line edited afterwards shows plain until the editor is coloured again.
#pragma once

#include <QString>
#include <QSyntaxHighlighter>

#include <vector>

#include "format/TSyntaxColourer.h"

class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

namespace tabrix {

class TZQLCtrl;

class TRichEditColoring : public QSyntaxHighlighter {
public:
    // Colours the editor's whole text against library (its parameter identifiers and word
    // tables). The editor's own signals (textChanged) are held back meanwhile, so a dialog
    // listening to them sees no edit; the document still reports the new layout of its lines
    // through contentsChange, as it does for any highlighter.
    static void Colour(QTextEdit& editor, const TZQLCtrl& library);
    static void Colour(QPlainTextEdit& editor, const TZQLCtrl& library);
    static void Colour(QTextDocument& document, const TZQLCtrl& library);

protected:
    void highlightBlock(const QString& text) override;

private:
    // One line as it was coloured, with its spans in UTF-16 code units.
    struct Line {
        QString text;
        ColourSpans spans;
    };

    explicit TRichEditColoring(QTextDocument& document);
    // The colouring already attached to document, or a new one.
    static TRichEditColoring& Of(QTextDocument& document);

    std::vector<Line> lines_;
};

}  // namespace tabrix
