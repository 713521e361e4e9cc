#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
#include "../video/support/dibbuilder.h"
#include "util/failure.h"
#include "video/cdib.h"

namespace {
class CDibTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QString bmp(const QString& name, const QByteArray& bytes) const {
        writeFile(path(name), bytes);
        return path(name);
    }
    static QByteArray pixels(const cDIB& dib) {
        return QByteArray(reinterpret_cast<const char*>(dib.PointerToBits()), dib.SizeImage());
    }
    static QByteArray info(const cDIB& dib) {
        return QByteArray(reinterpret_cast<const char*>(dib.PointerToBitmapInfo()),
                          dib.SizeBitmapInfo());
    }
    QTemporaryDir dir;
    ScriptedPrompts prompts;
};

void put32(QByteArray& bytes, int at, quint32 value) {
    qToLittleEndian<quint32>(value, reinterpret_cast<uchar*>(bytes.data()) + at);
}

QString unsupported(const QString& path) {
    return QStringLiteral("File is not a supported bitmap format:\r\n") + path;
}
}  // namespace

TEST_F(CDibTest, LoadsA24BitFileWithEveryHeaderField) {
    const Dib dib24 = MakeDib(TestPattern(13, 7, 1), 24);
    QByteArray file = MakeBmpFile(dib24);
    put32(file, 38, 2835);  // XPPM
    put32(file, 42, 2836);  // YPPM
    const QString name = bmp(QStringLiteral("a.bmp"), file);
    cDIB dib(prompts);
    ASSERT_TRUE(dib.CreateFromFile(name));
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.SizeFileHeader(), file.size());
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.SizeInfoHeader(), 40);
    EXPECT_EQ(dib.Width(), 13);
    EXPECT_EQ(dib.Height(), 7);
    EXPECT_EQ(dib.Planes(), 1);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.Compression(), 0);
    EXPECT_EQ(dib.SizeImage(), 40 * 7);
    EXPECT_EQ(dib.XPPM(), 2835);
    EXPECT_EQ(dib.YPPM(), 2836);
    EXPECT_EQ(dib.ClrUsed(), 0);
    EXPECT_EQ(dib.ClrImportant(), 0);
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
    EXPECT_EQ(pixels(dib), dib24.bits);
    EXPECT_EQ(info(dib), file.mid(14, 40));

    // Written back, the same bytes; over a longer file, nothing of it stays.
    const QString copy = bmp(QStringLiteral("copy.bmp"), QByteArray(5000, 'x'));
    EXPECT_TRUE(dib.WriteToFile(copy));
    EXPECT_EQ(readFile(copy), file);
}

TEST_F(CDibTest, KeepsAColourTableAndATopDownHeightAsTheyAre) {
    QImage grey(8, 4, QImage::Format_Indexed8);
    grey.setColorCount(256);
    for (int i = 0; i < 256; ++i) grey.setColor(i, qRgb(i, i, 255 - i));
    grey.fill(7);
    const Dib dib8 = MakeDib(grey, 8, true);
    const QString name = bmp(QStringLiteral("p.bmp"), MakeBmpFile(dib8));
    cDIB dib(prompts);
    ASSERT_TRUE(dib.CreateFromFile(name));
    EXPECT_EQ(dib.BitOffset(), 1078);
    EXPECT_EQ(dib.SizeBitmapInfo(), 1064);
    EXPECT_EQ(dib.Height(), -4);
    EXPECT_EQ(info(dib), dib8.info);
    EXPECT_EQ(pixels(dib), dib8.bits);
}

TEST_F(CDibTest, RefusesWhatIsMissingAFolderAndNonBitmapsWithTheirMessages) {
    cDIB dib(prompts);
    const QString good =
        bmp(QStringLiteral("good.bmp"), MakeBmpFile(MakeDib(TestPattern(4, 4, 0), 24)));
    ASSERT_TRUE(dib.CreateFromFile(good));
    const QByteArray before = pixels(dib);

    const QString missing = path(QStringLiteral("missing.bmp"));
    EXPECT_FALSE(dib.CreateFromFile(missing));
    QByteArray notBm = MakeBmpFile(MakeDib(TestPattern(4, 4, 5), 24));
    notBm[0] = 'P';
    const QString png = bmp(QStringLiteral("fake.bmp"), notBm);
    EXPECT_FALSE(dib.CreateFromFile(png));
    EXPECT_FALSE(dib.CreateFromFile(dir.path()));

    ASSERT_EQ(prompts.shown.size(), 3);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("File does not exist:\r\n") + missing);
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(prompts.shown[1].text, unsupported(png));
    EXPECT_EQ(prompts.shown[1].icon, Prompts::Icon::Information);
    EXPECT_EQ(prompts.shown[2].text, QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_EQ(prompts.shown[2].icon, Prompts::Icon::Information);
    for (const auto& shown : prompts.shown)
        EXPECT_TRUE(shown.title.isEmpty());  // application title

    // A refused load leaves the previous bitmap whole, its file header too.
    EXPECT_EQ(pixels(dib), before);
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.Width(), 4);
}

TEST_F(CDibTest, ALockedFileIsReportedAsLocked) {
    const QString name =
        bmp(QStringLiteral("locked.bmp"), MakeBmpFile(MakeDib(TestPattern(4, 4, 0), 24)));
    ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    if (!nobodyCanReach(name)) GTEST_SKIP() << "nobody cannot reach " << name.toStdString();
    const QByteArray shown = runWithoutPrivileges([&] {
        cDIB dib(prompts);
        const bool loaded = dib.CreateFromFile(name);
        QString seen = loaded ? QStringLiteral("loaded") : QString();
        for (const auto& each : prompts.shown)
            seen += each.text + (each.icon == Prompts::Icon::Critical ? " (critical)" : "");
        return seen.toUtf8();
    });
    EXPECT_EQ(QString::fromUtf8(shown),
              QStringLiteral("File is locked - cannot access:\r\n") + name + " (critical)");
}

TEST_F(CDibTest, HeadersThatPointOutsideTheFileAreRefusedNotFollowed) {
    const QByteArray good = MakeBmpFile(MakeDib(TestPattern(10, 10, 2), 24));  // 54 + 320 bytes
    struct Hostile {
        const char* what;
        QByteArray bytes;
    };
    QList<Hostile> cases;
    cases.append({"truncated pixels", good.left(good.size() - 1)});
    cases.append({"only a file header", good.left(14)});
    cases.append({"half an info header", good.left(30)});
    QByteArray lowOffset = good;
    put32(lowOffset, 10, 20);
    cases.append({"bits offset inside the headers", lowOffset});
    QByteArray farOffset = good;
    put32(farOffset, 10, 100000);
    cases.append({"bits offset past the end", farOffset});
    // Compressed, so the field (not the rows) gives the pixel block's length.
    QByteArray hugeImage = good;
    put32(hugeImage, 30, 1);
    put32(hugeImage, 34, 0xFFFFFFF0u);
    cases.append({"image size past the end", hugeImage});
    QByteArray hugeWidth = good;
    put32(hugeWidth, 34, 0);
    put32(hugeWidth, 18, 0x7FFFFFFF);
    cases.append({"computed size past the end", hugeWidth});
    QByteArray rleNoSize = good;
    put32(rleNoSize, 30, 1);
    put32(rleNoSize, 34, 0);
    cases.append({"compressed without a size", rleNoSize});
    QByteArray negativeWidth = good;
    put32(negativeWidth, 34, 0);
    put32(negativeWidth, 18, quint32(-10));
    cases.append({"negative width without a size", negativeWidth});
    // 70 bytes whose rows would take more than 64 bits to count.
    QByteArray hugeRows = good.left(70);
    put32(hugeRows, 34, 0);
    put32(hugeRows, 18, 0x7FFFFFFF);
    put32(hugeRows, 22, 0x7FFFFFFF);
    hugeRows[28] = char(0xFF);
    hugeRows[29] = char(0xFF);
    cases.append({"row count overflowing the size", hugeRows});
    QByteArray coreHeader = good;
    put32(coreHeader, 14, 12);
    cases.append({"info header shorter than 40 bytes", coreHeader});
    QByteArray table = good;
    put32(table, 46, 200);
    cases.append({"colour table past the bits offset", table});

    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts quiet;
        cDIB dib(quiet);
        const QString name = bmp(QStringLiteral("hostile.bmp"), c.bytes);
        EXPECT_FALSE(dib.CreateFromFile(name));
        EXPECT_EQ(quiet.messages(), QStringList{unsupported(name)});
        EXPECT_EQ(dib.Width(), 0);
        EXPECT_THROW(dib.PointerToBits(), Failure);
    }
}

TEST_F(CDibTest, AnImageSizeOfZeroOnAnUncompressedBitmapIsComputed) {
    const Dib dib24 = MakeDib(TestPattern(5, 3, 2), 24);
    QByteArray file = MakeBmpFile(dib24);
    put32(file, 34, 0);
    cDIB dib(prompts);
    ASSERT_TRUE(dib.CreateFromFile(bmp(QStringLiteral("z.bmp"), file)));
    EXPECT_EQ(dib.SizeImage(), 16 * 3);
    EXPECT_EQ(pixels(dib), dib24.bits);
    // The info block tells the same size as the property.
    EXPECT_EQ(qFromLittleEndian<quint32>(info(dib).constData() + 20), 48u);
}

TEST_F(CDibTest, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
    const QString name = path(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    cDIB dib(prompts);
    EXPECT_FALSE(dib.CreateFromFile(name));
    EXPECT_EQ(prompts.messages(), QStringList{unsupported(name)});
}

TEST_F(CDibTest, BeforeAnythingIsLoadedFieldsAreZeroAndTheBlocksDoNotExist) {
    cDIB dib(prompts);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.FileType(), 0);
    EXPECT_EQ(dib.SizeFileHeader(), 0);
    try {
        dib.PointerToBits();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), QStringLiteral("Subscript out of range"));
    }
    EXPECT_THROW(dib.PointerToBitmapInfo(), Failure);
    EXPECT_THROW(dib.SizeBitmapInfo(), Failure);
}

TEST_F(CDibTest, BuildsFromAPackedBitmapOfSixteenBitsOrMore) {
    const Dib dib24 = MakeDib(TestPattern(6, 2, 3), 24);
    QByteArray packed = dib24.info + dib24.bits;
    cDIB dib(prompts);
    quintptr address = reinterpret_cast<quintptr>(packed.constData());
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(address, packed.size()));
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.SizeFileHeader(), 54 + dib24.bits.size());
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
    EXPECT_EQ(pixels(dib), dib24.bits);
    const QString out = path(QStringLiteral("packed.bmp"));
    EXPECT_TRUE(dib.WriteToFile(out));
    EXPECT_EQ(readFile(out), MakeBmpFile(dib24));

    // Colour masks sit between header and pixels; they are part of the info block.
    const Dib dib32 = MakeDib(TestPattern(3, 2, 4), 32);
    QByteArray masks(12, '\0');
    put32(masks, 0, 0xFF0000);
    put32(masks, 4, 0x00FF00);
    put32(masks, 8, 0x0000FF);
    QByteArray fields = dib32.info;
    put32(fields, 16, 3);  // BI_BITFIELDS
    QByteArray packedFields = fields + masks + dib32.bits;
    address = reinterpret_cast<quintptr>(packedFields.constData());
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(address, packedFields.size()));
    EXPECT_EQ(dib.BitOffset(), 66);
    EXPECT_EQ(dib.SizeBitmapInfo(), 52);
    EXPECT_EQ(pixels(dib), dib32.bits);

    // Under 16 bits, or no image size: refused silently, contents kept.
    for (int bits : {8, 15}) {
        QByteArray low = packed;
        low[14] = char(bits);
        address = reinterpret_cast<quintptr>(low.constData());
        EXPECT_FALSE(dib.CreateFromPackedDIBPointer(address, low.size()));
    }
    QByteArray empty = packed;
    put32(empty, 20, 0);
    address = reinterpret_cast<quintptr>(empty.constData());
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(address, empty.size()));
    // A block shorter than its header, or than the pixels the header claims.
    address = reinterpret_cast<quintptr>(packedFields.constData());
    for (qint64 size : {qint64(16), packedFields.size() - 1, qint64(-1)})
        EXPECT_FALSE(dib.CreateFromPackedDIBPointer(address, size));
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(dib.BitCount(), 32);
}

TEST_F(CDibTest, WriteToFileReportsAFailedWrite) {
    cDIB dib(prompts);
    ASSERT_TRUE(dib.CreateFromFile(
        bmp(QStringLiteral("w.bmp"), MakeBmpFile(MakeDib(TestPattern(4, 4, 0), 24)))));
    EXPECT_FALSE(dib.WriteToFile(path(QStringLiteral("no/such/folder.bmp"))));
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "/dev/full is missing: a full disk is not tried";
    EXPECT_FALSE(dib.WriteToFile(QStringLiteral("/dev/full")));
}
