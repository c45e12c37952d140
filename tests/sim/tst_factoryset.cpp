// The factory set of the virtual unit: every value one the catalogue accepts,
// real-looking and varied, the same on every run.

#include "factoryset.h"

#include "effectcatalogue.h"
#include "resources.h"
#include "valuemodel.h"

#include <QSet>
#include <QtTest>

#include <cmath>

using namespace Kt900Sim;
using namespace Kt900;

class TestFactorySet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyValueIsValid();
    void namesAreUniqueAndReadable();
    void chainsAreOrdersOfTheElevenModules();
    void presetsAreVaried();
    void importSlotsAndCapturesNameFilledSlots();
    void syncedDelayTimesFollowTheTempo();
    void globalsAreValid();
    void userSlots();
    void buildIsDeterministic();

private:
    EffectCatalogue m_cat;
};

void TestFactorySet::initTestCase()
{
    kt900InitResources();
    QVERIFY(m_cat.load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
    QCOMPARE(m_cat.chainCount(), 12);
    QVERIFY(factoryMemory().store.presetName(0).size() > 0);
}

void TestFactorySet::everyValueIsValid()
{
    const DeviceStore &s = factoryMemory().store;
    for (int p = 0; p <= kEditBuffer; ++p) {
        for (int m = 0; m <= ModFxLoopSend; ++m) {
            const int onOff = s.blockWord(p, m, 0);
            QVERIFY(onOff == 0 || onOff == 1);
            const bool hasType = moduleHasTypeWord(m);
            const int type = hasType ? s.blockWord(p, m, 1) : 0;
            QVERIFY2(type >= 0 && type < m_cat.typeCount(m), qPrintable(QStringLiteral("preset %1 module %2 type %3").arg(p).arg(m).arg(type)));
            const int params = m_cat.paramCount(m, type);
            QVERIFY(params >= 0 && params <= moduleParamWords(m));
            for (int i = 0; i < params; ++i) {
                const int raw = s.blockWord(p, m, (hasType ? 2 : 1) + i);
                QVERIFY2(m_cat.isValueValid(raw, m, type, i),
                         qPrintable(QStringLiteral("preset %1 module %2 type %3 param %4 = %5").arg(p).arg(m).arg(type).arg(i).arg(raw)));
            }
        }
        const int tcOn = s.blockWord(p, ModToneCap, 0);
        QVERIFY(tcOn == 0 || tcOn == 1);
        QVERIFY(s.blockWord(p, ModToneCap, 1) < kCaptureSlots);
        QVERIFY(s.blockWord(p, ModToneCap, 2) <= 1);
        const Record &r = *s.record(p);
        QVERIFY(r[Rec::Volume] <= 100);
        QVERIFY(getU16(r.data() + Rec::Tempo) <= 220);
        QVERIFY(r[Rec::CtrlMode] <= 2);
        QVERIFY(getU16(r.data() + Rec::CtrlMask) < (1u << 11));
        // Pedal assignments: module 0..9 and a parameter of its list.
        static constexpr int pedalParams[10] = {20, 3, 6, 3, 4, 15, 18, 6, 5, 3};
        const std::uint8_t *exp = r.data() + Rec::ExpSettings;
        QVERIFY(exp[5] <= 1);
        QVERIFY(exp[6] < 10 && exp[7] < pedalParams[exp[6]]);
        QVERIFY(exp[8] < 10 && exp[9] < pedalParams[exp[8]]);
        for (int off : {Rec::FxATime, Rec::FxBTime, Rec::DelayTime1, Rec::DelayTime2})
            QVERIFY(getU16(r.data() + off) <= 2460);
    }
}

void TestFactorySet::namesAreUniqueAndReadable()
{
    const DeviceStore &s = factoryMemory().store;
    QSet<QString> names;
    for (int p = 0; p < kPresetCount; ++p) {
        const QString name = s.presetName(p);
        QVERIFY(!name.isEmpty() && name.size() <= 16);
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z ]+$")).match(name).hasMatch(), qPrintable(name));
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
    }
    QCOMPARE(s.presetName(kEditBuffer), s.presetName(0));
    QCOMPARE(s.currentPresetIndex(), 0);
}

void TestFactorySet::chainsAreOrdersOfTheElevenModules()
{
    const DeviceStore &s = factoryMemory().store;
    QSet<QByteArray> orders;
    for (int p = 0; p < kPresetCount; ++p) {
        const Record &r = *s.record(p);
        QByteArray order;
        for (int i = 0; i < kChainLength; ++i)
            order.append(static_cast<char>(r[static_cast<std::size_t>(Rec::Chain + 2 * i)]));
        QByteArray sorted = order;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, QByteArray::fromHex("000102030405060708090a"));
        QVERIFY(order.indexOf(char(9)) < order.indexOf(char(10))); // send before return
        orders.insert(order);
    }
    QVERIFY(orders.size() >= 5);
}

void TestFactorySet::presetsAreVaried()
{
    const DeviceStore &s = factoryMemory().store;
    for (int m = 0; m <= ModReverb; ++m) {
        QSet<int> types;
        int on = 0;
        for (int p = 0; p < kPresetCount; ++p) {
            types.insert(s.blockWord(p, m, 1));
            on += s.blockWord(p, m, 0);
        }
        QVERIFY2(types.size() >= std::min(5, m_cat.typeCount(m)), qPrintable(QStringLiteral("module %1").arg(m)));
        if (m == ModAmp)
            QCOMPARE(on, kPresetCount);
        else
            QVERIFY2(on > 5 && on < kPresetCount, qPrintable(QStringLiteral("module %1 on in %2 presets").arg(m).arg(on)));
    }
    // Parameters differ from the type defaults in many presets.
    int changed = 0;
    for (int p = 0; p < kPresetCount; ++p) {
        const int type = s.blockWord(p, ModAmp, 1);
        const QList<int> defaults = ValueModel::typeDefaults(ModAmp, type);
        for (int i = 1; i < defaults.size(); ++i)
            changed += s.blockWord(p, ModAmp, 2 + i) != defaults.at(i) ? 1 : 0;
    }
    QVERIFY(changed > 200);
}

void TestFactorySet::importSlotsAndCapturesNameFilledSlots()
{
    const UnitMemory &mem = factoryMemory();
    const DeviceStore &s = mem.store;
    int irUsers = 0, nrUsers = 0, captureUsers = 0;
    for (int p = 0; p <= kEditBuffer; ++p) {
        const int cab = s.blockWord(p, ModCab, 1);
        if (m_cat.isImportSlot(ModCab, cab)) {
            QVERIFY(mem.irFilled(cab - 32));
            ++irUsers;
        }
        const int amp = s.blockWord(p, ModAmp, 1);
        if (m_cat.isImportSlot(ModAmp, amp)) {
            QVERIFY(mem.nrFilled(amp - 70));
            ++nrUsers;
        }
        if (s.blockWord(p, ModToneCap, 0)) {
            QVERIFY(mem.captureFilled(s.blockWord(p, ModToneCap, 1)));
            ++captureUsers;
        }
    }
    QVERIFY(irUsers > 0);
    QVERIFY(nrUsers > 0);
    QVERIFY(captureUsers > 0);
}

void TestFactorySet::syncedDelayTimesFollowTheTempo()
{
    // (module, type, time index, subdivision index, saved time offset)
    struct Triple {
        int module, typeFrom, typeTo, time, sub, saved;
    };
    const Triple triples[] = {
        {ModFxa, 25, 25, 2, 3, Rec::FxATime}, {ModFxb, 26, 26, 2, 3, Rec::FxBTime},
        {ModDelay, 0, 8, 2, 3, Rec::DelayTime1}, {ModDelay, 8, 8, 4, 5, Rec::DelayTime2},
    };
    const DeviceStore &s = factoryMemory().store;
    int synced = 0;
    for (int p = 0; p < kPresetCount; ++p) {
        const int bpm = getU16(s.record(p)->data() + Rec::Tempo) + 40;
        for (const Triple &t : triples) {
            const int type = s.blockWord(p, t.module, 1);
            if (type < t.typeFrom || type > t.typeTo)
                continue;
            const int sub = s.blockWord(p, t.module, 2 + t.sub);
            const int time = s.blockWord(p, t.module, 2 + t.time);
            const int saved = getU16(s.record(p)->data() + t.saved);
            if (sub == 0) {
                QCOMPARE(time, saved);
            } else {
                ++synced;
                const int base = 60000 / bpm;
                const double factor = ValueModel::subdivisionFactor(sub);
                const int ms = std::clamp(static_cast<int>(base * factor), 40, 2500);
                QCOMPARE(time, ms - 40);
            }
        }
    }
    QVERIFY(synced > 0);
}

void TestFactorySet::globalsAreValid()
{
    const DeviceStore &s = factoryMemory().store;
    for (int o = 0; o < 2; ++o)
        for (int i = 0; i < 9; ++i)
            QVERIFY2(m_cat.isValueValid(s.globalEqWord(9 * o + i), 11, o, i), qPrintable(QStringLiteral("EQ %1 %2").arg(o).arg(i)));
    QVERIFY(s.systemSetting(0) <= 21);
    QVERIFY(s.systemSetting(9) <= 16);
    QVERIFY(s.systemSetting(11) <= 15);
    QVERIFY(s.systemSetting(17) <= 19);
    for (int i : {1, 2, 3, 7, 8, 10, 12, 13, 14, 15, 16})
        QVERIFY(s.systemSetting(i) <= 1);
    for (int i : {4, 5, 6})
        QVERIFY(s.systemSetting(i) <= 100);
    for (int r = 0; r < 256; ++r)
        QVERIFY(s.midiBlock()[r] < kPresetCount);
    for (int p = 0; p < kPresetCount; ++p)
        QVERIFY(s.midiBlock()[256 + p] < 128);
    QVERIFY(s.toneCaptureValue(1) < 70);
    for (int i = 0; i < 6; ++i)
        QVERIFY(m_cat.isValueValid(s.toneCaptureValue(2 + i), ModAmp, s.toneCaptureValue(1), i));
    QVERIFY(s.globalTempoRaw() <= 220);
}

void TestFactorySet::userSlots()
{
    const UnitMemory &mem = factoryMemory();
    int ir = 0, nr = 0, cap = 0;
    for (int i = 0; i < kIrSlots; ++i) {
        if (!mem.irFilled(i)) {
            QVERIFY(std::all_of(mem.irData[static_cast<std::size_t>(i)].begin(), mem.irData[static_cast<std::size_t>(i)].end(), [](std::uint8_t b) { return b == 0; }));
            continue;
        }
        ++ir;
        QVERIFY(mem.store.slotName(ListIr, i).size() <= 15);
        // 24-bit samples in 32-bit words: the top byte is always 0.
        for (int k = 0; k < kIrBytes; k += 4)
            QCOMPARE(int(mem.irData[static_cast<std::size_t>(i)][static_cast<std::size_t>(k + 3)]), 0);
    }
    for (int i = 0; i < kNrSlots; ++i)
        nr += mem.nrFilled(i) ? 1 : 0;
    for (int i = 0; i < kCaptureSlots; ++i) {
        if (!mem.captureFilled(i)) {
            QVERIFY(mem.store.slotName(ListCapture, i).isEmpty());
            continue;
        }
        ++cap;
        QVERIFY(!mem.store.slotName(ListCapture, i).isEmpty());
        QCOMPARE(int(mem.store.captureAmpList()[i * 7 + 6]), 1);
    }
    QCOMPARE(ir, int(std::size(kFactoryIrSlots)));
    QCOMPARE(nr, int(std::size(kFactoryNrSlots)));
    QCOMPARE(cap, int(std::size(kFactoryCaptureSlots)));
    QVERIFY(ir < kIrSlots && nr < kNrSlots && cap < kCaptureSlots); // some slots stay empty
}

void TestFactorySet::buildIsDeterministic()
{
    auto again = std::make_unique<UnitMemory>();
    buildFactoryMemory(m_cat, *again);
    QVERIFY(again->serialize() == factoryMemory().serialize());
    // A fixed fingerprint: the set must not drift between builds or machines.
    QCOMPARE(factoryMemory().store.presetName(0), QStringLiteral("GLASS CLEAN"));
    QCOMPARE(factoryMemory().store.presetName(254), QStringLiteral("DESERT JAZZ"));
}

QTEST_GUILESS_MAIN(TestFactorySet)
#include "tst_factoryset.moc"
