// Placeholder until the dialogs land: every question is cancelled.
#include "platform/QtDialogs.h"

namespace tabrix {

void QtDialogs::Message(QWidget*, const QString&, const QString&, Icon) {}
IDialogs::Answer QtDialogs::AskOkCancel(QWidget*, const QString&, const QString&, Icon) {
    return Answer::kCancel;
}
IDialogs::Answer QtDialogs::AskYesNo(QWidget*, const QString&, const QString&) {
    return Answer::kNo;
}
IDialogs::Answer QtDialogs::AskYesNoCancel(QWidget*, const QString&, const QString&) {
    return Answer::kCancel;
}
bool QtDialogs::InputText(QWidget*, const QString&, const QString&, QString&) { return false; }
bool QtDialogs::OpenFile(QWidget*, const QString&, const QString&, const QString&, QString&) {
    return false;
}
bool QtDialogs::SaveFile(QWidget*, const QString&, const QString&, const QString&, QString&) {
    return false;
}
bool QtDialogs::ChooseFolder(QWidget*, const QString&, QString&) { return false; }
bool QtDialogs::ChooseFont(QWidget*, QFont&) { return false; }
bool QtDialogs::ChooseColour(QWidget*, QColor&) { return false; }
QString QtDialogs::QtFilter(const QString& filter) { return filter; }

}  // namespace tabrix
