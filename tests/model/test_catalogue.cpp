// Effect catalogue: the shipped document against the published listing, the
// lookups and their out-of-range answers, and the loader on broken documents.

#include "effectcatalogue.h"
#include "resources.h"
#include "valuemodel.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

extern const char kCatalogueListing[];

namespace {

// ---------------------------------------------------------------------------
// The listing, read independently of the document and of the loader.

struct ListedPara {
    QString name;
    int kind = -1;
    QString value;
};

struct ListedChain {
    int module = -1;
    QString name;
    QStringList types;
    QVector<int> owner;                     // 1-based position of the list each type uses
    QMap<int, QVector<ListedPara>> lists;   // by declaring type (1-based)
    QSet<int> imports;                      // 1-based
};

QString unescape(QString s)
{
    return s.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

QVector<int> parsePositions(const QString &text)
{
    QVector<int> out;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList range = part.trimmed().split(QLatin1Char('-'));
        const int a = range.at(0).toInt();
        const int b = range.size() > 1 ? range.at(1).toInt() : a;
        for (int i = a; i <= b; ++i)
            out.append(i);
    }
    return out;
}

QVector<ListedChain> parseListing()
{
    static const QRegularExpression chainRe(QString::fromUtf8(R"re(^- Module (\d+), chain "([^"]+)", (\d+) types: (.*)\.$)re"));
    static const QRegularExpression listRe(QString::fromUtf8(R"re(^  - list of type (\d+), used by types ([0-9, -]+): (.*)\.$)re"));
    static const QRegularExpression importRe(QString::fromUtf8(R"re(^  - import="1" on types (\d+)-(\d+)\.$)re"));
    static const QRegularExpression quotedRe(QString::fromUtf8(R"re("([^"]*)")re"));
    static const QRegularExpression paraRe(QString::fromUtf8(R"re("([^"]*)" (\d) "([^"]*)")re"));

    QVector<ListedChain> chains;
    const QStringList lines = QString::fromUtf8(kCatalogueListing).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        QRegularExpressionMatch m = chainRe.match(line);
        if (m.hasMatch()) {
            ListedChain c;
            c.module = m.captured(1).toInt();
            c.name = m.captured(2);
            auto it = quotedRe.globalMatch(m.captured(4));
            while (it.hasNext())
                c.types.append(unescape(it.next().captured(1)));
            if (c.types.size() != m.captured(3).toInt())
                qFatal("listing: chain %s names %d types, lists %d", qPrintable(c.name),
                       m.captured(3).toInt(), c.types.size());
            c.owner.fill(0, c.types.size());
            chains.append(c);
            continue;
        }
        if (chains.isEmpty())
            qFatal("listing: line before the first chain");
        ListedChain &c = chains.last();
        m = listRe.match(line);
        if (m.hasMatch()) {
            const int own = m.captured(1).toInt();
            QVector<ListedPara> paras;
            auto it = paraRe.globalMatch(m.captured(3));
            while (it.hasNext()) {
                const auto pm = it.next();
                paras.append({pm.captured(1), pm.captured(2).toInt(), pm.captured(3)});
            }
            c.lists.insert(own, paras);
            for (int u : parsePositions(m.captured(2)))
                c.owner[u - 1] = own;
            continue;
        }
        m = importRe.match(line);
        if (m.hasMatch()) {
            for (int i = m.captured(1).toInt(); i <= m.captured(2).toInt(); ++i)
                c.imports.insert(i);
            continue;
        }
        qFatal("listing: unreadable line: %s", qPrintable(line));
    }
    return chains;
}

// What a value string of the listing says about a parameter, spelled out
// field by field.
void checkParaAgainstValue(const ParaInfo &p, const ListedPara &lp, const QString &where)
{
    QCOMPARE(p.name, lp.name);
    QCOMPARE(static_cast<int>(p.kind), lp.kind);
    QVERIFY2(!p.isControlled(), qPrintable(where));
    if (lp.kind == 1) {
        QCOMPARE(p.options, lp.value.split(QLatin1Char('_')));
        return;
    }
    const QStringList f = lp.value.split(QLatin1Char('_'));
    QCOMPARE(f.size(), 5);
    QString first = f.at(0);
    QStringList prefix;
    if (lp.kind == 2 && first.contains(QLatin1Char('#'))) {
        prefix = first.split(QLatin1Char('#'));
        first = prefix.takeLast();
    }
    QVERIFY2(!f.at(4).contains(QLatin1Char('#')), qPrintable(where));
    bool ok = false;
    QCOMPARE(p.min, first.toInt(&ok));
    QVERIFY(ok);
    QCOMPARE(p.max, f.at(1).toInt(&ok));
    QVERIFY(ok);
    QCOMPARE(p.step, f.at(2).toFloat(&ok));
    QVERIFY(ok);
    QCOMPARE(p.decimals, f.at(3).toInt(&ok));
    QVERIFY(ok);
    QCOMPARE(p.unit, f.at(4));
    QCOMPARE(p.prefixOptions, prefix);
    QVERIFY(p.suffixOptions.isEmpty());
    QVERIFY(p.options.isEmpty());
}

// A compact text form of a catalogue, to compare whole loads at once.
QString dump(const EffectCatalogue &cat)
{
    QStringList out;
    for (int m = 0; m < cat.chainCount(); ++m) {
        out << QStringLiteral("chain %1").arg(cat.chainName(m));
        for (int t = 0; t < cat.typeCount(m); ++t) {
            const TypeInfo *ti = cat.typeInfo(m, t);
            out << QStringLiteral(" type %1 pos=%2 imp=%3").arg(ti->name).arg(ti->paraPos).arg(ti->import);
            for (const ParaInfo &p : ti->params) {
                QString s = QStringLiteral("  %1 k%2").arg(p.name).arg(static_cast<int>(p.kind));
                if (p.controlled != -1)
                    s += QStringLiteral(" c%1").arg(p.controlled);
                if (p.kind == ParamKind::Options) {
                    s += QStringLiteral(" [%1]").arg(p.options.join(QLatin1Char('|')));
                } else {
                    s += QStringLiteral(" %1..%2/%3 d%4 u'%5'").arg(p.min).arg(p.max).arg(static_cast<double>(p.step)).arg(p.decimals).arg(p.unit);
                    if (!p.prefixOptions.isEmpty())
                        s += QStringLiteral(" pre[%1]").arg(p.prefixOptions.join(QLatin1Char('|')));
                    if (!p.suffixOptions.isEmpty())
                        s += QStringLiteral(" suf[%1]").arg(p.suffixOptions.join(QLatin1Char('|')));
                }
                out << s;
            }
        }
    }
    return out.join(QLatin1Char('\n'));
}

int typeIndex(const EffectCatalogue &cat, int module, const QString &name)
{
    return cat.typeNames(module).indexOf(name);
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private:
    EffectCatalogue &cat() { return EffectCatalogue::instance(); }
    QTemporaryDir m_tmp;

    bool loadText(EffectCatalogue &c, const QByteArray &xml)
    {
        const QString path = m_tmp.filePath(QStringLiteral("doc.xml"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        f.write(xml);
        f.close();
        return c.load(path);
    }

private slots:
    void initTestCase()
    {
        kt900InitResources();
        QVERIFY(m_tmp.isValid());
        QVERIFY(cat().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
    }

    // --- the shipped document ---------------------------------------------

    void shippedDocumentMatchesListing()
    {
        const QVector<ListedChain> listed = parseListing();
        QCOMPARE(listed.size(), 12);
        QCOMPARE(cat().chainCount(), 12);
        int totalTypes = 0;
        for (const ListedChain &lc : listed) {
            const int m = lc.module;
            totalTypes += lc.types.size();
            QCOMPARE(cat().chainName(m), lc.name);
            QCOMPARE(cat().typeCount(m), lc.types.size());
            QCOMPARE(cat().typeNames(m), lc.types);
            for (int t = 0; t < lc.types.size(); ++t) {
                const QString where = QStringLiteral("%1 %2").arg(lc.name, lc.types.at(t));
                const int own = lc.owner.at(t);
                QVERIFY2(own > 0, qPrintable(where + QStringLiteral(": listing gives no list")));
                const TypeInfo *ti = cat().typeInfo(m, t);
                QVERIFY2(ti, qPrintable(where));
                QCOMPARE(cat().typeName(m, t), lc.types.at(t));
                QCOMPARE(static_cast<int>(ti->paraPos), own);
                QCOMPARE(ti->import != 0, lc.imports.contains(t + 1));
                QCOMPARE(cat().isImportSlot(m, t), lc.imports.contains(t + 1));
                // A type declares its own list exactly when it is the owner.
                const bool declares = lc.lists.contains(t + 1);
                QCOMPARE(declares, own == t + 1);
                QCOMPARE(static_cast<int>(ti->params.size()), declares ? lc.lists.value(t + 1).size() : 0);

                const QVector<ListedPara> &paras = lc.lists[own];
                QCOMPARE(cat().paramCount(m, t), paras.size());
                for (int i = 0; i < paras.size(); ++i) {
                    const ParaInfo *p = cat().param(m, t, i);
                    QVERIFY2(p, qPrintable(where));
                    checkParaAgainstValue(*p, paras.at(i), where);
                    if (QTest::currentTestFailed()) {
                        qWarning("mismatch at %s parameter %d", qPrintable(where), i);
                        return;
                    }
                }
                QVERIFY(!cat().param(m, t, paras.size()));
            }
        }
        QCOMPARE(totalTypes, 233);
    }

    void shippedDocumentText()
    {
        QFile f(QString::fromLatin1(EffectCatalogue::kResourcePath));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.startsWith(QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")));
        // Two commented-out parameter lines, neither of which loads.
        const QRegularExpression comment(QStringLiteral("<!--(.*?)-->"));
        auto it = comment.globalMatch(text);
        int comments = 0;
        while (it.hasNext()) {
            QVERIFY(it.next().captured(1).contains(QLatin1String("<para ")));
            ++comments;
        }
        QCOMPARE(comments, 2);
        QVERIFY(text.contains(QLatin1String("name=\"01:Output&amp;Phone\"")));
        QCOMPARE(cat().typeName(11, 0), QStringLiteral("01:Output&Phone"));
    }

    // --- lookups on the shipped document ---------------------------------

    void paraPosResolution_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("paraPos");
        QTest::addColumn<QStringList>("names");
        const QStringList wah{"Q", "Position", "Peak", "Level"};
        const QStringList rotary{"Rate", "Mix", "Tone"};
        const QStringList cab{"Tube", "Mic", "Center", "Distance", "Sync", "Level"};
        QTest::newRow("FXA 01:CRY WAH") << 0 << "01:CRY WAH" << 1 << wah;
        QTest::newRow("FXA 02:535 WAH") << 0 << "02:535 WAH" << 1 << wah;
        QTest::newRow("FXA 20:RING MOD") << 0 << "20:RING MOD" << 18 << rotary;
        QTest::newRow("FXB 11:ROTARY") << 6 << "11:ROTARY" << 6 << QStringList{"Rate", "Mix", "Tone"};
        QTest::newRow("FXB 20:MONO PITCH") << 6 << "20:MONO PITCH" << 9 << QStringList{"Pitch", "Mix", "Tone"};
        QTest::newRow("CAB 01") << 3 << "01:US DLX 112" << 1 << cab;
        QTest::newRow("CAB 32") << 3 << "32:ACOUSTIC 112" << 1 << cab;
        QTest::newRow("REVERB 07:CAVE") << 8 << "07:CAVE" << 1 << QStringList{"Pre delay", "Level", "Decay", "Tone"};
        QTest::newRow("AMP 80:EMPTY") << 2 << "80:EMPTY" << 1 << QStringList{"Gain", "Bass", "Mid", "Treble", "Pres", "Mst"};
        QTest::newRow("DELAY 09:DUAL DELAY") << 7 << "09:DUAL DELAY" << 9
                                            << QStringList{"Level", "F.Back", "Time A", "Sub A", "Time B", "Sub B"};
        QTest::newRow("GLB EQ 02:XLR") << 11 << "02:XLR" << 1
                                       << QStringList{"Lo Gain", "Lo Freq", "Mid Gain", "Mid Freq", "Hi Gain", "Hi Freq",
                                                      "Lo CutFreq", "Hi CutFreq", "ON/OFF"};
    }

    void paraPosResolution()
    {
        QFETCH(int, module);
        QFETCH(QString, type);
        QFETCH(int, paraPos);
        QFETCH(QStringList, names);
        const int t = typeIndex(cat(), module, type);
        QVERIFY(t >= 0);
        QCOMPARE(static_cast<int>(cat().typeInfo(module, t)->paraPos), paraPos);
        QCOMPARE(cat().paramCount(module, t), names.size());
        QStringList got;
        for (int i = 0; i < cat().paramCount(module, t); ++i)
            got << cat().param(module, t, i)->name;
        QCOMPARE(got, names);
    }

    void cabImportSlots()
    {
        QCOMPARE(cat().typeCount(3), 42);
        for (int t = 0; t < 42; ++t) {
            const bool slot = t >= 32;
            QCOMPARE(cat().isImportSlot(3, t), slot);
            QCOMPARE(cat().paramCount(3, t), slot ? 2 : 6);
            if (slot) {
                QCOMPARE(cat().typeName(3, t), QStringLiteral("%1:EMPTY").arg(t + 1, 2, 10, QLatin1Char('0')));
                QCOMPARE(cat().param(3, t, 0)->name, QStringLiteral("Tube"));
                QCOMPARE(cat().param(3, t, 1)->name, QStringLiteral("Level"));
            }
        }
        for (int t = 0; t < 80; ++t)
            QCOMPARE(cat().isImportSlot(2, t), t >= 70);
    }

    void paramIndexByName_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("Sub D lower case") << 0 << 25 << "sub d" << 3;
        QTest::newRow("Sub D upper case") << 0 << 25 << "SUB D" << 3;
        QTest::newRow("Sub D as written") << 0 << 25 << "Sub D" << 3;
        QTest::newRow("prefix only") << 0 << 25 << "Sub" << -1;
        QTest::newRow("trailing blank") << 0 << 25 << "Sub D " << -1;
        QTest::newRow("through paraPos") << 0 << 1 << "position" << 1;
        QTest::newRow("ON/OFF") << 11 << 1 << "on/off" << 8;
        QTest::newRow("FX LOOP dry/wet") << 10 << 0 << "DRY/WET" << 2;
        QTest::newRow("unknown type") << 0 << 28 << "Level" << -1;
        QTest::newRow("unknown module") << 12 << 0 << "Level" << -1;
        QTest::newRow("negative module") << -1 << 0 << "Level" << -1;
        QTest::newRow("empty name") << 0 << 0 << "" << -1;
    }

    void paramIndexByName()
    {
        QFETCH(int, module);
        QFETCH(int, type);
        QFETCH(QString, name);
        QFETCH(int, index);
        QCOMPARE(cat().paramIndexByName(module, type, name), index);
    }

    void cutFrequencyParameters()
    {
        const ParaInfo *hi = cat().param(11, 0, 7);
        QVERIFY(hi);
        QCOMPARE(hi->name, QStringLiteral("Hi CutFreq"));
        QCOMPARE(hi->kind, ParamKind::RangeWithOptions);
        QCOMPARE(hi->prefixOptions, QStringList{QStringLiteral("OFF")});
        QVERIFY(hi->suffixOptions.isEmpty());
        QCOMPARE(hi->min, 20001);
        QCOMPARE(hi->max, 1000);
        QCOMPARE(hi->step, -1.0f);
        QCOMPARE(hi->decimals, 0);
        QVERIFY(hi->unit.isEmpty());
        QCOMPARE(ValueModel::stepCount(*hi), 19001);

        const int customEq = typeIndex(cat(), 5, QStringLiteral("04:CUSTOM EQ"));
        const ParaInfo *lo = cat().param(5, customEq, 6);
        QVERIFY(lo);
        QCOMPARE(lo->name, QStringLiteral("Lo CutFreq"));
        QCOMPARE(lo->prefixOptions, QStringList{QStringLiteral("OFF")});
        QCOMPARE(lo->min, 0);
        QCOMPARE(lo->max, 800);
        QCOMPARE(ValueModel::stepCount(*lo), 800);
    }

    void fxLoopChains()
    {
        for (int m : {9, 10}) {
            QCOMPARE(cat().chainName(m), QStringLiteral("FX LOOP"));
            QCOMPARE(cat().typeNames(m), QStringList{QStringLiteral("FX LOOP")});
            QCOMPARE(cat().paramCount(m, 0), 4);
            const ParaInfo *dw = cat().param(m, 0, 2);
            QCOMPARE(dw->name, QStringLiteral("Dry/Wet"));
            QCOMPARE(dw->unit, QStringLiteral(".Wet"));
            QCOMPARE(cat().param(m, 0, 3)->name, QStringLiteral("Loop Mode"));
        }
    }

    void outOfRange()
    {
        QCOMPARE(cat().chainName(-1), QString());
        QCOMPARE(cat().chainName(12), QString());
        QVERIFY(cat().typeNames(12).isEmpty());
        QVERIFY(cat().typeNames(-1).isEmpty());
        QCOMPARE(cat().typeCount(12), -1);
        QCOMPARE(cat().typeName(0, 28), QString());
        QCOMPARE(cat().typeName(0, -1), QString());
        QCOMPARE(cat().typeName(12, 0), QString());
        QCOMPARE(cat().paramCount(0, 28), -1); // type index equal to the chain's type count
        QCOMPARE(cat().paramCount(3, 42), -1);
        QCOMPARE(cat().paramCount(12, 0), -1);
        QCOMPARE(cat().paramCount(0, -1), -1);
        QVERIFY(!cat().param(0, 0, 4));
        QVERIFY(!cat().param(0, 0, -1));
        QVERIFY(!cat().param(0, 28, 0));
        QVERIFY(!cat().param(12, 0, 0));
        QVERIFY(!cat().isImportSlot(3, 42));
        QVERIFY(!cat().isImportSlot(12, 0));
        QVERIFY(!cat().isValueValid(0, 0, 0, 4));
        QVERIFY(!cat().isValueValid(0, 0, 28, 0));
        QVERIFY(!cat().typeInfo(0, 28));
        QVERIFY(!cat().chain(12));

        const QStringList before = cat().typeNames(0);
        cat().setTypeName(0, 28, QStringLiteral("X"));
        cat().setTypeName(0, -1, QStringLiteral("X"));
        cat().setTypeName(12, 0, QStringLiteral("X"));
        QCOMPARE(cat().typeNames(0), before);
    }

    void maxParamCount()
    {
        QCOMPARE(cat().maxParamCount(), 9);
        QCOMPARE(cat().paramCount(5, 3), 9);  // CUSTOM EQ
        QCOMPARE(cat().paramCount(11, 0), 9); // GLB EQ
    }

    void isValueValid_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("raw");
        QTest::addColumn<bool>("valid");
        QTest::newRow("0_100 -1") << 0 << 0 << 0 << -1 << false;
        QTest::newRow("0_100 0") << 0 << 0 << 0 << 0 << true;
        QTest::newRow("0_100 100") << 0 << 0 << 0 << 100 << true;
        QTest::newRow("0_100 101") << 0 << 0 << 0 << 101 << false;
        QTest::newRow("Sub D 9") << 0 << 25 << 3 << 9 << true;
        QTest::newRow("Sub D 10") << 0 << 25 << 3 << 10 << false;
        QTest::newRow("Sub D -1") << 0 << 25 << 3 << -1 << false;
        QTest::newRow("Rate 1000") << 0 << 2 << 0 << 1000 << true;
        QTest::newRow("Rate 1001") << 0 << 2 << 0 << 1001 << false;
        QTest::newRow("Hi CutFreq 19001") << 11 << 0 << 7 << 19001 << true;
        QTest::newRow("Hi CutFreq 19002") << 11 << 0 << 7 << 19002 << false;
        QTest::newRow("Time 2460") << 7 << 0 << 2 << 2460 << true;
        QTest::newRow("Time 2461") << 7 << 0 << 2 << 2461 << false;
        QTest::newRow("EQ band 64") << 5 << 0 << 0 << 64 << true;
        QTest::newRow("EQ band 65") << 5 << 0 << 0 << 65 << false;
        QTest::newRow("Loop Mode 1") << 9 << 0 << 3 << 1 << true;
        QTest::newRow("Loop Mode 2") << 9 << 0 << 3 << 2 << false;
        QTest::newRow("CAB slot has no Mic") << 3 << 33 << 2 << 0 << false;
    }

    void isValueValid()
    {
        QFETCH(int, module);
        QFETCH(int, type);
        QFETCH(int, index);
        QFETCH(int, raw);
        QFETCH(bool, valid);
        QCOMPARE(cat().isValueValid(raw, module, type, index), valid);
    }

    void setTypeNameOfImportSlot()
    {
        EffectCatalogue local;
        QVERIFY(local.load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
        local.setTypeName(3, 32, QStringLiteral("33:MY CAB"));
        QCOMPARE(local.typeName(3, 32), QStringLiteral("33:MY CAB"));
        QCOMPARE(local.typeNames(3).at(32), QStringLiteral("33:MY CAB"));
        QCOMPARE(local.paramCount(3, 32), 2);
        QVERIFY(local.isImportSlot(3, 32));
        local.setTypeName(3, 32, QStringLiteral("33:EMPTY"));
        QCOMPARE(local.typeName(3, 32), QStringLiteral("33:EMPTY"));
        // The process-wide catalogue is not touched by a separate one.
        QCOMPARE(cat().typeName(3, 32), QStringLiteral("33:EMPTY"));
    }

    void singletonCreatedOnce()
    {
        std::vector<EffectCatalogue *> seen(8, nullptr);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < seen.size(); ++i)
            threads.emplace_back([&seen, i] { seen[i] = &EffectCatalogue::instance(); });
        for (std::thread &t : threads)
            t.join();
        for (EffectCatalogue *p : seen)
            QCOMPARE(p, &EffectCatalogue::instance());
        QCOMPARE(EffectCatalogue::instance().chainCount(), 12);
    }

    // --- the loader on other documents -----------------------------------

    void loadDocuments_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");

        QTest::newRow("all three kinds")
            << QByteArray("<?xml version=\"1.0\"?><resources><chain name=\"A\"><type name=\"01:X\" paraPos=\"1\" import=\"0\">"
                          "<para type=\"0\" name=\"R\">-5_5_0.5_1_ dB</para>"
                          "<para type=\"1\" name=\"O\">OFF_ON</para>"
                          "<para type=\"2\" name=\"W\">LO#MID#10_20_2_0_ Hz#TOP#MAX</para>"
                          "</type></chain></resources>")
            << true
            << "chain A\n type 01:X pos=1 imp=0\n  R k0 -5..5/0.5 d1 u' dB'\n  O k1 [OFF|ON]\n"
               "  W k2 10..20/2 d0 u' Hz' pre[LO|MID] suf[TOP|MAX]";
        QTest::newRow("defaults and fields beyond the fifth")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"0\" name=\"R\">1_2_3_4_ ms_extra_more</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  R k0 1..2/3 d4 u' ms'";
        QTest::newRow("kind 0 with four fields is dropped")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"0\" name=\"Bad\">0_100_1_0</para>"
                          "<para type=\"0\" name=\"Good\">0_100_1_0_</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  Good k0 0..100/1 d0 u''";
        QTest::newRow("kind 2 needs exactly five fields")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"2\" name=\"Six\">OFF#0_800_1_0__</para>"
                          "<para type=\"2\" name=\"Four\">OFF#0_800_1_0</para>"
                          "<para type=\"2\" name=\"Five\">OFF#0_800_1_0_</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  Five k2 0..800/1 d0 u'' pre[OFF]";
        QTest::newRow("unknown and unreadable kinds are dropped")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"3\" name=\"K3\">0_1_1_0_</para>"
                          "<para type=\"x\" name=\"Kx\">0_1_1_0_</para>"
                          "<para type=\"-1\" name=\"Km\">0_1_1_0_</para>"
                          "<para type=\"1\" name=\"K1\">A</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  K1 k1 [A]";
        QTest::newRow("unreadable numbers give zero")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"0\" name=\"Z\">a_b_c_d_u</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  Z k0 0..0/0 d0 u'u'";
        QTest::newRow("empty option fields are kept")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"1\" name=\"E\">_B_</para><para type=\"1\" name=\"N\"></para>"
                          "</type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  E k1 [|B|]\n  N k1 []";
        QTest::newRow("group of subPara")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"1\" name=\"P0\">X</para>"
                          "<para><subPara type=\"0\" name=\"S1\">0_9_1_0_</subPara>"
                          "<!-- a comment --><subPara type=\"1\" name=\"S2\">Y_Z</subPara>"
                          "<para type=\"1\" name=\"NotInGroup\">Q</para></para>"
                          "<para type=\"1\" name=\"P3\">W</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  P0 k1 [X]\n  S1 k0 0..9/1 d0 u''\n  S2 k1 [Y|Z]\n  P3 k1 [W]";
        QTest::newRow("controlled attribute")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"1\" name=\"C3\" controlled=\"3\">A</para>"
                          "<para type=\"1\" name=\"Cx\" controlled=\"x\">A</para>"
                          "<para controlled=\"-2\" type=\"1\" name=\"Cm\">A</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  C3 k1 c3 [A]\n  Cx k1 [A]\n  Cm k1 c-2 [A]";
        QTest::newRow("parameter without kind renames nothing")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"1\" name=\"Kept\">A</para>"
                          "<para name=\"Other\">0_1_1_0_</para>"
                          "<para type=\"7\" name=\"Other2\">A</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  Kept k1 [A]";
        QTest::newRow("other elements inside a type are entered")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<page><para type=\"1\" name=\"Inner\">A</para><x/></page>"
                          "<para type=\"1\" name=\"After\">B</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  Inner k1 [A]\n  After k1 [B]";
        QTest::newRow("types of an unnamed chain join the last chain")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T1\"/></chain>"
                          "<chain><type name=\"T2\"/></chain><chain name=\"\"><type name=\"T3\"/></chain>"
                          "<group><type name=\"T4\"/></group></resources>")
            << true << "chain A\n type T1 pos=1 imp=0\n type T2 pos=1 imp=0\n type T3 pos=1 imp=0\n type T4 pos=1 imp=0";
        QTest::newRow("types before any chain are dropped")
            << QByteArray("<resources><chain><type name=\"T\"><para type=\"1\" name=\"P\">A</para></type></chain>"
                          "<chain name=\"B\"/></resources>")
            << true << "chain B";
        QTest::newRow("type attributes and other tag names")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T1\" paraPos=\"2\" import=\"1\"/>"
                          "<model import=\"3\" paraPos=\"1\" name=\"T2\"/>"
                          "<type name=\"T3\" paraPos=\"abc\" import=\"-1\"/>"
                          "<type paraPos=\"9\"/></chain></resources>")
            << true << "chain A\n type T1 pos=2 imp=1\n type T2 pos=1 imp=3\n type T3 pos=9 imp=0";
        QTest::newRow("entities in names")
            << QByteArray("<resources><chain name=\"G&amp;Q\"><type name=\"01:Out&amp;Ph &lt;1&gt;\">"
                          "<para type=\"1\" name=\"A&amp;B\">x&amp;y_z</para></type></chain></resources>")
            << true << "chain G&Q\n type 01:Out&Ph <1> pos=1 imp=0\n  A&B k1 [x&y|z]";
        QTest::newRow("child element inside a value")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\">"
                          "<para type=\"1\" name=\"P\">A_<b>junk</b>B</para></type></chain></resources>")
            << true << "chain A\n type T pos=1 imp=0\n  P k1 [A|B]";
        QTest::newRow("no resources element")
            << QByteArray("<other><chain name=\"A\"><type name=\"T\"/></chain></other>") << true << "";
        QTest::newRow("unclosed element keeps what was read")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\"><para type=\"1\" name=\"P\">A</para></type>"
                          "<type name=\"U\"><para type=\"1\" name=\"Q\">B</para>")
            << false << "chain A\n type T pos=1 imp=0\n  P k1 [A]\n type U pos=1 imp=0\n  Q k1 [B]";
        QTest::newRow("mismatched tags")
            << QByteArray("<resources><chain name=\"A\"><type name=\"T\"></chain></resources>")
            << false << "chain A\n type T pos=1 imp=0";
        QTest::newRow("not XML") << QByteArray("this is not a catalogue") << false << "";
        QTest::newRow("empty file") << QByteArray() << false << "";
    }

    void loadDocuments()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        EffectCatalogue c;
        QCOMPARE(loadText(c, xml), ok);
        QCOMPARE(dump(c), expected);
    }

    void paraPosOutOfRange()
    {
        EffectCatalogue c;
        QVERIFY(loadText(c, "<resources><chain name=\"A\">"
                            "<type name=\"T1\" paraPos=\"0\"><para type=\"1\" name=\"P\">A</para></type>"
                            "<type name=\"T2\" paraPos=\"4\"/>"
                            "<type name=\"T3\" paraPos=\"3\"><para type=\"1\" name=\"P\">A</para>"
                            "<para type=\"1\" name=\"Q\">A</para></type>"
                            "<type name=\"T4\" paraPos=\"3\"/>"
                            "</chain></resources>"));
        QCOMPARE(c.paramCount(0, 0), -1);
        QCOMPARE(c.paramCount(0, 1), 0); // the fourth type declares no list
        QCOMPARE(c.paramCount(0, 2), 2);
        QCOMPARE(c.paramCount(0, 3), 2);
        QVERIFY(!c.param(0, 0, 0));
        QCOMPARE(c.paramIndexByName(0, 0, QStringLiteral("P")), -1);
        QVERIFY(!c.isValueValid(0, 0, 0, 0));
        QCOMPARE(c.maxParamCount(), 2);

        QVERIFY(loadText(c, "<resources><chain name=\"A\">"
                            "<type name=\"T1\" paraPos=\"2\"><para type=\"1\" name=\"P\">A</para></type>"
                            "</chain></resources>"));
        QCOMPARE(c.paramCount(0, 0), -1); // beyond the chain's type count
        QCOMPARE(c.maxParamCount(), 0);
        QVERIFY(!c.param(0, 0, 0));
    }

    void loadReplacesAndFails()
    {
        EffectCatalogue c;
        QCOMPARE(c.chainCount(), 0);
        QCOMPARE(c.maxParamCount(), 0);
        QVERIFY(c.load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
        QCOMPARE(c.chainCount(), 12);
        QVERIFY(loadText(c, "<resources><chain name=\"Only\"/></resources>"));
        QCOMPARE(c.chainCount(), 1);
        QCOMPARE(c.chainName(0), QStringLiteral("Only"));
        QVERIFY(!c.load(m_tmp.filePath(QStringLiteral("missing.xml"))));
        QCOMPARE(c.chainCount(), 0);
        QVERIFY(!c.load(QStringLiteral(":/preset/preset/none.xml")));
        c.clear();
        QCOMPARE(c.chainCount(), 0);
        QCOMPARE(c.paramCount(0, 0), -1);
    }
};

QTEST_APPLESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
