#pragma once

// The flat icon buttons of the window's panels: styled by object name, no
// focus, a tool tip and a pointing-hand cursor, clicks delivered as an id
// through a signal mapper (when one is given).

#include <QString>

class QPushButton;
class QSignalMapper;
class QWidget;

QPushButton *mappedButton(const char *objectName, const QString &tip, int id, QSignalMapper *mapper,
                          QWidget *parent);
