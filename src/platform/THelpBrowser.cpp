#include "platform/THelpBrowser.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace tabrix {

THelpBrowser::THelpBrowser(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpBrowser"));
    setWindowTitle(QStringLiteral("Tabrix ヘルプ"));
    resize(820, 640);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);

    auto* bar = new QToolBar(this);
    QAction* back = bar->addAction(QStringLiteral("戻る"), browser_, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    QAction* forward = bar->addAction(QStringLiteral("進む"), browser_, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    bar->addAction(QStringLiteral("目次"), browser_, &QTextBrowser::home);
    bar->addSeparator();
    bar->addAction(QStringLiteral("ブラウザで開く"), this, &THelpBrowser::OpenInBrowser)
        ->setObjectName(QStringLiteral("HelpInBrowser"));
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);

    auto* close = new QAction(this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser_);
}

bool THelpBrowser::ShowPage(const QString& page) {
    const QFileInfo file(page);
    if (!file.isFile()) return false;
    if (home_ != file.absoluteFilePath()) {
        home_ = file.absoluteFilePath();
        browser_->setSearchPaths({file.absolutePath()});
        browser_->setSource(QUrl::fromLocalFile(home_));
    }
    show();
    raise();
    activateWindow();
    return true;
}

void THelpBrowser::OpenInBrowser() {
    QUrl url = browser_->source();
    if (url.isEmpty()) url = QUrl::fromLocalFile(home_);
    QDesktopServices::openUrl(url);
}

}  // namespace tabrix
