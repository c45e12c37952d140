#pragma once

#include <QLineEdit>

class QPushButton;
class QPropertyAnimation;

// In-place editor for a preset name: a line editor with an "OK" button at its
// right end that grows open when shown. OK or Return hides it and reports the
// text with renameFinished. Escape cancels: it hides the editor and reports
// an empty name, which callers treat as "nothing to rename".
class RenameWidget : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int kOpenWidth = 190;
    static constexpr int kHeight = 25;
    static constexpr int kAnimationMs = 300;

    explicit RenameWidget(QWidget *parent = nullptr);

    QPushButton *button() const { return m_button; }

public slots:
    void renameFinish();

signals:
    void renameFinished(QString name);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPushButton *m_button = nullptr;
    QPropertyAnimation *m_animation = nullptr;
};
