// The device info reply parsed into its record, including replies cut short,
// and the rule deciding which unit the editor works with.

#include "frame.h"
#include "identity.h"

#include <QtTest>

namespace {

// A reply payload: reply code, then the fields at their offsets.
QByteArray replyPayload(const QByteArray &name, const QByteArray &version, char mode)
{
    QByteArray payload(55, '\0');
    payload[0] = 0x01;
    payload.replace(1, name.size(), name);
    payload.replace(33, 6, "INFO-1");
    payload.replace(40, version.size(), version);
    payload.replace(47, 6, "INFO-3");
    payload[54] = mode;
    return payload;
}

Identity::DeviceInfo parse(const QByteArray &payload, int len)
{
    return Identity::parseDeviceInfo(reinterpret_cast<const std::uint8_t *>(payload.constData()), len);
}

} // namespace

class TestIdentity : public QObject
{
    Q_OBJECT

private slots:
    void fullReply();
    void shortReplies_data();
    void shortReplies();
    void textsStopAtTheirFieldEnd();
    void versionRule_data();
    void versionRule();
    void modelNamesIgnoreCase();
    void infoRequestFrame();
    void deviceTypeTable_data();
    void deviceTypeTable();
};

void TestIdentity::fullReply()
{
    const QByteArray payload = replyPayload("TOVAK_KT900", "V1.1.0", 'A');
    const Identity::DeviceInfo info = parse(payload, payload.size());
    QVERIFY(info.valid);
    QCOMPARE(info.modelName, QByteArray("TOVAK_KT900"));
    QCOMPARE(info.info1, QByteArray("INFO-1"));
    QCOMPARE(info.firmwareVersion, QByteArray("V1.1.0"));
    QCOMPARE(info.info3, QByteArray("INFO-3"));
    QCOMPARE(info.mode, 'A');
    // As it arrives in a 64-byte report: the payload follows AA 55 and the length.
    const QByteArray frame = Frame::build(payload);
    const Identity::DeviceInfo fromFrame = parse(frame.mid(4), 64 - 5);
    QCOMPARE(fromFrame.modelName, info.modelName);
    QCOMPARE(fromFrame.mode, 'A');
}

void TestIdentity::shortReplies_data()
{
    QTest::addColumn<int>("len");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<char>("mode");
    QTest::newRow("nothing") << 0 << false << QByteArray() << QByteArray() << '\0';
    QTest::newRow("reply code only") << 1 << false << QByteArray() << QByteArray() << '\0';
    QTest::newRow("name cut") << 6 << true << QByteArray("TOVAK") << QByteArray() << '\0';
    QTest::newRow("version cut") << 43 << true << QByteArray("TOVAK_KT900") << QByteArray("V1.") << '\0';
    QTest::newRow("without mode") << 54 << true << QByteArray("TOVAK_KT900") << QByteArray("V1.1.0") << '\0';
    QTest::newRow("with mode") << 55 << true << QByteArray("TOVAK_KT900") << QByteArray("V1.1.0") << 'B';
}

void TestIdentity::shortReplies()
{
    QFETCH(int, len);
    QFETCH(bool, valid);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, version);
    QFETCH(char, mode);
    const QByteArray payload = replyPayload("TOVAK_KT900", "V1.1.0", 'B');
    const Identity::DeviceInfo info = parse(payload, len);
    QCOMPARE(info.valid, valid);
    QCOMPARE(info.modelName, name);
    QCOMPARE(info.firmwareVersion, version);
    QCOMPARE(info.mode, mode);
    QVERIFY(!Identity::parseDeviceInfo(nullptr, 64).valid);
}

void TestIdentity::textsStopAtTheirFieldEnd()
{
    // Fields without a terminator end at their size, not in the next field.
    QByteArray payload = replyPayload(QByteArray(32, 'N'), "V1.1.0X", 'A');
    payload.replace(33, 7, "ABCDEFG");
    const Identity::DeviceInfo info = parse(payload, payload.size());
    QCOMPARE(info.modelName, QByteArray(32, 'N'));
    QCOMPARE(info.info1, QByteArray("ABCDEFG"));
    QCOMPARE(info.firmwareVersion, QByteArray("V1.1.0X"));
}

void TestIdentity::versionRule_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << QByteArray("V1.1.0") << true;
    QTest::newRow("lower case") << QByteArray("v1.1.0") << true;
    QTest::newRow("newer") << QByteArray("V1.1.1") << false;
    QTest::newRow("older") << QByteArray("V1.0.9") << false;
    QTest::newRow("trailing blank") << QByteArray("V1.1.0 ") << false;
    QTest::newRow("prefix") << QByteArray("V1.1") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestIdentity::versionRule()
{
    QFETCH(QByteArray, version);
    QFETCH(bool, accepted);
    QCOMPARE(Identity::versionAccepted(version), accepted);
}

void TestIdentity::modelNamesIgnoreCase()
{
    QVERIFY(Identity::sameModel("tovak_kt900", Identity::kExpectedName));
    QVERIFY(!Identity::sameModel("TOVAK_KT700", Identity::kExpectedName));
    QVERIFY(!Identity::sameModel("TOVAK_KT9000", Identity::kExpectedName));
    QVERIFY(!Identity::sameModel(QByteArray(), Identity::kExpectedName));
}

// The ready-made request is the frame built from its payload 00 00.
void TestIdentity::infoRequestFrame()
{
    const QByteArray built = Frame::build(QByteArray(2, '\0'));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(Identity::kInfoRequestFrame), sizeof Identity::kInfoRequestFrame),
             built);
    QCOMPARE(built.toHex(), QByteArray("aa55020000001297"));
}

void TestIdentity::deviceTypeTable_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("bcdDevice");
    QTest::newRow("1") << 1 << 0x5750 << 0x00C8;
    QTest::newRow("3") << 3 << 0x5750 << 0x00CA;
    QTest::newRow("4") << 4 << 0x5703 << 0x00CA;
    QTest::newRow("5") << 5 << 0x5703 << 0x00C8;
    QTest::newRow("6 bulk") << 6 << 0x1412 << 0x00C8;
    QTest::newRow("7") << 7 << 0x1512 << 0x00C8;
    QTest::newRow("8") << 8 << 0x1522 << 0x00C8;
    QTest::newRow("2 is no type") << 2 << -1 << -1;
    QTest::newRow("9 is no type") << 9 << -1 << -1;
}

// Both directions of the one table: the editor's lookup and the virtual unit's ids.
void TestIdentity::deviceTypeTable()
{
    QFETCH(int, type);
    QFETCH(int, productId);
    QFETCH(int, bcdDevice);
    std::uint16_t pid = 0;
    std::uint16_t bcd = 0;
    QCOMPARE(Identity::deviceTypeIds(type, &pid, &bcd), productId >= 0);
    if (productId < 0)
        return;
    QCOMPARE(int(pid), productId);
    QCOMPARE(int(bcd), bcdDevice);
    QCOMPARE(Identity::deviceTypeFor(pid, bcd), type);
    QCOMPARE(Identity::deviceTypeFor(pid, static_cast<std::uint16_t>(bcd + 1)), 0);
}

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
