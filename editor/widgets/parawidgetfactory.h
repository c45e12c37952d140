#pragma once

#include "effectcatalogue.h"

#include <QString>

class ParaWidgetBase;
class QWidget;

// The row widget for a catalogue parameter: a SliderWithSpinBox for a numeric
// range (with or without end labels), a GroupButtonWithSpinBox for an option
// list, none (nullptr) for an unknown kind or a null parameter. The row is
// set up with the parameter's name and range and styled with the two colours.
ParaWidgetBase *createParaWidget(const QString &backgroundColor, const QString &valueColor,
                                 const ParaInfo *info, QWidget *parent = nullptr);
