#include "core.h"

#include "appconfig.h"
#include "chainpanel.h"
#include "commands.h"
#include "custombutton.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "effectcatalogue.h"
#include "exp.h"
#include "filechooser.h"
#include "framelesshelper.h"
#include "irupload.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "pagecodes.h"
#include "parawidgetbase.h"
#include "popupframe.h"
#include "presetpanel.h"
#include "renamewidget.h"
#include "resources.h"
#include "sendcoalescer.h"
#include "setting.h"
#include "tipbox.h"
#include "titlebar.h"
#include "tonecapture.h"
#include "topbar.h"
#include "usbreceivethread.h"
#include "valuemodel.h"

#include <QApplication>
#include <QColor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalMapper>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

using namespace Kt900;

Q_LOGGING_CATEGORY(lcCore, "kt900.core")

namespace {

int g_startupRetryMs = Core::kStartupRetryMs;

const char kListStyle[] =
    "QListWidget {\tcolor: white; font-weight: bold; background: transparent; }\t\t\t"
    "QListWidget::item:hover { background: %1; }\t\t\t\t\t\t\t"
    "QListWidget::item:selected:active { background: %2; }\t\t\t\t"
    "QListWidget::item:selected:!active{ background: %3; }";

QString colorSetting(const QString &key, const QString &fallback)
{
    const QString value = AppConfig::instance().value(QStringLiteral("Color"), key, fallback).toString();
    return QColor::isValidColor(value) ? value : fallback;
}

QPoint globalPosOf(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent *>(event)->globalPos();
    case QEvent::Wheel:
        return static_cast<QWheelEvent *>(event)->globalPosition().toPoint();
    default:
        return QCursor::pos();
    }
}

} // namespace

// ===========================================================================
// Start-up

void Core::setStartupRetryInterval(int ms)
{
    g_startupRetryMs = ms;
}

int Core::startupRetryInterval()
{
    return g_startupRetryMs;
}

Core::Core(quint8 deviceAddress, QWidget *parent)
    : QWidget(parent)
    , m_address(deviceAddress)
    , m_link(DeviceStore::instance())
{
    m_quit = [](int code) { QCoreApplication::exit(code); };
    kt900InitResources();
    m_mapper = new QSignalMapper(this);
    m_coalescer = new SendCoalescer(this);
    m_coalescer->setHandler(SendCoalescer::System, [this]() { sendSystem(); });
    m_coalescer->setHandler(SendCoalescer::Exp, [this]() { sendExp(); });
    m_coalescer->setHandler(SendCoalescer::Ctrl, [this]() { sendCtrl(); });
    m_coalescer->setHandler(SendCoalescer::GlobalEq, [this]() { sendGlobalEq(); });
    m_coalescer->setHandler(SendCoalescer::Midi, [this]() { sendMidi(); });
    m_coalescer->setHandler(SendCoalescer::ToneCapture, [this]() { sendToneCapture(); });

    // The eleven style sheets; Ctrl+L reads them again.
    reloadStyleSheets();
    auto *reload = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_L), this);
    reload->setContext(Qt::WindowShortcut);
    connect(reload, &QShortcut::activated, this, &Core::reloadStyleSheets);

    // The unit.
    if (!m_usb.openByAddress(deviceAddress)) {
        fail(tr("The device is disconnected."));
        return;
    }
    m_recv = new usbReceiveThread(&m_usb);
    m_recv->setTypeNameHandler([](int module, int type, const QString &text) {
        EffectCatalogue::instance().setTypeName(module, type, text);
    });
    m_recv->moveToThread(&m_thread);
    m_recv->setRunning(true);
    connect(m_recv, &usbReceiveThread::DeviceDisconnect, this, &Core::DeviceDisconnect, Qt::QueuedConnection);
    connect(&m_thread, &QThread::started, m_recv, &usbReceiveThread::ReadThread);
    m_thread.start(QThread::InheritPriority);
    m_link.setReceiver(m_recv);

    // The catalogue (again on every start: slot names of an earlier
    // connection must not linger in the type names).
    if (!EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath))) {
        fail(tr("Resource file is missing, please reinstall!"));
        return;
    }

    // The frameless window.
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    m_frameless = new FramelessHelper(this);
    m_frameless->activateOn(this);
    m_frameless->setTitleHeight(TitleBar::kHeight);
    m_frameless->setWidgetMovable(true);
    m_frameless->setWidgetResizable(true);
    m_frameless->setRubberBandOnMove(true);
    m_frameless->setRubberBandOnResize(true);
    buildWindow();
    dataInit();
    connect(m_recv, &usbReceiveThread::SendDataToUi, this, &Core::readData);
    m_recv->sendEditorAttach();
    m_recv->sendRequestSync();
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(g_startupRetryMs);
    connect(m_retry, &QTimer::timeout, this, &Core::retryStartup);
    m_retry->start();
    m_state = State::Loading;
    show();
    placeOverlay();
}

Core::~Core()
{
    m_destroying = true;
    qApp->removeEventFilter(this);
    DeviceDisconnect(false);
}

void Core::fail(const QString &message)
{
    qCWarning(lcCore) << "start-up failed:" << message;
    MyMessageBox::showMessage(tr("Error"), message, this, MyMessageBox::Ok);
    auto quitHandler = m_quit;
    QTimer::singleShot(0, qApp, [quitHandler]() { quitHandler(0); });
}

void Core::setQuitHandler(std::function<void(int)> handler)
{
    m_quit = std::move(handler);
}

void Core::quit(int code)
{
    if (m_quit)
        m_quit(code);
}

void Core::setFileChooser(std::unique_ptr<FileChooser> chooser)
{
    m_chooser = std::move(chooser);
}

void Core::reloadStyleSheets()
{
    const QString sheets = Kt900Style::loadStyleSheets();
    if (!sheets.isEmpty())
        qApp->setStyleSheet(sheets);
}

void Core::buildWindow()
{
    setObjectName(QStringLiteral("mainWidget"));
    setWindowTitle(QStringLiteral("TOVAK_KT900"));
    setGeometry(200, 100, kWidth, kHeight);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_border = new QWidget(this);
    m_border->setObjectName(QStringLiteral("mainBorderWidget"));
    m_border->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(m_border);

    auto *borderBox = new QVBoxLayout(m_border);
    borderBox->setContentsMargins(0, 0, 0, 0);
    borderBox->setSpacing(0);
    m_title = new TitleBar(m_border);
    borderBox->addWidget(m_title);
    connect(m_title, &TitleBar::minimizeRequested, this, &QWidget::showMinimized);
    connect(m_title, &TitleBar::maximizeRequested, this, &QWidget::showMaximized);
    connect(m_title, &TitleBar::restoreRequested, this, &QWidget::showNormal);
    connect(m_title, &TitleBar::closeRequested, this, [this]() { quit(0); });

    auto *mainSplitter = new QSplitter(Qt::Vertical, m_border);
    mainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter->setChildrenCollapsible(false);
    borderBox->addWidget(mainSplitter);

    auto *upper = new QSplitter(Qt::Horizontal, mainSplitter);
    upper->setObjectName(QStringLiteral("upperSplitter"));
    upper->setChildrenCollapsible(false);
    m_presets = new PresetPanel(m_link, m_codec, m_mapper, upper);
    upper->addWidget(m_presets);

    auto *editing = new QWidget(upper);
    editing->setObjectName(QStringLiteral("paraWidget"));
    editing->setAttribute(Qt::WA_StyledBackground);
    auto *editingBox = new QVBoxLayout(editing);
    editingBox->setContentsMargins(3, 0, 0, 0);
    editingBox->setSpacing(2);
    m_top = new TopBar(m_link, m_mapper, editing);
    editingBox->addWidget(m_top);
    m_module = new ModulePanel(m_link, *m_coalescer, editing);
    editingBox->addWidget(m_module, 1);
    upper->addWidget(editing);
    upper->setStretchFactor(0, 5);
    upper->setStretchFactor(1, 9);
    mainSplitter->addWidget(upper);

    m_chain = new ChainPanel(m_link, mainSplitter);
    mainSplitter->addWidget(m_chain);
    mainSplitter->setStretchFactor(0, 2);
    mainSplitter->setStretchFactor(1, 1);

    // Chain buttons: click through the mapper, drag and release here.
    connect(m_chain->mapper(), &QSignalMapper::mappedInt, this, &Core::chainButtonClick);
    for (int module = 0; module < ChainPanel::kButtonCount; ++module) {
        CustomButton *b = m_chain->button(module);
        connect(b, &CustomButton::drag_signal, this, &Core::chainButtonDrag);
        connect(b, &CustomButton::release_signal, this, &Core::chainButtonRelease);
    }
    connect(m_module, &ModulePanel::switchToggled, this, [this](int module, bool on) {
        m_chain->setSwitchImage(module, on);
    });
    connect(m_module, &ModulePanel::importRequested, this, &Core::importIrOrNr);
    connect(m_module, &ModulePanel::deleteRequested, this, &Core::deleteIrOrNr);
    connect(m_mapper, &QSignalMapper::mappedInt, this, &Core::buttonClick);
    connect(m_presets, &PresetPanel::currentPresetChanged, this, &Core::showCurrentPreset);
    connect(m_presets, &PresetPanel::renameRequested, this, [this](QPoint pos) {
        if (!m_rename)
            return;
        m_rename->move(pos);
        showPopup(2);
    });
    m_presets->setNameSource([this]() { return m_top->presetName(); });

    // Pop-ups, hidden until asked for.
    m_exp = new Exp(this);
    m_setting = new Setting(this);
    m_toneCapture = new ToneCapture(this);
    m_tip = new TipBox(this);
    m_tip->hide();
    m_top->setTipBox(m_tip);
    m_exp->hide();
    m_setting->hide();
    m_toneCapture->hide();

    // The loading overlay.
    m_loading = new LoadingWidget(this);
    m_loading->setTitle(tr("Loading..."));
    m_loading->setRange(0, kLoadingSteps);
    m_loading->setProgressValue(0);
    m_loading->progressBar()->setProperty("recall", false);
    Kt900Style::repolish(m_loading->progressBar());
    m_loading->show();
    m_loading->raise();

    qApp->installEventFilter(this);
}

void Core::placeOverlay()
{
    // The overlay leaves the title bar free: the window can be moved,
    // minimised and closed while the unit's data loads.
    if (m_loading && m_loading->isVisible())
        m_loading->setGeometry(rect().adjusted(0, TitleBar::kHeight, 0, 0));
}

void Core::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeOverlay();
}

void Core::dataInit()
{
    const QString paraColor = colorSetting(QStringLiteral("paraColor"), QStringLiteral("#c0d23c"));
    m_selectColor = colorSetting(QStringLiteral("presetListSelectColor"), QStringLiteral("#B1CF36"));
    m_hoverColor = colorSetting(QStringLiteral("presetListHoverColor"), QStringLiteral("gray"));
    m_valueColors.clear();
    m_backgroundColors.clear();
    const int modules = qMax(0, EffectCatalogue::instance().chainCount());
    for (int i = 0; i < modules; ++i) {
        m_valueColors << paraColor;
        m_backgroundColors << QStringLiteral("#414141");
    }
    if (m_module)
        m_module->setColors(m_valueColors, m_backgroundColors);
    const QString style = QString::fromLatin1(kListStyle).arg(m_hoverColor, m_selectColor, m_selectColor);
    if (m_presets) {
        m_presets->deviceList()->setStyleSheet(style);
        m_presets->computerList()->setStyleSheet(style);
    }
    if (m_module)
        m_module->typeList()->setStyleSheet(style);
}

void Core::retryStartup()
{
    if (m_retried || !m_loading || !m_loading->isVisible() || !m_recv)
        return;
    m_retried = true;
    qCInfo(lcCore) << "no data from the unit yet: asking again";
    m_loading->setProgressValue(0);
    m_recv->sendEditorAttach();
    m_recv->sendRequestSync();
}

// ===========================================================================
// Notifications

void Core::readData(int cmd)
{
    if (cmd == 1 || cmd > 127)
        return;
    const bool ready = m_state == State::Ready;
    switch (cmd) {
    case 2:
        if (ready)
            followUnitPage();
        break;
    case 3: case 4: case 5: case 7: case 8: case 9: case 11: case 12: case 13:
        if (ready)
            refreshModule(Cmd::commandModule(cmd));
        break;
    case 10:
        if (ready)
            refreshModule((currentModule() == ModFxLoopSend || currentModule() == ModFxLoopReturn) ? currentModule()
                                                                                                  : ModFxLoopSend);
        break;
    case 6: case 37: case 38: case 39:
        pushToneCapture();
        if (ready && currentModule() == ModulePanel::kToneCapModule)
            refreshModule(ModulePanel::kToneCapModule);
        break;
    case 15:
        if (ready)
            m_top->refreshVolumeAndTempo();
        break;
    case 16:
        if (ready)
            m_chain->rebuildOrder();
        break;
    case 17: case 18: case 19: case 20: case 36:
        pushSetting(cmd);
        break;
    case 21:
        if (ready) {
            m_chain->refreshSwitches();
            m_module->refreshSwitch();
        }
        break;
    case 22:
        if (ready)
            refreshExp();
        break;
    case 26:
        break;
    case 28:
        if (m_loading)
            m_loading->addProgressValue();
        break;
    case 31:
        loadingFinished();
        break;
    case 32:
        if (ready) {
            // The edit buffer was stored: it is that preset, name included.
            const int index = store().currentPresetIndex();
            if (index >= 0)
                store().setPresetName(kEditBuffer, store().presetName(index));
            m_presets->relabel(index);
            showCurrentPreset();
        }
        break;
    case 34:
        if (ready && store().currentPresetIndex() != m_presets->deviceList()->currentRow())
            showCurrentPreset();
        break;
    default:
        break;
    }
    closeButtonMessageBoxes();
}

void Core::closeButtonMessageBoxes()
{
    // A question about the state the unit just changed is moot now.
    const QList<MyMessageBox *> boxes = findChildren<MyMessageBox *>(QStringLiteral("messageBoxDialog"));
    for (MyMessageBox *box : boxes) {
        if (box->isVisible() && !box->buttons().isEmpty())
            box->close();
    }
}

void Core::loadingFinished()
{
    if (!m_loading || !m_recv)
        return;
    m_loading->addProgressValue();
    m_retry->stop();
    m_link.setLive(true);
    m_state = State::Ready;
    m_presets->fillDeviceList();
    showCurrentPreset();
    m_presets->refreshComputerList();
    wirePopups();
    m_loading->hide();
    fitLayout();
}

void Core::fitLayout()
{
    // The preset panel gets what its labels need, as far as the editing
    // panel's minimum leaves room; the type list what the longest type name
    // needs.
    auto *upper = qobject_cast<QSplitter *>(m_presets->parentWidget());
    QWidget *editing = m_top->parentWidget();
    if (upper && editing) {
        const int total = upper->width() - upper->handleWidth();
        const int room = total - editing->minimumSizeHint().width();
        const int presets = qMax(m_presets->minimumSizeHint().width(), qMin(m_presets->preferredWidth(), room));
        if (total > 0 && presets > 0 && presets < total)
            upper->setSizes({presets, total - presets});
        m_presets->layout()->activate();
        editing->layout()->activate();
    }
    m_presets->fitColumns();
    m_module->fitColumns();
}

void Core::wirePopups()
{
    for (int cmd : {19, 17, 36, 20})
        pushSetting(cmd);
    pushToneCapture();
    if (m_wired)
        return;
    m_wired = true;

    m_rename = new RenameWidget(this);
    m_rename->setMaxLength(EditorFields::kNameMaxLength);
    m_rename->setPlaceholderText(tr("a-z A-Z 0-9 and Space"));
    m_rename->hide();
    m_presets->setRenameWidget(m_rename);

    connect(m_exp, &Exp::valueChanged, this, &Core::expValueChanged);
    connect(m_exp, &Exp::controlStrChanged, m_top, &TopBar::setExpInfo);
    connect(m_setting, &Setting::listColorChanged, this, &Core::dataInit);
    connect(m_setting, &Setting::paraColorChanged, m_module, &ModulePanel::setParaColor);
    connect(m_setting, &Setting::cabLStrChanged, m_top, &TopBar::setCabLeftText);
    connect(m_setting, &Setting::cabRStrChanged, m_top, &TopBar::setCabRightText);
    connect(m_setting, &Setting::systemValueChanged, this, &Core::sysValueChanged);
    connect(m_setting, &Setting::glbEqValueChanged, this, &Core::glbEqValueChanged);
    connect(m_setting, &Setting::ctrlValueChanged, this, &Core::ctrlValueChanged);
    connect(m_setting, &Setting::midiValueChanged, this, &Core::midiValueChanged);
    connect(m_toneCapture, &ToneCapture::ValueChanged, this, &Core::toneCaptureValueChanged);
    connect(m_recv, &usbReceiveThread::ToneNameChanged, m_toneCapture, &ToneCapture::ToneNameChanged);
    for (int slot = 0; slot < kCaptureSlots; ++slot)
        m_toneCapture->ToneNameChanged(slot, store().slotName(ListCapture, slot));
}

void Core::pushSetting(int cmd)
{
    const DeviceStore &s = store();
    switch (cmd) {
    case 17:
        for (int i = 0; i < Setting::kSystemValues; ++i)
            m_setting->setSystemValue(i, s.systemSetting(i));
        refreshCabLabels();
        if (m_state == State::Ready)
            m_top->refreshVolumeAndTempo();
        break;
    case 18:
    case 36: {
        QVector<int> first, second;
        for (int i = 0; i < 256; ++i) {
            first << s.midiBlock()[i];
            second << s.midiBlock()[256 + i];
        }
        m_setting->setMidiTable(18, first);
        m_setting->setMidiTable(19, second);
        break;
    }
    case 19: {
        const int output = s.globalEqOutput();
        m_setting->setGlbEqValue(0, output);
        for (int i = 1; i < Setting::kGlbEqValues; ++i)
            m_setting->setGlbEqValue(i, s.globalEqWord((output == 0 ? 0 : 9) + i - 1));
        break;
    }
    case 20:
        m_setting->refreshCtrl(s.control(0), s.control(1), s.control(2));
        break;
    default:
        break;
    }
}

void Core::pushToneCapture()
{
    const DeviceStore &s = store();
    for (int i = 0; i < kToneCaptureValues; ++i)
        m_toneCapture->update(i, s.toneCaptureValue(i));
    for (int word = 0; word < 3; ++word)
        m_toneCapture->update(12 + word, s.blockWord(kEditBuffer, ModToneCap, word));
}

void Core::refreshExp()
{
    const DeviceStore &s = store();
    m_top->setExpVolOpen(EditorFields::expField(s, 5) != 0);
    for (int i = 0; i < EditorFields::kExpFieldCount; ++i)
        m_exp->setExpValue(i, EditorFields::expField(s, i));
}

void Core::refreshCabLabels()
{
    m_top->setCabLabels(EditorFields::cabLabel(0, store().systemSetting(13)),
                        EditorFields::cabLabel(1, store().systemSetting(14)));
}

// ===========================================================================
// The chain, the module panel and the current preset

int Core::currentModule() const
{
    return m_module ? m_module->currentModule() : -1;
}

void Core::showModule(int module)
{
    m_module->showModule(module);
    m_chain->setSwitchImage(module, store().moduleSwitch(module));
}

void Core::selectModule(int module)
{
    if (module < 0)
        return;
    if (module == currentModule()) {
        refreshModule(module);
        return;
    }
    m_chain->setSelectedModule(module);
    showModule(module);
}

void Core::buildParaWidgets(int module, int type)
{
    m_module->buildParaWidgets(module, type);
}

void Core::refreshModule(int module)
{
    if (module < 0)
        return;
    if (module == currentModule())
        m_module->refreshModule();
    m_chain->setSwitchImage(module, store().moduleSwitch(module));
}

void Core::chainButtonClick(int id)
{
    const int selected = m_chain->selectedModule();
    if (id == selected) {
        QRadioButton *moduleSwitch = m_module->moduleSwitch();
        moduleSwitch->setChecked(!moduleSwitch->isChecked());
        return;
    }
    if (usbReceiveThread *u = unit())
        u->sendCurrentUi(PageCodes::forModule(id));
    m_chain->setSelectedModule(id);
    showModule(id);
    CustomButton *b = m_chain->button(id);
    if (b && !b->switchStatus()) {
        // Choosing a module that is off switches it on.
        b->setSwitchStatus(true);
        m_module->moduleSwitch()->setChecked(true);
    }
}

void Core::chainButtonDrag()
{
    m_chain->dragButton(qobject_cast<CustomButton *>(sender()));
}

void Core::chainButtonRelease()
{
    m_chain->releaseButton();
}

void Core::paraValueChanged(int value)
{
    m_module->paraValueChanged(qobject_cast<ParaWidgetBase *>(sender()), value);
}

void Core::showCurrentPreset()
{
    const DeviceStore &s = store();
    m_top->refreshVolumeAndTempo();
    refreshCabLabels();
    refreshExp();
    m_chain->rebuildOrder();
    m_chain->refreshSwitches();
    const int current = s.currentPresetIndex();
    m_top->setPresetName(s.presetName(current >= 0 ? current : kEditBuffer));
    m_presets->showCurrentRow(current);
    const std::uint32_t code = s.screenCode();
    const int pageModule = code <= 10 ? PageCodes::moduleForPage(code) : -1;
    if (pageModule >= 0)
        selectModule(pageModule);
    else
        selectModule(currentModule() >= 0 ? currentModule() : 0);
}

void Core::followUnitPage()
{
    const PageCodes::Route route = PageCodes::route(store().screenCode());
    switch (route.kind) {
    case PageCodes::Route::Module:
        showPopup(0);
        selectModule(route.arg >= 0 ? route.arg : currentModule());
        break;
    case PageCodes::Route::ToneCapture:
        if (route.show)
            showPopup(4);
        m_toneCapture->setStep(route.arg);
        break;
    case PageCodes::Route::Exp:
        showPopup(1);
        if (route.arg >= 0)
            m_exp->showPage(route.arg);
        break;
    case PageCodes::Route::Setting:
        showPopup(3);
        if (route.arg >= 0)
            m_setting->gotoPage(route.arg);
        break;
    case PageCodes::Route::None:
        break;
    }
}

// ===========================================================================
// Buttons and pop-ups

void Core::buttonClick(int id)
{
    switch (id) {
    case PresetPanel::OpenFolderId:
        m_presets->openPresetFolder();
        break;
    case PresetPanel::RefreshId:
        m_presets->refreshComputerList();
        break;
    case TopBar::SaveId:
        m_presets->save(m_top->presetName(), true);
        break;
    case TopBar::ExpId:
        if (usbReceiveThread *u = unit())
            u->sendCurrentUi(PageCodes::kExpPopup);
        showPopup(1);
        break;
    case TopBar::ToneId:
        if (usbReceiveThread *u = unit())
            u->sendCurrentUi(PageCodes::kTonePopup);
        showPopup(4);
        break;
    case TopBar::SettingId:
        if (usbReceiveThread *u = unit())
            u->sendCurrentUi(PageCodes::kSettingPopup);
        showPopup(3);
        break;
    case PresetPanel::CopyId:
        m_presets->copyRow(m_presets->menuRow());
        break;
    case PresetPanel::PasteId:
        m_presets->pasteRow(m_presets->menuRow());
        break;
    case PresetPanel::ClearId:
        m_presets->clearRow(m_presets->menuRow());
        break;
    case PresetPanel::RenameId:
        m_presets->beginRename(m_presets->menuRow());
        break;
    default:
        break;
    }
}

void Core::showPopup(int which)
{
    QWidget *popups[5] = {nullptr, m_exp, m_rename, m_setting, m_toneCapture};
    for (int i = 1; i < 5; ++i) {
        if (popups[i] && i != which && popups[i]->isVisible()) {
            popups[i]->hide();
            // A name editor closed this way renames nothing and unmarks its row.
            if (popups[i] == m_rename)
                m_presets->cancelRename();
        }
    }
    if (which < 1 || which > 4 || !popups[which])
        return;
    QWidget *popup = popups[which];
    if (which != 2)
        PopupFrame::centreOn(popup, this);
    popup->show();
    popup->raise();
    if (which == 2)
        popup->setFocus();
    else
        popup->activateWindow();
}

void Core::centrePopups()
{
    for (QWidget *popup : {static_cast<QWidget *>(m_exp), static_cast<QWidget *>(m_setting),
                           static_cast<QWidget *>(m_toneCapture)}) {
        if (popup && popup->isVisible()) {
            PopupFrame::centreOn(popup, this);
            return;
        }
    }
}

QWidget *Core::visiblePopup() const
{
    for (QWidget *popup : {static_cast<QWidget *>(m_exp), static_cast<QWidget *>(m_setting),
                           static_cast<QWidget *>(m_toneCapture), static_cast<QWidget *>(m_rename)}) {
        if (popup && popup->isVisible())
            return popup;
    }
    return nullptr;
}

void Core::sendCurrentModulePage()
{
    if (usbReceiveThread *u = unit())
        u->sendCurrentUi(PageCodes::forModule(currentModule()));
}

bool Core::popupFilter(QWidget *receiver, QEvent *event, QWidget *popup)
{
    // Events of the pop-up itself, and of other windows (message boxes,
    // menus, file dialogs), pass.
    if (receiver == popup || popup->isAncestorOf(receiver))
        return false;
    if (receiver->window() != this)
        return false;
    const QPoint global = globalPosOf(event);
    if (event->type() != QEvent::KeyPress && m_title
        && QRect(m_title->mapToGlobal(QPoint(0, 0)), m_title->size()).contains(global))
        return false;
    const QRect popupRect = popup->isWindow() ? popup->frameGeometry()
                                              : QRect(popup->mapToGlobal(QPoint(0, 0)), popup->size());
    const bool outside = event->type() == QEvent::KeyPress || !popupRect.contains(global);
    if (!outside)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (popup == m_rename) {
            m_rename->hide();
            m_presets->cancelRename();
            return true;
        }
        if (popup == m_toneCapture && m_toneCapture->isBusy())
            return false;
        popup->hide();
        sendCurrentModulePage();
        return true;
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

bool Core::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::KeyPress
        && type != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    if (!watched->isWidgetType() || m_state == State::NotShown)
        return QWidget::eventFilter(watched, event);
    auto *receiver = static_cast<QWidget *>(watched);
    if (QWidget *popup = visiblePopup()) {
        if (popupFilter(receiver, event, popup))
            return true;
    }
    if (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && m_state == State::Ready)
        m_presets->resetToCurrentPreset();
    return QWidget::eventFilter(watched, event);
}

void Core::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    centrePopups();
}

void Core::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_title)
        return;
    const Qt::WindowStates states = windowState();
    if (states & Qt::WindowMinimized)
        return;
    m_title->setMaximized(states & Qt::WindowMaximized);
    centrePopups();
}

// ===========================================================================
// IR and NR user slots

int Core::slotRowAt(const QPoint &globalPoint) const
{
    const int module = currentModule();
    if (module != ModAmp && module != ModCab)
        return -1;
    QListWidget *types = m_module->typeList();
    const QModelIndex index = types->indexAt(types->viewport()->mapFromGlobal(globalPoint));
    const int row = index.isValid() ? index.row() : -1;
    return row >= 0 && EffectCatalogue::instance().isImportSlot(module, row) ? row : -1;
}

void Core::importIrOrNr(QPoint point)
{
    const int module = currentModule();
    const int row = slotRowAt(point);
    if (row < 0)
        return;
    const bool ir = module == ModCab;
    if (!m_chooser)
        m_chooser = std::make_unique<DialogFileChooser>(this);
    const QString path = ir ? m_chooser->openFileName(tr("Select IR File"), QString(), QStringLiteral("IR(*.wav)"))
                            : m_chooser->openFileName(tr("Select NR File"), QStringLiteral("."),
                                                      QStringLiteral("NR(*.amp)"));
    if (path.isEmpty())
        return;
    usbReceiveThread *u = unit();
    if (!u) {
        MyMessageBox::showMessage(tr("Import"), ir ? tr("IR import failed !") : tr("NR import failed !"), this,
                                  MyMessageBox::NoButton, 1000);
        return;
    }
    const IrData::ImportOutcome outcome = IrData::importSlotFile(u, module, row, path);
    if (outcome.status == IrData::ImportStatus::InvalidName) {
        MyMessageBox::showMessage(tr("Error"), tr("File name can ont only contain:\n          special characters"),
                                  this, MyMessageBox::NoButton, 1000);
        return;
    }
    if (!outcome.ok()) {
        qCWarning(lcCore) << "slot import failed:" << outcome.reason;
        MyMessageBox::showMessage(tr("Import"), ir ? tr("IR import failed !") : tr("NR import failed !"), this,
                                  MyMessageBox::NoButton, 1000);
        return;
    }
    if (currentModule() == module)
        m_module->setTypeText(row, outcome.label);
    MyMessageBox::showMessage(tr("Import"), ir ? tr("IR import successful !") : tr("NR import successful !"), this,
                              MyMessageBox::NoButton, 1000);
}

void Core::deleteIrOrNr(QPoint point)
{
    const int module = currentModule();
    const int row = slotRowAt(point);
    if (row < 0)
        return;
    const bool ir = module == ModCab;
    const QString text = QStringLiteral("%1 %2").arg(ir ? tr("Delete the IR:") : tr("Delete the NR:"),
                                                      EffectCatalogue::instance().typeName(module, row));
    if (MyMessageBox::showMessage(tr("Info"), text, this, MyMessageBox::YesNo) != MyMessageBox::YesCode)
        return;
    usbReceiveThread *u = unit();
    if (!u || !IrData::deleteSlot(u, module, row)) {
        MyMessageBox::showMessage(tr("Delete"), ir ? tr("IR Delete failed!") : tr("NR Delete failed!"), this,
                                  MyMessageBox::NoButton, 1000);
        return;
    }
    if (currentModule() == module)
        m_module->setTypeText(row, EffectCatalogue::instance().typeName(module, row));
}

// ===========================================================================
// The pop-ups' edits, coalesced per kind

void Core::sysValueChanged(int index, int value)
{
    if (index == -1) {
        if (usbReceiveThread *u = unit())
            u->sendCurrentUi(value == -1 ? PageCodes::forModule(currentModule()) : static_cast<std::uint32_t>(value));
        return;
    }
    DeviceStore &s = store();
    if (index >= 0 && index < kSystemSize && s.systemSetting(index) == value)
        return;
    if (!s.setSystemSetting(index, value))
        return;
    m_sysIndex = index;
    if (index == 13 || index == 14)
        refreshCabLabels();
    m_coalescer->request(SendCoalescer::System);
}

void Core::sendSystem()
{
    const int index = m_sysIndex;
    if (index == 7)
        m_top->refreshVolumeAndTempo();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    u->sendCurrentUi(PageCodes::forSystemSetting(index, store()));
    u->sendSystemSettings();
}

void Core::expValueChanged(int index, int value)
{
    if (index == -1) {
        if (usbReceiveThread *u = unit())
            u->sendCurrentUi(value == -1 ? PageCodes::forModule(currentModule()) : static_cast<std::uint32_t>(value));
        return;
    }
    DeviceStore &s = store();
    if (EditorFields::expField(s, index) == value)
        return;
    if (!EditorFields::setExpField(s, index, value))
        return;
    if (index < 10)
        s.setModified(true);
    m_expIndexes.removeAll(index);
    m_expIndexes << index;
    m_coalescer->request(SendCoalescer::Exp);
}

void Core::sendExp()
{
    const QList<int> indexes = m_expIndexes;
    m_expIndexes.clear();
    DeviceStore &s = store();
    std::uint32_t page = 0;
    for (int index : indexes) {
        if (index == 5) {
            m_top->setExpVolOpen(EditorFields::expField(s, 5) != 0);
            page = 529;
        } else if (index == 6 || index == 7) {
            // Choosing a pedal target ends its merge assignment.
            EditorFields::setExpField(s, 2, 0);
            m_exp->setExpValue(2, 0);
            page = 785;
        } else if (index == 8 || index == 9) {
            EditorFields::setExpField(s, 3, 0);
            m_exp->setExpValue(3, 0);
            page = 1809;
        } else if (index == 10 || index == 11) {
            page = 529;
        }
    }
    usbReceiveThread *u = unit();
    if (!u)
        return;
    if (page)
        u->sendCurrentUi(page);
    u->sendExpVolume();
}

void Core::ctrlValueChanged(int index, int value)
{
    DeviceStore &s = store();
    if (s.control(index) == value)
        return;
    const bool globalTempo = s.systemSetting(7) != 0;
    if (!s.setControl(index, value))
        return;
    if (index == 2) {
        m_bpmDirty = true;
        if (!globalTempo)
            s.setModified(true);
    } else {
        m_ctrlDirty = true;
        m_ctrlIndex = index;
        s.setModified(true);
    }
    m_coalescer->request(SendCoalescer::Ctrl);
}

void Core::sendCtrl()
{
    const bool ctrl = m_ctrlDirty;
    const bool bpm = m_bpmDirty;
    m_ctrlDirty = m_bpmDirty = false;
    if (bpm)
        m_top->refreshVolumeAndTempo();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    if (ctrl) {
        const std::uint32_t page = (m_ctrlIndex == 0 && store().control(0) != 1) ? PageCodes::kPresetPage
                                                                                 : PageCodes::kCtrlOnOff;
        u->sendCurrentUi(page);
        u->sendCtrlSet();
    }
    if (bpm)
        u->sendGlobalBpm();
}

void Core::glbEqValueChanged(int index, int value)
{
    DeviceStore &s = store();
    if (index == 0) {
        if (value < 0 || value > 1 || s.globalEqOutput() == value)
            return;
        s.setGlobalEqOutput(value);
    } else if (index >= 1 && index <= 9) {
        const int word = (s.globalEqOutput() == 0 ? 0 : 9) + index - 1;
        if (value < 0 || value > 0xFFFF || s.globalEqWord(word) == value)
            return;
        s.setGlobalEqWord(word, static_cast<std::uint16_t>(value));
    } else {
        return;
    }
    m_coalescer->request(SendCoalescer::GlobalEq);
}

void Core::sendGlobalEq()
{
    pushSetting(19);
    if (usbReceiveThread *u = unit())
        u->sendGlobalEq();
}

void Core::midiValueChanged(int type, int index, int value)
{
    if ((type != 18 && type != 19) || index < 0 || index > (type == 18 ? 255 : 254))
        return;
    DeviceStore &s = store();
    const int entry = (type == 18 ? 0 : 256) + index;
    const int byte = value & 0xFF;
    if (s.midiBlock()[entry] == byte)
        return;
    s.midiBlock()[entry] = static_cast<std::uint8_t>(byte);
    const QPair<int, int> key(type, index);
    if (!m_midiEntries.contains(key))
        m_midiEntries << key;
    m_coalescer->request(SendCoalescer::Midi);
}

void Core::sendMidi()
{
    const QList<QPair<int, int>> entries = m_midiEntries;
    m_midiEntries.clear();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    for (const QPair<int, int> &e : entries) {
        const int value = store().midiBlock()[(e.first == 18 ? 0 : 256) + e.second];
        u->sendMidiMapEntry(e.first, e.second, value);
    }
}

void Core::toneCaptureValueChanged(int index, QVariant value)
{
    DeviceStore &s = store();
    if (index == -1) {
        if (usbReceiveThread *u = unit()) {
            const int code = value.toInt();
            u->sendCurrentUi(code == -1 ? PageCodes::forModule(currentModule()) : static_cast<std::uint32_t>(code));
        }
        return;
    }
    if (index == -2) {
        m_chain->setCaptureMode(value.toInt() == 0);
        return;
    }
    if (index == -3) {
        if (usbReceiveThread *u = unit())
            u->sendSlotName(ListCapture, s.toneCaptureValue(8), value.toString());
        return;
    }
    if (index < 0 || index > 14)
        return;
    const int v = value.toInt();
    int group = 12;
    if (index <= 11) {
        if (s.toneCaptureValue(index) == v || v < 0 || v > 0xFFFF)
            return;
        s.setToneCaptureValue(index, static_cast<std::uint16_t>(v));
        group = index == 0 ? 0 : (index <= 7 ? 1 : 8);
    } else if (index == 12) {
        if (s.moduleSwitch(ModToneCap) == (v != 0))
            return;
        ValueModel::setSwitch(s, kEditBuffer, ModToneCap, v);
        s.setModified(true);
    } else if (index == 13) {
        if (s.blockWord(kEditBuffer, ModToneCap, 1) == v || !ValueModel::changeType(s, ModToneCap, v))
            return;
        s.setModified(true);
    } else {
        const int type = s.blockWord(kEditBuffer, ModToneCap, 1);
        if (ValueModel::getParam(s, kEditBuffer, ModToneCap, 0) == v
            || !ValueModel::setParam(s, kEditBuffer, ModToneCap, type, 0, v))
            return;
        s.setModified(true);
    }
    m_toneGroups.insert(group);
    if (group == 12 && currentModule() == ModulePanel::kToneCapModule)
        m_module->refreshModule();
    m_coalescer->request(SendCoalescer::ToneCapture);
}

void Core::sendToneCapture()
{
    QList<int> groups = m_toneGroups.values();
    m_toneGroups.clear();
    std::sort(groups.begin(), groups.end());
    usbReceiveThread *u = unit();
    if (!u)
        return;
    for (int group : qAsConst(groups))
        u->sendToneCapture(group);
}

// ===========================================================================
// The end

void Core::DeviceDisconnect(bool Dis)
{
    if (m_recv && !Dis && m_state == State::Ready) {
        // The window closes: what the open coalescing windows hold still goes out.
        m_coalescer->flush();
    }
    m_coalescer->cancelAll();
    m_link.setLive(false);
    if (m_thread.isRunning()) {
        if (m_recv)
            m_recv->setRunning(false);
        m_thread.quit();
        m_thread.wait();
    }
    m_usb.closeDevice();
    if (m_recv) {
        delete m_recv;
        m_recv = nullptr;
        m_link.setReceiver(nullptr);
    }
    if (m_destroying)
        return;
    if (Dis) {
        qCWarning(lcCore) << "the unit is gone";
        MyMessageBox::showMessage(tr("Error"), tr("The device is disconnected"), this, MyMessageBox::NoButton, 1000);
    }
    quit(0);
}
