#include "windowmodel.h"

#include "updatestatus.h"

#include <QCoreApplication>

using namespace UpdateStatus;

WindowModel::Region WindowModel::regionAt(const QPoint &p)
{
    if (updateButtonRect().contains(p))
        return UpdateButton;
    if (closeButtonRect().contains(p))
        return CloseButton;
    return None;
}

void WindowModel::mouseMove(const QPoint &p)
{
    m_hover = regionAt(p);
}

WindowModel::Click WindowModel::leftButtonDown(const QPoint &p)
{
    switch (regionAt(p)) {
    case UpdateButton:
        if (m_outcome == Succeeded)
            return Click::Close;
        if (!m_started) {
            m_started = true;
            m_finished = false;
            return Click::StartUpdate;
        }
        return Click::Nothing; // already running or over
    case CloseButton:
        return m_finished ? Click::Close : Click::Nothing;
    case None:
        break;
    }
    return Click::Nothing;
}

QString WindowModel::statusText(int code, int value)
{
    switch (code) {
    case ApplyRefused:
        return QCoreApplication::translate("Launcher", "apply for update firmware error");
    case OpenFirmwareFail:
        return QCoreApplication::translate("Launcher", "Open Firmware fail!");
    case SendFail:
        return QCoreApplication::translate("Launcher", "Send data to device fail");
    case Timeout:
        return QCoreApplication::translate("Launcher", "MCU returned timeout");
    case Success:
        return QCoreApplication::translate("Launcher", "Update Successful");
    case SectionError:
        return QCoreApplication::translate("Launcher", "update error [ %1 ]").arg(value);
    default:
        return QString();
    }
}

int WindowModel::statusMessage(int code, int value)
{
    if (code == Progress) {
        if (value < kProgressMin || value > kProgressMax)
            return -1; // markers 101, 103, 104, 105
        m_progress = value;
        return value;
    }
    m_text = statusText(code, value);
    m_finished = true;
    if (code == Success) {
        m_outcome = Succeeded;
        return -1;
    }
    m_outcome = Failed;
    return 0;
}

QVector<WindowModel::PaintOp> WindowModel::paintList() const
{
    QVector<PaintOp> ops;
    ops.append({PaintOp::DrawImage, Background, QPoint(0, 0), QString()});
    if (m_finished && m_hover == CloseButton)
        ops.append({PaintOp::DrawImage, CloseHighlight, closeHighlightPos(), QString()});
    const QPoint textPos(kTextCentreX, kTextTop);
    if (!m_started) {
        ops.append({PaintOp::DrawText, Background, textPos,
                    QCoreApplication::translate("Launcher", "Ready To Update")});
        return ops;
    }
    if (m_progress > 99)
        ops.append({PaintOp::DrawImage, ButtonPressedImage,
                    updateButtonRect().topLeft() + QPoint(1, 1), QString()});
    else
        ops.append({PaintOp::DrawImage, ButtonImage, updateButtonRect().topLeft(), QString()});
    if (m_outcome == Running)
        ops.append({PaintOp::DrawText, Background, textPos, QString::number(m_progress) + " %"});
    else
        ops.append({PaintOp::DrawText, Background, textPos, m_text});
    return ops;
}
