// The window tests' copy of the sample library (groups 書籍: four elements, 新刊: two, 出版社),
// in a folder of their own so that tests may change and save it.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace tabrix::test {

// Copies examples/books into folder; returns the path of its library file.
inline QString CopySample(const QString& folder) {
    const QString source = QStringLiteral(TABRIX_SOURCE_DIR "/examples/books");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = folder + QLatin1Char('/') + QDir(source).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return folder + QStringLiteral("/books.ZQL");
}

}  // namespace tabrix::test
