#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/office/documentkind.h"

namespace {
void put(QByteArray& bytes, qsizetype at, quint32 value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = char(value >> (8 * i));
}

// What this process has read through system calls so far.
qint64 bytesRead() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = io.readAll();
    const qsizetype at = text.indexOf("rchar: ") + 7;
    return text.mid(at, text.indexOf('\n', at) - at).toLongLong();
}

// Pieces at their offsets; the gaps between them are holes.
using Pieces = QList<std::pair<qint64, QByteArray>>;

// A ZIP archive whose central directory of `names` lies 8 MiB in.
Pieces zipArchive(const QStringList& names) {
    const qint64 directoryAt = 8 << 20;
    QByteArray directory;
    for (const QString& name : names) {
        QByteArray entry(46, '\0');
        put(entry, 0, 0x02014b50, 4);
        put(entry, 28, quint32(name.size()), 2);
        directory += entry + name.toLatin1();
    }
    QByteArray end(22, '\0');
    put(end, 0, 0x06054b50, 4);
    put(end, 10, quint32(names.size()), 2);
    put(end, 12, quint32(directory.size()), 4);
    put(end, 16, quint32(directoryAt), 4);
    return {{0, QByteArray("PK\x03\x04", 4)}, {directoryAt, directory + end}};
}

// A compound file whose one directory sector (sector 10000, 5 MiB in) lists
// `names` as streams; its allocation table's part 78 (sector 1) ends the chain.
Pieces compoundFile(const QStringList& names) {
    const quint32 directorySector = 10000;
    QByteArray header(512, '\xff');
    header.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put(header, 0x1E, 9, 2);
    put(header, 0x2C, 79, 4);
    put(header, 0x30, directorySector, 4);
    put(header, 0x48, 0, 4);
    put(header, 0x4C + 78 * 4, 1, 4);
    QByteArray table(512, '\xff');
    put(table, (directorySector % 128) * 4, 0xFFFFFFFE, 4);
    QByteArray directory(512, '\0');
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray name = QByteArray::fromRawData(
            reinterpret_cast<const char*>(names[i].utf16()), names[i].size() * 2);
        directory.replace(i * 128, name.size(), name);
        put(directory, i * 128 + 0x40, quint32(name.size() + 2), 2);
        put(directory, i * 128 + 0x42, 2, 1);
    }
    return {{0, header}, {2 * 512, table}, {(directorySector + 1) * 512, directory}};
}
}  // namespace

TEST(DocumentKind, TellsOfficeFilesByTheirDirectoryAloneWithoutReadingThemWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        Pieces file;
        const char* kind;
    } cases[] = {
        {zipArchive({"[Content_Types].xml", "word/document.xml"}), "a text document"},
        {zipArchive({"xl/workbook.xml"}), "a spreadsheet"},
        {zipArchive({"word/document.xml", "ppt/presentation.xml"}), ""},
        {compoundFile({"WordDocument", "1Table"}), "a text document"},
        {compoundFile({"Workbook"}), "a spreadsheet"},
        {compoundFile({"Workbook", "PowerPoint Document"}), ""},
    };
    int number = 0;
    for (const auto& [pieces, kind] : cases) {
        const QString path = dir.filePath(QString::number(++number));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const auto& [at, bytes] : pieces) ASSERT_TRUE(file.seek(at) && file.write(bytes));
        file.close();
        const qint64 before = bytesRead();
        EXPECT_EQ(OtherDocumentKind(QFile::encodeName(path).toStdString()), kind) << number;
        EXPECT_LT(bytesRead() - before, 128 << 10) << number;
    }
}
