#include "filechooser.h"

#include <QFileDialog>

FileChooser::~FileChooser() = default;

QStringList FileChooser::openFileNames(const QString &caption, const QString &dir, const QString &filter)
{
    const QString one = openFileName(caption, dir, filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

DialogFileChooser::DialogFileChooser(QWidget *parent) : m_parent(parent) {}

QString DialogFileChooser::openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, dir, filter);
}

QString DialogFileChooser::saveFileName(const QString &caption, const QString &proposed, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, proposed, filter);
}

QStringList DialogFileChooser::openFileNames(const QString &caption, const QString &dir, const QString &filter)
{
    QFileDialog dialog(m_parent, caption, dir, filter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setViewMode(QFileDialog::Detail);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QStringList FixedFileChooser::openFileNames(const QString &caption, const QString &dir, const QString &filter)
{
    if (m_paths.isEmpty())
        return FileChooser::openFileNames(caption, dir, filter);
    lastCaption = caption;
    lastDirOrProposal = dir;
    lastFilter = filter;
    ++calls;
    return m_paths;
}

QString FixedFileChooser::openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    lastCaption = caption;
    lastDirOrProposal = dir;
    lastFilter = filter;
    ++calls;
    return m_path;
}

QString FixedFileChooser::saveFileName(const QString &caption, const QString &proposed, const QString &filter)
{
    lastCaption = caption;
    lastDirOrProposal = proposed;
    lastFilter = filter;
    ++calls;
    return m_path;
}
