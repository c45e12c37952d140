#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The overlay shown while the unit's data loads (and while a backup is
// recalled): a title above a progress bar on a dimmed ground that covers its
// parent. It takes the parent's size when created and follows its resizes.
class LoadingWidget : public QWidget
{
    Q_OBJECT
public:
    explicit LoadingWidget(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    QString title() const;
    void setRange(int min, int max);
    int progressValue() const;
    QProgressBar *progressBar() const { return m_bar; }
    QLabel *titleLabel() const { return m_title; }

public slots:
    void addProgressValue();
    void setProgressValue(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_title = nullptr;
    QProgressBar *m_bar = nullptr;
};
