#include "filechooser.h"

#include <QFileDialog>

FileChooser::~FileChooser() = default;

DialogFileChooser::DialogFileChooser(QWidget *parent) : m_parent(parent) {}

QString DialogFileChooser::openFileName(const QString &caption, const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, dir, filter);
}

QString DialogFileChooser::saveFileName(const QString &caption, const QString &proposed, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, proposed, filter);
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
