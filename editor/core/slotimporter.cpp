#include "slotimporter.h"

#include "busystate.h"
#include "devicestore.h"
#include "effectcatalogue.h"
#include "filechooser.h"
#include "irupload.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "unitlink.h"

#include <QListWidget>
#include <QLoggingCategory>

using namespace Kt900;

Q_LOGGING_CATEGORY(lcSlots, "kt900.core.slots")

SlotImporter::SlotImporter(QWidget *window, UnitLink &link, BusyState &busy)
    : QObject(window)
    , m_window(window)
    , m_link(link)
    , m_busy(busy)
{
}

SlotImporter::~SlotImporter() = default;

void SlotImporter::setFileChooser(FileChooser *chooser)
{
    m_chooser = chooser;
}

int SlotImporter::currentModule() const
{
    return m_module ? m_module->currentModule() : -1;
}

int SlotImporter::slotRowAt(const QPoint &globalPoint) const
{
    const int module = currentModule();
    if (module != ModAmp && module != ModCab)
        return -1;
    QListWidget *types = m_module->typeList();
    const QModelIndex index = types->indexAt(types->viewport()->mapFromGlobal(globalPoint));
    const int row = index.isValid() ? index.row() : -1;
    return row >= 0 && EffectCatalogue::instance().isImportSlot(module, row) ? row : -1;
}

// The slot row under the pointer, or -1 when there is none or another
// operation holds the editor.
int SlotImporter::allowedSlotRowAt(const QPoint &globalPoint, const char *what) const
{
    return m_busy.allows(what) ? slotRowAt(globalPoint) : -1;
}

bool SlotImporter::importAt(QPoint globalPoint)
{
    const int module = currentModule();
    const int row = allowedSlotRowAt(globalPoint, "a slot import");
    if (row < 0)
        return false;
    const bool ir = module == ModCab;
    if (!m_chooser) {
        if (!m_dialogs)
            m_dialogs = std::make_unique<DialogFileChooser>(m_window);
        m_chooser = m_dialogs.get();
    }
    const QString path = ir ? m_chooser->openFileName(tr("Select IR File"), QString(), QStringLiteral("IR(*.wav)"))
                            : m_chooser->openFileName(tr("Select NR File"), QStringLiteral("."),
                                                      QStringLiteral("NR(*.amp)"));
    if (path.isEmpty())
        return false;
    const QString failed = ir ? tr("IR import failed !") : tr("NR import failed !");
    usbReceiveThread *u = m_link.sender();
    // The file dialog ran its own event loop: another operation may have
    // started meanwhile.
    const BusyState::Scope busy(&m_busy, ir ? tr("IR import") : tr("NR import"));
    if (!u || !busy.entered()) {
        MyMessageBox::showMessage(tr("Import"), failed, m_window, MyMessageBox::NoButton, 1000);
        return false;
    }
    const IrData::ImportOutcome outcome = IrData::importSlotFile(u, module, row, path);
    if (outcome.status == IrData::ImportStatus::InvalidName) {
        MyMessageBox::showMessage(tr("Error"), tr("File name can ont only contain:\n          special characters"),
                                  m_window, MyMessageBox::NoButton, 1000);
        return false;
    }
    if (!outcome.ok()) {
        qCWarning(lcSlots) << "slot import failed:" << outcome.reason;
        MyMessageBox::showMessage(tr("Import"), failed, m_window, MyMessageBox::NoButton, 1000);
        return false;
    }
    if (currentModule() == module)
        m_module->setTypeText(row, outcome.label);
    MyMessageBox::showMessage(tr("Import"), ir ? tr("IR import successful !") : tr("NR import successful !"),
                              m_window, MyMessageBox::NoButton, 1000);
    return true;
}

bool SlotImporter::deleteAt(QPoint globalPoint)
{
    const int module = currentModule();
    const int row = allowedSlotRowAt(globalPoint, "a slot delete");
    if (row < 0)
        return false;
    const bool ir = module == ModCab;
    const QString text = QStringLiteral("%1 %2").arg(ir ? tr("Delete the IR:") : tr("Delete the NR:"),
                                                      EffectCatalogue::instance().typeName(module, row));
    if (MyMessageBox::showMessage(tr("Info"), text, m_window, MyMessageBox::YesNo) != MyMessageBox::YesCode)
        return false;
    usbReceiveThread *u = m_link.sender();
    const BusyState::Scope busy(&m_busy, ir ? tr("IR delete") : tr("NR delete"));
    if (!u || !busy.entered() || !IrData::deleteSlot(u, module, row)) {
        MyMessageBox::showMessage(tr("Delete"), ir ? tr("IR Delete failed!") : tr("NR Delete failed!"), m_window,
                                  MyMessageBox::NoButton, 1000);
        return false;
    }
    if (currentModule() == module)
        m_module->setTypeText(row, EffectCatalogue::instance().typeName(module, row));
    return true;
}
