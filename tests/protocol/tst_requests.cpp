// The request payloads, byte for byte, built from plain values; the refused
// arguments give nothing to send; a few whole frames with their CRC.

#include "frame.h"
#include "requests.h"

#include <QtTest>

#include <functional>

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

const std::uint8_t *bytes(const QByteArray &a) { return reinterpret_cast<const std::uint8_t *>(a.constData()); }

QByteArray ramp(int count, int from)
{
    QByteArray a(count, '\0');
    for (int i = 0; i < count; ++i)
        a[i] = char((from + i) & 0xFF);
    return a;
}

const QByteArray kName = QByteArray("Plexi").leftJustified(16, '\0');

} // namespace

Q_DECLARE_METATYPE(std::function<QByteArray()>)

class TestRequests : public QObject
{
    Q_OBJECT

private slots:
    void payloads_data();
    void payloads();
    void wholeFrames_data();
    void wholeFrames();
};

void TestRequests::payloads_data()
{
    using Build = std::function<QByteArray()>;
    QTest::addColumn<Build>("build");
    QTest::addColumn<QByteArray>("expected"); // empty: refused

    const QByteArray fxaBlock = hex("0100" "1900" "1027" "2003" "4000" "0500");  // on, type 25, four words
    const QByteArray loopBlock = hex("0100" "6400" "3200" "0000" "0100");      // on, four words, no type word
    const std::uint16_t eq[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0x100, 0x1234, 12, 13, 14, 15, 16, 17, 0xFFFF};
    const int chain[11] = {0, 1, 2, 11, 3, 4, 5, 6, 7, 8, 9};
    const bool switches[11] = {true, false, true, true, false, false, true, true, true, false, true};
    const int captureWords[6] = {0x0102, 300, 0, 65535, 7, 0x1000};

    QTest::newRow("device info") << Build([] { return Request::deviceInfo(); }) << hex("0000");
    QTest::newRow("request sync") << Build([] { return Request::requestSync(); }) << hex("1E01");
    QTest::newRow("editor attach") << Build([] { return Request::editorAttach(); }) << hex("3101");
    QTest::newRow("factory reset") << Build([] { return Request::factoryReset(); }) << hex("18");
    QTest::newRow("current ui") << Build([] { return Request::currentUi(0x0A0B0C0D); }) << hex("020D0C0B0A00");
    QTest::newRow("module FXA") << Build([fxaBlock] { return Request::moduleParams(0, bytes(fxaBlock), fxaBlock.size()); })
                                << hex("030119000010272003400005" "00");
    QTest::newRow("module FX LOOP has no type")
        << Build([loopBlock] { return Request::moduleParams(10, bytes(loopBlock), loopBlock.size()); })
        << hex("0A01000000" "6400320000000100");
    QTest::newRow("module TONE CAP code") << Build([] {
        const QByteArray b = hex("0000" "0300" "0800");
        return Request::moduleParams(11, bytes(b), b.size());
    }) << hex("0600030000" "0800");
    QTest::newRow("module out of range") << Build([fxaBlock] { return Request::moduleParams(12, bytes(fxaBlock), 12); })
                                         << QByteArray();
    QTest::newRow("module block too short") << Build([fxaBlock] { return Request::moduleParams(0, bytes(fxaBlock), 3); })
                                            << QByteArray();
    QTest::newRow("rhythm block") << Build([] { return Request::globalBlock(0x0E, bytes(ramp(12, 1)), 12); })
                                  << hex("0E") + ramp(12, 1);
    QTest::newRow("empty block") << Build([] { return Request::globalBlock(0x11, bytes(ramp(1, 0)), 0); }) << QByteArray();
    QTest::newRow("global bpm") << Build([] { return Request::globalBpm(77, 0x0050, 0x0123); }) << hex("0F4D50002301");
    QTest::newRow("chain order") << Build([chain, switches] { return Request::chainOrder(chain, switches); })
                                 << hex("10" "0001020B030405060708 09" "0100010100000101010001");
    QTest::newRow("midi first table") << Build([] { return Request::midiMapEntry(18, 5, 0x7F); }) << hex("12040 57F00");
    QTest::newRow("midi second table high") << Build([] { return Request::midiMapEntry(19, 255, 0x105); })
                                            << hex("1205FF0501");
    QTest::newRow("midi bad setting") << Build([] { return Request::midiMapEntry(17, 5, 1); }) << QByteArray();
    QTest::newRow("midi bad index") << Build([] { return Request::midiMapEntry(18, 256, 1); }) << QByteArray();
    QTest::newRow("global eq") << Build([eq] { return Request::globalEq(1, eq); })
                               << hex("1301000000" "0100020003000400050006000700080009000001341 20C000D000E000F0010001100FFFF");
    QTest::newRow("ctrl set") << Build([] { return Request::ctrlSet(2, 0x1234); }) << hex("14023412");
    QTest::newRow("exp volume") << Build([] { return Request::expVolume(bytes(ramp(10, 0xA0)), 0xBEEF, 9); })
                                << hex("16") + ramp(10, 0xA0) + hex("EFBE09");
    QTest::newRow("slot name") << Build([] { return Request::slotName(4, 9, bytes(kName)); }) << hex("1A0409") + kName;
    QTest::newRow("request data") << Build([] { return Request::requestData(5, 0, 19); }) << hex("1B050013");
    QTest::newRow("delete slot") << Build([] { return Request::deleteSlot(3, 7); }) << hex("1D0307");
    QTest::newRow("store preset") << Build([] { return Request::storePreset(254, bytes(kName)); })
                                  << hex("2000FE") + kName;
    QTest::newRow("store preset 255 refused") << Build([] { return Request::storePreset(255, bytes(kName)); })
                                              << QByteArray();
    QTest::newRow("select preset") << Build([] { return Request::selectPreset(12); }) << hex("220C");
    QTest::newRow("select preset -1 refused") << Build([] { return Request::selectPreset(-1); }) << QByteArray();
    QTest::newRow("backup mode") << Build([] { return Request::backupMode(1, 0); }) << hex("290100");
    QTest::newRow("capture A") << Build([] { return Request::captureSettingsA(0x102); }) << hex("2502");
    QTest::newRow("capture B") << Build([captureWords] { return Request::captureSettingsB(5, captureWords); })
                               << hex("26000500000201 2C010000FFFF07000010");
    QTest::newRow("capture C off") << Build([] { return Request::captureSettingsC(4, 3, 0, 9); }) << hex("2704000009");
    QTest::newRow("capture C sweep") << Build([] { return Request::captureSettingsC(4, 3, 2, 9); }) << hex("2704030109");
    QTest::newRow("preset frame") << Build([] { return Request::presetFrame(2, 42, bytes(ramp(475, 3))); })
                                  << hex("1C022A00020201") + ramp(475, 3);
    QTest::newRow("edit buffer frame") << Build([] { return Request::presetFrame(1, 255, bytes(ramp(475, 0))); })
                                       << hex("1C01FF00020201") + ramp(475, 0);
    QTest::newRow("name chunk") << Build([] { return Request::dataChunk(4, 3, 17, 0, bytes(kName), 16); })
                                << hex("1C0403100011 00") + kName;
    QTest::newRow("NR data chunk") << Build([] { return Request::dataChunk(3, 9, 5, 4, bytes(ramp(396, 7)), 396); })
                                   << hex("1C03098C010504") + ramp(396, 7);
    QTest::newRow("IR data chunk") << Build([] { return Request::dataChunk(4, 0, 17, 16, bytes(ramp(512, 1)), 512); })
                                   << hex("1C040000021110") + ramp(512, 1);
    QTest::newRow("chunk too long") << Build([] { return Request::dataChunk(4, 0, 17, 1, bytes(ramp(513, 1)), 513); })
                                    << QByteArray();
}

void TestRequests::payloads()
{
    QFETCH(std::function<QByteArray()>, build);
    QFETCH(QByteArray, expected);
    const QByteArray got = build();
    QCOMPARE(got.toHex(' '), expected.toHex(' '));
}

void TestRequests::wholeFrames_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("request sync") << Request::requestSync() << hex("AA5502001E0122CA");
    QTest::newRow("editor attach") << Request::editorAttach() << hex("AA55020031013412");
    QTest::newRow("device info") << Request::deviceInfo() << hex("AA55020000001297");
}

void TestRequests::wholeFrames()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(Frame::build(payload).toHex(' '), frame.toHex(' '));
}

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
