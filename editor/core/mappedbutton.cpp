#include "mappedbutton.h"

#include <QPushButton>
#include <QSignalMapper>

QPushButton *mappedButton(const char *objectName, const QString &tip, int id, QSignalMapper *mapper,
                          QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tip);
    button->setCursor(Qt::PointingHandCursor);
    if (mapper) {
        mapper->setMapping(button, id);
        QObject::connect(button, &QPushButton::clicked, mapper, qOverload<>(&QSignalMapper::map));
    }
    return button;
}
