// Preset files: the document written for a record, reading it back, the
// header check, the reading rules (Exp, Data counts, tempo rule, chain,
// TONE CAP, capture), files with wrong JSON types, importing and the
// atomic write.

#include "devicestore.h"
#include "effectcatalogue.h"
#include "factoryset.h"
#include "presetfilecodec.h"
#include "resources.h"
#include "valuemodel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <random>
#include <sys/resource.h>

using namespace Kt900;

namespace {

EffectCatalogue &cat() { return EffectCatalogue::instance(); }

int typeIndex(int module, const QString &name)
{
    return cat().typeNames(module).indexOf(name);
}

// Records as varied as the catalogue allows: every module with a random type
// and random valid values (stored through the value model, so the delay
// rules hold), a random chain order, random pedal, merge and other fields.
void randomRecord(DeviceStore &s, int preset, std::mt19937 &rng)
{
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    Record &r = *s.record(preset);
    r = emptyPreset();
    for (auto &b : r)
        b = static_cast<std::uint8_t>(rng());
    const QByteArray name = QByteArray("P") + QByteArray::number(preset) + " VARIED";
    std::fill(r.begin(), r.begin() + kNameSize, 0);
    std::copy(name.begin(), name.end(), r.begin());
    putU16(r.data() + Rec::Tempo, static_cast<std::uint16_t>(pick(221)));
    for (int m = 0; m < 9; ++m) {
        const int type = pick(cat().typeCount(m));
        ValueModel::setSwitch(s, preset, m, pick(2));
        ValueModel::setType(s, preset, m, type);
        // Sub D must start from OFF so that Time goes into the saved time.
        for (int i = 0; i < cat().paramCount(m, type); ++i)
            s.setBlockWord(preset, m, 2 + i, 0);
        for (int i = 0; i < cat().paramCount(m, type); ++i)
            ValueModel::setParam(s, preset, m, type, i, pick(ValueModel::stepCount(*cat().param(m, type, i)) + 1));
    }
    ValueModel::setSwitch(s, preset, 9, pick(2));
    for (int i = 0; i < 4; ++i)
        ValueModel::setParam(s, preset, 9, 0, i, pick(ValueModel::stepCount(*cat().param(9, 0, i)) + 1));
    s.setBlockWord(preset, ModToneCap, 0, static_cast<std::uint16_t>(pick(2)));
    s.setBlockWord(preset, ModToneCap, 1, static_cast<std::uint16_t>(pick(20)));
    s.setBlockWord(preset, ModToneCap, 2, static_cast<std::uint16_t>(pick(2)));
    std::array<int, 11> order{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::shuffle(order.begin(), order.end(), rng);
    for (int i = 0; i < 11; ++i)
        r[static_cast<std::size_t>(Rec::Chain + 2 * i)] = static_cast<std::uint8_t>(order[static_cast<std::size_t>(i)]);
    const char *versions[] = {"V1.0", "2.1", "", "V9"};
    const char *v = versions[pick(4)];
    for (int i = 0; i < 4; ++i)
        r[static_cast<std::size_t>(Rec::Version + i)] = static_cast<std::uint8_t>(i < int(strlen(v)) ? v[i] : 0);
}

// Bytes of a record that a preset file does not carry.
std::vector<bool> notCarried(const DeviceStore &s, int preset)
{
    std::vector<bool> skip(kRecordSize, false);
    for (int i = 0; i < kNameSize; ++i)
        skip[std::size_t(i)] = true;
    for (int i = 0; i < kChainLength; ++i)
        skip[std::size_t(Rec::Chain + 2 * i + 1)] = true;   // on/off copies of the chain entries
    skip[Rec::Version + 4] = true;                           // the terminating byte
    for (int m = 0; m < 9; ++m) {                            // words the type does not use
        const int type = s.blockWord(preset, m, 1);
        for (int i = cat().paramCount(m, type); i < moduleParamWords(m); ++i) {
            skip[std::size_t(moduleBlockOffset(m) + 4 + 2 * i)] = true;
            skip[std::size_t(moduleBlockOffset(m) + 5 + 2 * i)] = true;
        }
    }
    return skip;
}

QJsonObject parse(const QByteArray &doc)
{
    return QJsonDocument::fromJson(doc).object();
}

QByteArray serialize(const QJsonObject &o)
{
    return QJsonDocument(o).toJson();
}

// Sets a member at a path of object keys ("effectModule/FXA/Data").
void setPath(QJsonObject &root, const QStringList &path, const QJsonValue &value)
{
    if (path.size() == 1) {
        if (value.isUndefined())
            root.remove(path.first());
        else
            root.insert(path.first(), value);
        return;
    }
    QJsonObject child = root.value(path.first()).toObject();
    setPath(child, path.mid(1), value);
    root.insert(path.first(), child);
}

QJsonArray zeros(int n)
{
    QJsonArray a;
    for (int i = 0; i < n; ++i)
        a.append(0);
    return a;
}

void fillCapture(DeviceStore &s, int slot, std::uint8_t seed)
{
    s.setCaptureUsed(slot, true);
    s.setSlotName(ListCapture, slot, QStringLiteral("Plexi %1").arg(slot));
    for (int i = 0; i < kCaptureBytes; ++i)
        s.captureData(slot)[i] = static_cast<std::uint8_t>(i * 31 + seed);
    for (int i = 0; i < 7; ++i)
        s.captureAmpList()[slot * 7 + i] = static_cast<std::uint8_t>(seed + i);
}

} // namespace

class TestPresetFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    DeviceStore m_store;
    std::mt19937 m_rng{20240601};

    // A valid document of a varied record, as a JSON object to edit.
    QJsonObject validDocument()
    {
        randomRecord(m_store, 7, m_rng);
        PresetFileCodec codec(&m_store);
        return parse(codec.presetDocument(7));
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        kt900InitResources();
        QVERIFY(cat().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_store.reset();
    }

    void headerConstants()
    {
        QCOMPARE(PresetFileCodec::headerKeys(),
                 QStringList({"device", "device_version", "app", "app_version", "schema", "copyright"}));
        const QStringList v = PresetFileCodec::headerValues();
        QCOMPARE(v.mid(0, 5), QStringList({"TOVAK KT900", "V1.0.0", "KT900 Edit", "V1.0.0", "KT900 Preset"}));
        QCOMPARE(v.at(5).size(), 60);
        QVERIFY(!v.at(5).contains(QLatin1Char('\n')));
        QCOMPARE(PresetFileCodec::expKeys().size(), 10);
        QCOMPARE(PresetFileCodec::expKeys().at(6), QStringLiteral("InterModuIndex"));
    }

    // Writing then reading reproduces every field the format carries, over
    // many varied records, into a record that held something else.
    void roundTrip()
    {
        PresetFileCodec codec(&m_store);
        for (int n = 0; n < 60; ++n) {
            const int src = n % 255;
            randomRecord(m_store, src, m_rng);
            const QString path = m_dir.filePath(QStringLiteral("round.tp"));
            int error = -1;
            QVERIFY(codec.writePresetFile(src, path, &error));
            QCOMPARE(error, 0);
            const Record original = *m_store.record(src);
            const int dst = 200;
            randomRecord(m_store, dst, m_rng);
            const Record target = *m_store.record(dst);
            QByteArray bytes;
            QCOMPARE(codec.readFile(path, &bytes), 0);
            QCOMPARE(int(codec.checkHeader(bytes)), 0);
            QVERIFY2(codec.readPresetFile(dst, bytes), qPrintable(codec.lastError()));
            const Record &got = *m_store.record(dst);
            const std::vector<bool> skip = notCarried(m_store, src);
            for (int i = 0; i < kRecordSize; ++i) {
                std::uint8_t expected = skip[std::size_t(i)] ? target[std::size_t(i)] : original[std::size_t(i)];
                const bool flag = (i >= Rec::MergeFlags1 && i < Rec::MergeFlags1 + 49) || (i >= Rec::MergeFlags2 && i < Rec::MergeFlags2 + 49);
                if (flag)
                    expected = original[std::size_t(i)] != 0 ? 1 : 0;
                if (got[std::size_t(i)] != expected)
                    QFAIL(qPrintable(QStringLiteral("record %1, byte 0x%2: got %3, expected %4")
                                         .arg(n).arg(i, 3, 16, QLatin1Char('0')).arg(got[std::size_t(i)]).arg(expected)));
            }
        }
    }

    // The virtual unit's factory presets (real-looking names, every module
    // type, synced delays, filled capture slots) survive the round trip.
    void factorySetRoundTrip()
    {
        const Kt900Sim::UnitMemory &factory = Kt900Sim::factoryMemory();
        m_store = factory.store;
        PresetFileCodec codec(&m_store);
        int withCapture = 0;
        for (int src = 0; src < kPresetCount; ++src) {
            const QByteArray doc = codec.presetDocument(src);
            const Record original = *m_store.record(src);
            Record &target = *m_store.record(kEditBuffer);
            target.fill(0x5A);
            QVERIFY2(codec.readPresetFile(kEditBuffer, doc), qPrintable(codec.lastError()));
            const std::vector<bool> skip = notCarried(m_store, src);
            for (int i = 0; i < kRecordSize; ++i) {
                const bool flag = (i >= Rec::MergeFlags1 && i < Rec::MergeFlags1 + 49) || (i >= Rec::MergeFlags2 && i < Rec::MergeFlags2 + 49);
                const int expected = skip[std::size_t(i)] ? 0x5A : flag ? (original[std::size_t(i)] != 0) : original[std::size_t(i)];
                if (target[std::size_t(i)] != expected)
                    QFAIL(qPrintable(QStringLiteral("factory preset %1, byte 0x%2: got %3, expected %4")
                                         .arg(src).arg(i, 3, 16, QLatin1Char('0')).arg(target[std::size_t(i)]).arg(expected)));
            }
            const int slot = m_store.blockWord(src, ModToneCap, 1);
            QCOMPARE(codec.capturePresent(), m_store.captureUsed(slot));
            if (codec.capturePresent()) {
                ++withCapture;
                QCOMPARE(codec.captureIndex(), slot);
                QCOMPARE(codec.captureName(), m_store.slotName(ListCapture, slot));
                QCOMPARE(codec.captureBytes(), QByteArray(reinterpret_cast<const char *>(m_store.captureData(slot)), kCaptureBytes));
                for (int i = 0; i < 7; ++i)
                    QCOMPARE(codec.captureExtra()[std::size_t(i)], m_store.captureAmpList()[slot * 7 + i]);
            }
        }
        QVERIFY(withCapture > 0);
    }

    void documentStructure()
    {
        randomRecord(m_store, 3, m_rng);
        m_store.setBlockWord(3, ModToneCap, 1, 4);     // capture slot 4, empty
        m_store.setBlockWord(3, ModFxa, 1, typeIndex(0, QStringLiteral("26:DIGITAL DELAY")));
        PresetFileCodec codec(&m_store);
        const QByteArray doc = codec.presetDocument(3);
        QVERIFY(doc.startsWith("{\n    \"Capture\": {\n    },\n    \"CtrlSet\": {\n"));
        const QJsonObject o = parse(doc);
        QCOMPARE(o.keys(), QStringList({"Capture", "CtrlSet", "Exp", "Merge", "Others", "effectChain", "effectModule", "fileInfo"}));
        QVERIFY(o.value("Capture").toObject().isEmpty());
        const QJsonObject info = o.value("fileInfo").toObject();
        QCOMPARE(info.value("device").toString(), QStringLiteral("TOVAK KT900"));
        QCOMPARE(info.value("schema").toString(), QStringLiteral("KT900 Preset"));
        QCOMPARE(info.value("name").toString(), QStringLiteral("P3 VARIED"));
        QCOMPARE(info.size(), 7);
        const QJsonObject modules = o.value("effectModule").toObject();
        QCOMPARE(modules.keys(), QStringList({"AMP", "CAB", "DELAY", "DS/OD", "EQ", "FX LOOP", "FXA", "FXB", "NS GATE", "REVERB", "TONE CAP"}));
        QCOMPARE(modules.value("FXA").toObject().value("Data").toObject().keys(), QStringList({"F.Back", "Level", "Sub D", "Time"}));
        QVERIFY(!modules.value("FX LOOP").toObject().contains("Type"));
        QCOMPARE(modules.value("FX LOOP").toObject().value("Data").toObject().size(), 4);
        QCOMPARE(modules.value("TONE CAP").toObject().value("Data").toObject().keys(), QStringList({"SourceSync"}));
        const QJsonArray merge = o.value("Merge").toArray();
        QCOMPARE(merge.size(), 294);
        for (int i = 0; i < 294; ++i)
            QCOMPARE(merge.at(i).isBool(), i % 6 >= 4);
        QCOMPARE(merge.at(0).toInt(), int(m_store.record(3)->at(Rec::MergeSet1)));
        QCOMPARE(merge.at(2).toInt(), int(m_store.record(3)->at(Rec::MergeSet2)));
        QCOMPARE(merge.at(6 * 48 + 3).toInt(), int(m_store.record(3)->at(Rec::MergeSet2 + 97)));
        QCOMPARE(merge.at(6 * 48 + 5).toBool(), m_store.record(3)->at(Rec::MergeFlags2 + 48) != 0);
        QCOMPARE(o.value("effectChain").toArray().size(), 11);
        QCOMPARE(o.value("Others").toObject().keys(),
                 QStringList({"BPM", "Delaytime_1", "Delaytime_2", "FxAtime", "FxBtime", "LedColor", "Volume", "pVersion"}));
        QCOMPARE(o.value("Exp").toObject().keys().size(), 10);
        QCOMPARE(codec.presetDocument(255), QByteArray());
        QVERIFY(!codec.writePresetFile(255, m_dir.filePath("x.tp")));
        QVERIFY(!QFile::exists(m_dir.filePath("x.tp")));
    }

    void captureWritten()
    {
        randomRecord(m_store, 9, m_rng);
        fillCapture(m_store, 13, 5);
        m_store.setBlockWord(9, ModToneCap, 1, 13);
        putU32(m_store.captureData(13), 0);             // word 0 = 0 -> the constant itself
        putU32(m_store.captureData(13) + 4, 0x2b7e1c55); // -> 0
        PresetFileCodec codec(&m_store);
        const QJsonObject c = parse(codec.presetDocument(9)).value("Capture").toObject();
        QCOMPARE(c.keys(), QStringList({"Data_c", "Data_g", "Index", "Name"}));
        QCOMPARE(c.value("Index").toInt(), 13);
        QCOMPARE(c.value("Name").toString(), QStringLiteral("Plexi 13"));
        const QJsonArray w = c.value("Data_c").toArray();
        QCOMPARE(w.size(), 1024);
        QCOMPARE(w.at(0).toString(), QStringLiteral("2b7e1c55"));
        QCOMPARE(w.at(1).toString(), QStringLiteral("00000000"));
        const quint32 w2 = getU32(m_store.captureData(13) + 8) ^ 0x2b7e1c55u;
        QCOMPARE(w.at(2).toString(), QStringLiteral("%1").arg(w2, 8, 16, QLatin1Char('0')));
        for (const QJsonValue &v : w)
            QVERIFY(QRegularExpression("^[0-9a-f]{8}$").match(v.toString()).hasMatch());
        QCOMPARE(c.value("Data_g").toArray(), QJsonArray({5, 6, 7, 8, 9, 10, 11}));

        // Read back: the capture fields hold the slot's data again.
        QVERIFY(codec.readPresetFile(20, codec.presetDocument(9)));
        QVERIFY(codec.capturePresent());
        QCOMPARE(codec.captureIndex(), 13);
        QCOMPARE(codec.captureName(), QStringLiteral("Plexi 13"));
        QCOMPARE(codec.captureBytes(), QByteArray(reinterpret_cast<const char *>(m_store.captureData(13)), 4096));
        QCOMPARE(codec.captureExtra()[6], quint8(11));
    }

    void checkHeader_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("valid") << "" << QJsonValue() << 0;
        QTest::newRow("device with a trailing blank") << "device" << QJsonValue("TOVAK KT900 ") << 9;
        QTest::newRow("device in lower case") << "device" << QJsonValue("tovak kt900") << 9;
        QTest::newRow("device missing") << "device" << QJsonValue(QJsonValue::Undefined) << 9;
        QTest::newRow("device a number") << "device" << QJsonValue(900) << 9;
        QTest::newRow("device_version") << "device_version" << QJsonValue("V1.0.1") << 10;
        QTest::newRow("app") << "app" << QJsonValue("KT900 edit") << 11;
        QTest::newRow("app_version") << "app_version" << QJsonValue("V2.0.0") << 12;
        QTest::newRow("schema") << "schema" << QJsonValue("KT900 Backup") << 13;
        QTest::newRow("copyright is not compared") << "copyright" << QJsonValue("someone else") << 0;
        QTest::newRow("name is not compared") << "name" << QJsonValue(42) << 0;
    }

    void checkHeader()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(int, result);
        QJsonObject o = validDocument();
        if (!key.isEmpty())
            setPath(o, {"fileInfo", key}, value);
        PresetFileCodec codec(&m_store);
        QCOMPARE(int(codec.checkHeader(serialize(o))), result);
    }

    void checkHeaderSpecialDocuments()
    {
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        o.remove("fileInfo");
        QCOMPARE(int(codec.checkHeader(serialize(o))), 0);
        QCOMPARE(int(codec.checkHeader("{ \"device\": ")), 8);
        QCOMPARE(int(codec.checkHeader("[1, 2, 3]")), 8);
        QCOMPARE(int(codec.checkHeader("")), 8);
        QCOMPARE(int(codec.checkHeader("{\"fileInfo\": \"TOVAK KT900\"}")), 9);
        QCOMPARE(int(codec.checkHeader("{}")), 0);
    }

    // Exp must have exactly ten members; a new module index clears the
    // parameter index.
    void expRules()
    {
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        QJsonObject exp = o.value("Exp").toObject();
        exp.remove("InterParIndex");
        o.insert("Exp", exp);
        const Record before = *m_store.record(30);
        QVERIFY(!codec.readPresetFile(30, serialize(o)));
        QVERIFY(*m_store.record(30) == before);

        exp.insert("SomethingElse", 99);
        exp.insert("InterModuIndex", 5);
        exp.insert("ExterModuIndex", 6);
        exp.insert("ExterParIndex", 7);
        o.insert("Exp", exp);
        m_store.record(30)->at(Rec::ExpSettings + 7) = 77;   // InterParIndex
        QVERIFY2(codec.readPresetFile(30, serialize(o)), qPrintable(codec.lastError()));
        QCOMPARE(int(m_store.record(30)->at(Rec::ExpSettings + 6)), 5);
        QCOMPARE(int(m_store.record(30)->at(Rec::ExpSettings + 7)), 0);   // cleared by InterModuIndex
        QCOMPARE(int(m_store.record(30)->at(Rec::ExpSettings + 8)), 6);
        QCOMPARE(int(m_store.record(30)->at(Rec::ExpSettings + 9)), 7);   // set after ExterModuIndex
    }

    void fxaDataCount()
    {
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        const int wah = typeIndex(0, QStringLiteral("01:CRY WAH"));
        setPath(o, {"effectModule", "FXA", "Type"}, wah);
        setPath(o, {"effectModule", "FXA", "Data"}, QJsonObject{{"Q", 10}, {"Position", 20}, {"Peak", 30}, {"Level", 40}, {"Rate", 50}});
        m_store.record(40)->fill(0xEE);
        const Record before = *m_store.record(40);
        QVERIFY(!codec.readPresetFile(40, serialize(o)));
        QVERIFY(*m_store.record(40) == before);

        // Right count, one unknown name and one value out of range: the rest apply.
        setPath(o, {"effectModule", "FXA", "Data"}, QJsonObject{{"q", 10}, {"Position", 101}, {"Peak", 30}, {"Volume", 40}});
        QVERIFY2(codec.readPresetFile(40, serialize(o)), qPrintable(codec.lastError()));
        QCOMPARE(m_store.blockWord(40, 0, 1), wah);
        QCOMPARE(m_store.blockWord(40, 0, 2), 10);       // "q": names compare without case
        QCOMPARE(m_store.blockWord(40, 0, 3), 0xEEEE);   // 101 is out of range: skipped
        QCOMPARE(m_store.blockWord(40, 0, 4), 30);
        QCOMPARE(m_store.blockWord(40, 0, 5), 0xEEEE);   // "Volume" is not a parameter of the type

        // A negative type: looked up as type 0, the stored type stays.
        m_store.setBlockWord(40, 0, 1, 2);
        setPath(o, {"effectModule", "FXA", "Type"}, -1);
        setPath(o, {"effectModule", "FXA", "Data"}, QJsonObject{{"Q", 1}, {"Position", 2}, {"Peak", 3}, {"Level", 4}});
        QVERIFY(codec.readPresetFile(40, serialize(o)));
        QCOMPARE(m_store.blockWord(40, 0, 1), 2);
        QCOMPARE(m_store.blockWord(40, 0, 5), 4);
        // Without "Data" the module is done after Switch and Type.
        setPath(o, {"effectModule", "FXA", "Data"}, QJsonValue::Undefined);
        setPath(o, {"effectModule", "FXA", "Type"}, 5);
        setPath(o, {"effectModule", "FXA", "Switch"}, 7);   // neither 0 nor 1: not stored
        m_store.setBlockWord(40, 0, 0, 1);
        QVERIFY(codec.readPresetFile(40, serialize(o)));
        QCOMPARE(m_store.blockWord(40, 0, 1), 5);
        QCOMPARE(m_store.blockWord(40, 0, 0), 1);
        QCOMPARE(m_store.blockWord(40, 0, 5), 4);
    }

    // "Sub D" follows the tempo the file brings ("Others" is applied first).
    void subDivisionUsesFileTempo_data()
    {
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("sub");
        QTest::addColumn<int>("timeRaw");
        QTest::newRow("120 bpm 1/4") << 120 << 1 << 460;      // 500 ms
        QTest::newRow("120 bpm 1/8T") << 120 << 5 << 126;     // 166 ms
        QTest::newRow("60 bpm 1/4D") << 60 << 3 << 1460;      // 1500 ms
        QTest::newRow("40 bpm 1/4D") << 40 << 3 << 2210;      // 2250 ms
        QTest::newRow("OFF restores the saved time") << 120 << 0 << 777;
    }

    void subDivisionUsesFileTempo()
    {
        QFETCH(int, bpm);
        QFETCH(int, sub);
        QFETCH(int, timeRaw);
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        setPath(o, {"effectModule", "FXA", "Type"}, typeIndex(0, QStringLiteral("26:DIGITAL DELAY")));
        setPath(o, {"effectModule", "FXA", "Data"}, QJsonObject{{"F.Back", 50}, {"Level", 50}, {"Sub D", sub}, {"Time", 1000}});
        setPath(o, {"Others", "BPM"}, bpm - 40);
        setPath(o, {"Others", "FxAtime"}, 777);
        putU16(m_store.record(50)->data() + Rec::Tempo, 200 - 40);   // the record's own tempo differs
        QVERIFY2(codec.readPresetFile(50, serialize(o)), qPrintable(codec.lastError()));
        QCOMPARE(m_store.presetTempoBpm(50), bpm);
        QCOMPARE(m_store.blockWord(50, 0, 5), sub);
        if (sub == 0) {
            // OFF first copies the saved time, then "Time" sets both.
            QCOMPARE(m_store.blockWord(50, 0, 4), 1000);
            QCOMPARE(int(getU16(m_store.record(50)->data() + Rec::FxATime)), 1000);
        } else {
            QCOMPARE(m_store.blockWord(50, 0, 4), timeRaw);
            QCOMPARE(int(getU16(m_store.record(50)->data() + Rec::FxATime)), 777);   // kept
        }
    }

    void effectChain_data()
    {
        QTest::addColumn<QJsonValue>("chain");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a permutation") << QJsonValue(QJsonArray{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}) << true;
        QTest::newRow("duplicate 9") << QJsonValue(QJsonArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9}) << false;
        QTest::newRow("10 entries") << QJsonValue(QJsonArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) << false;
        QTest::newRow("12 entries") << QJsonValue(QJsonArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) << false;
        QTest::newRow("empty") << QJsonValue(QJsonArray{}) << false;
        QTest::newRow("module 11") << QJsonValue(QJsonArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}) << false;
        QTest::newRow("module -1") << QJsonValue(QJsonArray{-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << false;
        QTest::newRow("module 256 (byte 0)") << QJsonValue(QJsonArray{256, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << false;
        QTest::newRow("a string entry") << QJsonValue(QJsonArray{"0", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << false;
        QTest::newRow("not an array") << QJsonValue(QJsonObject{{"0", 1}}) << false;
    }

    // A refused chain stores nothing of it, and nothing of the rest either.
    void effectChain()
    {
        QFETCH(QJsonValue, chain);
        QFETCH(bool, accepted);
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        o.insert("effectChain", chain);
        setPath(o, {"Others", "Volume"}, 99);
        randomRecord(m_store, 60, m_rng);
        const Record before = *m_store.record(60);
        QCOMPARE(codec.readPresetFile(60, serialize(o)), accepted);
        if (accepted) {
            for (int i = 0; i < 11; ++i)
                QCOMPARE(int(m_store.record(60)->at(std::size_t(Rec::Chain + 2 * i))), 10 - i);
            QCOMPARE(int(m_store.record(60)->at(Rec::Volume)), 99);
        } else {
            QVERIFY(*m_store.record(60) == before);
            QVERIFY(!codec.lastError().isEmpty());
        }
    }

    void toneCap_data()
    {
        QTest::addColumn<QJsonValue>("sw");
        QTest::addColumn<QJsonValue>("type");
        QTest::addColumn<QJsonValue>("data");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("expSwitch");
        QTest::addColumn<int>("expType");
        QTest::addColumn<int>("expWord");
        const QJsonValue one(QJsonObject{{"SourceSync", 1}});
        QTest::newRow("plain") << QJsonValue(1) << QJsonValue(7) << one << true << 1 << 7 << 1;
        QTest::newRow("type 19") << QJsonValue(0) << QJsonValue(19) << one << true << 0 << 19 << 1;
        QTest::newRow("type 25 -> 0") << QJsonValue(1) << QJsonValue(25) << one << true << 1 << 0 << 1;
        QTest::newRow("type 20 -> 0") << QJsonValue(1) << QJsonValue(20) << one << true << 1 << 0 << 1;
        QTest::newRow("type -3 -> 0") << QJsonValue(1) << QJsonValue(-3) << one << true << 1 << 0 << 1;
        QTest::newRow("switch 5 -> 1") << QJsonValue(5) << QJsonValue(2) << one << true << 1 << 2 << 1;
        QTest::newRow("switch -1 -> 0") << QJsonValue(-1) << QJsonValue(2) << one << true << 0 << 2 << 1;
        QTest::newRow("other data key") << QJsonValue(1) << QJsonValue(2) << QJsonValue(QJsonObject{{"Sync", 0}}) << true << 1 << 2 << 0;
        QTest::newRow("two data members") << QJsonValue(1) << QJsonValue(2)
                                          << QJsonValue(QJsonObject{{"SourceSync", 1}, {"X", 0}}) << false << 0 << 0 << 0;
        QTest::newRow("empty data") << QJsonValue(1) << QJsonValue(2) << QJsonValue(QJsonObject{}) << false << 0 << 0 << 0;
        QTest::newRow("no data") << QJsonValue(1) << QJsonValue(2) << QJsonValue(QJsonValue::Undefined) << false << 0 << 0 << 0;
        QTest::newRow("type a string") << QJsonValue(1) << QJsonValue("2") << one << false << 0 << 0 << 0;
    }

    void toneCap()
    {
        QFETCH(QJsonValue, sw);
        QFETCH(QJsonValue, type);
        QFETCH(QJsonValue, data);
        QFETCH(bool, accepted);
        QFETCH(int, expSwitch);
        QFETCH(int, expType);
        QFETCH(int, expWord);
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        setPath(o, {"effectModule", "TONE CAP"}, QJsonObject{{"Switch", sw}, {"Type", type}});
        if (!data.isUndefined())
            setPath(o, {"effectModule", "TONE CAP", "Data"}, data);
        const Record before = *m_store.record(70);
        QCOMPARE(codec.readPresetFile(70, serialize(o)), accepted);
        if (accepted) {
            QCOMPARE(m_store.blockWord(70, ModToneCap, 0), expSwitch);
            QCOMPARE(m_store.blockWord(70, ModToneCap, 1), expType);
            QCOMPARE(m_store.blockWord(70, ModToneCap, 2), expWord);
        } else {
            QVERIFY(*m_store.record(70) == before);
        }
    }

    void captureReading()
    {
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        QJsonArray words;
        words.append("2B7E1C55");     // upper case accepted: 0
        words.append("1");            // short: 0x2b7e1c54
        words.append("ffffffff");
        o.insert("Capture", QJsonObject{{"Index", 3}, {"Name", "Short"}, {"Data_c", words}, {"Data_g", QJsonArray{1, 2, 3}}});
        QVERIFY2(codec.readPresetFile(80, serialize(o)), qPrintable(codec.lastError()));
        QVERIFY(codec.capturePresent());
        QCOMPARE(codec.captureIndex(), 3);
        QCOMPARE(codec.captureWords()[0], 0u);
        QCOMPARE(codec.captureWords()[1], 0x2b7e1c54u);
        QCOMPARE(codec.captureWords()[2], 0xd481e3aau);
        QCOMPARE(codec.captureWords()[3], 0u);          // the rest stays zero
        QCOMPARE(codec.captureExtra()[2], quint8(3));
        QCOMPARE(codec.captureExtra()[3], quint8(0));

        // More than 1024 words: "Data_c" is skipped, the capture still counts.
        QJsonArray many;
        for (int i = 0; i < 1025; ++i)
            many.append("00000001");
        o.insert("Capture", QJsonObject{{"Index", 4}, {"Name", "Long"}, {"Data_c", many}});
        QVERIFY(codec.readPresetFile(80, serialize(o)));
        QVERIFY(codec.capturePresent());
        QCOMPARE(codec.captureWords()[0], 0u);

        // Without "Index" there is no capture.
        o.insert("Capture", QJsonObject{{"Name", "x"}});
        QVERIFY(codec.readPresetFile(80, serialize(o)));
        QVERIFY(!codec.capturePresent());
    }

    // Members of the wrong JSON type (or out of range) refuse the file and
    // leave the record as it was.
    void wrongTypes_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("Capture an array") << QStringList{"Capture"} << QJsonValue(QJsonArray{});
        QTest::newRow("Capture Index 20") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 20}});
        QTest::newRow("Capture Index a string") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", "3"}});
        QTest::newRow("Data_c not hex") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonArray{"12345678", "xyz"}}});
        QTest::newRow("Data_c 9 digits") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonArray{"123456789"}}});
        QTest::newRow("Data_c 0x prefix") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonArray{"0x123"}}});
        QTest::newRow("Data_c empty string") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonArray{""}}});
        QTest::newRow("Data_c numbers") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonArray{12}}});
        QTest::newRow("Data_c an object") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_c", QJsonObject{}}});
        QTest::newRow("Data_g 300") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Data_g", QJsonArray{300}}});
        QTest::newRow("Name a number") << QStringList{"Capture"} << QJsonValue(QJsonObject{{"Index", 1}, {"Name", 5}});
        QTest::newRow("CtrlSet a number") << QStringList{"CtrlSet"} << QJsonValue(3);
        QTest::newRow("Mode 256") << QStringList{"CtrlSet", "Mode"} << QJsonValue(256);
        QTest::newRow("Fun 70000") << QStringList{"CtrlSet", "Fun"} << QJsonValue(70000);
        QTest::newRow("Fun 1.5") << QStringList{"CtrlSet", "Fun"} << QJsonValue(1.5);
        QTest::newRow("Exp an array") << QStringList{"Exp"} << QJsonValue(QJsonArray{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        QTest::newRow("Exp value a string") << QStringList{"Exp", "InterExpFun"} << QJsonValue("1");
        QTest::newRow("Exp value -1") << QStringList{"Exp", "InterExpFun"} << QJsonValue(-1);
        QTest::newRow("Merge an object") << QStringList{"Merge"} << QJsonValue(QJsonObject{});
        QTest::newRow("Merge 293 values") << QStringList{"Merge"} << QJsonValue(zeros(293));
        QTest::newRow("Merge flags as numbers") << QStringList{"Merge"} << QJsonValue(zeros(294));
        QTest::newRow("Others a string") << QStringList{"Others"} << QJsonValue("x");
        QTest::newRow("BPM a string") << QStringList{"Others", "BPM"} << QJsonValue("120");
        QTest::newRow("BPM negative") << QStringList{"Others", "BPM"} << QJsonValue(-5);
        QTest::newRow("Volume 1000") << QStringList{"Others", "Volume"} << QJsonValue(1000);
        QTest::newRow("pVersion a number") << QStringList{"Others", "pVersion"} << QJsonValue(1);
        QTest::newRow("effectModule an array") << QStringList{"effectModule"} << QJsonValue(QJsonArray{});
        QTest::newRow("FXA a number") << QStringList{"effectModule", "FXA"} << QJsonValue(5);
        QTest::newRow("FXA Switch a string") << QStringList{"effectModule", "FXA", "Switch"} << QJsonValue("1");
        QTest::newRow("FXA Type 999") << QStringList{"effectModule", "FXA", "Type"} << QJsonValue(999);
        QTest::newRow("FXA Type 1.5") << QStringList{"effectModule", "FXA", "Type"} << QJsonValue(1.5);
        QTest::newRow("FXA Data an array") << QStringList{"effectModule", "FXA", "Data"} << QJsonValue(QJsonArray{1, 2, 3, 4});
        QTest::newRow("FX LOOP Data short") << QStringList{"effectModule", "FX LOOP", "Data"} << QJsonValue(QJsonObject{{"Send Level", 3}});
        QTest::newRow("FX LOOP Switch null") << QStringList{"effectModule", "FX LOOP", "Switch"} << QJsonValue(QJsonValue::Null);
        QTest::newRow("TONE CAP Data word 70000") << QStringList{"effectModule", "TONE CAP", "Data"} << QJsonValue(QJsonObject{{"SourceSync", 70000}});
    }

    void wrongTypes()
    {
        QFETCH(QStringList, path);
        QFETCH(QJsonValue, value);
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        setPath(o, path, value);
        randomRecord(m_store, 90, m_rng);
        const Record before = *m_store.record(90);
        QVERIFY(!codec.readPresetFile(90, serialize(o)));
        QVERIFY(*m_store.record(90) == before);
        QVERIFY(!codec.capturePresent());
        QVERIFY(!codec.lastError().isEmpty());
    }

    void wrongTypeOfParameterValue()
    {
        PresetFileCodec codec(&m_store);
        QJsonObject o = validDocument();
        QJsonObject data = o.value("effectModule").toObject().value("AMP").toObject().value("Data").toObject();
        data.insert(data.keys().first(), QJsonValue("loud"));
        setPath(o, {"effectModule", "AMP", "Data"}, data);
        QVERIFY(!codec.readPresetFile(91, serialize(o)));
        QVERIFY(!codec.readPresetFile(91, "not json"));
        QVERIFY(!codec.readPresetFile(91, "[]"));
        QVERIFY(!codec.readPresetFile(256, serialize(validDocument())));
        QVERIFY(!codec.readPresetFile(-1, serialize(validDocument())));
        QVERIFY(codec.readPresetFile(255, serialize(validDocument())));   // the edit buffer
        QVERIFY(codec.readPresetFile(92, "{}"));                          // nothing to apply
    }

    void readFileResults()
    {
        PresetFileCodec codec(&m_store);
        QByteArray bytes("x");
        QCOMPARE(codec.readFile(m_dir.filePath("none.tp"), &bytes), 17);
        QVERIFY(bytes.isEmpty());
        QCOMPARE(codec.readFile(writeFile("empty.tp", QByteArray()), &bytes), 7);
        QCOMPARE(codec.readFile(writeFile("some.tp", "{}"), &bytes), 0);
        QCOMPARE(bytes, QByteArray("{}"));
        QCOMPARE(codec.readFile(m_dir.path(), &bytes), 17);   // a folder
        QVERIFY(codec.isPresetFile(writeFile("good.tp", serialize(validDocument()))));
        QVERIFY(codec.isPresetFile(writeFile("bare.tp", "{}")));
        QVERIFY(!codec.isPresetFile(writeFile("bad.tp", "{\"fileInfo\": {\"device\": \"other\"}}")));
        QVERIFY(!codec.isPresetFile(m_dir.filePath("empty.tp")));
        QVERIFY(!codec.isPresetFile(m_dir.filePath("none.tp")));
    }

    void importNames_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("21 characters") << "ABCDEFGHIJKLMNOPQRSTU.tp" << QByteArray("ABCDEFGHIJKLMNOP");
        QTest::newRow("short") << "Clean.tp" << QByteArray("Clean");
        QTest::newRow("16 characters") << "My Tone Is Great.tp" << QByteArray("My Tone Is Great");
        QTest::newRow("dots") << "v1.2.tp" << QByteArray("v1.2");
        QTest::newRow("multi-byte cut at a character") << QStringLiteral("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9x.tp")
                                                       << QByteArray("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9");
        QTest::newRow("multi-byte over 16 bytes") << QStringLiteral("abcdefghijklmno\u00e9.tp") << QByteArray("abcdefghijklmno");
    }

    void importNames()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, name);
        PresetFileCodec codec(&m_store);
        const QString path = writeFile(fileName, serialize(validDocument()));
        m_store.setPresetName(100, QStringLiteral("OLD NAME LONGER"));
        QCOMPARE(int(codec.importPresetFile(100, path)), 4);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(m_store.record(100)->data()), 16), name.leftJustified(16, '\0'));
    }

    void importResults()
    {
        PresetFileCodec codec(&m_store);
        randomRecord(m_store, 5, m_rng);
        fillCapture(m_store, 8, 1);
        m_store.setBlockWord(5, ModToneCap, 1, 8);
        const QString path = m_dir.filePath("cap.tp");
        QVERIFY(codec.writePresetFile(5, path));

        QCOMPARE(int(codec.importPresetFile(6, path)), 3);             // same data in slot 8
        m_store.captureData(8)[4095] ^= 1;
        QCOMPARE(int(codec.importPresetFile(6, path)), 2);             // differs
        m_store.setCaptureUsed(8, false);
        QCOMPARE(int(codec.importPresetFile(6, path)), 1);             // slot empty
        m_store.setBlockWord(5, ModToneCap, 1, 9);                     // slot 9 is empty
        QVERIFY(codec.writePresetFile(5, path));
        QCOMPARE(int(codec.importPresetFile(6, path)), 4);             // no capture
        QCOMPARE(int(codec.importPresetFile(6, m_dir.filePath("missing.tp"))), 0);
        QCOMPARE(int(codec.importPresetFile(6, writeFile("e.tp", ""))), 0);
        QCOMPARE(int(codec.importPresetFile(6, writeFile("h.tp", "{\"fileInfo\": {\"device\": \"TOVAK KT900 \"}}"))), 0);
        QCOMPARE(int(codec.importPresetFile(255, path)), 0);
        // Refused content: nothing changes, the name included.
        m_store.setPresetName(6, QStringLiteral("KEEP"));
        const Record before = *m_store.record(6);
        QCOMPARE(int(codec.importPresetFile(6, writeFile("Broken.tp", "{\"effectChain\": [1]}"))), 0);
        QVERIFY(*m_store.record(6) == before);
    }

    void importIntoCurrentPreset()
    {
        PresetFileCodec codec(&m_store);
        randomRecord(m_store, 11, m_rng);
        const QString path = m_dir.filePath("Lead.tp");
        QVERIFY(codec.writePresetFile(11, path));
        QVERIFY(m_store.selectPreset(12));
        QCOMPARE(int(codec.importPresetFile(12, path)), 4);
        QVERIFY(*m_store.record(kEditBuffer) == *m_store.record(12));
        QCOMPARE(m_store.presetName(kEditBuffer), QStringLiteral("Lead"));
        // Another preset: the edit buffer is left alone.
        QCOMPARE(int(codec.importPresetFile(13, path)), 4);
        QVERIFY(*m_store.record(kEditBuffer) == *m_store.record(12));
    }

    // Writing replaces the file only when complete.
    void atomicWrite()
    {
        PresetFileCodec codec(&m_store);
        randomRecord(m_store, 1, m_rng);
        const QString path = m_dir.filePath("Keep.tp");
        QVERIFY(codec.writePresetFile(1, path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray previous = f.readAll();
        f.close();

        // A write that fails half-way (the file size limit of the process).
        randomRecord(m_store, 2, m_rng);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        int error = 0;
        const bool ok = codec.writePresetFile(2, path, &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!ok);
        QCOMPARE(error, 14);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), previous);
        f.close();
        QCOMPARE(QDir(m_dir.path()).entryList({"Keep.tp*"}, QDir::Files | QDir::Hidden).size(), 1);

        // A target that cannot be created.
        QVERIFY(!codec.writePresetFile(2, m_dir.filePath("no/such/folder/x.tp"), &error));
        QCOMPARE(error, 17);
        // Success replaces the content.
        QVERIFY(codec.writePresetFile(2, path, &error));
        QCOMPARE(error, 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), codec.presetDocument(2));
    }

    void folder()
    {
        PresetFileCodec codec(&m_store);
        QVERIFY(codec.presetFolder().endsWith(QStringLiteral("/presetfile/")));
        QCOMPARE(codec.presetFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/presetfile/"));
        codec.setPresetFolder(m_dir.filePath("presets"));
        QCOMPARE(codec.presetFolder(), m_dir.filePath("presets") + QLatin1Char('/'));
        QCOMPARE(codec.presetFilePath(QStringLiteral("  My Tone ")), m_dir.filePath("presets/My Tone.tp"));
        QVERIFY(!codec.openPresetFolder());   // does not exist: nothing is opened
    }
};

QTEST_GUILESS_MAIN(TestPresetFile)
#include "test_presetfile.moc"
