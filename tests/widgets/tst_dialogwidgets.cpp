// Dialog and list widgets: sliding stack, drag list, rename editor, loading
// overlay, frameless helper, tip box, row layouts, delegates, combo box.

#include "animationstackedwidget.h"
#include "delegates.h"
#include "draglistwidget.h"
#include "framelesshelper.h"
#include "loadingwidget.h"
#include "mycombobox.h"
#include "renamewidget.h"
#include "resources.h"
#include "rowlayouts.h"
#include "tipbox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHoverEvent>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalMapper>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QtTest>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void hover(QWidget *w, QPoint pos)
{
    QHoverEvent e(QEvent::HoverMove, pos, pos - QPoint(1, 1));
    QApplication::sendEvent(w, &e);
}

// A drag list whose drops can be given a source, as a real drag would.
class SourcedDragList : public DragListWidget
{
public:
    using DragListWidget::DragListWidget;
    const QObject *fakeSource = nullptr;

    // The handlers themselves, whatever the drag manager thinks.
    void enter(QDragEnterEvent *e) { dragEnterEvent(e); }
    void over(QDragMoveEvent *e) { dragMoveEvent(e); }
    void drop(QDropEvent *e) { dropEvent(e); }

protected:
    const QObject *dropSource(const QDropEvent *) const override { return fakeSource; }
};

QMimeData *listMime(QListWidget *from)
{
    return from->model()->mimeData({from->model()->index(0, 0)});
}

} // namespace

class TestDialogWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void stackToIndexEdgeCases();
    void stackSlides();
    void stackNextWrapsAndForwardStops();
    void stackToIndexDuringSlideFinishesFirst();

    void listRightClickMarksWithoutSelecting();
    void listMarkedBackground();
    void listAcceptsDropsOnlyFromOtherLists();
    void listDropReportsRowAndCopiesNothing();
    void listDropRefused_data();
    void listDropRefused();

    void renameShowsClearedAndGrows();
    void renameFinishes_data();
    void renameFinishes();
    void renameRefusesCharacters();
    void renameEscapeCancels();

    void loadingOverlay();

    void framelessCursor_data();
    void framelessCursor();
    void framelessNoCursorWhenMaximised();
    void framelessResizeFromCorner();
    void framelessResizeKeepsMinimum();
    void framelessRubberBandResize();
    void framelessMoveByTitle();
    void framelessEdgesOverChildren();
    void framelessDoubleClickToggles();
    void framelessSettings();

    void tipBoxGeometry();
    void rowLayoutsMapIds();
    void noFocusDelegateDropsFocusRect();
    void comboBoxDelegateEdits();
    void lineEditDelegateRange();
    void comboPopupRestoresAnimation();
};

void TestDialogWidgets::initTestCase()
{
    kt900InitResources();
}

// ---- AnimationStackedWidget --------------------------------------------

static AnimationStackedWidget *makeStack(QWidget *host, int pages)
{
    auto *stack = new AnimationStackedWidget(host);
    stack->resize(300, 200);
    for (int i = 0; i < pages; ++i)
        stack->addWidget(new QLabel(QString::number(i)));
    stack->setDuration(60);
    return stack;
}

void TestDialogWidgets::stackToIndexEdgeCases()
{
    QWidget host;
    AnimationStackedWidget *stack = makeStack(&host, 3);
    host.show();
    QCOMPARE(stack->duration(), 60);
    QSignalSpy finished(stack, &AnimationStackedWidget::animationFinished);

    stack->toIndex(0); // the current page
    QVERIFY(!stack->isAnimating());
    stack->toIndex(-1);
    QVERIFY(!stack->isAnimating());
    stack->toIndex(3); // past the last page
    QVERIFY(!stack->isAnimating());
    stack->forward(); // on the first page
    QVERIFY(!stack->isAnimating());
    QTest::qWait(120);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(stack->currentIndex(), 0);

    AnimationStackedWidget empty;
    empty.next();
    empty.forward();
    empty.toIndex(0);
    QVERIFY(!empty.isAnimating());

    AnimationStackedWidget defaults;
    QCOMPARE(defaults.duration(), 500);
}

void TestDialogWidgets::stackSlides()
{
    QWidget host;
    AnimationStackedWidget *stack = makeStack(&host, 3);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QSignalSpy finished(stack, &AnimationStackedWidget::animationFinished);

    stack->toIndex(2);
    QVERIFY(stack->isAnimating());
    QCOMPARE(stack->currentIndex(), 0); // switches only at the end
    QCOMPARE(stack->targetIndex(), 2);
    QVERIFY(!stack->widget(0)->isVisible());
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(stack->currentIndex(), 2);
    QVERIFY(stack->widget(2)->isVisible());
    QVERIFY(!stack->isAnimating());

    stack->toIndex(1); // backwards
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(stack->currentIndex(), 1);
}

void TestDialogWidgets::stackNextWrapsAndForwardStops()
{
    QWidget host;
    AnimationStackedWidget *stack = makeStack(&host, 3);
    stack->setDuration(0);
    host.show();
    QSignalSpy finished(stack, &AnimationStackedWidget::animationFinished);
    stack->next();
    QTRY_COMPARE(stack->currentIndex(), 1);
    stack->next();
    QTRY_COMPARE(stack->currentIndex(), 2);
    stack->next(); // wraps round
    QTRY_COMPARE(stack->currentIndex(), 0);
    stack->forward(); // nothing before page 0
    QTest::qWait(30);
    QCOMPARE(stack->currentIndex(), 0);
    stack->toIndex(2);
    QTRY_COMPARE(stack->currentIndex(), 2);
    stack->forward();
    QTRY_COMPARE(stack->currentIndex(), 1);
    QCOMPARE(finished.count(), 5);
}

void TestDialogWidgets::stackToIndexDuringSlideFinishesFirst()
{
    QWidget host;
    AnimationStackedWidget *stack = makeStack(&host, 4);
    stack->setDuration(2000);
    host.show();
    QSignalSpy finished(stack, &AnimationStackedWidget::animationFinished);
    stack->toIndex(3);
    QVERIFY(stack->isAnimating());
    // A second request finishes the running slide at once, then starts.
    stack->setDuration(50);
    stack->toIndex(1);
    QCOMPARE(finished.count(), 1);
    QVERIFY(stack->isAnimating());
    QCOMPARE(stack->targetIndex(), 1);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(stack->currentIndex(), 1);

    // Asking for the page being slid to ends the slide there.
    stack->setDuration(2000);
    stack->toIndex(2);
    stack->toIndex(2);
    QCOMPARE(finished.count(), 3);
    QCOMPARE(stack->currentIndex(), 2);
    QVERIFY(!stack->isAnimating());
}

// ---- DragListWidget -------------------------------------------------------

void TestDialogWidgets::listRightClickMarksWithoutSelecting()
{
    DragListWidget list;
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int i = 0; i < 10; ++i)
        list.addItem(QStringLiteral("Row %1").arg(i));
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentRow(1);
    QCOMPARE(list.markedRow(), -1);

    const QPoint row4 = list.visualItemRect(list.item(4)).center();
    sendMouse(list.viewport(), QEvent::MouseButtonPress, row4, Qt::RightButton, Qt::RightButton);
    sendMouse(list.viewport(), QEvent::MouseButtonRelease, row4, Qt::RightButton, Qt::NoButton);
    QCOMPARE(list.markedRow(), 4);
    QCOMPARE(list.markedItem(), list.item(4));
    QCOMPARE(list.currentRow(), 1);
    QCOMPARE(list.selectedItems(), QList<QListWidgetItem *>{list.item(1)});
    QCOMPARE(list.rowAt(row4), 4);
    QCOMPARE(list.rowOf(list.item(4)), 4);
    QCOMPARE(list.itemRect(list.item(4)), list.visualItemRect(list.item(4)));

    // Right press on empty space clears the mark.
    sendMouse(list.viewport(), QEvent::MouseButtonPress, QPoint(5, 295), Qt::RightButton, Qt::RightButton);
    QCOMPARE(list.markedRow(), -1);
    QVERIFY(!list.markedItem());

    // A left press selects as usual.
    const QPoint row6 = list.visualItemRect(list.item(6)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, row6);
    QCOMPARE(list.currentRow(), 6);
    QCOMPARE(list.pressPosition(), row6);
}

void TestDialogWidgets::listMarkedBackground()
{
    DragListWidget list;
    for (int i = 0; i < 5; ++i)
        list.addItem(QStringLiteral("Row %1").arg(i));
    list.resize(200, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentRow(0);
    list.setMarkedBackground(QStringLiteral("#0363D3")); // nothing marked: no effect
    for (int i = 0; i < 5; ++i)
        QCOMPARE(list.item(i)->background().style(), Qt::NoBrush);

    const QPoint row2 = list.visualItemRect(list.item(2)).center();
    sendMouse(list.viewport(), QEvent::MouseButtonPress, row2, Qt::RightButton, Qt::RightButton);
    list.setMarkedBackground(QStringLiteral("#0363D3"));
    QCOMPARE(list.item(2)->background().color(), QColor(QStringLiteral("#0363D3")));
    list.setMarkedBackground(QStringLiteral("transparent"));
    QCOMPARE(list.item(2)->background().color().alpha(), 0);

    // The current row is never painted as marked.
    const QPoint row0 = list.visualItemRect(list.item(0)).center();
    sendMouse(list.viewport(), QEvent::MouseButtonPress, row0, Qt::RightButton, Qt::RightButton);
    list.setMarkedBackground(QStringLiteral("#0363D3"));
    QCOMPARE(list.item(0)->background().style(), Qt::NoBrush);

    // The mark does not outlive its row.
    sendMouse(list.viewport(), QEvent::MouseButtonPress, list.visualItemRect(list.item(3)).center(),
              Qt::RightButton, Qt::RightButton);
    list.clear();
    QVERIFY(!list.markedItem());
    list.setMarkedBackground(QStringLiteral("#0363D3")); // must not crash
}

void TestDialogWidgets::listAcceptsDropsOnlyFromOtherLists()
{
    DragListWidget a;
    DragListWidget b;
    QListWidget plain;
    QVERIFY(a.acceptsDropFrom(&b));
    QVERIFY(b.acceptsDropFrom(&a));
    QVERIFY(!a.acceptsDropFrom(&a));
    QVERIFY(!a.acceptsDropFrom(nullptr));
    QVERIFY(!a.acceptsDropFrom(&plain));
    QVERIFY(a.dragEnabled());
    QVERIFY(a.acceptDrops());
    QCOMPARE(a.defaultDropAction(), Qt::CopyAction);
}

void TestDialogWidgets::listDropReportsRowAndCopiesNothing()
{
    DragListWidget source;
    SourcedDragList target;
    source.addItems({QStringLiteral("01A CLEAN"), QStringLiteral("01B LEAD")});
    for (int i = 0; i < 8; ++i)
        target.addItem(QStringLiteral("file %1").arg(i));
    target.resize(200, 300);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    target.fakeSource = &source;
    QSignalSpy spy(&target, &DragListWidget::dragHappen);

    std::unique_ptr<QMimeData> mime(listMime(&source));
    const QPoint row5 = target.visualItemRect(target.item(5)).center();
    QDragEnterEvent enter(row5, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(row5, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target.viewport(), &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(row5, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target.viewport(), &drop);
    QVERIFY(drop.isAccepted());
    // Copy, so the source keeps its rows.
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 5);
    QCOMPARE(target.count(), 8);
    QCOMPARE(source.count(), 2);

    // Below the last row: -1.
    const QPoint empty(5, target.viewport()->height() - 3);
    QDragEnterEvent enter2(empty, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target.viewport(), &enter2);
    QDropEvent dropEmpty(empty, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target.viewport(), &dropEmpty);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), -1);
    QCOMPARE(target.count(), 8);
}

void TestDialogWidgets::listDropRefused_data()
{
    QTest::addColumn<int>("sourceKind"); // 0 the list itself, 1 nothing, 2 a plain list
    QTest::newRow("from the same list") << 0;
    QTest::newRow("from outside the program") << 1;
    QTest::newRow("from another kind of widget") << 2;
}

void TestDialogWidgets::listDropRefused()
{
    QFETCH(int, sourceKind);
    SourcedDragList target;
    QListWidget plain;
    plain.addItem(QStringLiteral("x"));
    target.addItems({QStringLiteral("a"), QStringLiteral("b")});
    target.resize(200, 200);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    target.fakeSource = sourceKind == 0 ? static_cast<QObject *>(&target)
                        : sourceKind == 1 ? nullptr
                                          : static_cast<QObject *>(&plain);
    QSignalSpy spy(&target, &DragListWidget::dragHappen);
    std::unique_ptr<QMimeData> mime(listMime(&plain));
    const QPoint row1 = target.visualItemRect(target.item(1)).center();

    QDragEnterEvent enter(row1, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    target.enter(&enter);
    QVERIFY(!enter.isAccepted());
    QDragMoveEvent move(row1, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    target.over(&move);
    QVERIFY(!move.isAccepted());
    QDropEvent drop(row1, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    target.drop(&drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(target.count(), 2);

    // The same handlers take a drop from another drag list.
    DragListWidget other;
    target.fakeSource = &other;
    QDropEvent accepted(row1, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    target.drop(&accepted);
    QVERIFY(accepted.isAccepted());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(target.count(), 2);
}

// ---- RenameWidget --------------------------------------------------------

void TestDialogWidgets::renameShowsClearedAndGrows()
{
    QWidget host;
    host.resize(400, 300);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    RenameWidget rename(&host);
    QCOMPARE(rename.objectName(), QStringLiteral("renameLineEdit"));
    QCOMPARE(rename.contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(rename.button()->objectName(), QStringLiteral("renameButton"));
    QCOMPARE(rename.button()->text(), QStringLiteral("OK"));
    QCOMPARE(rename.button()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(rename.cursor().shape(), Qt::IBeamCursor);
    rename.hide();
    rename.setText(QStringLiteral("OLD"));

    rename.show();
    QVERIFY(rename.text().isEmpty());
    QVERIFY(rename.width() < RenameWidget::kOpenWidth);
    QCOMPARE(rename.height(), RenameWidget::kHeight);
    QTRY_COMPARE(rename.size(), QSize(190, 25));
    QTRY_VERIFY(rename.hasFocus());
}

void TestDialogWidgets::renameFinishes_data()
{
    QTest::addColumn<bool>("byReturn");
    QTest::newRow("OK button") << false;
    QTest::newRow("Return") << true;
}

void TestDialogWidgets::renameFinishes()
{
    QFETCH(bool, byReturn);
    QWidget host;
    host.resize(400, 300);
    RenameWidget rename(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    rename.show();
    QSignalSpy spy(&rename, &RenameWidget::renameFinished);
    QTest::keyClicks(&rename, QStringLiteral("My Tone 2"));
    if (byReturn)
        QTest::keyClick(&rename, Qt::Key_Return);
    else
        QTest::mouseClick(rename.button(), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("My Tone 2"));
    QVERIFY(rename.isHidden());

    // Return on an empty editor also closes it, reporting nothing to rename.
    rename.show();
    QTest::keyClick(&rename, Qt::Key_Return);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toString(), QString());
    QVERIFY(rename.isHidden());
}

void TestDialogWidgets::renameRefusesCharacters()
{
    QWidget host;
    RenameWidget rename(&host);
    host.show();
    rename.show();
    QTest::keyClicks(&rename, QStringLiteral("a-b_c.d/E 9\xc3\xa9"));
    QCOMPARE(rename.text(), QStringLiteral("abcdE 9"));
}

void TestDialogWidgets::renameEscapeCancels()
{
    QWidget host;
    RenameWidget rename(&host);
    host.show();
    rename.show();
    QSignalSpy spy(&rename, &RenameWidget::renameFinished);
    QTest::keyClicks(&rename, QStringLiteral("Draft"));
    QTest::keyClick(&rename, Qt::Key_Escape);
    QVERIFY(rename.isHidden());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QString());
}

// ---- LoadingWidget ---------------------------------------------------------

void TestDialogWidgets::loadingOverlay()
{
    QWidget core;
    core.resize(1130, 700);
    LoadingWidget loading(&core);
    core.show();
    QCOMPARE(loading.size(), QSize(1130, 700));
    QCOMPARE(loading.objectName(), QStringLiteral("loadingWidget"));
    QCOMPARE(loading.progressBar()->objectName(), QStringLiteral("loadingProgressBar"));
    QVERIFY(loading.progressBar()->isTextVisible());
    QCOMPARE(loading.titleLabel()->objectName(), QStringLiteral("loadingTitle"));

    loading.setTitle(QStringLiteral("Loading..."));
    QCOMPARE(loading.title(), QStringLiteral("Loading..."));
    loading.setRange(0, 510);
    loading.setProgressValue(0);
    for (int i = 0; i < 28; ++i)
        loading.addProgressValue();
    QCOMPARE(loading.progressValue(), 28);
    loading.setProgressValue(509);
    loading.addProgressValue();
    loading.addProgressValue(); // extra chunks stay at the top
    QCOMPARE(loading.progressValue(), 510);
    loading.setProgressValue(0);
    QCOMPARE(loading.progressValue(), 0);
    loading.setProgressValue(-4);
    QCOMPARE(loading.progressValue(), 0);
    loading.setRange(0, 100);
    loading.setProgressValue(140); // recall progress beyond the range
    QCOMPARE(loading.progressValue(), 100);

    core.resize(1400, 900); // maximised window: the overlay follows
    QCOMPARE(loading.size(), QSize(1400, 900));

    LoadingWidget orphan; // no parent: no crash
    orphan.addProgressValue();
    QCOMPARE(orphan.progressValue(), 1);
}

// ---- FramelessHelper -------------------------------------------------------

void TestDialogWidgets::framelessCursor_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("shape"); // -1: unset
    QTest::newRow("bottom-right corner") << QPoint(398, 298) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-left corner") << QPoint(1, 1) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right corner") << QPoint(398, 2) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left corner") << QPoint(2, 297) << int(Qt::SizeBDiagCursor);
    QTest::newRow("left edge") << QPoint(3, 150) << int(Qt::SizeHorCursor);
    QTest::newRow("right edge") << QPoint(396, 150) << int(Qt::SizeHorCursor);
    QTest::newRow("top edge") << QPoint(200, 0) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom edge") << QPoint(200, 299) << int(Qt::SizeVerCursor);
    QTest::newRow("inside") << QPoint(200, 150) << -1;
    QTest::newRow("just inside the border") << QPoint(6 + 5, 150) << -1;
}

void TestDialogWidgets::framelessCursor()
{
    QFETCH(QPoint, pos);
    QFETCH(int, shape);
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    hover(&w, pos);
    QCOMPARE(int(w.cursor().shape()), shape < 0 ? int(Qt::ArrowCursor) : shape);
    // Moving back inside unsets it again.
    hover(&w, QPoint(200, 150));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

void TestDialogWidgets::framelessNoCursorWhenMaximised()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.activateOn(&w);
    w.showMaximized();
    QTRY_VERIFY(w.isMaximized());
    hover(&w, QPoint(w.width() - 1, w.height() - 1));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

    // Not resizable: no resize cursor either.
    QWidget fixed;
    fixed.setGeometry(100, 100, 400, 300);
    FramelessHelper h2;
    h2.setWidgetResizable(false);
    h2.activateOn(&fixed);
    fixed.show();
    hover(&fixed, QPoint(398, 298));
    QCOMPARE(fixed.cursor().shape(), Qt::ArrowCursor);
}

void TestDialogWidgets::framelessResizeFromCorner()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect before = w.geometry();

    sendMouse(&w, QEvent::MouseButtonPress, QPoint(398, 298), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(448, 338), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.size(), QSize(450, 340)); // follows directly without a rubber band
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(448, 338), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.geometry().topLeft(), before.topLeft());
    QCOMPARE(w.size(), QSize(450, 340));

    // The top-left corner moves the origin and keeps the far corner.
    const QRect now = w.geometry();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(21, 11), Qt::NoButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(21, 11), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.geometry().bottomRight(), now.bottomRight());
    QCOMPARE(w.geometry().topLeft(), now.topLeft() + QPoint(20, 10));
}

void TestDialogWidgets::framelessResizeKeepsMinimum()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setMinimumSize(300, 200);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(398, 298), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.size(), QSize(300, 200));

    const QRect r = w.geometry();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(1, 100), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(250, 100), Qt::NoButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(250, 100), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.width(), 300);
    QCOMPARE(w.geometry().right(), r.right());
}

void TestDialogWidgets::framelessRubberBandResize()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.setRubberBandOnResize(true);
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(398, 150), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(498, 150), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.size(), QSize(400, 300)); // only the band moves
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(498, 150), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.size(), QSize(500, 300));
}

void TestDialogWidgets::framelessMoveByTitle()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.setTitleHeight(40);
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(200, 20), Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPoint(200, 20), w.mapToGlobal(QPoint(200, 20)) + QPoint(30, 15),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(200, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.pos(), start + QPoint(30, 15));
    QCOMPARE(w.size(), QSize(400, 300));

    // Below the title height a press does not move the window.
    const QPoint before = w.pos();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move2(QEvent::MouseMove, QPoint(200, 150), w.mapToGlobal(QPoint(200, 150)) + QPoint(30, 15),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move2);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(200, 150), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.pos(), before);
    helper.setTitleHeight(30);
}

void TestDialogWidgets::framelessEdgesOverChildren()
{
    // A window whose children cover it up to the edges, as the editor's
    // panels do: the edge strip still resizes, the rest belongs to the child,
    // a title bar button still clicks, a label in the title bar still drags.
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    auto *list = new QListWidget(&w);
    list->setGeometry(0, 40, 400, 260);
    for (int i = 0; i < 30; ++i)
        list->addItem(QStringLiteral("row %1").arg(i));
    auto *close = new QPushButton(QStringLiteral("x"), &w);
    close->setGeometry(360, 5, 30, 30);
    auto *title = new QLabel(QStringLiteral("KT900"), &w);
    title->setGeometry(10, 5, 100, 30);
    FramelessHelper helper;
    helper.setTitleHeight(40);
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Bottom edge, on the list.
    QWidget *vp = list->viewport();
    const QPoint edge = vp->mapFrom(&w, QPoint(200, 298));
    sendMouse(vp, QEvent::MouseButtonPress, edge, Qt::LeftButton, Qt::LeftButton);
    sendMouse(vp, QEvent::MouseMove, edge + QPoint(0, 30), Qt::NoButton, Qt::LeftButton);
    sendMouse(vp, QEvent::MouseButtonRelease, edge + QPoint(0, 30), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.size(), QSize(400, 330));
    QVERIFY(list->selectedItems().isEmpty()); // the list never saw the press

    // Inside the list: an ordinary click.
    const QRect row2 = list->visualItemRect(list->item(2));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, row2.center());
    QCOMPARE(list->currentRow(), 2);
    QCOMPARE(w.size(), QSize(400, 330));

    // The title bar button clicks and does not move the window.
    QSignalSpy clicked(close, &QPushButton::clicked);
    const QPoint pos = w.pos();
    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(w.pos(), pos);

    // Dragging on the title label moves it.
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(20, 10), title->mapToGlobal(QPoint(20, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &press);
    QMouseEvent move(QEvent::MouseMove, QPoint(20, 10), title->mapToGlobal(QPoint(20, 10)) + QPoint(-25, 12),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPoint(20, 10), title->mapToGlobal(QPoint(20, 10)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(title, &release);
    QCOMPARE(w.pos(), pos + QPoint(-25, 12));
    helper.setTitleHeight(30);
}

void TestDialogWidgets::framelessDoubleClickToggles()
{
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 400, 300);
    FramelessHelper helper;
    helper.activateOn(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    sendMouse(&w, QEvent::MouseButtonDblClick, QPoint(200, 10), Qt::LeftButton, Qt::LeftButton);
    QTRY_VERIFY(w.isMaximized());
    sendMouse(&w, QEvent::MouseButtonDblClick, QPoint(200, 10), Qt::LeftButton, Qt::LeftButton);
    QTRY_VERIFY(!w.isMaximized());
    // Below the title: nothing.
    sendMouse(&w, QEvent::MouseButtonDblClick, QPoint(200, 200), Qt::LeftButton, Qt::LeftButton);
    QTest::qWait(20);
    QVERIFY(!w.isMaximized());
}

void TestDialogWidgets::framelessSettings()
{
    FramelessHelper helper;
    QCOMPARE(helper.titleHeight(), 30);
    QCOMPARE(helper.borderWidth(), 5);
    QVERIFY(helper.widgetMovable());
    QVERIFY(helper.widgetResizable());
    QVERIFY(!helper.rubberBandOnMove());
    QVERIFY(!helper.rubberBandOnResize());
    helper.setBorderWidth(0); // refused
    QCOMPARE(helper.borderWidth(), 5);

    QWidget w;
    helper.activateOn(&w);
    QVERIFY(helper.isActiveOn(&w));
    QVERIFY(w.hasMouseTracking());
    helper.removeFrom(&w);
    QVERIFY(!helper.isActiveOn(&w));
    {
        QWidget gone;
        helper.activateOn(&gone);
    }
    // A destroyed widget is forgotten.
    QWidget other;
    helper.activateOn(&other);
    QVERIFY(helper.isActiveOn(&other));
}

// ---- small pieces ----------------------------------------------------------

void TestDialogWidgets::tipBoxGeometry()
{
    QWidget host;
    TipBox tip(&host);
    QCOMPARE(tip.size(), QSize(180, 70));
    QCOMPARE(tip.label()->geometry(), QRect(1, 16, 178, 54));
    QVERIFY(tip.testAttribute(Qt::WA_TranslucentBackground));
    tip.setText(QStringLiteral("Valid characters contain:\n  a-z A-Z 0-9 and Space"));
    QCOMPARE(tip.text(), QStringLiteral("Valid characters contain:\n  a-z A-Z 0-9 and Space"));
    // It paints something of its own around the text.
    tip.show();
    const QImage img = tip.grab().toImage();
    QVERIFY(img.pixelColor(90, 60).alpha() > 0);
    QCOMPARE(img.pixelColor(170, 2).alpha(), 0); // outside the balloon
}

void TestDialogWidgets::rowLayoutsMapIds()
{
    QWidget page;
    QSignalMapper mapper;
    QSignalSpy spy(&mapper, &QSignalMapper::mappedInt);
    auto *col = new QVBoxLayout(&page);

    auto *pair = new LabelWithTwoButtonLayout(QStringLiteral("TAP TEMPO"), {8, QStringLiteral("PRESET"), QStringLiteral("tapTempo")},
                                              {9, QStringLiteral("GLOBAL"), QStringLiteral("tapTempo")}, &mapper, &page);
    col->addLayout(pair);
    QCOMPARE(pair->label()->text(), QStringLiteral("TAP TEMPO"));
    QCOMPARE(pair->label()->objectName(), QStringLiteral("settingLabel"));
    QCOMPARE(pair->spacing(), 20);
    QCOMPARE(pair->firstButton()->objectName(), QStringLiteral("tapTempo"));
    QCOMPARE(pair->firstButton()->property("status").toString(), QStringLiteral("selected_enable"));
    QCOMPARE(pair->secondButton()->property("status").toString(), QStringLiteral("unselected_enable"));
    pair->secondButton()->click();
    pair->firstButton()->click();

    auto *two = new TwoButtonLayout({28, QStringLiteral("BACKUP"), QStringLiteral("backupButton")},
                                    {29, QStringLiteral("RECALL"), QStringLiteral("backupButton")}, &mapper, &page);
    col->addLayout(two);
    QVERIFY(!two->firstButton()->property("status").isValid());
    QCOMPARE(two->count(), 5); // stretch, button, stretch, button, stretch
    two->secondButton()->click();

    auto *lined = new LineAndLabelWithTwoButtonLayout(QStringLiteral("XLR OUT"), {18, QStringLiteral("THRU"), QStringLiteral("xlrOut")},
                                                      {19, QStringLiteral("ON"), QStringLiteral("xlrOut")}, &mapper, &page);
    col->addLayout(lined);
    QCOMPARE(lined->label()->text(), QStringLiteral("XLR OUT"));
    QCOMPARE(lined->line()->objectName(), QStringLiteral("line"));
    QCOMPARE(lined->line()->height(), 2);
    lined->secondButton()->click();

    QList<int> ids;
    for (const auto &args : spy)
        ids << args.at(0).toInt();
    QCOMPARE(ids, (QList<int>{9, 8, 29, 19}));

    LineWidget header(QStringLiteral("USB AUDIO"), QStringLiteral("titleName"));
    QCOMPARE(header.label()->text(), QStringLiteral("USB AUDIO"));
    QCOMPARE(header.label()->objectName(), QStringLiteral("titleName"));
    QCOMPARE(header.line()->objectName(), QStringLiteral("line"));
    QCOMPARE(header.line()->maximumHeight(), 2);
}

void TestDialogWidgets::noFocusDelegateDropsFocusRect()
{
    QListWidget view;
    view.addItem(QStringLiteral("row"));
    view.resize(120, 40);
    view.show();
    NoFocusDelegate delegate;
    QStyleOptionViewItem opt;
    opt.initFrom(view.viewport());
    opt.rect = QRect(0, 0, 100, 24);
    opt.state |= QStyle::State_Selected;
    const QModelIndex index = view.model()->index(0, 0);

    auto paint = [&](QStyle::State extra) {
        QImage img(100, 24, QImage::Format_ARGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        QStyleOptionViewItem o(opt);
        o.state |= extra;
        delegate.paint(&p, o, index);
        return img;
    };
    QCOMPARE(paint(QStyle::State_HasFocus), paint(QStyle::State_None));
}

void TestDialogWidgets::comboBoxDelegateEdits()
{
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("1 B")));
    ComboBoxDelegate delegate({QStringLiteral("1 A"), QStringLiteral("1 B"), QStringLiteral("1 C")});
    QWidget parent;
    QStyleOptionViewItem opt;
    opt.rect = QRect(10, 20, 90, 24);
    const QModelIndex index = model.index(0, 0);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, opt, index));
    auto *combo = qobject_cast<MyComboBox *>(editor.get());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    delegate.setEditorData(combo, index);
    QCOMPARE(combo->currentText(), QStringLiteral("1 B"));
    delegate.updateEditorGeometry(combo, opt, index);
    QCOMPARE(combo->geometry(), opt.rect);
    QSignalSpy changed(&model, &QStandardItemModel::dataChanged);
    combo->setCurrentIndex(2);
    delegate.setModelData(combo, &model, index);
    QCOMPARE(model.data(index).toString(), QStringLiteral("1 C"));
    QCOMPARE(changed.count(), 1);
    delegate.setModelData(combo, &model, index); // unchanged: no change signal
    QCOMPARE(changed.count(), 1);
}

void TestDialogWidgets::lineEditDelegateRange()
{
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("5")));
    LineEditDelegate delegate(0, 127);
    QWidget parent;
    QStyleOptionViewItem opt;
    opt.rect = QRect(0, 0, 60, 24);
    const QModelIndex index = model.index(0, 0);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, opt, index));
    auto *edit = qobject_cast<QLineEdit *>(editor.get());
    QVERIFY(edit);
    delegate.setEditorData(edit, index);
    QCOMPARE(edit->text(), QStringLiteral("5"));

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("128"));
    QCOMPARE(edit->text(), QStringLiteral("12")); // refused while typing
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("99x9"));
    QCOMPARE(edit->text(), QStringLiteral("99"));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("-3"));
    QCOMPARE(edit->text(), QStringLiteral("3")); // no sign
    edit->clear();
    QVERIFY(!edit->hasAcceptableInput());
    delegate.setModelData(edit, &model, index); // empty: not written
    QCOMPARE(model.data(index).toString(), QStringLiteral("5"));

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("127"));
    delegate.setModelData(edit, &model, index);
    QCOMPARE(model.data(index).toString(), QStringLiteral("127"));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("0"));
    delegate.setModelData(edit, &model, index);
    QCOMPARE(model.data(index).toString(), QStringLiteral("0"));
}

void TestDialogWidgets::comboPopupRestoresAnimation()
{
    QWidget host;
    host.setGeometry(100, 100, 400, 300);
    MyComboBox combo(&host);
    combo.addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    combo.setGeometry(20, 30, 120, 26);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QApplication::setEffectEnabled(Qt::UI_General, true);
    for (bool animated : {true, false}) {
        QApplication::setEffectEnabled(Qt::UI_AnimateCombo, animated);
        QCOMPARE(QApplication::isEffectEnabled(Qt::UI_AnimateCombo), animated);
        combo.showPopup();
        QCOMPARE(QApplication::isEffectEnabled(Qt::UI_AnimateCombo), animated);
        QWidget *frame = combo.view()->parentWidget();
        QTRY_VERIFY(frame->isVisible());
        // Opened right under the box, at least as wide as it.
        QCOMPARE(frame->geometry().top(), combo.mapToGlobal(QPoint(0, combo.height())).y());
        QCOMPARE(frame->geometry().left(), combo.mapToGlobal(QPoint(0, 0)).x());
        QVERIFY(frame->width() >= combo.width());
        combo.hidePopup();
    }
}

QTEST_MAIN(TestDialogWidgets)
#include "tst_dialogwidgets.moc"
