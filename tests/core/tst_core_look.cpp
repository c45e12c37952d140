// The loaded main window as a user sees it: every preset label reads in
// full, the panels keep their places at the window's start size, and (with
// KT900_SHOT_DIR set) screenshots of the window with a module of each kind
// selected.

#include "chainpanel.h"
#include "core.h"
#include "custombutton.h"
#include "draglistwidget.h"
#include "editorharness.h"
#include "modulepanel.h"
#include "presetpanel.h"
#include "topbar.h"
#include "exp.h"
#include "loadingwidget.h"
#include "renamewidget.h"
#include "setting.h"
#include "titlebar.h"
#include "tonecapture.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

class TestCoreLook : public QObject
{
    Q_OBJECT

private slots:
    void loadingOverlay();
    void windowAtStartSize();
    void overlaysAndPopups();
    void rowsFollowTheWindowSize();

private:
    void shoot(QWidget *w, const QString &name);
};

void TestCoreLook::shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KT900_SHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QPixmap shot = w->grab();
    if (w->width() < 900)
        shot = shot.scaled(shot.size() * 2);
    QVERIFY(shot.save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

void TestCoreLook::loadingOverlay()
{
    EditorHarness h;
    QVERIFY2(h.start(), qPrintable(h.error));
    Core &core = *h.core;
    QTRY_VERIFY(core.loadingWidget()->progressValue() > 60);
    shoot(&core, QStringLiteral("loading"));
    // The overlay leaves the title bar free (the window can be closed while loading).
    QVERIFY(!core.loadingWidget()->geometry().intersects(core.titleBar()->geometry()));
    QCOMPARE(core.loadingWidget()->geometry().bottom(), core.rect().bottom());
    QVERIFY(h.waitLoaded());
}

void TestCoreLook::overlaysAndPopups()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.selectModule(5);
    core.presetPanel()->beginRename(3);
    QVERIFY(core.renameWidget()->isVisible());
    QTest::keyClicks(core.renameWidget(), QStringLiteral("Fresh Name"));
    QTest::qWait(350);
    shoot(&core, QStringLiteral("rename"));
    QTest::keyClick(core.renameWidget(), Qt::Key_Escape);
    core.topBar()->presetNameEdit()->setFocus();
    QTest::keyClicks(core.topBar()->presetNameEdit(), QStringLiteral("X"));
    shoot(&core, QStringLiteral("tip"));
    QTest::keyClick(core.topBar()->presetNameEdit(), Qt::Key_Return);
    core.selectModule(11);
    QTest::qWait(20);
    shoot(&core, QStringLiteral("module-11"));
    core.showPopup(3);
    shoot(core.settingPopup(), QStringLiteral("popup-setting"));
    core.showPopup(1);
    shoot(core.expPopup(), QStringLiteral("popup-exp"));
    core.showPopup(4);
    shoot(core.toneCapturePopup(), QStringLiteral("popup-tone"));
    core.showPopup(0);
}

// The parameter and type rows are as wide as their lists, also after the
// window was resized (rows built at one width must not keep it).
void TestCoreLook::rowsFollowTheWindowSize()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.selectModule(3); // CAB: slot rows with buttons in the type list
    QListWidget *paras = core.modulePanel()->paraList();
    QListWidget *types = core.modulePanel()->typeList();
    // A row widget may be inset a few pixels, never wider than its list.
    const auto rowsFit = [](QListWidget *list) {
        const int width = list->viewport()->width();
        for (int row = 0; row < list->count(); ++row) {
            QWidget *w = list->itemWidget(list->item(row));
            if (w && !list->isRowHidden(row) && (w->geometry().right() >= width || w->width() < width - 16))
                return false;
        }
        return true;
    };
    for (const QSize size : {QSize(1500, 900), QSize(Core::kWidth, Core::kHeight), QSize(1300, 760)}) {
        core.resize(size);
        QTRY_VERIFY2(rowsFit(paras), qPrintable(QStringLiteral("parameter rows at %1 x %2").arg(size.width()).arg(size.height())));
        QTRY_VERIFY2(rowsFit(types), qPrintable(QStringLiteral("type rows at %1 x %2").arg(size.width()).arg(size.height())));
    }
}

void TestCoreLook::windowAtStartSize()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QCOMPARE(core.size(), QSize(Core::kWidth, Core::kHeight));
    shoot(&core, QStringLiteral("main"));
    shoot(core.topBar()->findChild<QWidget *>(QStringLiteral("volBpmColumn")), QStringLiteral("volbpm"));

    // Every preset label fits its row.
    QListWidget *list = core.presetPanel()->deviceList();
    const QFontMetrics fm(list->font());
    int widest = 0;
    for (int row = 0; row < list->count(); ++row)
        widest = qMax(widest, fm.horizontalAdvance(list->item(row)->text()));
    const int need = widest + 8;

    for (int module = 0; module < 11; ++module) {
        QTest::mouseClick(core.chainPanel()->button(module), Qt::LeftButton);
        QTest::qWait(20);
        shoot(&core, QStringLiteral("module-%1").arg(module, 2, 10, QLatin1Char('0')));
        if (module == 3) {
            core.modulePanel()->typeList()->scrollToBottom();
            shoot(&core, QStringLiteral("module-03-slots"));
        }
    }
    QVERIFY2(need <= list->viewport()->width(),
             qPrintable(QStringLiteral("labels need %1 px, the list has %2").arg(need).arg(list->viewport()->width())));
}

QTEST_MAIN(TestCoreLook)
#include "tst_core_look.moc"
