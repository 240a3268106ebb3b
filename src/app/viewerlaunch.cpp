#include "viewerlaunch.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QUrl>

#include "app/desktop.h"

namespace {
// xdg-open's exit code when it found no method to open the file.
constexpr int kNoMethod = 3;
} // namespace

ViewerLaunch::ViewerLaunch(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<ViewerLaunch::Failure>("ViewerLaunch::Failure");
}

ViewerLaunch::~ViewerLaunch()
{
    for (QProcess* p : findChildren<QProcess*>()) {
        if (p->state() != QProcess::NotRunning)
            release(p);
    }
}

void ViewerLaunch::open(const QString& path, const QString& mimeType)
{
    if (Desktop::hasOpener()) {
        // A test stands in for the desktop: its answer is the whole outcome.
        if (!Desktop::openUrl(QUrl::fromLocalFile(path)))
            emit failed(path, Failure::NoProgram, 0);
        return;
    }
    auto* query = new QProcess(this);
    query->setProcessChannelMode(QProcess::SeparateChannels);
    connect(query, &QProcess::errorOccurred, this, [this, query, path](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        // No xdg-mime: xdg-open is watched all the same.
        query->deleteLater();
        launch(path);
    });
    connect(query, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, query, path](int code, QProcess::ExitStatus status) {
                query->deleteLater();
                const bool registered = status == QProcess::NormalExit && code == 0 &&
                                        !query->readAllStandardOutput().trimmed().isEmpty();
                if (registered)
                    launch(path);
                else
                    emit failed(path, Failure::NoProgram, 0);
            });
    query->start(QStringLiteral("xdg-mime"),
                 {QStringLiteral("query"), QStringLiteral("default"), mimeType});
}

void ViewerLaunch::launch(const QString& path)
{
    auto* viewer = new QProcess(this);
    viewer->setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer started;
    started.start();
    connect(viewer, &QProcess::errorOccurred, this, [this, viewer, path](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        viewer->deleteLater();
        emit failed(path, Failure::NoProgram, 0);
    });
    connect(viewer, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, viewer, path, started](int code, QProcess::ExitStatus status) {
                const bool watched = started.elapsed() <= WatchMs;
                const QByteArray said = viewer->readAll();
                viewer->deleteLater();
                if (!watched || (status == QProcess::NormalExit && code == 0))
                    return;
                const bool noMethod = code == kNoMethod || said.contains("no method available");
                emit failed(path, noMethod ? Failure::NoProgram : Failure::ProgramFailed, code);
            });
    viewer->start(QStringLiteral("xdg-open"), {path});
}

void ViewerLaunch::release(QProcess* process)
{
    // Destroying a running QProcess would kill it; the viewer belongs to the user now.
    process->disconnect(this);
    process->setParent(nullptr);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), process,
            &QObject::deleteLater);
}
