// The guide inside the program: the help page in a text browser of its own window, with
// back, forward and contents, and the desktop's browser as the other way to read it. Links
// that leave the help folder go to the desktop.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolBar;

namespace tabrix {

class THelpBrowser : public QWidget {
    Q_OBJECT
public:
    explicit THelpBrowser(QWidget* parent = nullptr);

    // Shows page (a local file) and brings the window to the front;
    // false when the page is not there.
    bool ShowPage(const QString& page);
    QTextBrowser& Browser() { return *browser_; }

private:
    void OpenInBrowser();

    QTextBrowser* browser_;
    QString home_;
};

}  // namespace tabrix
