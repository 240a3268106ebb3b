#pragma once

#include <QString>

class QWidget;

// The folder chooser of the program. Tests queue answers with setNextDirectory(): a
// queued answer is returned at once and no dialog is shown.
class FileDialog
{
  public:
    // Shows only directories and does not resolve symbolic links. Empty when cancelled.
    static QString getExistingDirectory(QWidget* parent, const QString& title,
                                        const QString& startDir);

    // Test hooks.
    static void setNextDirectory(const QString& path);
    static QString lastTitle();
    static QString lastStartDir();
    static int callCount();
};
