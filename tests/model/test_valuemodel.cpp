// Parameter value model: raw to display text, the tempo-synced delay times,
// parameter words in preset records, the type-change rule and the default
// table.

#include "devicestore.h"
#include "effectcatalogue.h"
#include "resources.h"
#include "valuemodel.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

extern const char kTypeDefaultsListing[];

Q_DECLARE_METATYPE(ParaInfo)

using namespace Kt900;

namespace {

constexpr int kBuf = kEditBuffer;

EffectCatalogue &cat() { return EffectCatalogue::instance(); }

int typeIndex(int module, const QString &name)
{
    return cat().typeNames(module).indexOf(name);
}

const ParaInfo *paramNamed(int module, const QString &type, const QString &name)
{
    const int t = typeIndex(module, type);
    return cat().param(module, t, cat().paramIndexByName(module, t, name));
}

int savedWord(const DeviceStore &s, int offset, int preset = kBuf)
{
    return getU16(s.record(preset)->data() + offset);
}

void setSavedWord(DeviceStore &s, int offset, int value, int preset = kBuf)
{
    putU16(s.record(preset)->data() + offset, static_cast<std::uint16_t>(value));
}

void setPresetTempo(DeviceStore &s, int bpm, int preset = kBuf)
{
    putU16(s.record(preset)->data() + Rec::Tempo, static_cast<std::uint16_t>(bpm - 40));
}

ParaInfo rangePara(int min, int max, float step, int decimals, const QString &unit = QString())
{
    ParaInfo p;
    p.kind = ParamKind::Range;
    p.min = min;
    p.max = max;
    p.step = step;
    p.decimals = decimals;
    p.unit = unit;
    return p;
}

} // namespace

class TestValueModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DeviceStore> m_store;
    DeviceStore &store() { return *m_store; }

private slots:
    void initTestCase()
    {
        kt900InitResources();
        QVERIFY(cat().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
    }

    void init()
    {
        m_store = std::make_unique<DeviceStore>();
        for (int i = 0; i < kRecordCount; ++i)
            *m_store->record(i) = emptyPreset();
    }

    // --- raw values and display texts ------------------------------------

    void shippedDisplay_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("param");
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("text");

        QTest::newRow("Hi CutFreq 0") << 11 << "02:XLR" << "Hi CutFreq" << 0 << 19001 << "OFF";
        QTest::newRow("Hi CutFreq 1") << 11 << "02:XLR" << "Hi CutFreq" << 1 << 19001 << "20000";
        QTest::newRow("Hi CutFreq 2") << 11 << "02:XLR" << "Hi CutFreq" << 2 << 19001 << "19999";
        QTest::newRow("Hi CutFreq 19001") << 11 << "02:XLR" << "Hi CutFreq" << 19001 << 19001 << "1000";
        QTest::newRow("Lo CutFreq 0") << 5 << "04:CUSTOM EQ" << "Lo CutFreq" << 0 << 800 << "OFF";
        QTest::newRow("Lo CutFreq 1") << 5 << "04:CUSTOM EQ" << "Lo CutFreq" << 1 << 800 << "1";
        QTest::newRow("Lo CutFreq 800") << 5 << "04:CUSTOM EQ" << "Lo CutFreq" << 800 << 800 << "800";
        QTest::newRow("Pitch 120") << 6 << "09:POLY PITCH" << "Pitch" << 120 << 240 << "0.0";
        QTest::newRow("Pitch 0") << 6 << "09:POLY PITCH" << "Pitch" << 0 << 240 << "-12.0";
        QTest::newRow("Pitch 119") << 6 << "09:POLY PITCH" << "Pitch" << 119 << 240 << "-0.1";
        QTest::newRow("Pitch 240") << 6 << "09:POLY PITCH" << "Pitch" << 240 << 240 << "12.0";
        QTest::newRow("EQ band 32") << 5 << "01:TOVAK G" << "100Hz" << 32 << 64 << "0.0 dB";
        QTest::newRow("EQ band 23") << 5 << "01:TOVAK G" << "100Hz" << 23 << 64 << "-4.5 dB";
        QTest::newRow("EQ band 64") << 5 << "03:TOVAK G-6" << "3.2KHz" << 64 << 64 << "16.0 dB";
        QTest::newRow("Time 0") << 7 << "01:DIGITAL" << "Time" << 0 << 2460 << "40 ms";
        QTest::newRow("Time 500") << 7 << "01:DIGITAL" << "Time" << 500 << 2460 << "540 ms";
        QTest::newRow("Time 2460") << 7 << "01:DIGITAL" << "Time" << 2460 << 2460 << "2500 ms";
        QTest::newRow("Rate 160") << 0 << "03:AUTO WAH" << "Rate" << 160 << 1000 << "16.0";
        QTest::newRow("Rate 1000") << 0 << "03:AUTO WAH" << "Rate" << 1000 << 1000 << "100.0";
        QTest::newRow("Detune 0") << 0 << "17:DETUNE" << "Pitch" << 0 << 200 << "-100 Cent";
        QTest::newRow("Detune 100") << 0 << "17:DETUNE" << "Pitch" << 100 << 200 << "0 Cent";
        QTest::newRow("Dry/Wet 50") << 9 << "FX LOOP" << "Dry/Wet" << 50 << 100 << "50.Wet";
        QTest::newRow("Send Level 0") << 10 << "FX LOOP" << "Send Level" << 0 << 66 << "-60 dB";
        QTest::newRow("Send Level 66") << 10 << "FX LOOP" << "Send Level" << 66 << 66 << "6 dB";
        QTest::newRow("Loop Mode 1") << 9 << "FX LOOP" << "Loop Mode" << 1 << 1 << "Parallel";
        QTest::newRow("Mic 9") << 3 << "01:US DLX 112" << "Mic" << 9 << 9 << "C4000B";
        QTest::newRow("Tube 0") << 3 << "33:EMPTY" << "Tube" << 0 << 4 << "OFF";
        QTest::newRow("Sub D 0") << 7 << "01:DIGITAL" << "Sub D" << 0 << 9 << "OFF";
        QTest::newRow("Sub D 9") << 7 << "01:DIGITAL" << "Sub D" << 9 << 9 << "1/16D";
        QTest::newRow("Lo Freq 17940") << 11 << "01:Output&Phone" << "Lo Freq" << 17940 << 17940 << "18000 Hz";
        QTest::newRow("Lo Gain 0") << 11 << "01:Output&Phone" << "Lo Gain" << 0 << 200 << "-10.0 dB";
        QTest::newRow("Pre delay 200") << 8 << "07:CAVE" << "Pre delay" << 200 << 200 << "200 ms";
        QTest::newRow("ON/OFF 1") << 11 << "02:XLR" << "ON/OFF" << 1 << 1 << "ON";
    }

    void shippedDisplay()
    {
        QFETCH(int, module);
        QFETCH(QString, type);
        QFETCH(QString, param);
        QFETCH(int, raw);
        QFETCH(int, steps);
        QFETCH(QString, text);
        const ParaInfo *p = paramNamed(module, type, param);
        QVERIFY(p);
        QCOMPARE(ValueModel::stepCount(*p), steps);
        QCOMPARE(ValueModel::displayText(*p, raw), text);
    }

    void displayNumber()
    {
        const ParaInfo *hi = paramNamed(11, QStringLiteral("02:XLR"), QStringLiteral("Hi CutFreq"));
        QCOMPARE(ValueModel::displayNumber(*hi, 1), 20000.0);
        QCOMPARE(ValueModel::displayNumber(*hi, 19001), 1000.0);
        const ParaInfo *band = paramNamed(5, QStringLiteral("01:TOVAK G"), QStringLiteral("100Hz"));
        QCOMPARE(ValueModel::displayNumber(*band, 23), -4.5);
        // The step is a 32-bit float widened to double.
        const ParaInfo *rate = paramNamed(0, QStringLiteral("03:AUTO WAH"), QStringLiteral("Rate"));
        QCOMPARE(ValueModel::displayNumber(*rate, 3), 3.0 * static_cast<double>(0.1f));
    }

    void syntheticDisplay_data()
    {
        QTest::addColumn<ParaInfo>("para");
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("text");

        ParaInfo sfx = rangePara(0, 10, 1.0f, 0, QStringLiteral(" dB"));
        sfx.kind = ParamKind::RangeWithOptions;
        sfx.prefixOptions = QStringList{QStringLiteral("OFF")};
        sfx.suffixOptions = QStringList{QStringLiteral("MAX"), QStringLiteral("LIM")};
        QTest::newRow("prefix") << sfx << 0 << 10 << "OFF dB";
        QTest::newRow("number before suffixes") << sfx << 8 << 10 << "8 dB";
        QTest::newRow("first suffix") << sfx << 9 << 10 << "MAX dB";
        QTest::newRow("last suffix") << sfx << 10 << 10 << "LIM dB";
        QTest::newRow("beyond the range") << sfx << 11 << 10 << "11 dB";

        ParaInfo big = rangePara(100000, 2000000, 1.0f, 0);
        QTest::newRow("six digits") << big << 0 << 65535 << "100000";
        QTest::newRow("general notation") << big << 1134567 << 65535 << "1.23457e+06";

        QTest::newRow("two decimals") << rangePara(0, 1, 0.25f, 2) << 3 << 4 << "0.75";
        QTest::newRow("no negative zero") << rangePara(1, 0, -0.1f, 1) << 10 << 10 << "0.0";
        QTest::newRow("descending") << rangePara(10, 0, -2.0f, 0, QStringLiteral("x")) << 2 << 5 << "6x";
        QTest::newRow("zero step") << rangePara(0, 10, 0.0f, 0) << 0 << 0 << "0";
        QTest::newRow("reversed bounds") << rangePara(10, 0, 1.0f, 0) << 0 << -9 << "10";

        ParaInfo opts;
        opts.kind = ParamKind::Options;
        opts.options = QStringList{QStringLiteral("A"), QStringLiteral("B")};
        QTest::newRow("option") << opts << 1 << 1 << "B";
        QTest::newRow("option out of range") << opts << 2 << 1 << "";
        QTest::newRow("option negative") << opts << -1 << 1 << "";
    }

    void syntheticDisplay()
    {
        QFETCH(ParaInfo, para);
        QFETCH(int, raw);
        QFETCH(int, steps);
        QFETCH(QString, text);
        QCOMPARE(ValueModel::stepCount(para), steps);
        QCOMPARE(ValueModel::displayText(para, raw), text);
    }

    void subdivisionFactors_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<float>("factor");
        const float f[] = {1.0f, 1.0f, 0.6666667f, 1.5f, 0.5f, 0.33333334f, 0.75f, 0.25f, 0.16666667f, 0.375f};
        for (int i = 0; i < 10; ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i << f[i];
        QTest::newRow("10 uses 1/16D") << 10 << 0.375f;
        QTest::newRow("65535 uses 1/16D") << 65535 << 0.375f;
    }

    void subdivisionFactors()
    {
        QFETCH(int, index);
        QFETCH(float, factor);
        QCOMPARE(ValueModel::subdivisionFactor(index), factor);
    }

    // --- tempo-synced delays ------------------------------------------------

    void syncedTime_data()
    {
        QTest::addColumn<bool>("globalMode");
        QTest::addColumn<int>("presetBpm");
        QTest::addColumn<int>("globalBpm");
        QTest::addColumn<int>("sub");
        QTest::addColumn<int>("ms");

        const int at120[] = {0, 500, 333, 750, 250, 166, 375, 125, 83, 187};
        for (int s = 1; s <= 9; ++s)
            QTest::newRow(qPrintable(QStringLiteral("120 bpm sub %1").arg(s))) << false << 120 << 60 << s << at120[s];
        QTest::newRow("40 bpm 1/4D") << false << 40 << 120 << 3 << 2250;
        QTest::newRow("40 bpm 1/4") << false << 40 << 120 << 1 << 1500;
        QTest::newRow("41 bpm 1/4D") << false << 41 << 120 << 3 << 2194; // base 1463
        QTest::newRow("260 bpm 1/4") << false << 260 << 120 << 1 << 230;
        QTest::newRow("260 bpm 1/16T clamps to 40") << false << 260 << 120 << 8 << 40;
        QTest::newRow("261 bpm starts from 1500") << false << 261 << 120 << 4 << 750;
        QTest::newRow("out of range 1/4D") << false << 300 << 120 << 3 << 2250;
        QTest::newRow("global tempo in force") << true << 40 << 120 << 1 << 500;
        QTest::newRow("global tempo out of range") << true << 120 << 275 << 1 << 1500;
        QTest::newRow("subdivision above 9") << false << 120 << 60 << 12 << 187;
    }

    void syncedTime()
    {
        QFETCH(bool, globalMode);
        QFETCH(int, presetBpm);
        QFETCH(int, globalBpm);
        QFETCH(int, sub);
        QFETCH(int, ms);
        store().setSystemSetting(7, globalMode ? 1 : 0);
        setPresetTempo(store(), presetBpm);
        store().setGlobalTempoRaw(static_cast<std::uint16_t>(globalBpm - 40));
        QCOMPARE(ValueModel::tempoInEffect(store(), kBuf), globalMode ? globalBpm : presetBpm);

        // FXA 26:DIGITAL DELAY: Time is index 2, Sub D index 3.
        setSavedWord(store(), Rec::FxATime, 777);
        QVERIFY(ValueModel::setParam(store(), kBuf, ModFxa, 25, 3, sub));
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModFxa, 3), sub);
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModFxa, 2), ms - 40);
        QCOMPARE(savedWord(store(), Rec::FxATime), 777);
        QCOMPARE(ValueModel::syncedTimeRaw(ValueModel::tempoInEffect(store(), kBuf), sub), ms - 40);
    }

    void syncRoundTrip_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("timeIndex");
        QTest::addColumn<int>("subIndex");
        QTest::addColumn<int>("savedOffset");
        QTest::newRow("FXA digital delay") << 0 << 25 << 2 << 3 << int(Rec::FxATime);
        QTest::newRow("FXB analog delay") << 6 << 26 << 2 << 3 << int(Rec::FxBTime);
        for (int t = 0; t < 8; ++t)
            QTest::newRow(qPrintable(QStringLiteral("DELAY type %1").arg(t))) << 7 << t << 2 << 3 << int(Rec::DelayTime1);
        QTest::newRow("DELAY dual A") << 7 << 8 << 2 << 3 << int(Rec::DelayTime1);
        QTest::newRow("DELAY dual B") << 7 << 8 << 4 << 5 << int(Rec::DelayTime2);
    }

    void syncRoundTrip()
    {
        QFETCH(int, module);
        QFETCH(int, type);
        QFETCH(int, timeIndex);
        QFETCH(int, subIndex);
        QFETCH(int, savedOffset);
        const int preset = 17; // any record, not only the edit buffer
        setPresetTempo(store(), 120, preset);
        QCOMPARE(ValueModel::syncedTimeIndex(module, type, subIndex), timeIndex);
        QCOMPARE(ValueModel::subdivisionIndexForTime(module, type, timeIndex), subIndex);
        QCOMPARE(ValueModel::savedDelayTimeOffset(module, type, timeIndex), savedOffset);
        QCOMPARE(ValueModel::savedDelayTimeOffset(module, type, subIndex), savedOffset);

        // A manual time goes to the time word and the saved delay time.
        QVERIFY(ValueModel::setParam(store(), preset, module, type, subIndex, 0));
        QVERIFY(ValueModel::setParam(store(), preset, module, type, timeIndex, 300));
        QCOMPARE(ValueModel::getParam(store(), preset, module, timeIndex), 300);
        QCOMPARE(savedWord(store(), savedOffset, preset), 300);

        // "1/4" at 120 BPM: 500 ms.
        QVERIFY(ValueModel::setParam(store(), preset, module, type, subIndex, 1));
        QCOMPARE(ValueModel::getParam(store(), preset, module, timeIndex), 460);
        QCOMPARE(savedWord(store(), savedOffset, preset), 300);

        // The time follows the tempo: a manual time changes nothing.
        QVERIFY(ValueModel::setParam(store(), preset, module, type, timeIndex, 1000));
        QCOMPARE(ValueModel::getParam(store(), preset, module, timeIndex), 460);
        QCOMPARE(savedWord(store(), savedOffset, preset), 300);

        // Back to OFF restores the manual time.
        QVERIFY(ValueModel::setParam(store(), preset, module, type, subIndex, 0));
        QCOMPARE(ValueModel::getParam(store(), preset, module, subIndex), 0);
        QCOMPARE(ValueModel::getParam(store(), preset, module, timeIndex), 300);

        // The edit buffer was not touched.
        QCOMPARE(*store().record(kBuf), emptyPreset());
    }

    void dualDelayIndependence()
    {
        setPresetTempo(store(), 120);
        const int dual = 8;
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 2, 100));
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 4, 200));
        QCOMPARE(savedWord(store(), Rec::DelayTime1), 100);
        QCOMPARE(savedWord(store(), Rec::DelayTime2), 200);

        // Sub B "1/8" drives Time B only.
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 5, 4));
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 4), 210);
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 2), 100);
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 3), 0);
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 2, 150)); // A is still manual
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 2), 150);
        QCOMPARE(savedWord(store(), Rec::DelayTime1), 150);
        QCOMPARE(savedWord(store(), Rec::DelayTime2), 200);

        // Sub A "1/4" drives Time A only.
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 3, 1));
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 2), 460);
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 4), 210);

        // OFF restores each from its own saved time.
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 5, 0));
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 4), 200);
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 2), 460);
        QVERIFY(ValueModel::setParam(store(), kBuf, ModDelay, dual, 3, 0));
        QCOMPARE(ValueModel::getParam(store(), kBuf, ModDelay, 2), 150);
    }

    void plainParameters_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("index");
        QTest::newRow("FXA other type, index 3") << 0 << 0 << 3;
        QTest::newRow("FXA other type, index 2") << 0 << 24 << 2;
        QTest::newRow("FXA delay level") << 0 << 25 << 0;
        QTest::newRow("FXB type 26 index 3") << 6 << 25 << 3;
        QTest::newRow("DELAY dynamic Thres") << 7 << 7 << 4;
        QTest::newRow("DELAY type 0 unused word 5") << 7 << 0 << 5;
        QTest::newRow("REVERB index 3") << 8 << 0 << 3;
    }

    void plainParameters()
    {
        QFETCH(int, module);
        QFETCH(int, type);
        QFETCH(int, index);
        setPresetTempo(store(), 120);
        const Record before = *store().record(kBuf);
        QVERIFY(ValueModel::setParam(store(), kBuf, module, type, index, 5));
        QCOMPARE(ValueModel::getParam(store(), kBuf, module, index), 5);
        // Exactly one word changed.
        Record expected = before;
        putU16(expected.data() + moduleBlockOffset(module) + 4 + 2 * index, 5);
        QCOMPARE(*store().record(kBuf), expected);
    }

    // --- parameter words ------------------------------------------------------

    void blockAccess()
    {
        DeviceStore &s = store();
        // FX LOOP: modules 9 and 10 share one block without a type word.
        QVERIFY(ValueModel::setParam(s, kBuf, 9, 0, 2, 77));
        QCOMPARE(ValueModel::getParam(s, kBuf, 10, 2), 77);
        QCOMPARE(getU16(s.record(kBuf)->data() + 0x08E + 2 + 2 * 2), 77);
        QVERIFY(ValueModel::setParam(s, kBuf, 10, 0, 3, 1));
        QCOMPARE(ValueModel::getParam(s, kBuf, 9, 3), 1);
        QCOMPARE(ValueModel::getParam(s, kBuf, 9, 4), -1);
        QVERIFY(ValueModel::setSwitch(s, kBuf, 10, 1));
        QCOMPARE(getU16(s.record(kBuf)->data() + 0x08E), 1);
        const Record before = *s.record(kBuf);
        QVERIFY(ValueModel::setType(s, kBuf, 9, 3)); // no type word: nothing stored
        QCOMPARE(*s.record(kBuf), before);

        // Tone-capture block: on/off, type, one parameter word.
        QVERIFY(ValueModel::setParam(s, kBuf, 11, 0, 0, 1));
        QCOMPARE(getU16(s.record(kBuf)->data() + 0x098 + 4), 1);
        QCOMPARE(ValueModel::getParam(s, kBuf, 11, 1), -1);

        // Parameter word i is word 2 + i; the last word of EQ is its ninth.
        QVERIFY(ValueModel::setParam(s, 3, 5, 3, 8, 0x1234));
        QCOMPARE(getU16(s.record(3)->data() + 0x050 + 4 + 16), 0x1234);
        QCOMPARE(ValueModel::getParam(s, 3, 5, 9), -1);

        QVERIFY(ValueModel::setSwitch(s, kBuf, 2, 7));
        QCOMPARE(s.blockWord(kBuf, 2, 0), 1);
        QVERIFY(ValueModel::setSwitch(s, kBuf, 2, 0));
        QCOMPARE(s.blockWord(kBuf, 2, 0), 0);
        QVERIFY(ValueModel::setType(s, kBuf, 2, 79));
        QCOMPARE(s.blockWord(kBuf, 2, 1), 79);
    }

    void refusedAccess()
    {
        DeviceStore &s = store();
        const Record before = *s.record(kBuf);
        QCOMPARE(ValueModel::getParam(s, kBuf, 12, 0), -1);
        QCOMPARE(ValueModel::getParam(s, kBuf, -1, 0), -1);
        QCOMPARE(ValueModel::getParam(s, 256, 0, 0), -1);
        QCOMPARE(ValueModel::getParam(s, kBuf, 0, -1), -1);
        QCOMPARE(ValueModel::getParam(s, kBuf, 0, 4), -1);
        QVERIFY(!ValueModel::setParam(s, kBuf, 12, 0, 0, 1));
        QVERIFY(!ValueModel::setParam(s, kBuf, -1, 0, 0, 1));
        QVERIFY(!ValueModel::setParam(s, 256, 0, 0, 0, 1));
        QVERIFY(!ValueModel::setParam(s, kBuf, 0, 0, 4, 1));
        QVERIFY(!ValueModel::setParam(s, kBuf, 0, 0, 0, -1));
        QVERIFY(!ValueModel::setParam(s, kBuf, 0, 0, 0, 65536));
        QVERIFY(!ValueModel::setParam(s, kBuf, 0, 25, 3, 70000));
        QVERIFY(!ValueModel::setSwitch(s, kBuf, 12, 1));
        QVERIFY(!ValueModel::setSwitch(s, 256, 0, 1));
        QVERIFY(!ValueModel::setType(s, kBuf, 12, 0));
        QVERIFY(!ValueModel::setType(s, kBuf, 0, -1));
        QVERIFY(!ValueModel::setType(s, -1, 0, 0));
        QCOMPARE(*s.record(kBuf), before);
        QVERIFY(ValueModel::setParam(s, kBuf, 0, 0, 0, 65535));
        QCOMPARE(ValueModel::getParam(s, kBuf, 0, 0), 65535);
    }

    void tempoInEffect()
    {
        DeviceStore &s = store();
        setPresetTempo(s, 95, 4);
        setPresetTempo(s, 130);
        s.setGlobalTempoRaw(200 - 40);
        QCOMPARE(ValueModel::tempoInEffect(s, 4), 95);
        QCOMPARE(ValueModel::tempoInEffect(s, kBuf), 130);
        s.setSystemSetting(7, 1);
        QCOMPARE(ValueModel::tempoInEffect(s, 4), 200);
        QCOMPARE(ValueModel::tempoInEffect(s, kBuf), 200);
    }

    // --- type change ----------------------------------------------------------

    void changeTypeLoadsDefaults_data()
    {
        QTest::addColumn<int>("module");
        for (int m : {0, 1, 2, 4, 5, 6, 7, 8})
            QTest::newRow(qPrintable(cat().chainName(m))) << m;
    }

    void changeTypeLoadsDefaults()
    {
        QFETCH(int, module);
        const int words = moduleParamWords(module);
        for (int t = 0; t < cat().typeCount(module); ++t) {
            init();
            DeviceStore &s = store();
            for (int w = 0; w < words; ++w)
                s.setBlockWord(kBuf, module, 2 + w, 0xAAAA);
            for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
                setSavedWord(s, off, 123);
            setSavedWord(s, Rec::FxATime, 123, 0);
            s.setBlockWord(kBuf, ModToneCap, 2, 1);
            s.setBlockWord(kBuf, module, 0, 1);

            QVERIFY(ValueModel::changeType(s, module, t));
            const QList<int> def = ValueModel::typeDefaults(module, t);
            const int n = cat().paramCount(module, t);
            QCOMPARE(s.blockWord(kBuf, module, 1), t);
            QCOMPARE(s.blockWord(kBuf, module, 0), 1);
            for (int i = 0; i < words; ++i)
                QCOMPARE(ValueModel::getParam(s, kBuf, module, i), i < n ? def.at(i) : 0xAAAA);
            QCOMPARE(savedWord(s, Rec::FxATime), module == 0 ? 500 : 123);
            QCOMPARE(savedWord(s, Rec::FxBTime), module == 6 ? 500 : 123);
            QCOMPARE(savedWord(s, Rec::DelayTime1), module == 7 ? 500 : 123);
            QCOMPARE(savedWord(s, Rec::DelayTime2), module == 7 ? 500 : 123);
            QCOMPARE(s.blockWord(kBuf, ModToneCap, 2), 1);
            QCOMPARE(savedWord(s, Rec::FxATime, 0), 123); // edit buffer only
        }
    }

    void changeDelayTypeResetsSavedTimes()
    {
        DeviceStore &s = store();
        QVERIFY(ValueModel::changeType(s, ModDelay, 8));
        QVERIFY(ValueModel::setParam(s, kBuf, ModDelay, 8, 2, 1000));
        QVERIFY(ValueModel::setParam(s, kBuf, ModDelay, 8, 4, 2000));
        QVERIFY(ValueModel::changeType(s, ModDelay, 0)); // one time only
        QCOMPARE(savedWord(s, Rec::DelayTime1), 500);
        QCOMPARE(savedWord(s, Rec::DelayTime2), 500);
        QCOMPARE(ValueModel::displayText(*cat().param(ModDelay, 0, 2), savedWord(s, Rec::DelayTime1)),
                 QStringLiteral("540 ms"));
        // The loaded default time is the type's own, not the saved one.
        QCOMPARE(ValueModel::getParam(s, kBuf, ModDelay, 2), 460);
        QCOMPARE(ValueModel::getParam(s, kBuf, ModDelay, 4), 2000); // beyond the type's parameters
    }

    void changeCabType_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("01 Sync on to 02") << 0 << QList<int>{4, 5, 0, 30, 1, 50} << 1 << QList<int>{3, 3, 20, 30, 1, 50};
        QTest::newRow("01 Sync off to 07") << 0 << QList<int>{1, 1, 1, 1, 0, 1} << 6 << QList<int>{3, 8, 0, 0, 0, 100};
        QTest::newRow("33 to 34 keeps Tube and Level") << 32 << QList<int>{2, 77, 9, 9, 1, 9} << 33 << QList<int>{2, 77, 9, 9, 1, 9};
        QTest::newRow("42 to 42 keeps") << 41 << QList<int>{3, 12, 0, 0, 0, 0} << 41 << QList<int>{3, 12, 0, 0, 0, 0};
        QTest::newRow("built-in to import slot") << 0 << QList<int>{4, 5, 6, 7, 1, 9} << 32 << QList<int>{0, 50, 6, 7, 1, 9};
        QTest::newRow("import slot to built-in") << 35 << QList<int>{2, 77, 9, 9, 1, 9} << 31 << QList<int>{0, 3, 0, 40, 1, 50};
    }

    void changeCabType()
    {
        QFETCH(int, from);
        QFETCH(QList<int>, before);
        QFETCH(int, to);
        QFETCH(QList<int>, after);
        DeviceStore &s = store();
        QVERIFY(ValueModel::setType(s, kBuf, ModCab, from));
        for (int i = 0; i < 6; ++i)
            QVERIFY(ValueModel::setParam(s, kBuf, ModCab, from, i, before.at(i)));
        for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
            setSavedWord(s, off, 321);
        QVERIFY(ValueModel::changeType(s, ModCab, to));
        QCOMPARE(s.blockWord(kBuf, ModCab, 1), to);
        QList<int> got;
        for (int i = 0; i < 6; ++i)
            got << ValueModel::getParam(s, kBuf, ModCab, i);
        QCOMPARE(got, after);
        for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
            QCOMPARE(savedWord(s, off), 321);
    }

    void changeToneCaptureSlot()
    {
        DeviceStore &s = store();
        s.setBlockWord(kBuf, ModToneCap, 0, 1);
        s.setBlockWord(kBuf, ModToneCap, 2, 1); // SOURCE SYNC on
        QVERIFY(ValueModel::changeType(s, ModToneCap, 5));
        QCOMPARE(s.blockWord(kBuf, ModToneCap, 0), 1);
        QCOMPARE(s.blockWord(kBuf, ModToneCap, 1), 5);
        QCOMPARE(s.blockWord(kBuf, ModToneCap, 2), 0);
        QVERIFY(ValueModel::changeType(s, ModToneCap, 19));
        QVERIFY(!ValueModel::changeType(s, ModToneCap, 20));
        QCOMPARE(s.blockWord(kBuf, ModToneCap, 1), 19);
    }

    void changeTypeRefused_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("type");
        QTest::newRow("FX LOOP send") << 9 << 0;
        QTest::newRow("FX LOOP return") << 10 << 0;
        QTest::newRow("module 12") << 12 << 0;
        QTest::newRow("module -1") << -1 << 0;
        QTest::newRow("FXA type 28") << 0 << 28;
        QTest::newRow("AMP type 80") << 2 << 80;
        QTest::newRow("CAB type 42") << 3 << 42;
        QTest::newRow("REVERB type -1") << 8 << -1;
        QTest::newRow("tone capture -1") << 11 << -1;
    }

    void changeTypeRefused()
    {
        QFETCH(int, module);
        QFETCH(int, type);
        store().setBlockWord(kBuf, ModToneCap, 2, 1);
        const Record before = *store().record(kBuf);
        QVERIFY(!ValueModel::changeType(store(), module, type));
        QCOMPARE(*store().record(kBuf), before);
    }

    // --- the default table ------------------------------------------------------

    void typeDefaultsShape()
    {
        for (int m = 0; m < 9; ++m) {
            QCOMPARE(ValueModel::typeDefaultsRowCount(m), cat().typeCount(m));
            for (int t = 0; t < cat().typeCount(m); ++t) {
                const QList<int> row = ValueModel::typeDefaults(m, t);
                const QString where = QStringLiteral("%1 %2").arg(cat().chainName(m), cat().typeName(m, t));
                // One value per parameter word of the block; the type's own
                // parameters come first.
                QVERIFY2(row.size() == moduleParamWords(m), qPrintable(where));
                QVERIFY2(cat().paramCount(m, t) <= row.size(), qPrintable(where));
                for (int i = 0; i < cat().paramCount(m, t); ++i)
                    QVERIFY2(cat().isValueValid(row.at(i), m, t, i),
                             qPrintable(QStringLiteral("%1 parameter %2 default %3").arg(where).arg(i).arg(row.at(i))));
            }
            QVERIFY(ValueModel::typeDefaults(m, cat().typeCount(m)).isEmpty());
            QVERIFY(ValueModel::typeDefaults(m, -1).isEmpty());
        }
        for (int m : {9, 10, 11, 12, -1}) {
            QCOMPARE(ValueModel::typeDefaultsRowCount(m), 0);
            QVERIFY(ValueModel::typeDefaults(m, 0).isEmpty());
        }
    }

    void typeDefaultsMatchListing()
    {
        static const QRegularExpression lineRe(QString::fromUtf8(R"re(^- (.+) \((\d) values per type, types 1-(\d+)\): (.*)\.$)re"));
        const QStringList lines = QString::fromUtf8(kTypeDefaultsListing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 9);
        for (const QString &line : lines) {
            const QRegularExpressionMatch m = lineRe.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            int module = -1;
            for (int i = 0; i < 9 && module < 0; ++i) {
                if (cat().chainName(i) == m.captured(1))
                    module = i;
            }
            QVERIFY2(module >= 0, qPrintable(m.captured(1)));
            const QStringList groups = m.captured(4).split(QLatin1Char(';'));
            QCOMPARE(groups.size(), m.captured(3).toInt());
            QCOMPARE(ValueModel::typeDefaultsRowCount(module), groups.size());
            for (int t = 0; t < groups.size(); ++t) {
                QList<int> expected;
                for (const QString &v : groups.at(t).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    expected << v.toInt();
                QCOMPARE(expected.size(), m.captured(2).toInt());
                QCOMPARE(ValueModel::typeDefaults(module, t), expected);
            }
        }
    }

    void emptyPresetUsesFirstTypeDefaults()
    {
        const Record &r = emptyPreset();
        DeviceStore s;
        *s.record(0) = r;
        for (int m = 0; m < 9; ++m) {
            QCOMPARE(s.blockWord(0, m, 0), 0);
            QCOMPARE(s.blockWord(0, m, 1), 0);
            const QList<int> def = ValueModel::typeDefaults(m, 0);
            for (int i = 0; i < def.size(); ++i)
                QCOMPARE(ValueModel::getParam(s, 0, m, i), def.at(i));
        }
        for (int i = 0; i < cat().paramCount(9, 0); ++i)
            QVERIFY(cat().isValueValid(ValueModel::getParam(s, 0, 9, i), 9, 0, i));
        QCOMPARE(ValueModel::displayText(*cat().param(9, 0, 0), ValueModel::getParam(s, 0, 9, 0)), QStringLiteral("0 dB"));
        for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
            QCOMPARE(savedWord(s, off, 0), 500);
        QCOMPARE(ValueModel::tempoInEffect(s, 0), 120);
    }
};

QTEST_APPLESS_MAIN(TestValueModel)
#include "test_valuemodel.moc"
