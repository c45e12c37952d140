// Backup file layout: the image built from a store, the checks a file must
// pass, the reader, and hostile files (offsets, counts and sizes that point
// past the end or overflow).

#include "backupformat.h"
#include "devicestore.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <vector>

using namespace BackupFormat;

namespace {

quint32 u32(const QByteArray &b, int pos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + pos;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint64 u64(const QByteArray &b, int pos)
{
    return quint64(u32(b, pos)) | (quint64(u32(b, pos + 4)) << 32);
}

void setU32(QByteArray &b, int pos, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[pos + i] = char(v >> (8 * i));
}

void setU64(QByteArray &b, int pos, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b[pos + i] = char(v >> (8 * i));
}

// Recomputes the checksum so that a deliberately broken file passes the
// checksum and reaches the reader's own checks.
void reseal(QByteArray &file)
{
    quint64 sum = 0;
    for (int i = 0; i < file.size(); ++i) {
        if (i < 1016 || i >= 1024)
            sum += static_cast<unsigned char>(file[i]);
    }
    setU64(file, 1016, sum);
}

// A store with something different in every area.
void fillStore(Kt900::DeviceStore &s, bool withCaptures)
{
    quint32 seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    for (int i = 0; i < Kt900::kPresetCount; ++i) {
        for (auto &b : *s.record(i))
            b = next();
    }
    s.setExpGlobals(0xBEEF, 0x42);
    s.setGlobalTempoRaw(0x0123);
    for (int i = 0; i < Kt900::kSystemSize; ++i)
        s.systemBlock()[i] = next();
    s.setGlobalEqOutput(1);
    for (int i = 0; i < Kt900::kGlobalEqWords; ++i)
        s.setGlobalEqWord(i, static_cast<std::uint16_t>(1000 + 37 * i));
    for (int i = 0; i < Kt900::kMidiSize; ++i)
        s.midiBlock()[i] = next();
    for (int i = 0; i < Kt900::kRhythmSize; ++i)
        s.rhythmBlock()[i] = next();
    for (int i = 0; i < Kt900::kCaptureSlots * Kt900::kCaptureAmpEntry; ++i)
        s.captureAmpList()[i] = next();
    if (withCaptures) {
        for (int slot : {2, 7, 19}) {
            s.setCaptureUsed(slot, true);
            s.setSlotName(Kt900::ListCapture, slot, QStringLiteral("CAP %1").arg(slot));
            for (int i = 0; i < Kt900::kCaptureBytes; ++i)
                s.captureData(slot)[i] = next();
        }
    }
    for (int slot = 0; slot < 10; ++slot) {
        s.setSlotName(Kt900::ListIr, slot, QStringLiteral("IR %1").arg(slot));
        s.setSlotName(Kt900::ListNr, slot, QStringLiteral("NR %1").arg(slot));
    }
}

struct Readout
{
    std::vector<std::uint8_t> ir = std::vector<std::uint8_t>(10 * 8192);
    std::vector<std::uint8_t> nr = std::vector<std::uint8_t>(10 * 1584);
    SlotReadout readout;
    Readout(std::initializer_list<int> irSlots, std::initializer_list<int> nrSlots)
    {
        for (std::size_t i = 0; i < ir.size(); ++i)
            ir[i] = std::uint8_t(i * 13 + 1);
        for (std::size_t i = 0; i < nr.size(); ++i)
            nr[i] = std::uint8_t(i * 7 + 3);
        readout.irData = ir.data();
        readout.nrData = nr.data();
        for (int s : irSlots)
            readout.irReceived[std::size_t(s)] = true;
        for (int s : nrSlots)
            readout.nrReceived[std::size_t(s)] = true;
    }
};

int groupCount(const QByteArray &file)
{
    return int(u32(file, 76));
}

QByteArray groupName(const QByteArray &file, int g)
{
    const int off = int(u64(file, 80 + 8 * g));
    return QByteArray(file.constData() + off);
}

} // namespace

class TestBackupFormat : public QObject
{
    Q_OBJECT

private slots:
    void headerLayout()
    {
        Kt900::DeviceStore store;
        fillStore(store, true);
        Readout r({0, 5}, {9});
        const QByteArray file = buildImage(store, r.readout);

        QCOMPARE(QByteArray(file.constData(), 8), QByteArray("TOVAK\0\0\0", 8));
        QCOMPARE(QByteArray(file.constData() + 8, 32), QByteArray("TOVAK_KT900").leftJustified(32, '\0'));
        for (int off : {40, 47, 54})
            QCOMPARE(QByteArray(file.constData() + off, 7), QByteArray("V1.0.0\0", 7));
        QCOMPARE(QByteArray(file.constData() + 72, 4), QByteArray("BUFF"));
        QCOMPARE(groupCount(file), 11);
        // Zero everywhere else in the header.
        for (int i = 0; i < 1016; ++i) {
            const bool field = i < 5 || (i >= 8 && i < 19) || (i >= 40 && i < 46) || (i >= 47 && i < 53)
                || (i >= 54 && i < 60) || (i >= 72 && i < 77) || (i >= 80 && i < 80 + 8 * 11);
            if (!field)
                QCOMPARE(int(file[i]), 0);
        }

        // Group offsets: 1024, then previous + 256 + count * (34 + itemSize).
        const QVector<QPair<QByteArray, QPair<int, int>>> expected = {
            {"KT900_EXP_VOL", {1, 3}},   {"KT900_GLB_BPM", {1, 2}},     {"KT900_PRESET", {255, 504}},
            {"KT900_SYSTEM", {1, 18}},   {"KT900_GLB_EQ", {1, 40}},     {"KT900_MIDI_LIST", {1, 512}},
            {"KT900_RHYTHM", {1, 12}},   {"KT900_TC_AMP", {1, 140}},    {"KT900_CAPTURE", {3, 4112}},
            {"KT900_IR", {2, 8208}},     {"KT900_AMP", {1, 1600}},
        };
        const QVector<int> codes = {0x16, 0x0F, 0x1C, 0x11, 0x13, 0x24, 0x0E, 0x28, 0x1C, 0x1C, 0x1C};
        quint64 off = 1024;
        for (int g = 0; g < 11; ++g) {
            QCOMPARE(u64(file, 80 + 8 * g), off);
            const int o = int(off);
            QCOMPARE(groupName(file, g), expected[g].first);
            QCOMPARE(int(static_cast<unsigned char>(file[o + 32])), codes[g]);
            QCOMPARE(int(file[o + 36]), g == 2 ? 0x1C : 0);
            QCOMPARE(int(file[o + 38]) | (int(file[o + 39]) << 8), g == 2 ? 1 : 0);
            QCOMPARE(int(u32(file, o + 40)), expected[g].second.first);
            QCOMPARE(int(u32(file, o + 44)), expected[g].second.second);
            for (int i = 0; i < 256; ++i) {
                if (i >= 32 && !(i == 32 || i == 36 || i == 38 || (i >= 40 && i < 48)))
                    QCOMPARE(int(file[o + i]), 0);
            }
            off += 256 + quint64(expected[g].second.first) * (34 + quint64(expected[g].second.second));
        }
        QCOMPARE(quint64(file.size()), off);
        QCOMPARE(u64(file, 1016), checksumOf(file));
    }

    void itemContents()
    {
        Kt900::DeviceStore store;
        fillStore(store, true);
        Readout r({3}, {0, 9});
        const QByteArray file = buildImage(store, r.readout);

        // Preset item i: 32 zero bytes, u16 index i, the 504-byte record.
        const int presets = int(u64(file, 80 + 16));
        for (int i : {0, 1, 254}) {
            const int item = presets + 256 + i * (34 + 504);
            QCOMPARE(QByteArray(file.constData() + item, 32), QByteArray(32, '\0'));
            QCOMPARE(int(static_cast<unsigned char>(file[item + 32])) | (int(static_cast<unsigned char>(file[item + 33])) << 8), i);
            QVERIFY(std::memcmp(file.constData() + item + 34, store.record(i)->data(), 504) == 0);
        }
        // Single areas.
        const int expVol = 1024 + 256 + 34;
        QCOMPARE(QByteArray(file.constData() + expVol, 3), QByteArray("\xEF\xBE\x42", 3));
        const int bpm = int(u64(file, 88)) + 256 + 34;
        QCOMPARE(QByteArray(file.constData() + bpm, 2), QByteArray("\x23\x01", 2));
        const int eq = int(u64(file, 80 + 32)) + 256 + 34;
        QCOMPARE(int(file[eq]), 1);
        QCOMPARE(QByteArray(file.constData() + eq + 1, 3), QByteArray(3, '\0'));
        QCOMPARE(int(static_cast<unsigned char>(file[eq + 4])) | (int(static_cast<unsigned char>(file[eq + 5])) << 8), 1000);
        // Capture items: index = slot, 16-byte name, then the data.
        const int cap = int(u64(file, 80 + 64)) + 256;
        QCOMPARE(int(file[cap + 32]), 2);
        QCOMPARE(QByteArray(file.constData() + cap + 34, 16), QByteArray("CAP 2").leftJustified(16, '\0'));
        QVERIFY(std::memcmp(file.constData() + cap + 50, store.captureData(2), 4096) == 0);
        QCOMPARE(int(file[cap + 4146 + 32]), 7);
        // IR item of slot 3 with the read-out data.
        const int ir = int(u64(file, 80 + 72)) + 256;
        QCOMPARE(int(file[ir + 32]), 3);
        QCOMPARE(QByteArray(file.constData() + ir + 34, 16), QByteArray("IR 3").leftJustified(16, '\0'));
        QVERIFY(std::memcmp(file.constData() + ir + 50, r.ir.data() + 3 * 8192, 8192) == 0);
        // Amp items of slots 0 and 9.
        const int amp = int(u64(file, 80 + 80)) + 256;
        QCOMPARE(int(file[amp + 32]), 0);
        QCOMPARE(int(file[amp + 1634 + 32]), 9);
        QVERIFY(std::memcmp(file.constData() + amp + 1634 + 50, r.nr.data() + 9 * 1584, 1584) == 0);
    }

    void optionalGroups_data()
    {
        QTest::addColumn<bool>("captures");
        QTest::addColumn<bool>("irs");
        QTest::addColumn<bool>("amps");
        QTest::addColumn<int>("groups");
        QTest::addColumn<QByteArray>("last");
        QTest::newRow("everything") << true << true << true << 11 << QByteArray("KT900_AMP");
        QTest::newRow("no captures") << false << true << true << 10 << QByteArray("KT900_AMP");
        QTest::newRow("no captures, no amps") << false << true << false << 9 << QByteArray("KT900_IR");
        QTest::newRow("captures only") << true << false << false << 9 << QByteArray("KT900_CAPTURE");
        QTest::newRow("nothing optional") << false << false << false << 8 << QByteArray("KT900_TC_AMP");
    }

    void optionalGroups()
    {
        QFETCH(bool, captures);
        QFETCH(bool, irs);
        QFETCH(bool, amps);
        QFETCH(int, groups);
        QFETCH(QByteArray, last);
        Kt900::DeviceStore store;
        fillStore(store, captures);
        Readout r({}, {});
        if (irs)
            r.readout.irReceived.fill(true);
        if (amps)
            r.readout.nrReceived.fill(true);
        const QByteArray file = buildImage(store, r.readout);
        QCOMPARE(groupCount(file), groups);
        QCOMPARE(groupName(file, groups - 1), last);
        QVERIFY(checkData(file));
    }

    // Everything read back from a file lands in a fresh store unchanged.
    void roundTrip()
    {
        Kt900::DeviceStore a;
        fillStore(a, true);
        Readout r({1, 4}, {2});
        const QByteArray file = buildImage(a, r.readout);
        QVector<GroupData> groups;
        QString reason;
        QVERIFY2(parse(file, &groups, &reason), qPrintable(reason));
        QCOMPARE(groups.size(), 11);
        Kt900::DeviceStore b;
        for (const GroupData &g : groups) {
            for (const Item &item : g.items)
                QVERIFY(applyItem(b, g.group, item));
        }
        for (int i = 0; i < Kt900::kPresetCount; ++i)
            QVERIFY(*a.record(i) == *b.record(i));
        QCOMPARE(b.expGlobalWord(), a.expGlobalWord());
        QCOMPARE(b.expGlobalByte(), a.expGlobalByte());
        QCOMPARE(b.globalTempoRaw(), a.globalTempoRaw());
        QVERIFY(std::memcmp(a.systemBlock(), b.systemBlock(), 18) == 0);
        QCOMPARE(b.globalEqOutput(), a.globalEqOutput());
        for (int i = 0; i < 18; ++i)
            QCOMPARE(b.globalEqWord(i), a.globalEqWord(i));
        QVERIFY(std::memcmp(a.midiBlock(), b.midiBlock(), 512) == 0);
        QVERIFY(std::memcmp(a.rhythmBlock(), b.rhythmBlock(), 12) == 0);
        QVERIFY(std::memcmp(a.captureAmpList(), b.captureAmpList(), 140) == 0);
        for (int s = 0; s < 20; ++s) {
            QCOMPARE(b.captureUsed(s), a.captureUsed(s));
            QCOMPARE(b.slotName(Kt900::ListCapture, s), a.slotName(Kt900::ListCapture, s));
            if (a.captureUsed(s))
                QVERIFY(std::memcmp(a.captureData(s), b.captureData(s), 4096) == 0);
        }
        QCOMPARE(b.slotName(Kt900::ListIr, 4), QStringLiteral("IR 4"));
        QCOMPARE(b.slotName(Kt900::ListIr, 0), QString());
        QCOMPARE(b.slotName(Kt900::ListNr, 2), QStringLiteral("NR 2"));
        // IR and amp items carry the read-out data.
        QCOMPARE(groups[9].items.size(), 2);
        QCOMPARE(groups[9].items[1].index, 4);
        QCOMPARE(groups[9].items[1].data.mid(16), QByteArray(reinterpret_cast<const char *>(r.ir.data()) + 4 * 8192, 8192));
        QCOMPARE(groups[10].items[0].data.mid(16), QByteArray(reinterpret_cast<const char *>(r.nr.data()) + 2 * 1584, 1584));
    }

    void checks_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("reseal");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("unchanged") << 0 << QByteArray() << false << true << "";
        QTest::newRow("byte 1024 changed") << 1024 << QByteArray("\x01", 1) << false << false << "checksum";
        QTest::newRow("byte after the presets changed") << 140000 << QByteArray("\xFF", 1) << false << false << "checksum";
        QTest::newRow("header byte 900 changed") << 900 << QByteArray("\x01", 1) << false << false << "checksum";
        QTest::newRow("unused header bytes 1017..1023 hold the sum") << 1020 << QByteArray("\x01", 1) << false << false << "checksum";
        QTest::newRow("empty offset-0 string") << 0 << QByteArray(8, '\0') << true << true << "";
        QTest::newRow("prefix TOV") << 0 << QByteArray("TOV\0\0", 5) << true << true << "";
        QTest::newRow("empty device string") << 8 << QByteArray(32, '\0') << true << true << "";
        QTest::newRow("prefix TOVAK_KT") << 8 << QByteArray("TOVAK_KT\0\0\0", 11) << true << true << "";
        QTest::newRow("other maker") << 0 << QByteArray("ACME\0", 5) << true << false << "not a KT900";
        QTest::newRow("maker longer") << 0 << QByteArray("TOVAKX\0", 7) << true << false << "not a KT900";
        QTest::newRow("maker without NUL") << 0 << QByteArray("TOVAKTOV") << true << false << "not a KT900";
        QTest::newRow("other device") << 8 << QByteArray("TOVAK_KT901\0", 12) << true << false << "not a KT900";
        QTest::newRow("other version") << 47 << QByteArray("V1.0.1\0", 7) << true << false << "version";
        QTest::newRow("version with suffix") << 47 << QByteArray("V1.0.0X", 7) << true << false << "version";
        QTest::newRow("other version at 40 is not checked") << 40 << QByteArray("V9.9.9\0", 7) << true << true << "";
        QTest::newRow("no BUFF") << 72 << QByteArray("BUFX") << true << false << "marker";
    }

    void checks()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, reseal);
        QFETCH(bool, valid);
        QFETCH(QString, reasonPart);
        Kt900::DeviceStore store;
        fillStore(store, false);
        QByteArray file = buildImage(store, Readout({}, {}).readout);
        QVERIFY(file.size() > 140001);
        if (reseal) {
            // Replace the field and fix the checksum: only the field's own check can fail.
            file.replace(offset, bytes.size(), bytes);
            ::reseal(file);
        } else {
            // Flip bits without fixing the checksum.
            for (int i = 0; i < bytes.size(); ++i)
                file[offset + i] = static_cast<char>(file[offset + i] ^ bytes[i]);
        }
        Header h;
        QString reason;
        QCOMPARE(checkData(file, &h, &reason), valid);
        if (valid) {
            QCOMPARE(h.version, QStringLiteral("V1.0.0"));
            QCOMPARE(int(h.groupCount), 8);
            QCOMPARE(h.groupOffsets.size(), 8);
            QCOMPARE(h.groupOffsets[0], quint64(1024));
        } else {
            QVERIFY2(reason.contains(reasonPart), qPrintable(reason));
        }
    }

    void shortFiles()
    {
        QString reason;
        QVERIFY(!checkData(QByteArray(), nullptr, &reason));
        QVERIFY(reason.contains(QStringLiteral("too short")));
        Kt900::DeviceStore store;
        QByteArray file = buildImage(store, Readout({}, {}).readout);
        QVERIFY(!checkData(file.left(1023)));
        // A bare header with no groups passes the checks and reads as nothing.
        QByteArray bare = file.left(1024);
        setU32(bare, 76, 0);
        reseal(bare);
        QVector<GroupData> groups;
        QVERIFY(parse(bare, &groups));
        QVERIFY(groups.isEmpty());
        QVERIFY(!checkFile(QStringLiteral("/nonexistent/KT900.tbf"), nullptr, &reason));
        QVERIFY(reason.contains(QStringLiteral("KT900.tbf")));
    }

    // Files that pass the checksum but lie about their groups: refused, never
    // read out of bounds.
    void hostileGroups_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("group offset past the end") << 0 << "outside";
        QTest::newRow("group offset inside the header") << 1 << "outside";
        QTest::newRow("group offset 2^64-1") << 2 << "outside";
        QTest::newRow("group count 2^32-1") << 3 << "groups";
        QTest::newRow("group count 118 (into the checksum)") << 4 << "groups";
        QTest::newRow("item count 2^32-1") << 5 << "past the end";
        QTest::newRow("item size 2^32-1") << 6 << "past the end";
        QTest::newRow("item count too large for the area") << 7 << "items";
        QTest::newRow("item size wrong for the area") << 8 << "items";
        QTest::newRow("preset item index 255") << 9 << "index";
        QTest::newRow("capture item index 20") << 10 << "index";
        QTest::newRow("truncated last group") << 11 << "past the end";
        QTest::newRow("group header cut by the end") << 12 << "outside";
    }

    void hostileGroups()
    {
        QFETCH(int, what);
        QFETCH(QString, reasonPart);
        Kt900::DeviceStore store;
        fillStore(store, true);
        QByteArray file = buildImage(store, Readout({}, {}).readout);
        const int presets = int(u64(file, 96));
        const int capture = int(u64(file, 80 + 64));
        switch (what) {
        case 0: setU64(file, 80 + 8, quint64(file.size()) + 10); break;
        case 1: setU64(file, 80, 500); break;
        case 2: setU64(file, 80, ~quint64(0)); break;
        case 3: setU32(file, 76, 0xFFFFFFFFu); break;
        case 4: setU32(file, 76, 118); break;
        case 5: setU32(file, presets + 40, 0xFFFFFFFFu); break;
        case 6: setU32(file, presets + 44, 0xFFFFFFFFu); break;
        case 7: setU32(file, presets + 40, 256); break;
        case 8: setU32(file, 1024 + 44, 2); break;   // EXP_VOL with 2-byte items
        case 9: file[presets + 256 + 10 * 538 + 32] = char(255); break;
        case 10: file[capture + 256 + 32] = 20; break;
        case 11: file.chop(1); break;
        case 12: setU64(file, 80 + 8, quint64(file.size()) - 100); break;
        }
        reseal(file);
        QVERIFY(checkData(file));
        QVector<GroupData> groups;
        QString reason;
        QVERIFY(!parse(file, &groups, &reason));
        QVERIFY(groups.isEmpty());
        QVERIFY2(reason.contains(reasonPart), qPrintable(reason));
    }

    void unknownGroupsAreSkipped()
    {
        Kt900::DeviceStore store;
        fillStore(store, false);
        QByteArray file = buildImage(store, Readout({}, {}).readout);
        const int rhythm = int(u64(file, 80 + 48));
        file.replace(rhythm, 12, "KT900_FUTURE");
        reseal(file);
        QVector<GroupData> groups;
        QVERIFY(parse(file, &groups));
        QCOMPARE(groups.size(), 8);
        QCOMPARE(groups[6].group, Group::Unknown);
        QVERIFY(groups[6].items.isEmpty());
        QCOMPARE(groups[7].group, Group::TcAmp);
    }

    void applyRefusesWrongItems()
    {
        Kt900::DeviceStore store;
        QVERIFY(!applyItem(store, Group::Preset, Item{0, QByteArray(503, '\0')}));
        QVERIFY(!applyItem(store, Group::Preset, Item{255, QByteArray(504, '\0')}));
        QVERIFY(!applyItem(store, Group::Capture, Item{20, QByteArray(4112, '\0')}));
        QVERIFY(!applyItem(store, Group::Ir, Item{10, QByteArray(8208, '\0')}));
        QVERIFY(!applyItem(store, Group::Amp, Item{-1, QByteArray(1600, '\0')}));
        QVERIFY(!applyItem(store, Group::Unknown, Item{0, QByteArray(3, '\0')}));
        QVERIFY(applyItem(store, Group::ExpVol, Item{0, QByteArray("\x01\x02\x03", 3)}));
        QCOMPARE(store.expGlobalWord(), quint16(0x0201));
        QCOMPARE(store.expGlobalByte(), quint8(3));
    }

    void progress_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("progress");
        QTest::newRow("exp vol") << int(Group::ExpVol) << 0 << 0;
        QTest::newRow("global bpm") << int(Group::GlbBpm) << 0 << 1;        // 1/662*510 = 0.77
        QTest::newRow("preset 0") << int(Group::Preset) << 0 << 2;          // 1.54
        QTest::newRow("preset 254") << int(Group::Preset) << 254 << 197;    // 256/662*510 = 197.2
        QTest::newRow("system") << int(Group::System) << 0 << 199;          // 258 -> 198.8
        QTest::newRow("tc amp") << int(Group::TcAmp) << 0 << 202;           // 262 -> 201.8
        QTest::newRow("capture 0") << int(Group::Capture) << 0 << 210;      // 272 -> 209.5
        QTest::newRow("capture 19") << int(Group::Capture) << 19 << 341;    // 443 -> 341.3
        QTest::newRow("ir 9") << int(Group::Ir) << 9 << 472;                // 613 -> 472.3
        QTest::newRow("amp 0") << int(Group::Amp) << 0 << 476;              // 618 -> 476.1
        QTest::newRow("amp 8") << int(Group::Amp) << 8 << 507;              // 658 -> 506.9
        QTest::newRow("amp 9 stays within 510") << int(Group::Amp) << 9 << 510; // 663 -> 510.8
    }

    void progress()
    {
        QFETCH(int, group);
        QFETCH(int, item);
        QFETCH(int, progress);
        QCOMPARE(recallProgressFor(static_cast<Group>(group), item), progress);
    }

    // Files that are not backups by their size or kind: refused with their
    // real size or kind, without reading them into memory.
    void readFileRefusals()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray bytes("x");
        QString why;
        // A 2 GB sparse file (no disk space used).
        const QString huge = dir.filePath("huge.tbf");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(Q_INT64_C(2) * 1024 * 1024 * 1024));
        }
        QVERIFY(!readFile(huge, &bytes, &why));
        QVERIFY(bytes.isEmpty());
        QCOMPARE(why, QStringLiteral("the file is too large for a backup file (2147483648 bytes)"));
        QVERIFY(!checkFile(huge, nullptr, &why));
        QVERIFY2(why.contains("too large"), qPrintable(why));
        // A device and a folder.
        QVERIFY(!readFile("/dev/zero", &bytes, &why));
        QCOMPARE(why, QStringLiteral("zero is not a regular file"));
        QVERIFY(!readFile(dir.path(), &bytes, &why));
        QVERIFY2(why.contains("not a regular file"), qPrintable(why));
        // A valid image still reads whole.
        Kt900::DeviceStore store;
        const QByteArray image = buildImage(store, SlotReadout());
        const QString good = dir.filePath("good.tbf");
        QFile g(good);
        QVERIFY(g.open(QIODevice::WriteOnly));
        QVERIFY(writeImage(g, image, &why));
        QVERIFY(readFile(good, &bytes, &why));
        QCOMPARE(bytes, image);
    }

    // A full disk is reported as the system reports it, not as "Unknown error".
    void writeImageOnAFullDisk()
    {
        QFile full("/dev/full");
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("/dev/full is not available");
        QString why;
        QVERIFY(!writeImage(full, QByteArray(4096, 'b'), &why));
        QCOMPARE(why, QStringLiteral("cannot write full: no space left on the device"));
    }
};

QTEST_GUILESS_MAIN(TestBackupFormat)
#include "test_backupformat.moc"
