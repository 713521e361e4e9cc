#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString sourceDir() {
    return QStringLiteral(QUILLMOOR_SOURCE_DIR);
}
QString binDir() {
    return QStringLiteral(QUILLMOOR_BIN_DIR);
}

QString fixture(const QString& name) {
    return sourceDir() + QStringLiteral("/tests/fixtures/") + name;
}

QString sharedDecksDir() {
    const QString dir = QDir::cleanPath(sourceDir() + QStringLiteral("/../shared/decks"));
    return QFileInfo(dir).isDir() ? dir : QString();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}
