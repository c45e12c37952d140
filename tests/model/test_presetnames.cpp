// File names of exported presets: inside the folder, listed, unique.

#include "presetnames.h"

#include <QtTest>

class TestPresetNames : public QObject
{
    Q_OBJECT

private slots:
    void cleaned_data();
    void cleaned();
    void uniqueWithinOneExport();
};

void TestPresetNames::cleaned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "My Tone" << 0 << "My Tone";
    QTest::newRow("blank name is the label") << "                " << 4 << "02B";
    QTest::newRow("slash") << "A/B" << 0 << "A B";
    QTest::newRow("parent folder") << ".." << 7 << "03B";
    QTest::newRow("climbing path") << "../../etc" << 0 << "etc";
    QTest::newRow("control bytes") << QString::fromLatin1("A\x01\x7f" "B") << 0 << "A  B";
    QTest::newRow("beyond ASCII") << QString::fromUtf8("Caf\xc3\xa9") << 0 << "Caf";
    QTest::newRow("hyphen") << "HI-GAIN" << 0 << "HI GAIN";
    QTest::newRow("device name") << "con" << 3 << "02A con";
    QTest::newRow("device name with number") << "LPT1" << 0 << "01A LPT1";
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

QTEST_MAIN(TestPresetNames)
#include "test_presetnames.moc"
