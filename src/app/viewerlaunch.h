#pragma once

#include <QObject>
#include <QString>

class QProcess;

// Opens a file with the program the desktop has registered for its type, and finds out when
// nothing showed it. xdg-open reports success as soon as it has started, also when it then
// finds no program for the file, so the registration is asked first and xdg-open is watched
// for a while after its start.
class ViewerLaunch : public QObject
{
    Q_OBJECT

  public:
    enum class Failure { NoProgram, ProgramFailed };
    Q_ENUM(Failure)

    // An error exit later than this is the viewer ending, not a failure to show the file.
    static constexpr int WatchMs = 20000;

    explicit ViewerLaunch(QObject* parent = nullptr);
    // Viewers still running are left running; only the watching ends.
    ~ViewerLaunch() override;

    // Opens the local file, e.g. mimeType "application/pdf" or "inode/directory". The outcome
    // comes as failed(), at once or later, or not at all when the file is shown.
    void open(const QString& path, const QString& mimeType);

  signals:
    // exitCode: xdg-open's, for ProgramFailed.
    void failed(const QString& path, ViewerLaunch::Failure failure, int exitCode);

  private:
    void launch(const QString& path);
    void release(QProcess* process);
};
