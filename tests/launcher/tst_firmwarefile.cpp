// Firmware files: choosing the newest, the header and section layout, and the
// checks that refuse damaged files.

#include "firmwarefile.h"
#include "samplefirmware.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Firmware;

namespace {

void putU32(QByteArray &b, int pos, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

QByteArray blocks(int n)
{
    QByteArray d;
    for (int i = 0; i < n * kBlockSize; ++i)
        d.append(static_cast<char>(i * 3 + n));
    return d;
}

} // namespace

class TestFirmwareFile : public QObject
{
    Q_OBJECT
private slots:
    void chooseNewest_data();
    void chooseNewest();
    void findNewestInFolder();
    void header();
    void sectionsFollowTheChain();
    void sectionAboveCountYieldsNothing();
    void refused_data();
    void refused();
    void totalBlockCount();
    void blockData();
    void sampleIsValid();
};

void TestFirmwareFile::chooseNewest_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("chosen");
    QTest::newRow("1.0.9 vs 1.1.0")
        << QStringList{"TOVAK_KT900_V1.0.9.tk", "TOVAK_KT900_V1.1.0.tk"} << 1;
    QTest::newRow("1.1.0 vs 1.0.9")
        << QStringList{"TOVAK_KT900_V1.1.0.tk", "TOVAK_KT900_V1.0.9.tk"} << 0;
    QTest::newRow("2.0.0 vs 1.9.9")
        << QStringList{"TOVAK_KT900_V2.0.0.tk", "TOVAK_KT900_V1.9.9.tk"} << 0;
    QTest::newRow("1.9.9 vs 2.0.0")
        << QStringList{"TOVAK_KT900_V1.9.9.tk", "TOVAK_KT900_V2.0.0.tk"} << 1;
    QTest::newRow("last digit") << QStringList{"TOVAK_KT900_V1.1.0.tk", "TOVAK_KT900_V1.1.1.tk",
                                               "TOVAK_KT900_V1.1.0.tk"} << 1;
    QTest::newRow("equal keeps the first")
        << QStringList{"TOVAK_KT900_V1.1.0.tk", "TOVAK_KT900_V1.1.0b.tk"} << 0;
    QTest::newRow("only one") << QStringList{"TOVAK_KT900_V0.0.1.tk"} << 0;
    QTest::newRow("none") << QStringList{} << -1;
    QTest::newRow("missing characters count as NUL")
        << QStringList{"TOVAK_KT900_V1", "TOVAK_KT900_V1.0.0.tk"} << 1;
    QTest::newRow("three, newest in the middle")
        << QStringList{"TOVAK_KT900_V1.0.0.tk", "TOVAK_KT900_V3.0.0.tk", "TOVAK_KT900_V2.9.9.tk"}
        << 1;
}

void TestFirmwareFile::chooseNewest()
{
    QFETCH(QStringList, names);
    QFETCH(int, chosen);
    QCOMPARE(Firmware::chooseNewest(names, 11), chosen);
}

void TestFirmwareFile::findNewestInFolder()
{
    QTemporaryDir dir;
    for (const char *name : {"TOVAK_KT900_V1.0.9.tk", "TOVAK_KT900_V1.1.0.tk", "TOVAK_KT700_V9.9.9.tk",
                             "TOVAK_KT900_V9.9.9.bin", "readme.txt"}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(findNewest(dir.path(), "TOVAK_KT900"), dir.filePath("TOVAK_KT900_V1.1.0.tk"));
    // The unit's name in another letter case still finds the files.
    QCOMPARE(findNewest(dir.path(), "tovak_kt900"), dir.filePath("TOVAK_KT900_V1.1.0.tk"));
    QCOMPARE(findNewest(dir.path(), "TOVAK_ORBIT"), QString());
    QCOMPARE(findNewest(dir.filePath("missing"), "TOVAK_KT900"), QString());
}

void TestFirmwareFile::header()
{
    ImageSpec imageLayout;
    imageLayout.applyCode = 0x21;
    imageLayout.applyAckCode = 0x22;
    imageLayout.applyWait = 0x01020304;
    imageLayout.applyArgument = 0xA1B2C3D4;
    imageLayout.sections = {SectionSpec{blocks(1), 0x31, 0x32, 700, 5}};
    const QByteArray f = build(imageLayout);
    QCOMPARE(f.left(9), QByteArray("Tovak_TAG"));
    QCOMPARE(f.mid(9, 12), QByteArray("TOVAK_KT900\0", 12));
    QCOMPARE(f.mid(41, 11), QByteArray::fromHex("21220403020101d4c3b2a1"));
    Header h;
    QCOMPARE(readHeader(f, &h), FileError::None);
    QCOMPARE(h.modelName, QByteArray("TOVAK_KT900"));
    QCOMPARE(h.applyCode, std::uint8_t(0x21));
    QCOMPARE(h.applyAckCode, std::uint8_t(0x22));
    QCOMPARE(h.applyWait, 0x01020304u);
    QCOMPARE(h.sectionCount, 1);
    QCOMPARE(h.applyArgument, 0xA1B2C3D4u);

    // A model name filling all 32 bytes has no terminator.
    QByteArray g = f;
    for (int i = 9; i < 41; ++i)
        g[i] = 'X';
    QCOMPARE(readHeader(g, &h), FileError::None);
    QCOMPARE(h.modelName, QByteArray(32, 'X'));
    // The count is a signed byte.
    g[47] = static_cast<char>(0x80);
    QCOMPARE(readHeader(g, &h), FileError::None);
    QCOMPARE(h.sectionCount, -128);
}

void TestFirmwareFile::sectionsFollowTheChain()
{
    ImageSpec imageLayout;
    imageLayout.sections = {SectionSpec{blocks(2), 0x41, 0x51, 100, 0x0102},
                     SectionSpec{blocks(1), 0x42, 0x52, 200, 0x0300},
                     SectionSpec{blocks(3), 0x43, 0x53, 300, 0xFFFD}};
    const QByteArray f = build(imageLayout);
    Image img;
    QCOMPARE(parse(f, "tovak_kt900", &img), FileError::None);
    QCOMPARE(img.sections.size(), 3);
    QCOMPARE(img.sections[0].headerOffset, 128u);
    QCOMPARE(img.sections[0].dataOffset, qint64(640));
    QCOMPARE(img.sections[1].headerOffset, 640u + 1024u);
    QCOMPARE(img.sections[1].dataOffset, qint64(640 + 1024 + 512));
    QCOMPARE(img.sections[2].firstBlock, std::uint16_t(0xFFFD)); // last block 0xFFFF fits
    QCOMPARE(img.sections[2].blockCount(), 3);
    QCOMPARE(img.sections[1].blockCode, std::uint8_t(0x42));
    QCOMPARE(img.sections[1].blockAckCode, std::uint8_t(0x52));
    QCOMPARE(img.sections[1].blockWait, 200u);
    QCOMPARE(img.totalBlocks, qint64(6));

    // Section 1's data start is fixed whatever its header says; later
    // sections are found where their headers point, not by position.
    QByteArray moved = f;
    putU32(moved, 128 + 9, 12345);
    QByteArray tail = moved.mid(img.sections[1].headerOffset);
    moved.truncate(static_cast<int>(img.sections[1].headerOffset));
    moved += QByteArray(512, '\xEE'); // a gap
    const quint32 s2 = static_cast<quint32>(moved.size());
    putU32(tail, 9, s2 + 512 + 1);   // data right after its header
    putU32(tail, 13, s2 + 512 + 512); // next header after one block
    moved += tail;
    putU32(moved, 128 + 13, s2);
    // section 3's data field: header at s2 + 1024, data after it
    putU32(moved, static_cast<int>(s2) + 1024 + 9, s2 + 1024 + 512 + 1);
    Image m;
    QCOMPARE(parse(moved, "TOVAK_KT900", &m), FileError::None);
    QCOMPARE(m.sections[0].dataOffset, qint64(640));
    QCOMPARE(m.sections[1].headerOffset, s2);
    QCOMPARE(Firmware::blockData(moved, m.sections[1], 0), imageLayout.sections[1].data);
}

void TestFirmwareFile::sectionAboveCountYieldsNothing()
{
    ImageSpec imageLayout;
    imageLayout.sections = {SectionSpec{blocks(1), 1, 2, 3, 4}, SectionSpec{blocks(1), 1, 2, 3, 4}};
    const QByteArray f = build(imageLayout);
    Header h;
    QCOMPARE(readHeader(f, &h), FileError::None);
    Section s;
    QVERIFY(readSection(f, h, 2, &s));
    QVERIFY(!readSection(f, h, 3, &s));
    QVERIFY(!readSection(f, h, 0, &s));
}

void TestFirmwareFile::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("error");
    ImageSpec imageLayout;
    imageLayout.sections = {SectionSpec{blocks(2), 1, 2, 3, 0x10}, SectionSpec{blocks(1), 1, 2, 3, 0x20}};
    const QByteArray g = build(imageLayout);
    const int s2 = 640 + 1024;

    QTest::newRow("good") << g << int(FileError::None);
    QTest::newRow("empty") << QByteArray() << int(FileError::BadTag);
    QTest::newRow("wrong tag") << QByteArray("Tovak_TAX").append(g.mid(9)) << int(FileError::BadTag);
    QTest::newRow("tag letter case") << QByteArray("TOVAK_TAG").append(g.mid(9)) << int(FileError::BadTag);
    QTest::newRow("127 bytes") << g.left(127) << int(FileError::TooShort);
    QTest::newRow("128 bytes") << g.left(128) << int(FileError::SectionOutOfFile);
    QTest::newRow("639 bytes") << g.left(639) << int(FileError::SectionOutOfFile);
    QByteArray f = g;
    f[47] = 0;
    QTest::newRow("count 0") << f << int(FileError::BadSectionCount);
    f[47] = static_cast<char>(0xFF);
    QTest::newRow("count -1") << f << int(FileError::BadSectionCount);
    f = g;
    putU32(f, 128 + 13, 0xFFFFFFFF);
    QTest::newRow("next offset 4 GiB") << f << int(FileError::SectionOutOfFile);
    f = g;
    putU32(f, s2 + 17, 0x80000000);
    QTest::newRow("length 2 GiB") << f << int(FileError::SectionOutOfFile);
    f = g;
    putU32(f, s2 + 9, static_cast<quint32>(g.size()));
    QTest::newRow("data starts at the last byte") << f << int(FileError::SectionOutOfFile);
    f = g;
    putU32(f, 128 + 17, 513);
    QTest::newRow("513 bytes") << f << int(FileError::PartialBlock);
    f = g;
    putU32(f, 128 + 17, 511);
    QTest::newRow("511 bytes") << f << int(FileError::PartialBlock);
    f = g;
    f[s2 + 27] = static_cast<char>(0xFF);
    f[s2 + 28] = static_cast<char>(0xFF);
    QTest::newRow("one block at 0xFFFF") << f << int(FileError::None);
    f = g;
    f[128 + 27] = static_cast<char>(0xFF);
    f[128 + 28] = static_cast<char>(0xFF);
    QTest::newRow("two blocks from 0xFFFF") << f << int(FileError::BlockNumberOverflow);
    f = g;
    putU32(f, 43, 4294967272u);
    QTest::newRow("apply wait of 49 days") << f << int(FileError::WaitTooLong);
    f = g;
    putU32(f, 43, 60000);
    QTest::newRow("apply wait of 60 s") << f << int(FileError::None);
    f = g;
    putU32(f, s2 + 23, 60001);
    QTest::newRow("block wait just past 60 s") << f << int(FileError::WaitTooLong);
    {
        ImageSpec e;
        e.sections = {SectionSpec{QByteArray(), 1, 2, 3, 4}};
        QTest::newRow("no blocks at all") << build(e) << int(FileError::NoBlocks);
    }
    {
        ImageSpec e = imageLayout;
        e.modelName = "TOVAK_ORBIT";
        QTest::newRow("other model") << build(e) << int(FileError::WrongModel);
        e.modelName = "TOVAK_KT9000";
        QTest::newRow("longer name") << build(e) << int(FileError::WrongModel);
    }
}

void TestFirmwareFile::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(int, error);
    Image img;
    QCOMPARE(int(parse(file, "TOVAK_KT900", &img)), error);
    if (error == int(FileError::None)) {
        // Every block of every section lies inside the file.
        for (const Section &s : img.sections)
            QVERIFY(s.dataOffset + s.dataLength <= file.size());
    }
}

void TestFirmwareFile::totalBlockCount()
{
    QCOMPARE(Firmware::totalBlockCount(128 + 512 + 1024 + 512 + 1536, 2), qint64(5));
    QCOMPARE(Firmware::totalBlockCount(640, 1), qint64(0));
    QCOMPARE(Firmware::totalBlockCount(640 + 700, 1), qint64(1));
}

void TestFirmwareFile::blockData()
{
    ImageSpec imageLayout;
    imageLayout.sections = {SectionSpec{blocks(2), 1, 2, 3, 4}};
    const QByteArray f = build(imageLayout);
    Image img;
    QCOMPARE(parse(f, "TOVAK_KT900", &img), FileError::None);
    QCOMPARE(Firmware::blockData(f, img.sections[0], 1), imageLayout.sections[0].data.mid(512));
    QCOMPARE(Firmware::blockData(f, img.sections[0], 2), QByteArray(512, '\0'));
    QCOMPARE(Firmware::blockData(f, img.sections[0], -1), QByteArray(512, '\0'));
}

void TestFirmwareFile::sampleIsValid()
{
    const QByteArray f = sampleImage();
    Image img;
    QCOMPARE(parse(f, "TOVAK_KT900", &img), FileError::None);
    QVERIFY(img.sections.size() >= 2);
    qint64 blocksInSections = 0;
    for (const Section &s : img.sections)
        blocksInSections += s.blockCount();
    // Progress reaches 100 exactly at the last block.
    QCOMPARE(img.totalBlocks, blocksInSections);
    QVERIFY(QByteArray(Firmware::blockData(f, img.sections[0], 0)).contains("SYNTHETIC"));
    QCOMPARE(QByteArray(kSampleFileName), QByteArray("TOVAK_KT900_V9.9.9.tk"));
    QCOMPARE(Firmware::chooseNewest(QStringList{"TOVAK_KT900_V1.1.0.tk", kSampleFileName, "TOVAK_KT900_V9.9.8.tk"}, 11), 1);
}

QTEST_GUILESS_MAIN(TestFirmwareFile)
#include "tst_firmwarefile.moc"
