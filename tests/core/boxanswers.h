#pragma once

// Answers the window's message boxes while a modal run goes on.

#include "mycombobox.h"
#include "mymessagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// Answers message boxes as they appear, one answer per box in order:
// a button text, "ESC" (closed without a choice) or "combo:N" (entry N of
// the combo box, then YES). Boxes past the answers are left alone; a box
// without the expected button is closed and noted.
//
// Every box gets the same answer instead when built with answerEvery():
// the button with that text, the first button when the text is empty.
class BoxAnswers : public QObject
{
public:
    BoxAnswers(QWidget *parent, QStringList answers)
        : BoxAnswers(parent, std::move(answers), false, QString())
    {
    }

protected:
    struct EveryBox {};
    BoxAnswers(QWidget *parent, EveryBox, const QString &answer)
        : BoxAnswers(parent, QStringList(), true, answer)
    {
    }

private:
    BoxAnswers(QWidget *parent, QStringList answers, bool every, const QString &everyAnswer)
        : m_parent(parent)
        , m_answers(std::move(answers))
        , m_every(every)
        , m_everyAnswer(everyAnswer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            for (MyMessageBox *box : m_parent->findChildren<MyMessageBox *>(QStringLiteral("messageBoxDialog"))) {
                if (!box->isVisible() || m_seen.contains(box))
                    continue;
                m_seen << box;
                shoot(box);
                titles << box->titleLabel()->text();
                texts << (box->comboBox() ? QStringLiteral("[combo]") : box->text());
                if (box->comboBox())
                    entries = [box]() {
                        QStringList e;
                        for (int i = 0; i < box->comboBox()->count(); ++i)
                            e << box->comboBox()->itemText(i);
                        return e;
                    }();
                if (m_every) {
                    for (QPushButton *b : box->buttons()) {
                        if (m_everyAnswer.isEmpty() || b->text() == m_everyAnswer) {
                            b->click();
                            break;
                        }
                    }
                    continue;
                }
                if (m_answers.isEmpty())
                    continue;
                QString answer = m_answers.takeFirst();
                if (answer == QLatin1String("ESC")) {
                    QTest::keyClick(box, Qt::Key_Escape);
                    continue;
                }
                if (answer.startsWith(QLatin1String("combo:"))) {
                    box->comboBox()->setCurrentIndex(answer.mid(6).toInt());
                    answer = QStringLiteral("YES");
                }
                bool clicked = false;
                for (QPushButton *b : box->buttons()) {
                    if (b->text() == answer) {
                        b->click();
                        clicked = true;
                        break;
                    }
                }
                // A box other than the one expected: closed, so that the
                // test fails instead of waiting for ever.
                if (!clicked && !box->closesItself()) {
                    texts << QStringLiteral("[no button %1]").arg(answer);
                    QTest::keyClick(box, Qt::Key_Escape);
                }
            }
        });
        m_timer.start(20);
    }

public:
    QStringList titles;
    QStringList texts;
    QStringList entries;

private:
    // KT900_SHOT_DIR set: a picture of every box, to be looked at.
    static void shoot(QWidget *box)
    {
        const QString dir = qEnvironmentVariable("KT900_SHOT_DIR");
        if (dir.isEmpty())
            return;
        static int count = 0;
        QDir().mkpath(dir);
        box->grab().save(QDir(dir).filePath(QStringLiteral("box-%1-%2.png")
                                                .arg(QCoreApplication::applicationName())
                                                .arg(++count, 2, 10, QLatin1Char('0'))));
    }

    QWidget *m_parent;
    QStringList m_answers;
    bool m_every = false;
    QString m_everyAnswer;
    QTimer m_timer;
    QList<QPointer<MyMessageBox>> m_seen;
};

// Presses the button with this text in every box that shows (the first
// button when the text is empty), noting titles and texts.
class MessageBoxWatcher : public BoxAnswers
{
public:
    explicit MessageBoxWatcher(QWidget *parent, const QString &answer = QString())
        : BoxAnswers(parent, EveryBox(), answer)
    {
    }
};
