#pragma once

#include <QComboBox>

// The settings pages' combo box. Its pop-up opens without the platform's
// combo animation (switched off for that moment and restored afterwards) and
// is placed directly under the box, at least as wide as the box, instead of
// over it.
class MyComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit MyComboBox(QWidget *parent = nullptr);

    void showPopup() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void adjustPopupFrame();
};
