#include "windows/TElementDrag.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace tabrix {

QMimeData* TElementDrag::ToMime() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint64(reinterpret_cast<quintptr>(document)) << qint32(group) << qint32(top)
        << qint32(bottom) << qint32(start);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kMimeType), bytes);
    return mime;
}

std::optional<TElementDrag> TElementDrag::FromMime(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(QString::fromLatin1(kMimeType))) return std::nullopt;
    QDataStream in(mime->data(QString::fromLatin1(kMimeType)));
    quint64 document = 0;
    qint32 group = -1, top = 0, bottom = -1, start = -1;
    in >> document >> group >> top >> bottom >> start;
    if (in.status() != QDataStream::Ok || group < 0 || top < 0 || bottom < top) return std::nullopt;
    TElementDrag drag;
    drag.document = reinterpret_cast<TLibraryDocument*>(static_cast<quintptr>(document));
    drag.group = group;
    drag.top = top;
    drag.bottom = bottom;
    drag.start = start;
    return drag;
}

}  // namespace tabrix
