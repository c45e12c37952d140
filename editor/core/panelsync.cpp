#include "panelsync.h"

#include "chainpanel.h"
#include "custombutton.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "dialogeditsender.h"
#include "exp.h"
#include "modulepanel.h"
#include "pagecodes.h"
#include "popupmanager.h"
#include "presetpanel.h"
#include "setting.h"
#include "tonecapture.h"
#include "topbar.h"
#include "unitlink.h"

#include <QRadioButton>

using namespace Kt900;

PanelSync::PanelSync(const EditorLayout::Parts &parts, UnitLink &link, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_link(link)
{
}

void PanelSync::setDialogs(const Dialogs &dialogs, DialogEditSender *edits, PopupManager *popups)
{
    m_dialogs = dialogs;
    m_edits = edits;
    m_popups = popups;
}

int PanelSync::currentModule() const
{
    return m_parts.module ? m_parts.module->currentModule() : -1;
}

void PanelSync::showModule(int module)
{
    m_parts.module->showModule(module);
    m_parts.chain->setSwitchImage(module, m_link.store().moduleSwitch(module));
}

void PanelSync::selectModule(int module)
{
    if (module < 0)
        return;
    if (module == currentModule()) {
        refreshModule(module);
        return;
    }
    m_parts.chain->setSelectedModule(module);
    showModule(module);
}

void PanelSync::refreshModule(int module)
{
    if (module < 0)
        return;
    if (module == currentModule())
        m_parts.module->refreshModule();
    m_parts.chain->setSwitchImage(module, m_link.store().moduleSwitch(module));
}

void PanelSync::refreshFxLoop()
{
    const int module = currentModule();
    refreshModule((module == ModFxLoopSend || module == ModFxLoopReturn) ? module : ModFxLoopSend);
}

void PanelSync::refreshSwitches()
{
    m_parts.chain->refreshSwitches();
    m_parts.module->refreshSwitch();
}

void PanelSync::chainButtonClick(int module)
{
    ChainPanel *chain = m_parts.chain;
    if (module == chain->selectedModule()) {
        QRadioButton *moduleSwitch = m_parts.module->moduleSwitch();
        moduleSwitch->setChecked(!moduleSwitch->isChecked());
        return;
    }
    if (usbReceiveThread *u = m_link.sender())
        u->sendCurrentUi(PageCodes::forModule(module));
    chain->setSelectedModule(module);
    showModule(module);
    CustomButton *b = chain->button(module);
    if (b && !b->switchStatus()) {
        // Choosing a module that is off switches it on.
        b->setSwitchStatus(true);
        m_parts.module->moduleSwitch()->setChecked(true);
    }
}

void PanelSync::showCurrentPreset()
{
    const DeviceStore &s = m_link.store();
    m_parts.top->refreshVolumeAndTempo();
    if (m_edits) {
        m_edits->refreshCabLabels();
        m_edits->refreshExp();
        // The CTRL assignment belongs to the preset.
        m_edits->pushSetting(Kt900::UnitChange::CtrlSet);
    }
    m_parts.chain->rebuildOrder();
    m_parts.chain->refreshSwitches();
    const int current = s.currentPresetIndex();
    m_parts.top->setPresetName(s.presetName(current >= 0 ? current : kEditBuffer));
    m_parts.presets->showCurrentRow(current);
    const std::uint32_t code = s.screenCode();
    const int pageModule = code <= 10 ? PageCodes::moduleForPage(code) : -1;
    if (pageModule >= 0)
        selectModule(pageModule);
    else
        selectModule(currentModule() >= 0 ? currentModule() : 0);
}

void PanelSync::followUnitPage()
{
    using Popup = PageCodes::Popup;
    const PageCodes::Route route = PageCodes::route(m_link.store().screenCode());
    const auto show = [this](Popup which) {
        if (m_popups)
            m_popups->show(which);
    };
    switch (route.kind) {
    case PageCodes::Route::Module:
        show(Popup::None);
        selectModule(route.arg >= 0 ? route.arg : currentModule());
        break;
    case PageCodes::Route::ToneCapture:
        if (route.show)
            show(Popup::ToneCapture);
        if (m_dialogs.toneCapture)
            m_dialogs.toneCapture->setStep(route.arg);
        break;
    case PageCodes::Route::Exp:
        show(Popup::Exp);
        if (route.arg >= 0 && m_dialogs.exp)
            m_dialogs.exp->showPage(route.arg);
        break;
    case PageCodes::Route::Setting:
        show(Popup::Setting);
        if (route.arg >= 0 && m_dialogs.setting)
            m_dialogs.setting->gotoPage(route.arg);
        break;
    case PageCodes::Route::None:
        break;
    }
}

void PanelSync::presetStored()
{
    // The edit buffer was stored: it is that preset, name included.
    DeviceStore &s = m_link.store();
    const int index = s.currentPresetIndex();
    if (index >= 0)
        s.setPresetName(kEditBuffer, s.presetName(index));
    m_parts.presets->relabel(index);
    showCurrentPreset();
}

void PanelSync::presetSelected()
{
    if (m_link.store().currentPresetIndex() != m_parts.presets->deviceList()->currentRow())
        showCurrentPreset();
}

void PanelSync::refreshAllViews()
{
    m_parts.presets->fillDeviceList();
    showCurrentPreset();
    if (m_edits) {
        for (Kt900::UnitChange what : {Kt900::UnitChange::SystemSettings, Kt900::UnitChange::MidiEntry,
                                       Kt900::UnitChange::GlobalEq, Kt900::UnitChange::CtrlSet})
            m_edits->pushSetting(what);
        m_edits->pushToneCapture();
        m_edits->refreshExp();
    }
    m_parts.top->refreshVolumeAndTempo();
}

void PanelSync::setInputEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_parts.top), static_cast<QWidget *>(m_parts.presets),
                       static_cast<QWidget *>(m_parts.module), static_cast<QWidget *>(m_parts.chain)}) {
        if (w)
            w->setEnabled(enabled);
    }
}

void PanelSync::sendCurrentModulePage()
{
    if (usbReceiveThread *u = m_link.sender())
        u->sendCurrentUi(PageCodes::forModule(currentModule()));
}
