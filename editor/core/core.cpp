#include "core.h"

#include "busystate.h"
#include "chainpanel.h"
#include "commands.h"
#include "computerlist.h"
#include "custombutton.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "dialogeditsender.h"
#include "editorlayout.h"
#include "editorfields.h"
#include "effectcatalogue.h"
#include "exp.h"
#include "filechooser.h"
#include "framelesshelper.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "modulepanel.h"
#include "notificationrouter.h"
#include "panelsync.h"
#include "parawidgetbase.h"
#include "popupmanager.h"
#include "presetimporter.h"
#include "presetpanel.h"
#include "renamewidget.h"
#include "resources.h"
#include "sendcoalescer.h"
#include "setting.h"
#include "slotimporter.h"
#include "tipbox.h"
#include "titlebar.h"
#include "tonecapture.h"
#include "topbar.h"
#include "unitmaintenance.h"
#include "usbreceivethread.h"

#include <QApplication>
#include <QShortcut>
#include <QSignalMapper>

using namespace Kt900;

// ===========================================================================
// Start-up and the end

Core::Core(quint8 deviceAddress, int busNumber, QWidget *parent, std::unique_ptr<UnitConnection> connection)
    : QWidget(parent)
{
    kt900InitResources();
    m_mapper = new QSignalMapper(this);
    m_coalescer = new SendCoalescer(this);
    m_busy = new BusyState(this);
    m_session = new EditorSession(this, *m_coalescer, std::move(connection));
    m_edits = new DialogEditSender(m_session->link(), *m_coalescer, m_busy, this);
    m_slots = new SlotImporter(this, m_session->link(), *m_busy);
    m_maintenance = new UnitMaintenance(this, m_session->link(), *m_busy, *m_coalescer, this);
    m_router = new NotificationRouter(this);
    routeNotifications();

    // The eleven style sheets; Ctrl+L reads them again.
    reloadStyleSheets();
    auto *reload = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_L), this);
    reload->setContext(Qt::WindowShortcut);
    connect(reload, &QShortcut::activated, this, &Core::reloadStyleSheets);

    if (!m_session->open(deviceAddress, busNumber)) {
        if (m_session->unitInUse())
            m_session->fail(tr("The unit is in use by another program."), 1);
        else
            m_session->fail(tr("The device is disconnected."));
        return;
    }
    // The catalogue (again on every start: slot names of an earlier
    // connection must not linger in the type names).
    if (!EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath))) {
        m_session->fail(tr("Resource file is missing, please reinstall!"));
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
    connect(m_session->receiver(), &usbReceiveThread::SendDataToUi, this, &Core::readData);
    connect(m_session, &EditorSession::retrying, m_loading, [this]() { m_loading->setProgressValue(0); });
    connect(m_session, &EditorSession::loaded, this, &Core::loadingFinished);
    m_session->start();
    show();
    placeOverlay();
}

Core::~Core()
{
    // No more input filtering, then the connection ends in its order.
    delete m_popups;
    m_popups = nullptr;
    m_session->closeForDestruction();
}

void Core::setQuitHandler(std::function<void(int)> handler)
{
    m_session->setQuitHandler(std::move(handler));
}

void Core::DeviceDisconnect(bool Dis)
{
    m_session->close(Dis);
}

void Core::setFileChooser(std::unique_ptr<FileChooser> chooser)
{
    m_chooser = std::move(chooser);
    m_slots->setFileChooser(m_chooser.get());
    m_maintenance->setFileChooser(m_chooser.get());
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
    m_ui = EditorLayout::build(this, m_session->link(), m_codec, m_mapper, *m_coalescer);
    m_sync = new PanelSync(m_ui, m_session->link(), this);
    m_ui.presets->setBusyState(m_busy);
    m_slots->setModulePanel(m_ui.module);
    connect(m_ui.title, &TitleBar::minimizeRequested, this, &QWidget::showMinimized);
    connect(m_ui.title, &TitleBar::maximizeRequested, this, &QWidget::showMaximized);
    connect(m_ui.title, &TitleBar::restoreRequested, this, &QWidget::showNormal);
    connect(m_ui.title, &TitleBar::closeRequested, this, [this]() { m_session->quit(0); });

    // Chain buttons: click through the mapper, drag and release here.
    connect(m_ui.chain->mapper(), &QSignalMapper::mappedInt, this, &Core::chainButtonClick);
    for (int module = 0; module < ChainPanel::kButtonCount; ++module) {
        CustomButton *b = m_ui.chain->button(module);
        connect(b, &CustomButton::drag_signal, m_ui.chain, [this, b]() { m_ui.chain->dragButton(b); });
        connect(b, &CustomButton::release_signal, m_ui.chain, &ChainPanel::releaseButton);
    }
    connect(m_ui.module, &ModulePanel::switchToggled, m_ui.chain, &ChainPanel::setSwitchImage);
    connect(m_ui.module, &ModulePanel::importRequested, this, &Core::importIrOrNr);
    connect(m_ui.module, &ModulePanel::deleteRequested, this, &Core::deleteIrOrNr);
    connect(m_mapper, &QSignalMapper::mappedInt, this, &Core::buttonClick);
    connect(m_ui.presets, &PresetPanel::currentPresetChanged, this, &Core::showCurrentPreset);
    connect(m_ui.presets, &PresetPanel::renameRequested, this, [this](QPoint pos) {
        if (!m_rename)
            return;
        m_rename->move(pos);
        showPopup(PageCodes::Popup::Rename);
    });
    m_ui.presets->setNameSource([this]() { return m_ui.top->presetName(); });

    buildPopups();

    // The loading overlay.
    m_loading = EditorLayout::buildLoadingOverlay(this, kLoadingSteps);

    m_maintenance->setLoadingWidget(m_loading);
    UnitMaintenance::Hooks hooks;
    hooks.hidePopups = [this]() { showPopup(PageCodes::Popup::None); };
    hooks.setInputEnabled = [this](bool enabled) { m_sync->setInputEnabled(enabled); };
    hooks.refreshViews = [this]() { m_sync->refreshAllViews(); };
    hooks.quit = [this](int code) { m_session->quit(code); };
    m_maintenance->setHooks(std::move(hooks));

    // An import of several presets shows its progress on the overlay.
    connect(m_ui.presets->importer(), &PresetImporter::progress, this, [this](int done, int total) {
        EditorLayout::showImportProgress(m_loading, done, total);
        if (done == 0)
            placeOverlay();
    });
    connect(m_ui.presets->importer(), &PresetImporter::finished, m_loading, &QWidget::hide);
    connect(m_ui.presets->importer(), &PresetImporter::captureStored, m_toneCapture, &ToneCapture::ToneNameChanged);
}

void Core::buildPopups()
{
    // Pop-ups, hidden until asked for.
    m_exp = new Exp(this);
    m_setting = new Setting(this);
    m_toneCapture = new ToneCapture(this);
    m_tip = new TipBox(this);
    m_tip->hide();
    m_ui.top->setTipBox(m_tip);
    m_exp->hide();
    m_setting->hide();
    m_toneCapture->hide();

    m_edits->setViews({m_setting, m_exp, m_toneCapture, m_ui.top, m_ui.chain, m_ui.module});

    m_popups = new PopupManager(this);
    m_popups->setPopup(PageCodes::Popup::Exp, m_exp);
    m_popups->setPopup(PageCodes::Popup::Setting, m_setting);
    m_popups->setPopup(PageCodes::Popup::ToneCapture, m_toneCapture);
    m_popups->setTitleBar(m_ui.title);
    m_popups->setActiveCheck([this]() { return state() != State::NotShown; });
    // A running capture keeps its pop-up open.
    m_popups->setKeepOpen(PageCodes::Popup::ToneCapture, [this]() { return m_toneCapture->isBusy(); });
    connect(m_popups, &PopupManager::dialogDismissed, m_sync, &PanelSync::sendCurrentModulePage);
    connect(m_popups, &PopupManager::renameDismissed, m_ui.presets, &PresetPanel::cancelRename);
    m_sync->setDialogs({m_exp, m_setting, m_toneCapture}, m_edits, m_popups);
    connect(m_popups, &PopupManager::escapePressed, this, [this]() {
        if (state() == State::Ready)
            m_ui.presets->resetToCurrentPreset();
    });
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

void Core::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_popups)
        m_popups->centre();
}

void Core::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_ui.title)
        return;
    const Qt::WindowStates states = windowState();
    if (states & Qt::WindowMinimized)
        return;
    m_ui.title->setMaximized(states & Qt::WindowMaximized);
    if (m_popups)
        m_popups->centre();
}

void Core::dataInit()
{
    EditorLayout::applyColors(m_ui);
}

// ===========================================================================
// Notifications

void Core::routeNotifications()
{
    using N = NotificationRouter::Notification;
    NotificationRouter *r = m_router;
    r->setReadyCheck([this]() { return state() == State::Ready; });
    r->setAfterHook([this]() {
        if (m_popups)
            m_popups->closeQuestionBoxes();
    });
    r->setHandler(N::PageChanged, [this](UnitChange, int) { followUnitPage(); });
    r->setHandler(N::ModuleData, [this](UnitChange, int module) { refreshModule(module); });
    r->setHandler(N::FxLoop, [this](UnitChange, int) { m_sync->refreshFxLoop(); });
    r->setHandler(N::ToneCapture, [this](UnitChange, int) {
        m_edits->pushToneCapture();
        if (state() == State::Ready && currentModule() == ModulePanel::kToneCapModule)
            refreshModule(ModulePanel::kToneCapModule);
    });
    r->setHandler(N::VolumeTempo, [this](UnitChange, int) { m_ui.top->refreshVolumeAndTempo(); });
    r->setHandler(N::ChainOrder, [this](UnitChange, int) { m_ui.chain->rebuildOrder(); });
    r->setHandler(N::Settings, [this](UnitChange what, int) { m_edits->pushSetting(what); });
    r->setHandler(N::Switches, [this](UnitChange, int) { m_sync->refreshSwitches(); });
    r->setHandler(N::Expression, [this](UnitChange, int) { m_edits->refreshExp(); });
    r->setHandler(N::LoadStep, [this](UnitChange, int) {
        // Preset frames also arrive during a backup read-out or a recall:
        // only the initial download moves the loading bar.
        if (m_loading && state() == State::Loading)
            m_loading->addProgressValue();
    });
    r->setHandler(N::SyncDone, [this](UnitChange, int) { m_session->syncDone(); });
    r->setHandler(N::PresetStored, [this](UnitChange, int) { m_sync->presetStored(); });
    r->setHandler(N::PresetSelected, [this](UnitChange, int) { m_sync->presetSelected(); });
}

void Core::readData(UnitChange what, int module)
{
    m_router->route(what, module);
}

void Core::loadingFinished()
{
    if (!m_loading)
        return;
    m_loading->addProgressValue();
    m_ui.presets->fillDeviceList();
    showCurrentPreset();
    m_ui.presets->refreshComputerList();
    wirePopups();
    m_loading->hide();
    EditorLayout::fit(m_ui);
}

void Core::wirePopups()
{
    for (UnitChange what : {UnitChange::GlobalEq, UnitChange::SystemSettings, UnitChange::MidiList, UnitChange::CtrlSet})
        m_edits->pushSetting(what);
    m_edits->pushToneCapture();
    if (m_wired)
        return;
    m_wired = true;

    m_rename = new RenameWidget(this);
    m_rename->setMaxLength(EditorFields::kNameMaxLength);
    m_rename->setPlaceholderText(tr("a-z A-Z 0-9 and Space"));
    m_rename->hide();
    m_ui.presets->setRenameWidget(m_rename);
    m_popups->setPopup(PageCodes::Popup::Rename, m_rename);

    connect(m_exp, &Exp::valueChanged, this, &Core::expValueChanged);
    connect(m_exp, &Exp::controlStrChanged, m_ui.top, &TopBar::setExpInfo);
    // The pedal text of the preset loaded before the connection was made.
    m_ui.top->setExpInfo(m_exp->controlText());
    connect(m_setting, &Setting::listColorChanged, this, &Core::dataInit);
    connect(m_setting, &Setting::paraColorChanged, m_ui.module, &ModulePanel::setParaColor);
    connect(m_setting, &Setting::cabLStrChanged, m_ui.top, &TopBar::setCabLeftText);
    connect(m_setting, &Setting::cabRStrChanged, m_ui.top, &TopBar::setCabRightText);
    connect(m_setting, &Setting::systemValueChanged, this, &Core::sysValueChanged);
    connect(m_setting, &Setting::glbEqValueChanged, this, &Core::glbEqValueChanged);
    connect(m_setting, &Setting::ctrlValueChanged, this, &Core::ctrlValueChanged);
    connect(m_setting, &Setting::midiValueChanged, this, &Core::midiValueChanged);
    connect(m_setting, &Setting::noDataButtonClicked, m_maintenance, &UnitMaintenance::run);
    connect(m_toneCapture, &ToneCapture::ValueChanged, this, &Core::toneCaptureValueChanged);
    connect(m_session->receiver(), &usbReceiveThread::ToneNameChanged, m_toneCapture, &ToneCapture::ToneNameChanged);
    for (int slot = 0; slot < kCaptureSlots; ++slot)
        m_toneCapture->ToneNameChanged(slot, store().slotName(ListCapture, slot));
}

// ===========================================================================
// The chain, the module panel and the current preset

int Core::currentModule() const
{
    return m_sync ? m_sync->currentModule() : -1;
}

void Core::showModule(int module)
{
    m_sync->showModule(module);
}

void Core::selectModule(int module)
{
    m_sync->selectModule(module);
}

void Core::refreshModule(int module)
{
    m_sync->refreshModule(module);
}

void Core::buildParaWidgets(int module, int type)
{
    m_ui.module->buildParaWidgets(module, type);
}

void Core::chainButtonClick(int id)
{
    m_sync->chainButtonClick(id);
}

void Core::paraValueChanged(int value)
{
    m_ui.module->paraValueChanged(qobject_cast<ParaWidgetBase *>(sender()), value);
}

void Core::showCurrentPreset()
{
    m_sync->showCurrentPreset();
}

void Core::followUnitPage()
{
    m_sync->followUnitPage();
}

// ===========================================================================
// Buttons and pop-ups

void Core::buttonClick(int id)
{
    switch (id) {
    case PresetPanel::OpenFolderId:
        m_ui.presets->openPresetFolder();
        break;
    case PresetPanel::RefreshId:
        m_ui.presets->refreshComputerList();
        break;
    case TopBar::SaveId:
        if (m_busy->allows("a preset save"))
            m_ui.presets->save(m_ui.top->presetName(), true);
        break;
    case TopBar::ExpId:
        openDialog(PageCodes::Popup::Exp, PageCodes::kExpPopup);
        break;
    case TopBar::ToneId:
        openDialog(PageCodes::Popup::ToneCapture, PageCodes::kTonePopup);
        break;
    case TopBar::SettingId:
        openDialog(PageCodes::Popup::Setting, PageCodes::kSettingPopup);
        break;
    case PresetPanel::CopyId:
    case PresetPanel::PasteId:
    case PresetPanel::ClearId:
    case PresetPanel::RenameId:
        m_ui.presets->runMenuCommand(id);
        break;
    case ComputerList::AddId:
    case ComputerList::DeleteId:
    case ComputerList::UndoDeleteId:
        m_ui.presets->computerFiles()->runMenuCommand(id);
        break;
    default:
        break;
    }
}

void Core::openDialog(PageCodes::Popup which, std::uint32_t page)
{
    if (!m_busy->allows("opening a pop-up"))
        return;
    if (usbReceiveThread *u = m_session->link().sender())
        u->sendCurrentUi(page);
    showPopup(which);
}

void Core::showPopup(PageCodes::Popup which)
{
    if (m_popups)
        m_popups->show(which);
}

// ===========================================================================
// Forwarded to the classes that do the work

void Core::importIrOrNr(QPoint point)
{
    m_slots->importAt(point);
}

void Core::deleteIrOrNr(QPoint point)
{
    m_slots->deleteAt(point);
}

void Core::sysValueChanged(int index, int value)
{
    m_edits->sysValueChanged(index, value);
}

void Core::expValueChanged(int index, int value)
{
    m_edits->expValueChanged(index, value);
}

void Core::ctrlValueChanged(int index, int value)
{
    m_edits->ctrlValueChanged(index, value);
}

void Core::glbEqValueChanged(int index, int value)
{
    m_edits->glbEqValueChanged(index, value);
}

void Core::midiValueChanged(int type, int index, int value)
{
    m_edits->midiValueChanged(type, index, value);
}

void Core::toneCaptureValueChanged(int index, QVariant value)
{
    m_edits->toneCaptureValueChanged(index, std::move(value));
}
