#include "parawidgetfactory.h"

#include "groupbuttonwithspinbox.h"
#include "sliderwithspinbox.h"

ParaWidgetBase *createParaWidget(const QString &backgroundColor, const QString &valueColor,
                                 const ParaInfo *info, QWidget *parent)
{
    if (!info)
        return nullptr;
    switch (info->kind) {
    case ParamKind::Range: {
        auto *w = new SliderWithSpinBox(backgroundColor, valueColor, parent);
        w->setRange(info->name, info->min, info->max, info->step, info->decimals, info->unit);
        return w;
    }
    case ParamKind::RangeWithOptions: {
        auto *w = new SliderWithSpinBox(backgroundColor, valueColor, parent);
        w->setRange(info->name, info->min, info->max, info->step, info->decimals, info->unit,
                    info->prefixOptions, info->suffixOptions);
        return w;
    }
    case ParamKind::Options: {
        auto *w = new GroupButtonWithSpinBox(backgroundColor, valueColor, parent);
        w->setOptions(info->name, info->options);
        return w;
    }
    }
    return nullptr;
}
