// The computer preset list against the virtual unit: presets dragged to the
// computer list become files, files dragged (from the list or the desktop)
// onto device rows go into the unit, with the tone-capture question, the
// checks made before anything is sent, and an unplug halfway.

#include "computerlist.h"
#include "boxanswers.h"
#include "testfiles.h"
#include "busystate.h"
#include "commands.h"
#include "core.h"
#include "draglistwidget.h"
#include "editorharness.h"
#include "loadingwidget.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "presetfilecodec.h"
#include "presetimporter.h"
#include "presetnames.h"
#include "presetpanel.h"
#include "titlebar.h"
#include "tonecapture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include <cstring>

using namespace Kt900;

namespace {

QPoint rowPoint(DragListWidget *list, int row)
{
    if (row < 0)
        return QPoint(5, list->viewport()->height() - 3);
    list->scrollToItem(list->item(row));
    return list->visualItemRect(list->item(row)).center();
}

// Drags the data over a list and drops it on a row, through the list's own
// drag and drop events.
bool dropOn(DragListWidget *list, int row, QMimeData *mime)
{
    const QPoint at = rowPoint(list, row);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return enter.isAccepted() && drop.isAccepted();
}

// Selects rows of a list as the user does before dragging them, and returns
// the list's drag data for them.
std::unique_ptr<QMimeData> pick(DragListWidget *list, const QList<int> &rows)
{
    list->clearSelection();
    QModelIndexList indexes;
    for (int row : rows) {
        list->item(row)->setSelected(true);
        indexes << list->model()->index(row, 0);
    }
    return std::unique_ptr<QMimeData>(list->model()->mimeData(indexes));
}

std::unique_ptr<QMimeData> desktopFiles(const QStringList &paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    return mime;
}

// A capture of recognisable words.
QByteArray captureOf(std::uint8_t seed)
{
    QByteArray b(kCaptureBytes, '\0');
    for (int i = 0; i < kCaptureBytes; ++i)
        b[i] = static_cast<char>(seed + i * 7);
    return b;
}

constexpr int kCaptureSlot = 2;       // filled on the unit, used by preset 6
constexpr int kCapturePreset = 6;
constexpr int kEmptySlot = 7;

void fillUnit(Kt900Sim::UnitMemory &m)
{
    m.store.setPresetName(0, QStringLiteral("My Tone"));
    m.store.setPresetName(3, QStringLiteral("TWIN"));
    m.store.setPresetName(4, QStringLiteral("twin"));
    m.store.setPresetName(5, QStringLiteral(""));
    m.store.setPresetName(kCapturePreset, QStringLiteral("CAPTONE"));
    const QByteArray cap = captureOf(0x11);
    std::memcpy(m.store.captureData(kCaptureSlot), cap.constData(), kCaptureBytes);
    m.store.setCaptureUsed(kCaptureSlot, true);
    m.store.setSlotName(ListCapture, kCaptureSlot, QStringLiteral("ROOMCAP"));
    m.store.setCaptureUsed(kEmptySlot, false);
    m.store.setSlotName(ListCapture, kEmptySlot, QString());
    m.store.setBlockWord(kCapturePreset, ModToneCap, 1, kCaptureSlot);
}

} // namespace

class TestCoreComplist : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dragExportOneAndThree();
    void dragImportCapture_data();
    void dragImportCapture();
    void refusedFilesAndTheLastPreset();
    void refreshAndDesktopDrops();
    void unplugDuringImport();

private:
    bool start(EditorHarness &h);
    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCoreComplist::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->path() + QStringLiteral("/presetfile/");
}

bool TestCoreComplist::start(EditorHarness &h)
{
    if (!h.start({}, {}, fillUnit))
        return false;
    h.core->presetCodec().setPresetFolder(m_folder);
    if (!h.waitLoaded())
        return false;
    if (!QTest::qWaitFor([&h]() { return h.unit().pendingReports() == 0; }, 10000))
        return false;
    QTest::qWait(100);
    h.unit().clearReceivedFrames();
    return true;
}

void TestCoreComplist::dragExportOneAndThree()
{
    EditorHarness h;
    QVERIFY2(start(h), qPrintable(h.error));
    PresetPanel *panel = h.presets();
    DragListWidget *computer = panel->computerList();
    QCOMPARE(computer->count(), 0);

    {
        auto mime = pick(panel->deviceList(), {0});
        QVERIFY(dropOn(computer, -1, mime.get()));
    }
    QTRY_COMPARE(computer->count(), 1);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    const PresetFileCodec unitCodec(const_cast<DeviceStore *>(&mem.store));
    QCOMPARE(readAll(m_folder + QStringLiteral("My Tone.tp")), unitCodec.presetDocument(0));
    QCOMPARE(computer->currentItem()->text(), QStringLiteral("My Tone"));

    // Three at once: equal names do not overwrite each other, a blank name
    // takes the row's label. The capture preset carries its capture.
    {
        auto mime = pick(panel->deviceList(), {4, 3, 5});
        QVERIFY(dropOn(computer, 0, mime.get()));
    }
    QTRY_COMPARE(computer->count(), 4);
    QCOMPARE(readAll(m_folder + QStringLiteral("TWIN.tp")), unitCodec.presetDocument(3));
    QCOMPARE(readAll(m_folder + QStringLiteral("twin 2.tp")), unitCodec.presetDocument(4));
    QCOMPARE(readAll(m_folder + QStringLiteral("02C.tp")), unitCodec.presetDocument(5));
    QCOMPARE(computer->currentItem()->text(), QStringLiteral("02C"));
    // Nothing went to the unit.
    QVERIFY(h.frames(Cmd::DataTransfer).isEmpty());

    // Exporting over an existing file asks first; NO keeps it.
    QVERIFY(writeAll(m_folder + QStringLiteral("My Tone.tp"), "{}"));
    {
        BoxAnswers answers(h.core.get(), {QStringLiteral("NO")});
        auto mime = pick(panel->deviceList(), {0});
        QVERIFY(dropOn(computer, -1, mime.get()));
        QTRY_COMPARE(answers.texts.size(), 1);
        QCOMPARE(answers.texts.first(), QStringLiteral("'My Tone.tp' already exists.\nDo you want to replace it?"));
        QTest::qWait(50);
        QCOMPARE(readAll(m_folder + QStringLiteral("My Tone.tp")), QByteArray("{}"));
    }
}

void TestCoreComplist::dragImportCapture_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("fileSlot");     // the capture slot the file's preset names
    QTest::addColumn<int>("presetSlot");   // the slot the imported preset uses afterwards
    QTest::addColumn<int>("filledSlot");   // the slot that holds the file's capture afterwards (-1: none)
    QTest::newRow("replace") << QStringList{"YES", "Replace"} << kCaptureSlot << kCaptureSlot << kCaptureSlot;
    QTest::newRow("save as slot 12") << QStringList{"YES", "Save as", "combo:11"} << kCaptureSlot << 11 << 11;
    QTest::newRow("closed: slot kept") << QStringList{"YES", "ESC"} << kCaptureSlot << kCaptureSlot << -1;
    QTest::newRow("empty slot: no question") << QStringList{"YES"} << kEmptySlot << kEmptySlot << kEmptySlot;
}

void TestCoreComplist::dragImportCapture()
{
    QFETCH(QStringList, answers);
    QFETCH(int, fileSlot);
    QFETCH(int, presetSlot);
    QFETCH(int, filledSlot);
    EditorHarness h;
    QVERIFY2(start(h), qPrintable(h.error));
    PresetPanel *panel = h.presets();

    // A file carrying a capture other than the one in its slot.
    QDir().mkpath(m_folder);
    const QString path = m_folder + QStringLiteral("NEWCAP.tp");
    QJsonObject root = QJsonDocument::fromJson(h.core->presetCodec().presetDocument(kCapturePreset)).object();
    const QByteArray fileCapture = captureOf(0x5A);
    QJsonArray words;
    for (int i = 0; i < kCaptureBytes / 4; ++i) {
        const std::uint32_t w = getU32(reinterpret_cast<const std::uint8_t *>(fileCapture.constData()) + 4 * i);
        words.append(QStringLiteral("%1").arg(w ^ PresetFileCodec::kCaptureScramble, 8, 16, QLatin1Char('0')));
    }
    QJsonObject capture = root.value(QStringLiteral("Capture")).toObject();
    capture.insert(QStringLiteral("Data_c"), words);
    capture.insert(QStringLiteral("Name"), QStringLiteral("FILECAP"));
    root.insert(QStringLiteral("Capture"), capture);
    QJsonObject modules = root.value(QStringLiteral("effectModule")).toObject();
    QJsonObject tone = modules.value(QStringLiteral("TONE CAP")).toObject();
    tone.insert(QStringLiteral("Type"), fileSlot);
    modules.insert(QStringLiteral("TONE CAP"), tone);
    root.insert(QStringLiteral("effectModule"), modules);
    QVERIFY(writeAll(path, QJsonDocument(root).toJson()));
    panel->refreshComputerList();
    QCOMPARE(panel->computerList()->count(), 1);

    const int target = h.store().currentPresetIndex() == 20 ? 21 : 20;
    const QByteArray slotBefore(reinterpret_cast<const char *>(h.unitMemory().store.captureData(kCaptureSlot)),
                                kCaptureBytes);
    BoxAnswers boxes(h.core.get(), answers);
    {
        auto mime = pick(panel->computerList(), {0});
        QVERIFY(dropOn(panel->deviceList(), target, mime.get()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(boxes.texts.contains(QStringLiteral("Preset import successful !")), 15000);
    QCOMPARE(boxes.texts.first(), QStringLiteral("Whether to import preset data?"));
    const bool asked = fileSlot == kCaptureSlot;
    QCOMPARE(boxes.texts.contains(QStringLiteral("Do you want to replace the TONE CAPTURE\r\n               file included by the preset?")),
             asked);
    if (answers.contains(QStringLiteral("Save as"))) {
        // The choice shows what each slot holds now.
        QCOMPARE(boxes.entries.size(), kCaptureSlots);
        QCOMPARE(boxes.entries.at(kCaptureSlot), QStringLiteral("03:ROOMCAP"));
        QCOMPARE(boxes.entries.at(kEmptySlot), QStringLiteral("08:EMPTY"));
    }

    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(comparableRecord(*mem.store.record(target)), comparableRecord(*h.store().record(target)));
    QCOMPARE(mem.store.presetName(target).trimmed(), QStringLiteral("NEWCAP"));
    QCOMPARE(int(mem.store.blockWord(target, ModToneCap, 1)), presetSlot);
    QCOMPARE(panel->deviceList()->item(target)->text(), QStringLiteral("%1 NEWCAP").arg(PresetNames::presetPrefix(target)));
    QCOMPARE(panel->deviceList()->item(target)->toolTip(), panel->deviceList()->item(target)->text());
    const QByteArray slotNow(reinterpret_cast<const char *>(mem.store.captureData(kCaptureSlot)), kCaptureBytes);
    if (filledSlot >= 0) {
        const QByteArray filled(reinterpret_cast<const char *>(mem.store.captureData(filledSlot)), kCaptureBytes);
        QCOMPARE(filled, fileCapture);
        QVERIFY(mem.store.captureUsed(filledSlot));
        QCOMPARE(mem.store.slotName(ListCapture, filledSlot).trimmed(), QStringLiteral("FILECAP"));
        // The tone-capture pop-up names the slot after its new capture.
        QCOMPARE(h.core->toneCapturePopup()->slotEntries().at(filledSlot),
                 ToneCapture::slotEntry(filledSlot, QStringLiteral("FILECAP")));
    }
    if (filledSlot != kCaptureSlot)
        QCOMPARE(slotNow, slotBefore);
}

void TestCoreComplist::refusedFilesAndTheLastPreset()
{
    EditorHarness h;
    QVERIFY2(start(h), qPrintable(h.error));
    PresetPanel *panel = h.presets();
    PresetFileCodec &codec = h.core->presetCodec();
    QDir().mkpath(m_folder);
    QVERIFY(codec.writePresetFile(0, m_folder + QStringLiteral("GOOD.tp")));
    QVERIFY(codec.writePresetFile(3, m_folder + QStringLiteral("ALSO GOOD.tp")));
    QByteArray damaged = readAll(m_folder + QStringLiteral("GOOD.tp"));
    damaged.replace("\"effectChain\": [", "\"effectChain\": [1, 1, ");
    QVERIFY(writeAll(m_folder + QStringLiteral("BROKEN.tp"), damaged));
    const QString good = m_folder + QStringLiteral("GOOD.tp");
    const QString alsoGood = m_folder + QStringLiteral("ALSO GOOD.tp");
    const QString broken = m_folder + QStringLiteral("BROKEN.tp");

    // A damaged file among good ones: refused before anything is sent.
    const Kt900Sim::UnitMemory before = h.unitMemory();
    {
        BoxAnswers boxes(h.core.get(), {QStringLiteral("YES")});
        auto mime = desktopFiles({good, broken});
        QVERIFY(dropOn(panel->deviceList(), 10, mime.get()));
        QTRY_COMPARE(boxes.texts, QStringList{QStringLiteral("Preset import failed !")});
    }
    QTest::qWait(100);
    QVERIFY(h.frames(Cmd::DataTransfer).isEmpty());
    QCOMPARE(comparableRecord(*h.unitMemory().store.record(10)), comparableRecord(*before.store.record(10)));
    QCOMPARE(comparableRecord(*h.store().record(10)), comparableRecord(*before.store.record(10)));

    // Three files onto 85B: only 85B and 85C exist; the user is told first.
    {
        BoxAnswers boxes(h.core.get(), {QStringLiteral("Ok"), QStringLiteral("YES")});
        auto mime = desktopFiles({good, alsoGood, good});
        QVERIFY(dropOn(panel->deviceList(), 253, mime.get()));
        QTRY_VERIFY_WITH_TIMEOUT(boxes.texts.contains(QStringLiteral("Preset import successful !")), 15000);
        QCOMPARE(boxes.texts.first(), QStringLiteral("Only 2 of the 3 files fit from 85B to 85C;\nthe other files are not imported."));
    }
    const Kt900Sim::UnitMemory after = h.unitMemory();
    QCOMPARE(after.store.presetName(253).trimmed(), QStringLiteral("GOOD"));
    QCOMPARE(after.store.presetName(254).trimmed(), QStringLiteral("ALSO GOOD"));
    QCOMPARE(comparableRecord(*after.store.record(kEditBuffer)), comparableRecord(*before.store.record(kEditBuffer)));
    QList<int> sentRows;
    for (const QByteArray &f : h.frames(Cmd::DataTransfer)) {
        if (f.at(1) == Cmd::SubPreset)
            sentRows << static_cast<std::uint8_t>(f.at(2));
    }
    QCOMPARE(sentRows, QList<int>({253, 254}));

    // The unit stops acknowledging: the import says it failed, the row keeps its label.
    Kt900Sim::FaultOptions faults;
    faults.acknowledge = false;
    h.unit().setFaults(faults);
    panel->importer()->setAckTimeout(300);
    const QString label = panel->deviceList()->item(40)->text();
    {
        BoxAnswers boxes(h.core.get(), {QStringLiteral("YES")});
        auto mime = desktopFiles({good});
        QVERIFY(dropOn(panel->deviceList(), 40, mime.get()));
        QTRY_VERIFY_WITH_TIMEOUT(boxes.texts.contains(QStringLiteral("Preset import failed !")), 5000);
        QVERIFY(!boxes.texts.contains(QStringLiteral("Preset import successful !")));
    }
    QCOMPARE(panel->deviceList()->item(40)->text(), label);
    QCOMPARE(comparableRecord(*h.store().record(40)), comparableRecord(*before.store.record(40)));
    QVERIFY(!h.core->busyState()->isBusy());
}

void TestCoreComplist::refreshAndDesktopDrops()
{
    EditorHarness h;
    QVERIFY2(start(h), qPrintable(h.error));
    PresetPanel *panel = h.presets();
    PresetFileCodec &codec = h.core->presetCodec();
    QCOMPARE(panel->computerList()->count(), 0);
    QVERIFY(!panel->computerNote()->isVisibleTo(panel));

    // Files that appear in the folder show after Refresh; a name with a
    // hyphen is left out, and the list says so.
    QVERIFY(codec.writePresetFile(0, m_folder + QStringLiteral("NEW ONE.tp")));
    QVERIFY(codec.writePresetFile(0, m_folder + QStringLiteral("HI-GAIN.tp")));
    QTest::mouseClick(panel->findChild<QPushButton *>(QStringLiteral("refreshList")), Qt::LeftButton);
    QCOMPARE(panel->computerList()->count(), 1);
    QCOMPARE(panel->computerList()->item(0)->text(), QStringLiteral("NEW ONE"));
    QVERIFY(panel->computerNote()->isVisibleTo(panel));
    QCOMPARE(panel->computerNote()->text(), QStringLiteral("1 file(s) not shown"));
    QVERIFY(panel->computerNote()->toolTip().startsWith(QStringLiteral("HI-GAIN.tp: ")));

    // A .tp file from the desktop dropped on a preset is imported into it.
    QTemporaryDir desktop;
    const QString outside = desktop.filePath(QStringLiteral("FROM DESKTOP.tp"));
    QVERIFY(codec.writePresetFile(3, outside));
    const int target = h.store().currentPresetIndex() == 30 ? 31 : 30;
    {
        BoxAnswers boxes(h.core.get(), {QStringLiteral("YES")});
        auto mime = desktopFiles({outside, desktop.filePath(QStringLiteral("notes.txt"))});
        QVERIFY(dropOn(panel->deviceList(), target, mime.get()));
        QTRY_VERIFY_WITH_TIMEOUT(boxes.texts.contains(QStringLiteral("Preset import successful !")), 15000);
    }
    QCOMPARE(h.unitMemory().store.presetName(target).trimmed(), QStringLiteral("FROM DESKTOP"));

    // A desktop file named with characters a preset name cannot hold: the
    // preset takes the cleaned name, never the raw bytes.
    const QString oddName = desktop.filePath(QString::fromUtf8("Caf\xc3\xa9-Tone.tp"));
    QVERIFY(codec.writePresetFile(3, oddName));
    {
        BoxAnswers boxes(h.core.get(), {QStringLiteral("YES")});
        auto mime = desktopFiles({oddName});
        QVERIFY(dropOn(panel->deviceList(), target + 1, mime.get()));
        QTRY_VERIFY_WITH_TIMEOUT(boxes.texts.contains(QStringLiteral("Preset import successful !")), 15000);
    }
    QCOMPARE(h.unitMemory().store.presetName(target + 1), QStringLiteral("Caf  Tone"));
    QCOMPARE(panel->deviceList()->item(target + 1)->text(),
             QStringLiteral("%1 Caf  Tone").arg(PresetNames::presetPrefix(target + 1)));

    // Dropped on the computer list, it is copied into the folder.
    {
        auto mime = desktopFiles({outside});
        QVERIFY(dropOn(panel->computerList(), -1, mime.get()));
    }
    QTRY_COMPARE(panel->computerList()->count(), 2);
    QCOMPARE(readAll(m_folder + QStringLiteral("FROM DESKTOP.tp")), readAll(outside));
    QCOMPARE(panel->computerList()->currentItem()->text(), QStringLiteral("FROM DESKTOP"));

    // Anything else from the desktop is refused.
    auto text = desktopFiles({desktop.filePath(QStringLiteral("notes.txt"))});
    QVERIFY(!dropOn(panel->deviceList(), 5, text.get()));

    // The window with a filled computer list (KT900_SHOT_DIR set: a picture).
    for (const QString &name : {QStringLiteral("Clean Sparkle"), QStringLiteral("WIDE STEREO VERB"),
                                QStringLiteral("Blues Drive"), QStringLiteral("Lead 2")})
        QVERIFY(codec.writePresetFile(0, m_folder + name + QStringLiteral(".tp")));
    panel->refreshComputerList();
    QCOMPARE(panel->computerList()->count(), 6);
    // A name wider than the column is elided; its tip shows it whole.
    QCOMPARE(panel->computerList()->textElideMode(), Qt::ElideRight);
    const QList<QListWidgetItem *> wide = panel->computerList()->findItems(QStringLiteral("WIDE STEREO VERB"), Qt::MatchExactly);
    QCOMPARE(wide.size(), 1);
    QCOMPARE(wide.first()->toolTip(), QStringLiteral("WIDE STEREO VERB"));
    const QString shots = qEnvironmentVariable("KT900_SHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        QVERIFY(h.core->grab().save(QDir(shots).filePath(QStringLiteral("main-computer-list.png"))));
    }
}

void TestCoreComplist::unplugDuringImport()
{
    EditorHarness h;
    QVERIFY2(start(h), qPrintable(h.error));
    PresetPanel *panel = h.presets();
    PresetFileCodec &codec = h.core->presetCodec();
    QStringList files;
    for (const QString &name : {QStringLiteral("ONE"), QStringLiteral("TWO"), QStringLiteral("THREE")}) {
        files << m_folder + name + QStringLiteral(".tp");
        QVERIFY(codec.writePresetFile(0, files.last()));
    }
    const int first = h.store().currentPresetIndex() >= 50 && h.store().currentPresetIndex() < 53 ? 60 : 50;
    int imported = 0;
    int progressTotal = 0;
    connect(panel->importer(), &PresetImporter::progress, this, [&](int, int total) { progressTotal = total; });
    QString overlayTitle;
    int overlayValue = -1;
    int overlayMax = -1;
    bool titleFree = false;
    connect(panel->importer(), &PresetImporter::presetImported, this, [&](int) {
        if (++imported != 1)
            return;
        // The window shows how far the import is.
        LoadingWidget *overlay = h.core->loadingWidget();
        QCoreApplication::processEvents();
        if (overlay->isVisible()) {
            overlayTitle = overlay->title();
            overlayValue = overlay->progressValue();
            overlayMax = overlay->progressBar()->maximum();
            // The title bar stays free: the window can still be moved or closed.
            titleFree = !overlay->geometry().intersects(h.core->titleBar()->geometry());
        }
        const QString shots = qEnvironmentVariable("KT900_SHOT_DIR");
        if (!shots.isEmpty())
            h.core->grab().save(QDir(shots).filePath(QStringLiteral("import-progress.png")));
        h.fixture->unplug();
    });
    BoxAnswers boxes(h.core.get(), {QStringLiteral("YES")});
    {
        auto mime = desktopFiles(files);
        QVERIFY(dropOn(panel->deviceList(), first, mime.get()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 15000);
    QCOMPARE(h.quitCode, 0);
    QCOMPARE(progressTotal, 3);
    QCOMPARE(overlayTitle, QStringLiteral("Importing..."));
    QCOMPARE(overlayMax, 3);
    QVERIFY(titleFree);
    QCOMPARE(overlayValue, 0); // the first preset is acknowledged; the bar moves right after
    QVERIFY(!h.core->loadingWidget()->isVisible());
    QCOMPARE(imported, 1);
    QTRY_VERIFY(boxes.texts.contains(QStringLiteral("The device is disconnected")));
    QVERIFY(!boxes.texts.contains(QStringLiteral("Preset import successful !")));
    QVERIFY(!h.core->busyState()->isBusy());
    // The preset acknowledged before the cable went stays in the unit.
    QCOMPARE(h.unitMemory().store.presetName(first).trimmed(), QStringLiteral("ONE"));
}

QTEST_MAIN(TestCoreComplist)
#include "tst_core_complist.moc"
