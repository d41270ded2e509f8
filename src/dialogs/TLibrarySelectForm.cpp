// Placeholder until the dialog lands.
#include "dialogs/TLibrarySelectForm.h"

namespace tabrix {

TLibrarySelectForm::TLibrarySelectForm(const QString& configDir, const QString& templateDir,
                                       IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), configDir_(configDir), templateDir_(templateDir), dialogs_(dialogs) {}

TLibrarySelectForm::~TLibrarySelectForm() = default;

QString TLibrarySelectForm::LibraryPath() const { return {}; }
bool TLibrarySelectForm::DeriveFromTemplate() const { return false; }
QString TLibrarySelectForm::TemplatePath() const { return {}; }

}  // namespace tabrix
