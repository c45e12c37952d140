#pragma once

// Where file names come from. The editor asks the user with the toolkit's
// file dialogs; tests and command-line tools pass paths instead.

#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

class FileChooser
{
public:
    virtual ~FileChooser();
    // An empty result means the user cancelled.
    virtual QString openFileName(const QString &caption, const QString &dir, const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) = 0;
    // Any number of existing files; empty when the user cancelled.
    virtual QStringList openFileNames(const QString &caption, const QString &dir, const QString &filter);
};

// The toolkit's modal file dialogs over a parent window.
class DialogFileChooser : public FileChooser
{
public:
    explicit DialogFileChooser(QWidget *parent = nullptr);
    QString openFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    // The detail view, as a folder of preset files reads best.
    QStringList openFileNames(const QString &caption, const QString &dir, const QString &filter) override;

private:
    QPointer<QWidget> m_parent;
};

// Answers with fixed paths and remembers what it was asked.
class FixedFileChooser : public FileChooser
{
public:
    explicit FixedFileChooser(const QString &path = QString()) : m_path(path) {}
    void setPath(const QString &path) { m_path = path; }
    // The answer of openFileNames (the one path of setPath when not set).
    void setPaths(const QStringList &paths) { m_paths = paths; }
    QString openFileName(const QString &caption, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    QStringList openFileNames(const QString &caption, const QString &dir, const QString &filter) override;

    QString lastCaption;
    QString lastDirOrProposal;
    QString lastFilter;
    int calls = 0;

private:
    QString m_path;
    QStringList m_paths;
};
