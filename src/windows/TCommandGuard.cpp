#include "windows/TCommandGuard.h"

#include <QRegularExpression>

#include <new>
#include <stdexcept>

#include "platform/IDialogs.h"

namespace tabrix {

bool TCommandGuard::Run(IDialogs& dialogs, QWidget* parent, const QString& caption,
                        const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {  // a list asked to grow past what it can hold
    }
    dialogs.Message(parent, Message(caption), {}, IDialogs::Icon::kError);
    return false;
}

QString TCommandGuard::Message(const QString& caption) {
    QString name = caption;
    name.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\.\\.\\.$")));
    return QStringLiteral("メモリが足りないため、「%1」を中止しました。").arg(name);
}

}  // namespace tabrix
