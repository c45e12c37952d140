#pragma once

#include "parawidgetbase.h"

#include <QStringList>

class QLabel;
class CustomGroupButton;
class CustomSpinBox;

// An option parameter row: one button per option on the left, name above the
// selected option's label on the right.
class GroupButtonWithSpinBox : public ParaWidgetBase
{
    Q_OBJECT
public:
    explicit GroupButtonWithSpinBox(QWidget *parent = nullptr);
    GroupButtonWithSpinBox(const QString &backgroundColor, const QString &valueColor,
                           QWidget *parent = nullptr);

    int value() const override;
    void setPara(const ParaInfo &info) override;
    void setOptions(const QString &name, const QStringList &options);

    CustomGroupButton *groupButton() const { return m_group; }

public slots:
    void setValue(int value) override;
    void setColor(const QString &backgroundColor, const QString &valueColor) override;

private:
    CustomGroupButton *m_group = nullptr;
};
