#pragma once

#include <QWidget>

class QLabel;

// A small balloon (180 x 70, frameless, translucent) with a pointer at its
// top-left that points at the field it explains.
class TipBox : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 70;

    explicit TipBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;
    QLabel *label() const { return m_label; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_label = nullptr;
};
