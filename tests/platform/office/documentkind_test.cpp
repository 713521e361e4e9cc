#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/office/containernames.h"
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

QString written(const QTemporaryDir& dir, const Pieces& pieces) {
    const QString path = dir.filePath(QString::number(QDir(dir.path()).count()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    for (const auto& [at, bytes] : pieces)
        if (!file.seek(at) || file.write(bytes) != bytes.size()) return {};
    return path;
}

// `pieces` with `bytes` put at `at`.
Pieces with(Pieces pieces, qint64 at, quint32 value, int size) {
    QByteArray bytes(size, '\0');
    put(bytes, 0, value, size);
    pieces << std::pair{at, bytes};
    return pieces;
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
    // Without the kernel's read counters the kinds are still checked, the reads not.
    const bool counted = bytesRead() >= 0;
    int number = 0;
    for (const auto& [pieces, kind] : cases) {
        const QString path = written(dir, pieces);
        ASSERT_FALSE(path.isEmpty());
        const qint64 before = bytesRead();
        EXPECT_EQ(OtherDocumentKind(QFile::encodeName(path).toStdString()), kind) << ++number;
        if (counted) {
            EXPECT_LT(bytesRead() - before, 128 << 10) << number;
        }
    }
    if (!counted) GTEST_SKIP() << "/proc/self/io is unreadable: bytes read are not counted";
}

// Directories that point past the file, loop, or promise more than they hold
// are refused as a whole, never followed.
TEST(DocumentKind, RefusesContainerDirectoriesThatLie) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Pieces zip = zipArchive({"ppt/presentation.xml"});
    const qint64 zipEnd = (8 << 20) + 46 + 20;  // where the end record starts
    // ZIP64: the end record defers to a record the locator before it points at.
    const auto zip64 = [&](quint64 recordAt, quint64 directorySize) {
        QByteArray tail(56 + 20 + 22, '\0');
        put(tail, 0, 0x06064b50, 4);
        put(tail, 32, 1, 4);
        put(tail, 40, quint32(directorySize), 4);
        put(tail, 44, quint32(directorySize >> 32), 4);
        put(tail, 48, 8 << 20, 4);
        put(tail, 56, 0x07064b50, 4);
        put(tail, 64, quint32(recordAt), 4);
        put(tail, 68, quint32(recordAt >> 32), 4);
        put(tail, 76, 0x06054b50, 4);
        put(tail, 86, 0xFFFF, 2);
        for (int at : {88, 92}) put(tail, at, 0xFFFFFFFF, 4);
        return Pieces{{0, "PK\x03\x04"}, {8 << 20, zip[1].second.left(66)}, {zipEnd, tail}};
    };
    const Pieces compound = compoundFile({"PowerPoint Document"});
    const qint64 directoryAt = 10001 * 512;
    const struct {
        const char* lie;
        Pieces file;
        bool zip;
        std::vector<std::string> names;
    } cases[] = {
        {"well formed", zip, true, {"ppt/presentation.xml"}},
        {"more entries than the directory holds", with(zip, zipEnd + 10, 2, 2), true, {}},
        {"directory past the end", with(zip, zipEnd + 16, 9 << 20, 4), true, {}},
        {"directory longer than the file", with(zip, zipEnd + 12, 1 << 20, 4), true, {}},
        {"name past the directory", with(zip, (8 << 20) + 28, 500, 2), true, {}},
        {"ZIP64 well formed", zip64(zipEnd, 66), true, {"ppt/presentation.xml"}},
        {"ZIP64 record past the end", zip64(1ULL << 40, 66), true, {}},
        {"ZIP64 record inside the end record", zip64(zipEnd + 56 + 2, 66), true, {}},
        {"ZIP64 directory of 2^40 bytes", zip64(zipEnd, 1ULL << 40), true, {}},
        {"ZIP64 without its locator", with(zip64(zipEnd, 66), zipEnd + 56, 0, 4), true, {}},
        {"well formed", compound, false, {"PowerPoint Document"}},
        {"directory chain looping on itself",
         with(compound, 1024 + 10000 % 128 * 4, 10000, 4),
         false,
         {}},
        {"directory sector past the end", with(compound, 0x30, 20000, 4), false, {}},
        {"allocation table parts fewer than used", with(compound, 0x2C, 78, 4), false, {}},
        {"allocation table past the end", with(compound, 0x4C + 78 * 4, 90000, 4), false, {}},
        {"sector size neither 512 nor 4096", with(compound, 0x1E, 10, 2), false, {}},
        {"entry names longer than their field",
         with(compound, directoryAt + 0x40, 900, 2),
         false,
         {"PowerPoint Document"}},
    };
    for (const auto& [lie, pieces, isZip, names] : cases) {
        SCOPED_TRACE(lie);
        const QString path = written(dir, pieces);
        ASSERT_FALSE(path.isEmpty());
        const std::optional<FileHead> head = OpenFileHead(QFile::encodeName(path).toStdString());
        ASSERT_TRUE(head);
        const auto read = isZip ? ZipEntryNames(head->file.get(), head->size)
                                : CompoundFileNames(head->file.get(), head->size);
        EXPECT_EQ(read.value_or(std::vector<std::string>{}), names);
        EXPECT_EQ(read.has_value(), !names.empty());
    }
}

// The allocation table's parts past the header's 109 come from a chain of list
// sectors; a chain that ends early or loops is refused.
TEST(DocumentKind, FollowsTheAllocationTableListPastTheHeader) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The directory at sector 30300 is covered by table part 236: the first
    // word of list sector 3, reached from list sector 2 through its last word.
    const quint32 directorySector = 30300;
    const auto header = [&](quint32 parts, quint32 listSectors) {
        Pieces p = with(compoundFile({"Workbook"}), 0x2C, parts, 4);
        p = with(p, 0x30, directorySector, 4);
        p = with(p, 0x44, 2, 4);
        return with(p, 0x48, listSectors, 4);
    };
    QByteArray first(512, '\xff'), second(512, '\xff'), table(512, '\xff');
    put(first, 127 * 4, 3, 4);
    put(second, 0, 4, 4);
    put(table, (directorySector % 128) * 4, 0xFFFFFFFE, 4);
    const Pieces lists{{3 * 512, first}, {4 * 512, second}, {5 * 512, table}};
    const QByteArray directory = compoundFile({"Workbook"})[2].second;
    const qint64 directoryAt = (directorySector + 1) * 512;
    const struct {
        const char* chain;
        quint32 parts, lists;
        qint64 loopAt;  // where sector 3's link is bent back to sector 2; 0: not
        bool read;
    } cases[] = {
        {"two list sectors", 237, 2, 0, true},
        {"fewer list sectors than the parts need", 237, 1, 0, false},
        {"fewer parts than the sectors need", 236, 2, 0, false},
        {"a list chain that loops", 237, 2, 3 * 512 + 127 * 4, false},
    };
    for (const auto& [chain, parts, listCount, loopAt, read] : cases) {
        SCOPED_TRACE(chain);
        Pieces pieces = header(parts, listCount) + lists;
        pieces << std::pair{directoryAt, directory};
        if (loopAt) pieces = with(pieces, loopAt, 2, 4);
        const QString path = written(dir, pieces);
        ASSERT_FALSE(path.isEmpty());
        const std::optional<FileHead> head = OpenFileHead(QFile::encodeName(path).toStdString());
        ASSERT_TRUE(head);
        const auto names = CompoundFileNames(head->file.get(), head->size);
        EXPECT_EQ(names.has_value(), read);
        if (read) {
            EXPECT_EQ(*names, std::vector<std::string>{"Workbook"});
        }
    }
}
