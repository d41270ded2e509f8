// Preview images of libraries: BMP or JPEG files (JPEG through Qt's libjpeg reader), named as
// the library stores them.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <string>

namespace tabrix {

class TImageLoader {
public:
    // The image in the file at nativePath; a null image when it cannot be read.
    static QImage Load(const QString& nativePath);
    // The image named by a library's path text (CP932, Windows or POSIX form, relative to the
    // library file's folder when relative).
    static QImage LoadForLibrary(const std::string& imagePath, const std::string& libraryPath);
    // The native file name of such a path text.
    static QString NativePath(const std::string& imagePath, const std::string& libraryPath);
    // image scaled to fit area, keeping its proportions; never enlarged beyond twice its size.
    static QImage FitInto(const QImage& image, const QSize& area);
};

}  // namespace tabrix
