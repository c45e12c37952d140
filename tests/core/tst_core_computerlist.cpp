// The computer list on its own (no unit): which files it shows and why it
// leaves others out, Add, Delete and Undo Delete through its menu and keys,
// exports that fail with their reason, and refusals while the editor is busy.

#include "boxanswers.h"
#include "testfiles.h"
#include "busystate.h"
#include "computerlist.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "effectcatalogue.h"
#include "filechooser.h"
#include "presetfilecodec.h"
#include "presetpanel.h"
#include "resources.h"
#include "unitlink.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalMapper>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Kt900;

namespace {

// The preset panel over a store of its own, its files in a folder of the test.
struct Bench {
    explicit Bench(const QString &folder)
        : link(store)
        , codec(&store)
    {
        codec.setPresetFolder(folder);
        store.setPresetName(0, QStringLiteral("My Tone"));
        store.setPresetName(1, QStringLiteral("SECOND"));
        panel = std::make_unique<PresetPanel>(link, codec, &mapper);
        QObject::connect(&mapper, &QSignalMapper::mappedInt, panel.get(), [this](int id) {
            if (id >= ComputerList::AddId || id <= ComputerList::RefreshId)
                files()->runMenuCommand(id);
        });
        panel->resize(500, 400);
        panel->show();
    }
    ComputerList *files() const { return panel->computerFiles(); }
    DragListWidget *list() const { return panel->computerList(); }
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    // Opens the list's context menu at a row (-1: an empty spot) and picks
    // the entry with this text; returns whether it was enabled.
    bool menu(int row, const QString &entry)
    {
        const QPoint at = row >= 0 ? list()->visualItemRect(list()->item(row)).center()
                                   : QPoint(5, list()->viewport()->height() - 3);
        bool enabled = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&]() {
            QMenu *m = files()->menu();
            if (!m->isVisible())
                return;
            poll.stop();
            for (QAction *a : m->actions()) {
                if (a->text() != entry)
                    continue;
                enabled = a->isEnabled();
                if (enabled) {
                    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
                    return;
                }
            }
            m->close();
        });
        poll.start(10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list()->viewport(), &event);
        return enabled;
    }

    DeviceStore store;
    UnitLink link;
    PresetFileCodec codec;
    QSignalMapper mapper;
    std::unique_ptr<PresetPanel> panel;
};

} // namespace

class TestCoreComputerList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void listsOnlyPresetFilesAndSaysWhy();
    void unusableFolder();
    void addThroughTheMenu_data();
    void addThroughTheMenu();
    void deleteAndUndo();
    void exportFailureSaysWhy();
    void refusedWhileBusy();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_outside;
    QByteArray m_preset;
};

void TestCoreComputerList::initTestCase()
{
    kt900InitResources();
    QVERIFY(EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
}

void TestCoreComputerList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->filePath(QStringLiteral("presetfile")) + QLatin1Char('/');
    m_outside = m_dir->filePath(QStringLiteral("outside")) + QLatin1Char('/');
    QVERIFY(QDir().mkpath(m_folder));
    QVERIFY(QDir().mkpath(m_outside));
    DeviceStore store;
    PresetFileCodec codec(&store);
    m_preset = codec.presetDocument(0);
    QVERIFY(!m_preset.isEmpty());
}

void TestCoreComputerList::listsOnlyPresetFilesAndSaysWhy()
{
    QVERIFY(writeAll(m_folder + QStringLiteral("b GOOD.tp"), m_preset));
    QVERIFY(writeAll(m_folder + QStringLiteral("A good.tp"), m_preset));
    QVERIFY(writeAll(m_folder + QStringLiteral("HI-GAIN.tp"), m_preset));
    QVERIFY(writeAll(m_folder + QStringLiteral("junk.tp"), "not json"));
    QVERIFY(writeAll(m_folder + QStringLiteral("notes.txt"), m_preset));
    Bench b(m_folder);
    QCOMPARE(b.files()->refresh(), 2);
    // Sorted without regard to letter case; the first row current.
    QCOMPARE(b.rows(), QStringList({"A good", "b GOOD"}));
    QCOMPARE(b.list()->currentRow(), 0);
    QCOMPARE(b.list()->item(1)->data(DragListWidget::FileRole).toString(), m_folder + QStringLiteral("b GOOD.tp"));
    QCOMPARE(b.list()->item(1)->toolTip(), QStringLiteral("b GOOD"));
    // Dragged out (to a file manager), a row carries its file, to be copied only.
    const std::unique_ptr<QMimeData> mime(b.list()->model()->mimeData({b.list()->model()->index(1, 0)}));
    QCOMPARE(mime->urls(), QList<QUrl>{QUrl::fromLocalFile(m_folder + QStringLiteral("b GOOD.tp"))});
    QCOMPARE(b.list()->model()->supportedDragActions(), Qt::DropActions(Qt::CopyAction));
    QCOMPARE(b.files()->skipped().size(), 2);
    QLabel *note = b.panel->computerNote();
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(), QStringLiteral("2 file(s) not shown"));
    const QStringList tips = note->toolTip().split(QLatin1Char('\n'));
    QCOMPARE(tips.size(), 2);
    QVERIFY2(tips.at(0).startsWith(QStringLiteral("HI-GAIN.tp: ")) && tips.at(0).contains(QStringLiteral("\"-\"")),
             qPrintable(tips.at(0)));
    QVERIFY2(tips.at(1).startsWith(QStringLiteral("junk.tp: not a preset file")), qPrintable(tips.at(1)));

    // Refresh keeps no trace of files gone since.
    QVERIFY(QFile::remove(m_folder + QStringLiteral("HI-GAIN.tp")));
    QVERIFY(QFile::remove(m_folder + QStringLiteral("junk.tp")));
    QCOMPARE(b.files()->refresh(QStringLiteral("B GOOD")), 2);
    QCOMPARE(b.list()->currentRow(), 1);
    QVERIFY(!note->isVisible());
}

void TestCoreComputerList::unusableFolder()
{
    // Where the folder should be lies a file: it cannot be created.
    const QString blocked = m_dir->filePath(QStringLiteral("blocked"));
    QVERIFY(writeAll(blocked, "x"));
    Bench b(blocked + QStringLiteral("/presetfile"));
    QCOMPARE(b.files()->refresh(), 0);
    QVERIFY(b.panel->computerNote()->isVisible());
    QCOMPARE(b.panel->computerNote()->text(), QStringLiteral("The preset folder cannot be created"));
    BoxAnswers boxes(b.panel.get(), {QStringLiteral("Ok")});
    QCOMPARE(b.panel->exportRows({0}), 0);
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("WARNING")});
    QVERIFY(boxes.texts.first().startsWith(QStringLiteral("The preset folder cannot be created:\n")));
}

void TestCoreComputerList::addThroughTheMenu_data()
{
    QTest::addColumn<QStringList>("names");      // files chosen in the dialog (in the outside folder)
    QTest::addColumn<QStringList>("listed");     // the list afterwards
    QTest::addColumn<QString>("message");        // start of the message, empty for none
    QTest::addColumn<QString>("current");        // the current row afterwards
    QTest::newRow("two files") << QStringList{"NEW A", "NEW B"} << QStringList{"EXISTS", "NEW A", "NEW B"} << ""
                               << "NEW B";
    QTest::newRow("name clash stops, earlier copies stay")
        << QStringList{"NEW A", "EXISTS", "NEW B"} << QStringList{"EXISTS", "NEW A"} << "'EXISTS.tp' already exists"
        << "NEW A";
    QTest::newRow("a file of the folder itself is left as it is")
        << QStringList{"NEW A", "=EXISTS"} << QStringList{"EXISTS", "NEW A"} << "" << "NEW A";
    QTest::newRow("not a preset file") << QStringList{"BROKEN"} << QStringList{"EXISTS"}
                                       << "'BROKEN.tp' is not a preset file:\n" << "EXISTS";
    QTest::newRow("name the list would not show") << QStringList{"HI-GAIN"} << QStringList{"EXISTS"}
                                                  << "'HI-GAIN.tp' cannot be added:\n" << "EXISTS";
}

void TestCoreComputerList::addThroughTheMenu()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, listed);
    QFETCH(QString, message);
    QFETCH(QString, current);
    QVERIFY(writeAll(m_folder + QStringLiteral("EXISTS.tp"), "{}"));
    QStringList paths;
    for (const QString &n : names) {
        if (n.startsWith(QLatin1Char('='))) { // a file already in the folder
            paths << m_folder + n.mid(1) + QStringLiteral(".tp");
            continue;
        }
        paths << m_outside + n + QStringLiteral(".tp");
        QVERIFY(writeAll(paths.last(), n == QLatin1String("BROKEN") ? QByteArray("{") : m_preset));
    }
    Bench b(m_folder);
    b.files()->refresh();
    auto chooser = std::make_unique<FixedFileChooser>();
    chooser->setPaths(paths);
    FixedFileChooser *asked = chooser.get();
    b.files()->setFileChooser(std::move(chooser));
    BoxAnswers boxes(b.panel.get(), {QStringLiteral("Ok")});
    QVERIFY(b.menu(-1, QStringLiteral("Add")));
    QCOMPARE(asked->calls, 1);
    QCOMPARE(asked->lastFilter, QStringLiteral("*.tp"));
    QTRY_COMPARE(b.rows(), listed);
    QCOMPARE(b.list()->currentItem()->text(), current);
    if (message.isEmpty()) {
        QCOMPARE(boxes.texts, QStringList());
    } else {
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().startsWith(message), qPrintable(boxes.texts.first()));
        QCOMPARE(boxes.titles.first(), QStringLiteral("WARNING"));
    }
    // The file already there is never touched.
    QCOMPARE(readAll(m_folder + QStringLiteral("EXISTS.tp")), QByteArray("{}"));
    for (const QString &n : listed) {
        if (n != QLatin1String("EXISTS"))
            QCOMPARE(readAll(m_folder + n + QStringLiteral(".tp")), m_preset);
    }
}

void TestCoreComputerList::deleteAndUndo()
{
    const QByteArray other = m_preset + "\n";
    QVERIFY(writeAll(m_folder + QStringLiteral("ONE.tp"), m_preset));
    QVERIFY(writeAll(m_folder + QStringLiteral("TWO.tp"), other));
    Bench b(m_folder);
    b.files()->refresh();
    QCOMPARE(b.rows(), QStringList({"ONE", "TWO"}));

    // On an empty spot the menu offers no Delete, and nothing to undo yet.
    QVERIFY(!b.menu(-1, QStringLiteral("Delete")));
    QVERIFY(!b.menu(-1, QStringLiteral("Undo Delete")));
    QCOMPARE(b.rows(), QStringList({"ONE", "TWO"}));

    // Delete on a row: no question, the file is gone.
    QVERIFY(b.menu(1, QStringLiteral("Delete")));
    QCOMPARE(b.rows(), QStringList({"ONE"}));
    QVERIFY(!QFile::exists(m_folder + QStringLiteral("TWO.tp")));

    // The Delete key removes the current row's file.
    b.list()->setFocus();
    b.list()->setCurrentRow(0);
    QTest::keyClick(b.list(), Qt::Key_Delete);
    QCOMPARE(b.rows(), QStringList());

    // Undo brings them back, last deleted first, byte for byte.
    QTest::keySequence(b.list(), QKeySequence::Undo);
    QCOMPARE(b.rows(), QStringList({"ONE"}));
    QCOMPARE(readAll(m_folder + QStringLiteral("ONE.tp")), m_preset);
    QVERIFY(b.menu(-1, QStringLiteral("Undo Delete")));
    QCOMPARE(b.rows(), QStringList({"ONE", "TWO"}));
    QCOMPARE(readAll(m_folder + QStringLiteral("TWO.tp")), other);
    QVERIFY(!b.files()->canUndoDelete());

    // A file that came back meanwhile is not overwritten by an undo.
    QVERIFY(b.files()->deleteRow(0));
    QVERIFY(writeAll(m_folder + QStringLiteral("ONE.tp"), "{}"));
    BoxAnswers boxes(b.panel.get(), {});
    QVERIFY(!b.files()->undoDelete());
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("'ONE.tp' already exists")});
    QCOMPARE(readAll(m_folder + QStringLiteral("ONE.tp")), QByteArray("{}"));
}

void TestCoreComputerList::exportFailureSaysWhy()
{
    // A folder where the file should go: the write fails and says why, the
    // folder stays as it was.
    QVERIFY(QDir().mkpath(m_folder + QStringLiteral("My Tone.tp")));
    Bench b(m_folder);
    BoxAnswers boxes(b.panel.get(), {QStringLiteral("YES"), QStringLiteral("Ok")});
    QCOMPARE(b.panel->exportRows({0, 1}), 0);
    QCOMPARE(boxes.titles, QStringList({"WARNING", "Export"}));
    QVERIFY2(boxes.texts.at(1).startsWith(QStringLiteral("Preset export failed !\n'My Tone.tp': ")),
             qPrintable(boxes.texts.at(1)));
    // The first failure stops: SECOND was not written either.
    QVERIFY(!QFile::exists(m_folder + QStringLiteral("SECOND.tp")));
    QVERIFY(QFileInfo(m_folder + QStringLiteral("My Tone.tp")).isDir());
}

void TestCoreComputerList::refusedWhileBusy()
{
    QVERIFY(writeAll(m_folder + QStringLiteral("ONE.tp"), m_preset));
    QVERIFY(writeAll(m_outside + QStringLiteral("NEW.tp"), m_preset));
    Bench b(m_folder);
    BusyState busy;
    b.panel->setBusyState(&busy);
    b.files()->refresh();
    QVERIFY(busy.enter(QStringLiteral("Preset import")));
    QCOMPARE(b.panel->exportRows({1}), 0);
    QCOMPARE(b.files()->addFiles({m_outside + QStringLiteral("NEW.tp")}), 0);
    QVERIFY(!b.files()->deleteRow(0));
    QCOMPARE(b.panel->importFiles({m_outside + QStringLiteral("NEW.tp")}, 3), 0);
    QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{QStringLiteral("ONE.tp")});
    busy.leave();
    QVERIFY(b.files()->deleteRow(0));
}

QTEST_MAIN(TestCoreComputerList)
#include "tst_core_computerlist.moc"
