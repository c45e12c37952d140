#include "busystate.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBusy, "kt900.core.busy")

BusyState::BusyState(QObject *parent)
    : QObject(parent)
{
}

bool BusyState::enter(const QString &operation)
{
    if (isBusy()) {
        qCInfo(lcBusy) << "refused" << operation << "while" << m_operation << "runs";
        return false;
    }
    m_operation = operation.isEmpty() ? QStringLiteral("busy") : operation;
    emit changed(true);
    return true;
}

void BusyState::leave()
{
    if (!isBusy())
        return;
    m_operation.clear();
    emit changed(false);
}

bool BusyState::allows(const char *action) const
{
    if (!isBusy())
        return true;
    qCInfo(lcBusy) << "refused" << action << "while" << m_operation << "runs";
    return false;
}

BusyState::Scope::Scope(BusyState *state, const QString &operation)
    : m_state(state)
    , m_entered(state && state->enter(operation))
{
}

BusyState::Scope::~Scope()
{
    if (m_entered && m_state)
        m_state->leave();
}
