// CRC, frame building and the reassembly of frames from 64-byte reports.

#include "frame.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// A full 64-byte report: count byte (63, not used by the reassembler), then
// the given stream bytes, zero padding after them.
QByteArray report(const QByteArray &stream)
{
    QByteArray r(64, '\0');
    r[0] = static_cast<char>(qMin(stream.size(), 63));
    r.replace(1, stream.size(), stream);
    return r.left(64);
}

struct Collector {
    QList<QByteArray> frames;
    Frame::Reassembler reassembler{[this](const std::uint8_t *f, std::size_t len) {
        frames.append(QByteArray(reinterpret_cast<const char *>(f), static_cast<int>(len)));
    }};
    void feed(const QByteArray &r)
    {
        reassembler.feedReport(reinterpret_cast<const std::uint8_t *>(r.constData()), r.size());
    }
};

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void build_data();
    void build();
    void isValid_data();
    void isValid();
    void reassembly_data();
    void reassembly();
    void frameOverThreeReports();
    void lastByteAaStays();
    void incompleteFrameKeepsLeadingBytes();
    void shortReads();
};

void TestFrame::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0xCE3C;
    QTest::newRow("info request") << hex("02000000") << 0x1297;
    QTest::newRow("length 3, 84 00 00") << hex("0300840000") << 0xF6B7;
    QTest::newRow("nothing") << QByteArray() << 0xFFFF;
}

void TestFrame::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    QCOMPARE(int(Frame::crc16(reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size()))), crc);
}

void TestFrame::build_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("info request") << hex("0000") << hex("aa550200000012 97");
    QTest::newRow("84 00 00") << hex("840000") << hex("aa5503008400 00f6b7");
    QTest::newRow("empty payload refused") << QByteArray() << QByteArray();
}

void TestFrame::build()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(Frame::build(payload), frame);
    if (!payload.isEmpty()) {
        std::uint8_t out[64] = {};
        const std::size_t n = Frame::build(out, reinterpret_cast<const std::uint8_t *>(payload.constData()),
                                           static_cast<std::uint16_t>(payload.size()));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), int(n)), frame);
    }
    // A long payload: the length is little-endian.
    const QByteArray big = Frame::build(QByteArray(513, '\x24'));
    QCOMPARE(big.size(), 519);
    QCOMPARE(big.mid(2, 2), hex("0102"));
}

void TestFrame::isValid_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("valid");
    QTest::newRow("good") << hex("aa55020000001297") << true;
    QTest::newRow("crc flipped") << hex("aa55020000001298") << false;
    QTest::newRow("crc swapped") << hex("aa55020000009712") << false;
    QTest::newRow("bad header") << hex("ab55020000001297") << false;
    QTest::newRow("too short") << hex("aa550200") << false;
    QTest::newRow("trailing byte") << hex("aa5502000000129700") << false;
}

void TestFrame::isValid()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, valid);
    QCOMPARE(Frame::isValid(reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size())), valid);
}

void TestFrame::reassembly_data()
{
    const QByteArray a = Frame::build(hex("2205"));          // SelectPreset 5
    const QByteArray b = Frame::build(hex("1f00"));          // SyncDone
    const QByteArray c = Frame::build(hex("0203000000 00")); // CurrentUi 3
    QByteArray badCrc = a;
    badCrc[badCrc.size() - 1] = static_cast<char>(badCrc.at(badCrc.size() - 1) ^ 0x01);

    QTest::addColumn<QList<QByteArray>>("reports");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QByteArray>("pending");

    QTest::newRow("two frames in one report") << QList<QByteArray>{report(a + b)} << QList<QByteArray>{a, b}
                                              << QByteArray();
    QTest::newRow("bad crc then good frame") << QList<QByteArray>{report(badCrc + c)} << QList<QByteArray>{c}
                                             << QByteArray();
    QTest::newRow("garbage and padding") << QList<QByteArray>{report(hex("0102aa03aa") + a + hex("5555")), report(b)}
                                         << QList<QByteArray>{a, b} << QByteArray();
    QTest::newRow("aa aa 55") << QList<QByteArray>{report(hex("aa") + a)} << QList<QByteArray>{a} << QByteArray();
    QTest::newRow("no header byte at all") << QList<QByteArray>{report(hex("01020355"))} << QList<QByteArray>{}
                                           << QByteArray();
    // A false header whose length swallows a real frame: once the false frame
    // is complete its CRC fails, only its first byte goes, and the real frame
    // inside it is found.
    QTest::newRow("real frame inside a false one")
        << QList<QByteArray>{report(hex("aa550a00") + a + hex("0102")), report(QByteArray(8, '\0'))}
        << QList<QByteArray>{a} << QByteArray();
    // A frame with no payload at all is still a frame at this level (the
    // dispatch ignores it: it has no command code).
    QByteArray empty = hex("aa550000");
    const std::uint16_t crc = Frame::crc16(reinterpret_cast<const std::uint8_t *>(empty.constData()) + 2, 2);
    empty.append(static_cast<char>(crc >> 8)).append(static_cast<char>(crc & 0xFF));
    QTest::newRow("empty payload frame") << QList<QByteArray>{report(empty + a)} << QList<QByteArray>{empty, a}
                                         << QByteArray();
}

void TestFrame::reassembly()
{
    QFETCH(QList<QByteArray>, reports);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QByteArray, pending);
    Collector c;
    for (const QByteArray &r : reports)
        c.feed(r);
    QCOMPARE(c.frames, frames);
    QCOMPARE(c.reassembler.pending(), pending);
}

void TestFrame::frameOverThreeReports()
{
    const QByteArray f = Frame::build(QByteArray(150, '\x11'));  // 156 bytes: 63 + 63 + 30
    Collector c;
    c.feed(report(f.mid(0, 63)));
    QCOMPARE(c.frames.size(), 0);
    c.feed(report(f.mid(63, 63)));
    QCOMPARE(c.frames.size(), 0);
    QCOMPARE(c.reassembler.pending().size(), 126);
    c.feed(report(f.mid(126)));
    QCOMPARE(c.frames, QList<QByteArray>{f});
    QVERIFY(c.reassembler.pending().isEmpty()); // the padding had no header byte
}

void TestFrame::lastByteAaStays()
{
    const QByteArray f = Frame::build(hex("2207"));
    Collector c;
    // 62 garbage bytes and the frame's AA as the report's last byte.
    c.reassembler.feedBytes(reinterpret_cast<const std::uint8_t *>(QByteArray(62, '\x01').constData()), 62);
    c.reassembler.feedBytes(reinterpret_cast<const std::uint8_t *>(f.constData()), 1);
    QCOMPARE(c.reassembler.pending(), hex("aa"));
    QCOMPARE(c.frames.size(), 0);
    const QByteArray rest = f.mid(1);
    c.reassembler.feedBytes(reinterpret_cast<const std::uint8_t *>(rest.constData()), std::size_t(rest.size()));
    QCOMPARE(c.frames, QList<QByteArray>{f});
}

void TestFrame::incompleteFrameKeepsLeadingBytes()
{
    const QByteArray f = Frame::build(QByteArray(100, '\x22'));
    Collector c;
    const QByteArray first = hex("01aa02aa") + f.left(40);
    c.reassembler.feedBytes(reinterpret_cast<const std::uint8_t *>(first.constData()), std::size_t(first.size()));
    QCOMPARE(c.frames.size(), 0);
    // The bytes before the header (a lone 0xAA among them) stay until the
    // frame is complete.
    QCOMPARE(c.reassembler.pending(), first);
    const QByteArray rest = f.mid(40) + hex("aa");
    c.reassembler.feedBytes(reinterpret_cast<const std::uint8_t *>(rest.constData()), std::size_t(rest.size()));
    QCOMPARE(c.frames, QList<QByteArray>{f});
    QCOMPARE(c.reassembler.pending(), hex("aa"));
}

void TestFrame::shortReads()
{
    const QByteArray f = Frame::build(hex("2201"));
    Collector c;
    const QByteArray one = report(f).left(1);
    c.feed(one);                      // one byte: the count only
    QVERIFY(c.reassembler.pending().isEmpty());
    c.feed(QByteArray());
    QVERIFY(c.reassembler.pending().isEmpty());
    // A read of m bytes appends bytes 1 .. m-1: here exactly the frame.
    c.feed(report(f).left(1 + f.size()));
    QCOMPARE(c.frames, QList<QByteArray>{f});
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
