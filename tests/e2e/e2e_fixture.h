#pragma once
// A signed-in working window over a data directory of analyses, with the device simulator on
// a loopback port: the set-up of every end-to-end test.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "windows/reasondialog.h"
#include "apptestdir.h"
#include "catalogue/mainwindow_listwidget.h"
#include "demodata/demodata.h"
#include "device/devicelink.h"
#include "devicesim/devicesimulator.h"

namespace {

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    return p.waitForFinished(20000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

struct Fixture
{
    AppTestDir app;
    DeviceSimulator sim;
    QString data;
    std::unique_ptr<MainWindow> window;
    int language = 0;

    // An application directory over a data directory holding the given analyses, signed in
    // with "Another (ETC)" chosen so that every folder is listed.
    bool start(const QStringList& analyses, bool deep = false,
               const DemoData::ExportContent& content = DemoData::ExportContent())
    {
        if (!app.copyTemplates() || !sim.listen())
            return false;
        data = app.file(QStringLiteral("data"));
        for (const QString& relative : analyses) {
            const QFileInfo info(QDir(data).filePath(relative));
            if (!QDir().mkpath(info.path()) ||
                !DemoData::writeAnalysis(info.path(), info.fileName(), content))
                return false;
        }
        AppTestDir::Settings s;
        s.dataDir = data;
        s.deep = deep;
        s.port = QString::number(sim.port());
        s.language = language;
        if (!app.writeSettings(s))
            return false;
        app.enter();
        window = std::make_unique<MainWindow>();
        window->show();
        window->login_procedure();
        window->findChild<QComboBox*>("cb_01")->setCurrentIndex(21);
        // Also the sign-in check, which has long identified the device when a user presses New.
        return waitForEntries(analyses.size()) &&
               QTest::qWaitFor([this] { return window->deviceLink()->version() != 0; }, 10000);
    }

    QListWidget* list() const { return window->findChild<QListWidget*>("ListText"); }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }

    bool waitForEntries(int count)
    {
        QElapsedTimer t;
        t.start();
        while (list()->count() < count && t.elapsed() < 10000)
            QTest::qWait(20);
        return list()->count() >= count;
    }

    QListWidgetItem* entry(const QString& name, const QString& path) const
    {
        for (int row = 0; row < list()->count(); ++row) {
            const FolderRecord r = ListWidgetFill::recordOf(list()->item(row));
            if (r.name == name && r.path == path)
                return list()->item(row);
        }
        return nullptr;
    }

    // Activates the entry of the folder, the way a double click does.
    bool select(const QString& name, const QString& path = QString())
    {
        QListWidgetItem* item = entry(name, path.isEmpty() ? data : path);
        if (!item)
            return false;
        emit list()->activated(list()->model()->index(list()->row(item), 0));
        return true;
    }

    // Presses New and waits for the production to end; true when it ended done. An analysis
    // that has a report is produced again (the question answered Yes).
    bool produce(const QString& name, const QString& path = QString())
    {
        if (!select(name, path))
            return false;
        if (entry(name, path.isEmpty() ? data : path)->foreground().color() ==
            QColor(Qt::darkGreen)) {
            MessageBox::setNextAnswer(MessageBox::Yes);
            ReasonDialog::setNextReason(QStringLiteral("Produced again"));
        }
        QSignalSpy ended(window.get(), &MainWindow::productionEnded);
        button("pb_01")->click();
        if (ended.isEmpty() && !ended.wait(20000))
            return false;
        return ended.count() == 1 && ended.first().at(0).toBool();
    }

    int debugStage() const
    {
        return QSettings(app.file("debug.ini"), QSettings::IniFormat)
            .value("Debug/DebugStage", -1)
            .toInt();
    }
    QVariant record(const QString& folder, const char* key) const
    {
        return QSettings(app.file("reports/" + folder + "/report.ini"), QSettings::IniFormat)
            .value(QLatin1String(key));
    }
};

} // namespace
