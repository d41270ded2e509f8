#include "platform/TImageLoader.h"

#include <QImageReader>

#include "model/PathName.h"
#include "platform/QtText.h"

namespace tabrix {

QImage TImageLoader::Load(const QString& nativePath) {
    if (nativePath.isEmpty()) return {};
    QImageReader reader(nativePath);
    // The content decides, not the name: a preview saved as .JPG may well be a bitmap.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    return reader.read();
}

QString TImageLoader::NativePath(const std::string& imagePath, const std::string& libraryPath) {
    if (imagePath.empty()) return {};
    return QtText::FromNative(PathName::ToNative(PathName::Resolve(libraryPath, imagePath)));
}

QImage TImageLoader::LoadForLibrary(const std::string& imagePath, const std::string& libraryPath) {
    return Load(NativePath(imagePath, libraryPath));
}

QImage TImageLoader::FitInto(const QImage& image, const QSize& area) {
    if (image.isNull() || area.isEmpty()) return {};
    const QSize limit = area.boundedTo(image.size() * 2);
    return image.scaled(limit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace tabrix
