// Renders the widget kit to PNG files for looking at: every widget in every
// state, mock-ups of the windows built from it (same object names and
// layouts as the editor) and a sheet of every image, with the application
// font and all style sheets applied.
//
//   QT_QPA_PLATFORM=offscreen kt900_gallery [output-dir]

#include "animationstackedwidget.h"
#include "custombutton.h"
#include "customgroupbutton.h"
#include "delegates.h"
#include "draglistwidget.h"
#include "effectcatalogue.h"
#include "groupbuttonwithspinbox.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "parawidgetfactory.h"
#include "renamewidget.h"
#include "resources.h"
#include "rowlayouts.h"
#include "sliderwithspinbox.h"
#include "tipbox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalMapper>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QString g_out;
int g_shots = 0;

void settle()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

// Grabs a widget (shown off screen) onto an opaque ground and writes it.
void shoot(QWidget *w, const QString &name, const QColor &ground = QColor(0x10, 0x10, 0x10))
{
    if (!w->isVisible())
        w->show();
    settle();
    // Rendered without the palette's window fill, onto the given ground, so
    // what shows is what the style sheets paint.
    const qreal dpr = w->devicePixelRatioF();
    QImage img(w->size() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(ground);
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const QString path = g_out + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    ++g_shots;
}

QLabel *caption(const QString &text, QWidget *parent = nullptr)
{
    auto *l = new QLabel(text, parent);
    l->setStyleSheet(QStringLiteral("color: #7a7a7a; font-size: 8pt;"));
    return l;
}

QString deviceListStyle(const QString &hover = QStringLiteral("gray"),
                        const QString &selected = QStringLiteral("#B1CF36"))
{
    // The text Core::dataInit puts on its lists.
    return QStringLiteral("QListWidget {\tcolor: white; font-weight: bold; background: transparent; }\t\t\t"
                          "QListWidget::item:hover { background: %1; }\t\t\t\t\t\t\t"
                          "QListWidget::item:selected:active { background: %2; }\t\t\t\t"
                          "QListWidget::item:selected:!active{ background: %3; }")
        .arg(hover, selected, selected);
}

QString presetLabel(int row, const QString &name)
{
    static const char letters[] = "ABC";
    return QStringLiteral("%1%2 %3")
        .arg(row / 3 + 1, 2, 10, QLatin1Char('0'))
        .arg(QLatin1Char(letters[row % 3]))
        .arg(name.trimmed())
        .trimmed();
}

// ------------------------------------------------------------- images ----

class ImageSheet : public QWidget
{
public:
    ImageSheet()
    {
        QDirIterator it(QStringLiteral(":/img"), QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String(".png")) && !path.contains(QLatin1String("@2x")))
                m_paths << path;
        }
        m_paths.sort();
        resize(1240, 1400);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x1c, 0x1c, 0x1c));
        p.setPen(QColor(0xa0, 0xa0, 0xa0));
        QFont small = font();
        small.setPointSize(7);

        // Chain images: on above off, at 1x, then the @2x drawings at 2x.
        static const char *const names[] = {"FXA", "DS", "AMP", "CAB", "NS", "EQ",
                                            "FXB", "DLY", "REV", "Send", "Return"};
        int x = 16;
        p.drawText(16, 18, QStringLiteral("chain images at 1x (on, off)"));
        for (const char *n : names) {
            const QString on = QStringLiteral(":/img/chain/ON/%1-on.png").arg(QLatin1String(n));
            const QString off = QStringLiteral(":/img/chain/OFF/%1-off.png").arg(QLatin1String(n));
            p.drawImage(x, 28, QImage(on));
            p.drawImage(x, 110, QImage(off));
            x += 62;
        }
        p.drawText(16, 210, QStringLiteral("chain images @2x"));
        x = 16;
        for (const char *n : names) {
            QImage on(QStringLiteral(":/img/chain/ON/%1-on@2x.png").arg(QLatin1String(n)));
            QImage off(QStringLiteral(":/img/chain/OFF/%1-off@2x.png").arg(QLatin1String(n)));
            on.setDevicePixelRatio(1.0);
            off.setDevicePixelRatio(1.0);
            p.drawImage(x, 220, on);
            p.drawImage(x, 380, off);
            x += 110;
        }

        // Everything else at 1x and 3x (from the @2x file, smooth).
        p.drawText(16, 556, QStringLiteral("other images at 1x and enlarged"));
        int cx = 16;
        int cy = 570;
        int rowH = 0;
        for (const QString &path : m_paths) {
            if (path.contains(QLatin1String("/chain/ON/")) || path.contains(QLatin1String("/chain/OFF/")))
                continue;
            const QImage img(path);
            QString big = path;
            big.insert(big.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
            QImage src2(big);
            src2.setDevicePixelRatio(1.0);
            const QImage img2 = src2.scaled(img.size() * 3, Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation);
            const int cellW = qMax(img.width() + img2.width() + 24, 150);
            const int cellH = qMax(img2.height(), img.height()) + 24;
            if (cx + cellW > width() - 16) {
                cx = 16;
                cy += rowH + 8;
                rowH = 0;
            }
            p.drawImage(cx, cy, img);
            p.drawImage(cx + img.width() + 12, cy, img2);
            p.setFont(small);
            p.drawText(cx, cy + cellH - 6, path.mid(6));
            cx += cellW + 12;
            rowH = qMax(rowH, cellH);
        }
    }

private:
    QStringList m_paths;
};

// ----------------------------------------------------- parameter rows ----

QWidget *paramRows(bool disabled)
{
    auto &cat = EffectCatalogue::instance();
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("paraWidget"));
    panel->resize(720, 10);
    auto *list = new QListWidget(panel);
    list->setObjectName(QStringLiteral("moduleParaListWidget"));
    auto *box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(list);

    struct Pick {
        int module, type, index, raw;
    };
    const Pick picks[] = {
        {0, 2, 0, 160},   // FXA AUTO WAH Rate 16.0
        {7, 8, 2, 500},   // DUAL DELAY Time A
        {7, 8, 3, 4},     // Sub A (options)
        {3, 0, 1, 2},     // CAB Mic (10 options)
        {3, 0, 0, 1},     // CAB Tube
        {11, 0, 7, 0},    // GLB EQ Hi CutFreq OFF
        {11, 0, 0, 23},   // GLB EQ Lo Gain
        {9, 0, 0, 0},     // FX LOOP first
    };
    int n = 0;
    for (const Pick &pk : picks) {
        const ParaInfo *info = cat.param(pk.module, pk.type, pk.index);
        ParaWidgetBase *w = createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), info);
        if (!w)
            continue;
        w->setValue(pk.raw);
        if (disabled && (n % 2 == 1))
            w->setEnable(false);
        auto *item = new QListWidgetItem(list);
        item->setSizeHint(QSize(0, 60));
        list->setItemWidget(item, w);
        ++n;
    }
    // The string-list form (INPUT LEVEL) and a plain 0..100 slider.
    auto *inputLevel = new SliderWithSpinBox;
    inputLevel->setOptions(QStringLiteral("INPUT LEVEL"),
                           {QString::fromUtf8("-\u221e dB"), QStringLiteral("-60 dB"), QStringLiteral("-45 dB"),
                            QStringLiteral("-35 dB"), QStringLiteral("-30 dB"), QStringLiteral("-25 dB"),
                            QStringLiteral("-20 dB"), QStringLiteral("-10 dB"), QStringLiteral("-5 dB"),
                            QStringLiteral("0 dB")});
    inputLevel->setValue(0);
    auto *item = new QListWidgetItem(list);
    item->setSizeHint(QSize(0, 60));
    list->setItemWidget(item, inputLevel);
    panel->resize(720, 60 * (n + 1) + 4);
    return panel;
}

// ------------------------------------------------------- main window ----

class ChainContainer : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        // The signal path behind the buttons, as the editor draws it.
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0x64, 0x64, 0x64), 2));
        const int y = height() / 2;
        p.drawLine(10, y, width() - 10, y);
    }
};

struct MainMock
{
    QWidget *core = nullptr;
    QList<CustomButton *> chain;
    DragListWidget *deviceList = nullptr;
    QListWidget *typeList = nullptr;
    QLabel *expVol = nullptr;
};

QPushButton *plainButton(const QString &objectName, QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(objectName);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

MainMock buildMain()
{
    MainMock m;
    auto &cat = EffectCatalogue::instance();
    auto *core = new QWidget;
    m.core = core;
    core->setObjectName(QStringLiteral("mainWidget"));
    core->setAttribute(Qt::WA_TranslucentBackground);
    core->setWindowFlags(Qt::FramelessWindowHint);
    core->setGeometry(200, 100, 1130, 700);
    auto *outer = new QHBoxLayout(core);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *border = new QWidget(core);
    border->setObjectName(QStringLiteral("mainBorderWidget"));
    outer->addWidget(border);
    auto *v = new QVBoxLayout(border);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    // Title bar.
    auto *title = new QWidget(border);
    title->setObjectName(QStringLiteral("titleBar"));
    title->setFixedHeight(40);
    auto *th = new QHBoxLayout(title);
    th->setContentsMargins(0, 0, 0, 0);
    th->setSpacing(0);
    auto *dev = new QLabel(title);
    dev->setObjectName(QStringLiteral("DeviceName"));
    dev->setScaledContents(true);
    th->addWidget(dev);
    th->addStretch();
    th->addWidget(plainButton(QStringLiteral("title_min"), title));
    th->addWidget(plainButton(QStringLiteral("title_max"), title));
    auto *restore = plainButton(QStringLiteral("title_maxToNormal"), title);
    restore->hide();
    th->addWidget(restore);
    th->addWidget(plainButton(QStringLiteral("title_close"), title));
    v->addWidget(title);

    auto *mainSplitter = new QSplitter(Qt::Vertical, border);
    mainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter->setChildrenCollapsible(false);
    v->addWidget(mainSplitter);

    auto *upper = new QSplitter(Qt::Horizontal);
    upper->setChildrenCollapsible(false);

    // Preset lists.
    auto *presets = new QWidget;
    auto *pv = new QVBoxLayout(presets);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->setSpacing(3);
    auto *presetTitle = new QLabel(QStringLiteral("PRESET"));
    presetTitle->setObjectName(QStringLiteral("presetTitle"));
    presetTitle->setAlignment(Qt::AlignCenter);
    presetTitle->setMaximumHeight(35);
    pv->addWidget(presetTitle);
    auto *listSplit = new QSplitter(Qt::Horizontal);
    listSplit->setChildrenCollapsible(false);
    pv->addWidget(listSplit);
    auto *devCol = new QWidget;
    devCol->setMinimumWidth(10);
    auto *dv = new QVBoxLayout(devCol);
    dv->setContentsMargins(0, 0, 0, 0);
    dv->setSpacing(2);
    auto *devTitle = new QLabel(QStringLiteral("DEVICE"));
    devTitle->setObjectName(QStringLiteral("deviceTitleName"));
    devTitle->setMinimumHeight(24);
    dv->addWidget(devTitle);
    m.deviceList = new DragListWidget;
    m.deviceList->setObjectName(QStringLiteral("deviceListWidget"));
    m.deviceList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m.deviceList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m.deviceList->setItemDelegate(new NoFocusDelegate(m.deviceList));
    m.deviceList->setStyleSheet(deviceListStyle());
    const char *const names[] = {"CLEAN", "CRUNCH", "LEAD", "AMBIENT SWELL", "PLEXI", "BLUES DRIVE",
                                 "METAL ZONE", "JAZZ BOX", "SHIMMER", "FUNK WAH", "ROCK RHYTHM",
                                 "DELAY LEAD", "ACOUSTIC SIM", "BASS BOOST", "DJENT", "EMPTY"};
    for (int r = 0; r < 16; ++r)
        m.deviceList->addItem(presetLabel(r, QString::fromLatin1(names[r])));
    dv->addWidget(m.deviceList);
    listSplit->addWidget(devCol);

    auto *pcCol = new QWidget;
    pcCol->setMinimumWidth(10);
    auto *cv = new QVBoxLayout(pcCol);
    cv->setContentsMargins(0, 0, 0, 0);
    cv->setSpacing(2);
    auto *pcTitle = new QWidget;
    pcTitle->setObjectName(QStringLiteral("computerTitle"));
    pcTitle->setMinimumHeight(24);
    auto *ch = new QHBoxLayout(pcTitle);
    ch->setContentsMargins(0, 0, 0, 0);
    ch->setSpacing(0);
    auto *pcName = new QLabel(QStringLiteral("COMPUTER"));
    pcName->setObjectName(QStringLiteral("computerTitleName"));
    ch->addWidget(pcName);
    ch->addStretch();
    ch->addWidget(plainButton(QStringLiteral("addFiles"), pcTitle));
    ch->addWidget(plainButton(QStringLiteral("refreshList"), pcTitle));
    cv->addWidget(pcTitle);
    auto *pcList = new DragListWidget;
    pcList->setObjectName(QStringLiteral("computerListWidget"));
    pcList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pcList->setItemDelegate(new NoFocusDelegate(pcList));
    pcList->setStyleSheet(deviceListStyle());
    for (const char *f : {"My Tone", "Studio Clean", "Live Lead", "Worship Pad"})
        pcList->addItem(QString::fromLatin1(f));
    cv->addWidget(pcList);
    listSplit->addWidget(pcCol);
    upper->addWidget(presets);

    // Editing panel.
    auto *edit = new QWidget;
    auto *ev = new QVBoxLayout(edit);
    ev->setContentsMargins(3, 0, 0, 0);
    ev->setSpacing(2);
    auto *paraTitle = new QWidget;
    paraTitle->setObjectName(QStringLiteral("paraTitle"));
    paraTitle->setMaximumHeight(42);
    auto *tb = new QHBoxLayout(paraTitle);
    tb->setContentsMargins(0, 0, 0, 0);
    tb->setSpacing(0);
    auto *nameEdit = new QLineEdit(QStringLiteral("CLEAN"));
    nameEdit->setObjectName(QStringLiteral("presetNameEdit"));
    nameEdit->setFixedWidth(292);
    nameEdit->setMaxLength(15);
    tb->addWidget(nameEdit);
    tb->addWidget(plainButton(QStringLiteral("save"), paraTitle));
    auto *vb = new QVBoxLayout;
    vb->setContentsMargins(3, 3, 3, 3);
    vb->setSpacing(2);
    for (int i = 0; i < 2; ++i) {
        auto *row = new QWidget;
        row->setObjectName(i == 0 ? QStringLiteral("volWidget") : QStringLiteral("bpmWidget"));
        auto *rh = new QHBoxLayout(row);
        rh->setContentsMargins(3, 1, 0, 1);
        rh->setSpacing(3);
        rh->addWidget(new QLabel(i == 0 ? QStringLiteral("VOL") : QStringLiteral("PRE.BPM")));
        auto *e = new QLineEdit(i == 0 ? QStringLiteral("50") : QStringLiteral("120"));
        e->setObjectName(i == 0 ? QStringLiteral("volEdit") : QStringLiteral("bpmEdit"));
        rh->addWidget(e);
        vb->addWidget(row);
    }
    tb->addLayout(vb);
    tb->addStretch();
    m.expVol = new QLabel(QStringLiteral("EXP VOL"));
    m.expVol->setObjectName(QStringLiteral("expVol"));
    m.expVol->setProperty("open", true);
    tb->addWidget(m.expVol);
    auto *cab = new QWidget;
    cab->setObjectName(QStringLiteral("cabWidget"));
    auto *cabV = new QVBoxLayout(cab);
    cabV->setContentsMargins(0, 0, 0, 0);
    cabV->setSpacing(2);
    for (const char *t : {"OUTPUT: ON", "XLROUT: THRU"}) {
        auto *l = new QLabel(QString::fromLatin1(t));
        l->setObjectName(QStringLiteral("cabLR"));
        cabV->addWidget(l);
    }
    tb->addWidget(cab);
    auto *expInfo = new QLabel(QStringLiteral("EXP1:FX A - *POSITION*\nEXP2:DELAY - TIME B"));
    expInfo->setObjectName(QStringLiteral("expInfo"));
    tb->addWidget(expInfo);
    tb->addWidget(plainButton(QStringLiteral("exp"), paraTitle));
    tb->addWidget(plainButton(QStringLiteral("tone"), paraTitle));
    tb->addWidget(plainButton(QStringLiteral("setting"), paraTitle));
    ev->addWidget(paraTitle);

    auto *modSplit = new QSplitter(Qt::Horizontal);
    modSplit->setChildrenCollapsible(false);
    auto *modCol = new QWidget;
    modCol->setObjectName(QStringLiteral("moduleNameWidget"));
    auto *mv = new QVBoxLayout(modCol);
    mv->setContentsMargins(0, 0, 0, 0);
    mv->setSpacing(0);
    auto *top = new QWidget;
    top->setObjectName(QStringLiteral("moduleNameTopWidget"));
    auto *topH = new QHBoxLayout(top);
    topH->setContentsMargins(0, 0, 0, 0);
    auto *modName = new QLabel(cat.chainName(7));
    modName->setObjectName(QStringLiteral("moduleName"));
    modName->setFixedHeight(35);
    topH->addWidget(modName);
    topH->addStretch();
    auto *sw = new QRadioButton;
    sw->setObjectName(QStringLiteral("moduleSwitch"));
    sw->setAutoExclusive(false);
    sw->setChecked(true);
    topH->addWidget(sw);
    mv->addWidget(top);
    m.typeList = new QListWidget;
    m.typeList->setObjectName(QStringLiteral("moduleNameListWidget"));
    m.typeList->setMinimumWidth(135);
    m.typeList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m.typeList->setItemDelegate(new NoFocusDelegate(m.typeList));
    m.typeList->setStyleSheet(deviceListStyle());
    m.typeList->addItems(cat.typeNames(7));
    m.typeList->setCurrentRow(8);
    mv->addWidget(m.typeList);
    modSplit->addWidget(modCol);

    auto *paraList = new QListWidget;
    paraList->setObjectName(QStringLiteral("moduleParaListWidget"));
    paraList->setItemDelegate(new NoFocusDelegate(paraList));
    const int count = cat.paramCount(7, 8);
    const int raws[] = {25, 70, 460, 4, 210, 0};
    for (int i = 0; i < count; ++i) {
        ParaWidgetBase *w = createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"),
                                             cat.param(7, 8, i));
        if (!w)
            continue;
        w->setValue(raws[i % 6]);
        if (i == 2)
            w->setEnable(false); // Time A follows the tempo while Sub A is set
        auto *item = new QListWidgetItem(paraList);
        item->setSizeHint(QSize(0, 60));
        paraList->setItemWidget(item, w);
    }
    modSplit->addWidget(paraList);
    modSplit->setStretchFactor(0, 1);
    modSplit->setStretchFactor(1, 5);
    ev->addWidget(modSplit);
    upper->addWidget(edit);
    upper->setStretchFactor(0, 5);
    upper->setStretchFactor(1, 9);
    upper->setSizes({5 * 1126 / 14, 9 * 1126 / 14});
    mainSplitter->addWidget(upper);

    // Chain panel.
    auto *chainW = new QWidget;
    chainW->setObjectName(QStringLiteral("chainWidget"));
    chainW->setMinimumHeight(200);
    chainW->setMaximumHeight(400);
    auto *chV = new QVBoxLayout(chainW);
    chV->setContentsMargins(0, 0, 0, 0);
    chV->setSpacing(0);
    auto *line = new QLabel;
    line->setObjectName(QStringLiteral("logoLine"));
    line->setMaximumHeight(3);
    chV->addWidget(line);
    auto *logo = plainButton(QStringLiteral("tovakLogo"), chainW);
    logo->setFlat(true);
    chV->addWidget(logo, 1, Qt::AlignTop | Qt::AlignHCenter);
    auto *container = new ChainContainer;
    auto *bh = new QHBoxLayout(container);
    static const char *const chainNames[] = {"FXA", "DS", "AMP", "CAB", "NS", "EQ",
                                             "FXB", "DLY", "REV", "Send", "Return"};
    for (int i = 0; i < 11; ++i) {
        auto *b = new CustomButton(
            QStringLiteral(":/img/chain/ON/%1-on.png").arg(QLatin1String(chainNames[i])),
            QStringLiteral(":/img/chain/OFF/%1-off.png").arg(QLatin1String(chainNames[i])), container);
        b->setObjectName(QStringLiteral("chainButton"));
        b->setFixedSize(80, 115);
        b->setSwitchStatus(i != 1 && i != 4 && i != 6);
        bh->addWidget(b);
        m.chain << b;
    }
    m.chain[7]->setSelect(true);
    chV->addWidget(container, 6);
    mainSplitter->addWidget(chainW);
    mainSplitter->setStretchFactor(0, 2);
    mainSplitter->setStretchFactor(1, 1);

    m.deviceList->setCurrentRow(0);
    return m;
}

// -------------------------------------------------------- settings page ----

QWidget *settingsColumn(QSignalMapper *mapper)
{
    auto *col = new QWidget;
    col->setObjectName(QStringLiteral("settingColumnMock"));
    auto *v = new QVBoxLayout(col);
    v->setContentsMargins(10, 2, 30, 2);
    v->setSpacing(0);

    auto header = [&](const QString &t) {
        v->addSpacing(10);
        v->addWidget(new LineWidget(t, QStringLiteral("titleName")));
        v->addSpacing(8);
    };
    auto pair = [&](const QString &label, int id, const QString &a, const QString &b,
                    const QString &obj, const char *sa, const char *sb) {
        auto *row = new LabelWithTwoButtonLayout(label, {id, a, obj}, {id + 1, b, obj}, mapper);
        row->firstButton()->setProperty("status", QString::fromLatin1(sa));
        row->secondButton()->setProperty("status", QString::fromLatin1(sb));
        v->addLayout(row);
        v->addSpacing(6);
        return row;
    };

    header(QStringLiteral("USB AUDIO"));
    pair(QStringLiteral("AUDIO MODE"), 2, QStringLiteral("NORMAL"), QStringLiteral("REAMP"),
         QStringLiteral("audioMode"), "unselected_enable", "selected_enable");
    pair(QStringLiteral("LEFT OUT"), 4, QStringLiteral("EFFECT"), QStringLiteral("DRY"),
         QStringLiteral("leftOut"), "selected_disabled", "unselected_disabled");
    pair(QStringLiteral("RIGHT OUT"), 6, QStringLiteral("EFFECT"), QStringLiteral("DRY"),
         QStringLiteral("rightOut"), "unselected_disabled", "selected_disabled");
    for (const char *name : {"REC VOL", "MIX", "PLAY VOL"}) {
        auto *s = new SliderWithSpinBox(QStringLiteral("#414141"), QStringLiteral("#c0d23c"));
        s->setRange(QString::fromLatin1(name), 0, 100, 1, 0);
        s->setValue(name[0] == 'M' ? 50 : 80);
        if (name[0] == 'M')
            s->setEnable(false);
        s->setFixedHeight(60);
        v->addWidget(s);
    }

    header(QStringLiteral("TAP TEMPO"));
    pair(QStringLiteral("TAP TEMPO"), 8, QStringLiteral("PRESET"), QStringLiteral("GLOBAL"),
         QStringLiteral("tapTempo"), "selected_enable", "unselected_enable");

    header(QStringLiteral("CAB SIM THRU"));
    auto *l1 = new LineAndLabelWithTwoButtonLayout(QStringLiteral("6.35 OUT/PHONES"),
                                                   {16, QStringLiteral("THRU"), QStringLiteral("outPhones")},
                                                   {17, QStringLiteral("ON"), QStringLiteral("outPhones")}, mapper);
    v->addLayout(l1);
    v->addSpacing(6);
    auto *l2 = new LineAndLabelWithTwoButtonLayout(QStringLiteral("XLR OUT"),
                                                   {18, QStringLiteral("THRU"), QStringLiteral("xlrOut")},
                                                   {19, QStringLiteral("ON"), QStringLiteral("xlrOut")}, mapper);
    l2->firstButton()->setProperty("status", QStringLiteral("unselected_enable"));
    l2->secondButton()->setProperty("status", QStringLiteral("selected_enable"));
    v->addLayout(l2);

    header(QStringLiteral("MIDI SETTING"));
    pair(QStringLiteral("TYPE"), 10, QStringLiteral("MIDI IN"), QStringLiteral("MIDI OUT"),
         QStringLiteral("midiType"), "selected_enable", "unselected_enable");
    auto *in = new QWidget;
    in->setObjectName(QStringLiteral("inWidget"));
    auto *iv = new QVBoxLayout(in);
    iv->setContentsMargins(0, 0, 0, 0);
    auto *right = new QLabel(QStringLiteral("MIDI IN"));
    right->setObjectName(QStringLiteral("rightLabel"));
    right->setAlignment(Qt::AlignRight);
    iv->addWidget(right);
    auto *chRow = new QHBoxLayout;
    chRow->addStretch(2);
    auto *chl = new QLabel(QStringLiteral("CHANNEL"));
    chl->setObjectName(QStringLiteral("settingLabel"));
    chRow->addWidget(chl);
    auto *combo = new MyComboBox;
    combo->setObjectName(QStringLiteral("midiChannel"));
    for (int i = 1; i <= 16; ++i)
        combo->addItem(QString::number(i));
    combo->addItem(QStringLiteral("OMNI"));
    combo->setCurrentIndex(16);
    chRow->addWidget(combo);
    chRow->addStretch(5);
    iv->addLayout(chRow);
    auto *clock = new LabelWithTwoButtonLayout(QStringLiteral("SYNC MIDI CLOCK"),
                                               {12, QStringLiteral("OFF"), QStringLiteral("midiClock")},
                                               {13, QStringLiteral("ON"), QStringLiteral("midiClock")}, mapper);
    iv->addSpacing(8);
    iv->addLayout(clock);
    iv->addSpacing(8);
    iv->addLayout(new TwoButtonLayout({24, QStringLiteral("CC REFERENCE"), QStringLiteral("button")},
                                      {25, QStringLiteral("PC MAPPING"), QStringLiteral("button")}, mapper));
    v->addWidget(in);

    header(QStringLiteral("CTRL SETTING"));
    auto *modes = new QHBoxLayout;
    modes->setSpacing(5);
    modes->addStretch();
    int k = 0;
    for (const char *t : {"--NA--", "ON/OFF", "TAP"}) {
        auto *b = new QPushButton(QString::fromLatin1(t));
        b->setObjectName(QStringLiteral("ctrlButton"));
        b->setProperty("status", k++ == 1 ? QStringLiteral("selected_enable") : QStringLiteral("unselected_enable"));
        b->setFixedWidth(85);
        modes->addWidget(b);
    }
    modes->addStretch();
    v->addLayout(modes);
    v->addSpacing(8);
    auto *grid = new QGridLayout;
    const char *const mods[] = {"FX A", "DS/OD", "AMP", "CAB", "NS", "EQ", "FX B", "DELAY", "REVERB", "TONE CAP", "FXLOOP"};
    for (int i = 0; i < 11; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(mods[i]));
        b->setObjectName(QStringLiteral("ctrlButton"));
        b->setFixedWidth(85);
        b->setProperty("status", (i == 0 || i == 7) ? QStringLiteral("selected_enable") : QStringLiteral("unselected_enable"));
        grid->addWidget(b, i / 4, i % 4);
    }
    v->addLayout(grid);

    header(QStringLiteral("RESET"));
    auto *reset = new QPushButton(QStringLiteral("RESET"));
    reset->setObjectName(QStringLiteral("resetButton"));
    v->addWidget(reset, 0, Qt::AlignHCenter);

    header(QStringLiteral("BACKUP"));
    v->addLayout(new TwoButtonLayout({28, QStringLiteral("BACKUP"), QStringLiteral("backupButton")},
                                     {29, QStringLiteral("RECALL"), QStringLiteral("backupButton")}, mapper));

    header(QStringLiteral("COLORSETTING"));
    auto *colors = new QHBoxLayout;
    colors->addStretch();
    const char *const boxes[][2] = {{"SelectColor", "#B1CF36"}, {"HoverColor", "gray"}, {"ParaColor", "#c0d23c"}};
    for (const auto &b : boxes) {
        auto *g = new QGroupBox(QString::fromLatin1(b[0]));
        auto *gl = new QVBoxLayout(g);
        auto *sw = new QPushButton;
        sw->setStyleSheet(QStringLiteral("QPushButton{height: 20px; border-radius: 4px; background: %1;}")
                              .arg(QLatin1String(b[1])));
        gl->addWidget(sw);
        colors->addWidget(g);
        colors->addStretch();
    }
    v->addLayout(colors);

    header(QStringLiteral("ABOUT"));
    auto *about = new QLabel(QStringLiteral("VERSION:1.1.0 20191212"));
    about->setObjectName(QStringLiteral("aboutVersion"));
    about->setAlignment(Qt::AlignCenter);
    v->addWidget(about);
    v->addStretch();
    return col;
}

QWidget *settingsDialog(QSignalMapper *mapper, bool subPage)
{
    auto *dlg = new QWidget;
    dlg->setObjectName(QStringLiteral("setting"));
    dlg->setAttribute(Qt::WA_TranslucentBackground);
    dlg->setWindowFlags(Qt::FramelessWindowHint);
    dlg->resize(903, 595);
    auto *outer = new QHBoxLayout(dlg);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("settingWidget"));
    outer->addWidget(frame);
    auto *fv = new QVBoxLayout(frame);
    fv->setContentsMargins(30, 0, 0, 0);
    fv->setSpacing(0);
    auto *titleRow = new QHBoxLayout;
    auto *title = new QWidget;
    title->setObjectName(QStringLiteral("settingTitle"));
    title->setFixedSize(140, 25);
    titleRow->addWidget(title, 0, Qt::AlignLeft | Qt::AlignBottom);
    titleRow->addStretch();
    titleRow->addWidget(plainButton(QStringLiteral("popupClose"), frame), 0, Qt::AlignRight | Qt::AlignTop);
    fv->addLayout(titleRow, 1);
    auto *mainRow = new QHBoxLayout;
    auto *left = new QListWidget;
    left->setObjectName(QStringLiteral("listWidgetLeft"));
    left->setItemDelegate(new NoFocusDelegate(left));
    left->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    left->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char *n : {"GLB-EQ", "CTRL SETTING", "INPUT LEVEL", "USB AUDIO", "TAP TEMPO", "MIDI SETTING",
                          "CAB SIM THRU", "TRAIL", "LOOPER MODE", "SCREEN", "RESET", "BACKUP", "COLOR",
                          "ABOUT"}) {
        auto *it = new QListWidgetItem(QString::fromLatin1(n), left);
        it->setTextAlignment(Qt::AlignCenter);
    }
    left->setCurrentRow(3);
    mainRow->addWidget(left, 2);
    auto *sep = new QWidget;
    sep->setObjectName(QStringLiteral("lineWidget"));
    sep->setFixedSize(2, 374);
    mainRow->addWidget(sep, 0);
    auto *stack = new AnimationStackedWidget;
    auto *right = new QListWidget;
    right->setObjectName(QStringLiteral("listWidgetRight"));
    right->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *item = new QListWidgetItem(right);
    QWidget *column = settingsColumn(mapper);
    item->setSizeHint(QSize(300, column->sizeHint().height()));
    right->setItemWidget(item, column);
    stack->addWidget(right);

    // The PC MAPPING MIDI IN sub-page.
    auto *pc = new QWidget;
    pc->setObjectName(QStringLiteral("midiInPC"));
    auto *pv = new QVBoxLayout(pc);
    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 8, 0);
    top->addWidget(plainButton(QStringLiteral("rollback"), pc));
    top->addStretch();
    auto *t = new QLabel(QStringLiteral("PC MAPPING\nMIDI IN"));
    t->setObjectName(QStringLiteral("midiInPC_Title"));
    top->addWidget(t);
    top->addStretch();
    pv->addLayout(top);
    auto *table = new QTableView;
    auto *model = new QStandardItemModel(256, 3, table);
    model->setHorizontalHeaderLabels({QStringLiteral("MIDI BANK"), QStringLiteral("PC#"), QStringLiteral("PATCH")});
    for (int r = 0; r < 256; ++r) {
        auto *a = new QStandardItem(QString::number(r >> 7));
        auto *b = new QStandardItem(QString::number(r & 127));
        a->setEnabled(false);
        b->setEnabled(false);
        a->setTextAlignment(Qt::AlignCenter);
        b->setTextAlignment(Qt::AlignCenter);
        auto *c = new QStandardItem(QStringLiteral("%1 %2").arg(r / 3 + 1).arg(QLatin1Char("ABC"[r % 3])));
        c->setTextAlignment(Qt::AlignCenter);
        c->setToolTip(QStringLiteral("Double click to edit"));
        model->setItem(r, 0, a);
        model->setItem(r, 1, b);
        model->setItem(r, 2, c);
    }
    table->setModel(model);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setItemDelegate(new NoFocusDelegate(table));
    table->selectRow(2);
    pv->addWidget(table);
    stack->addWidget(pc);
    if (subPage)
        stack->setCurrentIndex(1);
    mainRow->addWidget(stack, 8);
    fv->addLayout(mainRow, 6);
    return dlg;
}

// ----------------------------------------------------------------- exp ----

// The Exp pop-up's frame: close button, the three type buttons (the one of
// `page` selected); the page goes into the returned layout.
QWidget *expFrame(int page, QVBoxLayout **content)
{
    auto *dlg = new QWidget;
    dlg->setAttribute(Qt::WA_TranslucentBackground);
    dlg->setWindowFlags(Qt::FramelessWindowHint);
    dlg->resize(720, 370);
    auto *outer = new QHBoxLayout(dlg);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("expWidget"));
    outer->addWidget(frame);
    auto *v = new QVBoxLayout(frame);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(plainButton(QStringLiteral("popupClose"), frame), 0, Qt::AlignRight);
    auto *types = new QHBoxLayout;
    types->addStretch();
    int k = 0;
    for (const char *t : {"EXP1", "EXP2", "EXP VOL"}) {
        auto *b = new QPushButton(QString::fromLatin1(t));
        b->setObjectName(QStringLiteral("typeButton"));
        b->setProperty("isSelected", k++ == page);
        types->addWidget(b);
    }
    types->addStretch();
    v->addLayout(types);
    v->addSpacing(5);
    *content = v;
    return dlg;
}

QWidget *expDialog()
{
    QVBoxLayout *v = nullptr;
    QWidget *dlg = expFrame(1, &v);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("exp2Widget"));
    auto *pv = new QVBoxLayout(page);
    pv->setSpacing(0);
    auto *modW = new QWidget;
    modW->setObjectName(QStringLiteral("moduleWidget"));
    modW->setFixedHeight(60);
    auto *g = new QGridLayout(modW);
    const char *const mods[] = {"FX A", "DS/OD", "AMP", "CAB", "NS", "EQ", "FX B", "DELAY", "REVERB", "FX LOOP"};
    for (int i = 0; i < 10; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(mods[i]));
        b->setObjectName(QStringLiteral("expButton"));
        b->setFixedWidth(85);
        b->setProperty("isSelected", i == 7);
        g->addWidget(b, i / 5, i % 5 + 1);
    }
    pv->addWidget(modW);
    auto *line = new QLabel;
    line->setObjectName(QStringLiteral("expLine"));
    line->setFixedHeight(2);
    pv->addWidget(line);
    auto *params = new QWidget;
    params->setFixedHeight(110);
    auto *pg = new QGridLayout(params);
    pg->setSpacing(5);
    const char *const ps[] = {"LEVEL", "F.BACK", "TIME", "TIME A", "THRES", "TIME B"};
    for (int j = 0; j < 6; ++j) {
        auto *b = new QPushButton(QString::fromLatin1(ps[j]));
        b->setObjectName(QStringLiteral("expButton"));
        b->setFixedWidth(100);
        b->setProperty("isSelected", j == 5);
        pg->addWidget(b, j / 5, j % 5);
    }
    pv->addWidget(params);
    v->addWidget(page);
    return dlg;
}

QWidget *expVolDialog()
{
    QVBoxLayout *v = nullptr;
    QWidget *dlg = expFrame(2, &v);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("expVolWidget"));
    auto *pv = new QVBoxLayout(page);
    pv->setSpacing(0);
    pv->addStretch();
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    row->addStretch();
    auto *l = new QLabel(QStringLiteral("EXP VOL PEDAL"));
    l->setObjectName(QStringLiteral("expVolPedal"));
    row->addWidget(l);
    auto *on = new QPushButton(QStringLiteral("EXP"));
    on->setObjectName(QStringLiteral("expButton"));
    on->setFixedWidth(40);
    on->setProperty("isSelected", false);
    auto *off = new QPushButton(QStringLiteral("OFF"));
    off->setObjectName(QStringLiteral("expButton"));
    off->setFixedWidth(40);
    off->setProperty("isSelected", true);
    row->addWidget(on);
    row->addWidget(off);
    row->addStretch();
    pv->addLayout(row);
    pv->addSpacing(15);
    for (const char *n : {"Min", "Max"}) {
        auto *s = new SliderWithSpinBox(QStringLiteral("#414141"), QStringLiteral("#c0d23c"));
        s->setObjectName(QStringLiteral("expSlider"));
        s->setRange(QString::fromLatin1(n), 0, 100, 1, 0);
        s->setValue(n[1] == 'i' ? 10 : 90);
        s->setFixedWidth(545);
        s->setEnable(false);
        auto *h = new QHBoxLayout;
        h->addStretch();
        h->addWidget(s);
        h->addStretch();
        pv->addLayout(h);
        pv->addSpacing(4);
    }
    pv->addStretch();
    v->addWidget(page);
    return dlg;
}

// -------------------------------------------------------- tone capture ----

QWidget *toneCaptureDialog()
{
    auto *dlg = new QWidget;
    dlg->setAttribute(Qt::WA_TranslucentBackground);
    dlg->setWindowFlags(Qt::FramelessWindowHint);
    dlg->resize(720, 420);
    auto *outer = new QHBoxLayout(dlg);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame;
    frame->setObjectName(QStringLiteral("toneCaptureWidget"));
    outer->addWidget(frame);
    auto *v = new QVBoxLayout(frame);
    v->setContentsMargins(24, 0, 0, 18);
    auto *top = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("TONE CAPTURE"));
    title->setObjectName(QStringLiteral("toneCaptureTitle"));
    top->addWidget(title);
    top->addStretch();
    top->addWidget(plainButton(QStringLiteral("popupClose"), frame), 0, Qt::AlignTop);
    v->addLayout(top);
    auto *step = new QLabel(QStringLiteral("STEP4"));
    step->setObjectName(QStringLiteral("toneCaptureStep"));
    v->addWidget(step);
    auto *text = new QLabel(QStringLiteral("Choose an empty slot then press footswitch \"C\" for the completed TONE CAPTURE."));
    text->setObjectName(QStringLiteral("toneCaptureText"));
    text->setWordWrap(true);
    v->addWidget(text);
    auto *note = new QLabel(QStringLiteral("(Note: AMP Capture is not possible without SERIAL FX LOOP)"));
    note->setObjectName(QStringLiteral("toneCaptureNote"));
    v->addWidget(note);
    v->addSpacing(12);
    auto *slotRow = new QHBoxLayout;
    auto *slot = new MyComboBox;
    slot->setObjectName(QStringLiteral("toneCaptureSlot"));
    slot->setEditable(true);
    for (int i = 1; i <= 20; ++i)
        slot->addItem(QStringLiteral("%1:%2").arg(i, 2, 10, QLatin1Char('0')).arg(i == 1 ? QStringLiteral("MY PLEXI") : QStringLiteral("EMPTY")));
    slotRow->addWidget(slot);
    slotRow->addStretch();
    v->addLayout(slotRow);
    v->addSpacing(12);
    auto *mon = new QHBoxLayout;
    auto *src = new QPushButton(QStringLiteral("SOURCE"));
    src->setProperty("monitor", true);
    auto *tgt = new QPushButton(QStringLiteral("TARGET"));
    tgt->setProperty("monitor", false);
    auto *cap = new QPushButton(QStringLiteral("CAPTURE"));
    cap->setProperty("haveFile", false);
    auto *mon2 = new QPushButton(QStringLiteral("MONITOR"));
    mon2->setProperty("haveFile", true);
    auto *del = new QPushButton;
    del->setObjectName(QStringLiteral("deleteButton"));
    auto *progress = new QLabel(QStringLiteral("CAPTURING..."));
    progress->setProperty("study", QStringLiteral("study"));
    for (QWidget *w : {static_cast<QWidget *>(src), static_cast<QWidget *>(tgt), static_cast<QWidget *>(cap),
                       static_cast<QWidget *>(mon2), static_cast<QWidget *>(del), static_cast<QWidget *>(progress)})
        mon->addWidget(w);
    mon->addStretch();
    v->addLayout(mon);
    v->addSpacing(12);
    auto *pairRow = new QSignalMapper(frame);
    auto *pair = new LabelWithTwoButtonLayout(QStringLiteral("SOURCE SYNC"), {0, QStringLiteral("ON"), QStringLiteral("toneSync")},
                                              {1, QStringLiteral("OFF"), QStringLiteral("toneSync")}, pairRow);
    v->addLayout(pair);
    v->addStretch();
    auto *nav = new QHBoxLayout;
    nav->addStretch();
    for (const char *t : {"<< BACK", "DONE >>"}) {
        auto *b = new QPushButton(QString::fromLatin1(t));
        b->setObjectName(QStringLiteral("toneCaptureNav"));
        nav->addWidget(b);
    }
    nav->addSpacing(24);
    v->addLayout(nav);
    return dlg;
}

// ---------------------------------------------------------- misc items ----

QWidget *controlsSheet()
{
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("paraWidget"));
    w->resize(760, 640);
    auto *v = new QVBoxLayout(w);
    v->setContentsMargins(16, 16, 16, 16);
    v->setSpacing(10);

    v->addWidget(caption(QStringLiteral("two-state pairs: selected_enable / unselected_enable, then selected_disabled / unselected_disabled")));
    auto *pairs = new QHBoxLayout;
    for (const char *s : {"selected_enable", "unselected_enable", "selected_disabled", "unselected_disabled"}) {
        auto *b = new QPushButton(QString::fromLatin1(s).section(QLatin1Char('_'), 0, 0).toUpper());
        b->setProperty("status", QString::fromLatin1(s));
        pairs->addWidget(b);
    }
    pairs->addStretch();
    v->addLayout(pairs);

    v->addWidget(caption(QStringLiteral("group buttons: 4 options (option 3 selected), 10 options, a dark user colour, disabled")));
    auto *g1 = new CustomGroupButton({QStringLiteral("OFF"), QStringLiteral("EL34"), QStringLiteral("EL84"), QStringLiteral("6L6")});
    g1->setValue(3);
    g1->setFixedWidth(520);
    v->addWidget(g1);
    auto *g2 = new CustomGroupButton({QStringLiteral("SM57"), QStringLiteral("U47"), QStringLiteral("U87"), QStringLiteral("NT1"),
                                      QStringLiteral("MD421"), QStringLiteral("MD441"), QStringLiteral("MXL2001"),
                                      QStringLiteral("MXL2003"), QStringLiteral("C3000"), QStringLiteral("C4000B")});
    g2->setValue(6);
    g2->setFixedWidth(520);
    v->addWidget(g2);
    auto *dark = new SliderWithSpinBox;
    dark->setRange(QStringLiteral("user colour"), 0, 100, 1, 0);
    dark->setValue(60);
    dark->setColor(QStringLiteral("#414141"), QStringLiteral("#2456c8"));
    auto *darkGroup = new GroupButtonWithSpinBox;
    darkGroup->setOptions(QStringLiteral("user colour"), {QStringLiteral("OFF"), QStringLiteral("ON")});
    darkGroup->setColor(QStringLiteral("#414141"), QStringLiteral("#2456c8"));
    darkGroup->setValue(1);
    for (QWidget *d : {static_cast<QWidget *>(dark), static_cast<QWidget *>(darkGroup)}) {
        d->setFixedSize(660, 60);
        v->addWidget(d);
    }
    auto *g3 = new CustomGroupButton({QStringLiteral("Serial"), QStringLiteral("Parallel")});
    g3->setValue(1);
    g3->setEnabled(false);
    g3->setFixedWidth(520);
    v->addWidget(g3);

    v->addWidget(caption(QStringLiteral("combo box, line edit, disabled line edit, progress bars (loading, recall)")));
    auto *row = new QHBoxLayout;
    auto *combo = new MyComboBox;
    combo->addItems({QStringLiteral("01:EMPTY"), QStringLiteral("02:MY PLEXI")});
    row->addWidget(combo);
    auto *le = new QLineEdit(QStringLiteral("editable"));
    row->addWidget(le);
    auto *le2 = new QLineEdit(QStringLiteral("disabled"));
    le2->setEnabled(false);
    row->addWidget(le2);
    row->addStretch();
    v->addLayout(row);
    for (bool recall : {false, true}) {
        auto *bar = new QProgressBar;
        bar->setObjectName(QStringLiteral("loadingProgressBar"));
        bar->setProperty("recall", recall);
        bar->setRange(0, 510);
        bar->setValue(recall ? 120 : 300);
        v->addWidget(bar, 0, Qt::AlignHCenter);
    }

    v->addWidget(caption(QStringLiteral("EXP VOL label off / on; IR slot row with add and delete")));
    auto *labels = new QHBoxLayout;
    for (bool open : {false, true}) {
        auto *l = new QLabel(QStringLiteral("EXP VOL"));
        l->setObjectName(QStringLiteral("expVol"));
        l->setProperty("open", open);
        labels->addWidget(l);
    }
    auto *slotRow = new QWidget;
    slotRow->setFixedWidth(220);
    auto *sh = new QHBoxLayout(slotRow);
    sh->setContentsMargins(0, 0, 0, 0);
    sh->setSpacing(0);
    sh->addWidget(new QLabel(QStringLiteral("33:EMPTY")), 10);
    sh->addStretch();
    sh->addWidget(plainButton(QStringLiteral("addButton"), slotRow));
    sh->addWidget(plainButton(QStringLiteral("deleteButton"), slotRow));
    sh->addStretch(1);
    labels->addWidget(slotRow);
    auto *swOn = new QRadioButton;
    swOn->setObjectName(QStringLiteral("moduleSwitch"));
    swOn->setAutoExclusive(false);
    swOn->setChecked(true);
    auto *swOff = new QRadioButton;
    swOff->setObjectName(QStringLiteral("moduleSwitch"));
    swOff->setAutoExclusive(false);
    labels->addWidget(swOn);
    labels->addWidget(swOff);
    labels->addStretch();
    v->addLayout(labels);
    v->addStretch();
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    QApplication::setPalette(Kt900Style::applicationPalette());
    app.setStyleSheet(Kt900Style::loadStyleSheets());
    if (!EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath))) {
        std::fprintf(stderr, "cannot load the effect catalogue\n");
        return 1;
    }
    g_out = argc > 1 ? QFile::decodeName(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(g_out);

    ImageSheet sheet;
    shoot(&sheet, QStringLiteral("01-images"));

    QWidget *rows = paramRows(false);
    shoot(rows, QStringLiteral("02-parameter-rows"));
    QWidget *rowsOff = paramRows(true);
    shoot(rowsOff, QStringLiteral("03-parameter-rows-disabled"));

    MainMock main = buildMain();
    main.deviceList->item(4)->setBackground(QColor(QStringLiteral("#0363D3"))); // marked row
    shoot(main.core, QStringLiteral("04-main-window"));

    auto *loading = new LoadingWidget(main.core);
    loading->setTitle(QStringLiteral("Loading..."));
    loading->setRange(0, 510);
    loading->progressBar()->setProperty("recall", false);
    loading->setProgressValue(312);
    loading->show();
    shoot(main.core, QStringLiteral("05-main-loading"));
    loading->setTitle(QStringLiteral("Recalling..."));
    Kt900Style::setStyleProperty(loading->progressBar(), "recall", true);
    loading->setProgressValue(140);
    shoot(main.core, QStringLiteral("06-main-recalling"));
    loading->hide();

    // Rename editor over a row, tip balloon under the name editor, menu.
    auto *rename = new RenameWidget(main.core);
    rename->setMaxLength(15);
    rename->setPlaceholderText(QStringLiteral("a-z A-Z 0-9 and Space"));
    const QRect r = main.deviceList->visualItemRect(main.deviceList->item(4));
    rename->move(main.deviceList->viewport()->mapTo(main.core, r.topLeft()) + QPoint(3, -19 + r.height() / 2));
    rename->show();
    settle();
    rename->resize(RenameWidget::kOpenWidth, RenameWidget::kHeight);
    rename->setText(QStringLiteral("NEW NAME"));
    auto *tip = new TipBox(main.core);
    tip->setText(QStringLiteral("Valid characters contain:\n  a-z A-Z 0-9 and Space"));
    auto *nameEdit = main.core->findChild<QLineEdit *>(QStringLiteral("presetNameEdit"));
    tip->move(nameEdit->mapTo(main.core, QPoint(15, nameEdit->height() - 10)));
    tip->show();
    shoot(main.core, QStringLiteral("07-main-rename-tip"));
    rename->hide();
    tip->hide();

    // Context menus.
    QMenu menu;
    menu.setObjectName(QStringLiteral("deviceMenu"));
    menu.setWindowFlags(menu.windowFlags() | Qt::FramelessWindowHint);
    menu.setAttribute(Qt::WA_TranslucentBackground);
    menu.addAction(QStringLiteral("Copy"));
    menu.addAction(QStringLiteral("Paste[01A]"));
    QAction *clear = menu.addAction(QStringLiteral("Clear"));
    menu.addAction(QStringLiteral("Rename"));
    menu.setActiveAction(clear);
    QMenu menu2;
    menu2.setObjectName(QStringLiteral("deviceMenu"));
    menu2.setWindowFlags(menu2.windowFlags() | Qt::FramelessWindowHint);
    menu2.setAttribute(Qt::WA_TranslucentBackground);
    menu2.addAction(QStringLiteral("Add"));
    menu2.addAction(QStringLiteral("Delete"))->setEnabled(false);
    menu2.addAction(QStringLiteral("Refresh"));
    menu2.addAction(QStringLiteral("Open This Directory"));
    {
        QWidget host;
        host.setObjectName(QStringLiteral("paraWidget"));
        host.resize(440, 190);
        menu.setParent(&host, menu.windowFlags() & ~Qt::Window);
        menu2.setParent(&host, menu2.windowFlags() & ~Qt::Window);
        menu.move(12, 12);
        menu2.move(200, 12);
        menu.show();
        menu2.show();
        shoot(&host, QStringLiteral("08-context-menus"), QColor(0x1c, 0x1c, 0x1c));
        menu.setParent(nullptr);
        menu2.setParent(nullptr);
    }

    // Message boxes, every variant.
    {
        QWidget host;
        struct Box {
            const char *name, *title, *text;
            int buttons;
        } boxes[] = {
            {"09-msg-ok", "Error", "The device is disconnected.", MyMessageBox::Ok},
            {"10-msg-yesno", "Info", "The current preset data has been modified,\n\twould you like to save it?", MyMessageBox::YesNo},
            {"11-msg-saveas", "WARNING", "Do you want to replace the TONE CAPTURE\r\n               file included by the preset?", MyMessageBox::SaveAsReplace},
            {"12-msg-auto", "Info", "Preset saved successful !", MyMessageBox::NoButton},
            {"13-msg-yes", "INFO", "Whether to import preset data?", MyMessageBox::Yes},
        };
        for (const Box &b : boxes) {
            auto *box = new MyMessageBox(QString::fromLatin1(b.title), QString::fromLatin1(b.text), nullptr, b.buttons, 60000);
            box->setAttribute(Qt::WA_DeleteOnClose, false);
            shoot(box, QString::fromLatin1(b.name));
            delete box;
        }
        int index = 0;
        QStringList slotNames;
        for (int i = 1; i <= 20; ++i)
            slotNames << QStringLiteral("%1:%2").arg(i, 2, 10, QLatin1Char('0')).arg(i < 3 ? QStringLiteral("MY AMP") : QStringLiteral("EMPTY"));
        auto *box = new MyMessageBox(QStringLiteral("SAVE AS"), slotNames, &index, nullptr, MyMessageBox::YesNo, 0);
        box->setAttribute(Qt::WA_DeleteOnClose, false);
        shoot(box, QStringLiteral("14-msg-combo"));
        delete box;
    }

    QWidget *controls = controlsSheet();
    shoot(controls, QStringLiteral("15-controls"));

    auto *mapper = new QSignalMapper(&app);
    QWidget *settings = settingsDialog(mapper, false);
    shoot(settings, QStringLiteral("16-settings"));
    auto *column = settings->findChild<QWidget *>(QStringLiteral("settingColumnMock"));
    column->resize(620, column->sizeHint().height());
    shoot(column, QStringLiteral("17-settings-column"), QColor(0x1c, 0x1c, 0x1c));
    QWidget *settingsSub = settingsDialog(mapper, true);
    shoot(settingsSub, QStringLiteral("18-settings-pc-mapping"));

    QWidget *exp = expDialog();
    shoot(exp, QStringLiteral("19-exp"));
    QWidget *expVol = expVolDialog();
    shoot(expVol, QStringLiteral("20-exp-vol"));
    QWidget *tone = toneCaptureDialog();
    shoot(tone, QStringLiteral("21-tone-capture"));

    std::printf("%d images in %s\n", g_shots, qPrintable(QDir(g_out).absolutePath()));
    return 0;
}
