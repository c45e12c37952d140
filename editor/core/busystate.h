#pragma once

// The editor's one busy state. A long operation with the unit (a slot
// upload, a preset import, reading a backup out, a recall, reloading after a
// factory reset) enters it and leaves it; every action that must not
// interleave with such an operation (another import or delete, a preset
// switch, copy/paste/clear/rename, another backup or recall, a pop-up edit)
// asks it first and is refused while it holds. Panels follow `changed` to
// disable their input.
//
// Enter through a Scope: it leaves on every path out of the operation,
// failures included.

#include <QObject>
#include <QPointer>
#include <QString>

class BusyState : public QObject
{
    Q_OBJECT

public:
    explicit BusyState(QObject *parent = nullptr);

    bool isBusy() const { return !m_operation.isEmpty(); }
    // What is running ("" when idle).
    QString operation() const { return m_operation; }

    // Enters the state for `operation` (a short text shown to the user);
    // false, and nothing changes, when another operation holds it.
    bool enter(const QString &operation);
    void leave();

    // True when an action may run now; when not, the refusal is logged
    // with `action` so a dropped request can be traced.
    bool allows(const char *action) const;

    // Holds the state from construction to destruction, when it could be
    // entered (check `entered()`).
    class Scope
    {
    public:
        Scope(BusyState *state, const QString &operation);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
        bool entered() const { return m_entered; }

    private:
        QPointer<BusyState> m_state;   // the window may go while an operation waits
        bool m_entered;
    };

signals:
    void changed(bool busy);

private:
    QString m_operation;
};
