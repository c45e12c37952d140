// File names of exported presets and the names the computer list shows.

#include "presetnames.h"

#include <QtTest>

class TestPresetNames : public QObject
{
    Q_OBJECT

private slots:
    void prefix_data();
    void prefix();
    void cleaned_data();
    void cleaned();
    void uniqueWithinOneExport();
    void listedNames_data();
    void listedNames();
};

void TestPresetNames::prefix_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("first") << 0 << "01A";
    QTest::newRow("02C") << 5 << "02C";
    QTest::newRow("last") << 254 << "85C";
    QTest::newRow("negative") << -1 << "";
}

void TestPresetNames::prefix()
{
    QFETCH(int, index);
    QFETCH(QString, prefix);
    QCOMPARE(PresetNames::presetPrefix(index), prefix);
}

void TestPresetNames::cleaned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "My Tone" << 0 << "My Tone";
    QTest::newRow("blanks trimmed") << "  CLEAN   " << 0 << "CLEAN";
    QTest::newRow("blank name is the label") << "                " << 4 << "02B";
    QTest::newRow("empty name is the label") << "" << 254 << "85C";
    QTest::newRow("slash") << "A/B" << 0 << "A B";
    QTest::newRow("parent folder") << ".." << 7 << "03B";
    QTest::newRow("climbing path") << "../../etc" << 0 << "etc";
    QTest::newRow("backslash and colon") << "C:\\x" << 0 << "C  x";
    QTest::newRow("control bytes") << QString::fromLatin1("A\x01\x7f" "B") << 0 << "A  B";
    QTest::newRow("beyond ASCII") << QString::fromUtf8("Caf\xc3\xa9") << 0 << "Caf";
    QTest::newRow("hyphen") << "HI-GAIN" << 0 << "HI GAIN";
    QTest::newRow("device name") << "con" << 3 << "02A con";
    QTest::newRow("device name with number") << "LPT1" << 0 << "01A LPT1";
    QTest::newRow("not a device name") << "CONSOLE" << 0 << "CONSOLE";
    QTest::newRow("cut to 16") << "ABCDEFGHIJKLMNOPQRS" << 0 << "ABCDEFGHIJKLMNOP";
}

void TestPresetNames::cleaned()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, base);
    QCOMPARE(PresetNames::exportFileBaseName(name, index, nullptr), base);
    // Whatever the unit holds, the file lands in the folder and is listed.
    QVERIFY2(PresetNames::baseNameProblem(base).isEmpty(), qPrintable(base));
}

void TestPresetNames::uniqueWithinOneExport()
{
    QSet<QString> used;
    const QStringList names = {"CLEAN", "clean", "Clean", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP", "", ""};
    QStringList bases;
    for (int i = 0; i < names.size(); ++i)
        bases << PresetNames::exportFileBaseName(names.at(i), i, &used);
    QCOMPARE(bases, QStringList({"CLEAN", "clean 2", "Clean 3", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMN 2", "02C", "03A"}));
    for (const QString &b : bases)
        QVERIFY(b.size() <= PresetNames::kMaxBaseLength);
    QCOMPARE(used.size(), bases.size());
    QVERIFY(used.contains(QStringLiteral("clean 2")));

    // Ten of the same name: the suffix grows to two digits and still fits.
    QSet<QString> many;
    QString last;
    for (int i = 0; i < 10; ++i)
        last = PresetNames::exportFileBaseName(QStringLiteral("ABCDEFGHIJKLMNOP"), 0, &many);
    QCOMPARE(last, QStringLiteral("ABCDEFGHIJKLM 10"));
}

void TestPresetNames::listedNames_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("listed");
    QTest::newRow("letters digits space") << "My Tone 2" << true;
    QTest::newRow("hyphen") << "HI-GAIN" << false;
    QTest::newRow("underscore") << "a_b" << false;
    QTest::newRow("dot") << "a.b" << false;
    QTest::newRow("accent") << QString::fromUtf8("Caf\xc3\xa9") << false;
    QTest::newRow("empty") << "" << false;
}

void TestPresetNames::listedNames()
{
    QFETCH(QString, base);
    QFETCH(bool, listed);
    const QString problem = PresetNames::baseNameProblem(base);
    QCOMPARE(problem.isEmpty(), listed);
    if (!listed && base.contains(QLatin1Char('-')))
        QVERIFY(problem.contains(QLatin1String("\"-\"")));
}

QTEST_MAIN(TestPresetNames)
#include "test_presetnames.moc"
