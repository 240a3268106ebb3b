#include "filedialog.h"

#include <QFileDialog>
#include <QQueue>

namespace {
QQueue<QString> g_answers;
QString g_lastTitle;
QString g_lastStartDir;
int g_calls = 0;
} // namespace

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& title,
                                         const QString& startDir)
{
    ++g_calls;
    g_lastTitle = title;
    g_lastStartDir = startDir;
    if (!g_answers.isEmpty())
        return g_answers.dequeue();
    return QFileDialog::getExistingDirectory(
        parent, title, startDir, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

void FileDialog::setNextDirectory(const QString& path)
{
    g_answers.enqueue(path);
}

QString FileDialog::lastTitle()
{
    return g_lastTitle;
}

QString FileDialog::lastStartDir()
{
    return g_lastStartDir;
}

int FileDialog::callCount()
{
    return g_calls;
}
