// The library window's exchange of one group with spreadsheets: export to and import from CSV
// or TSV files, each with its file dialog and its own dialog; the import is one step of the
// library's history, and bad input changes nothing and is shown with its line and column.
#pragma once

#include <QString>

#include <cstddef>

#include "model/TTableProblem.h"

class QWidget;

namespace tabrix {

class IDialogs;
class TLibraryDocument;

class TTableExchange {
public:
    TTableExchange(TLibraryDocument& document, IDialogs& dialogs, QWidget* parent)
        : document_(document), dialogs_(dialogs), parent_(parent) {}

    // Each returns the status text of what was done, empty when nothing was (cancelled or
    // refused, with its message).
    QString Export(std::size_t group);
    QString Import(std::size_t group);

    // The message for a refused import of the file at path.
    static QString ProblemMessage(const QString& path, const TTableProblem& problem);

private:
    bool ReadFile(const QString& path, std::string& bytes);

    TLibraryDocument& document_;
    IDialogs& dialogs_;
    QWidget* parent_;
};

}  // namespace tabrix
