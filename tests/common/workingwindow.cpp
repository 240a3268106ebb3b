#include "workingwindow.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

#include "app/mainwindow.h"
#include "demodata/demodata.h"
#include "report/reportrecord.h"

bool WorkingWindow::addAnalysis(QString entry)
{
    const bool noExport = entry.endsWith(QLatin1Char('!'));
    const bool done = entry.endsWith(QLatin1Char('+'));
    if (noExport || done)
        entry.chop(1);
    const QFileInfo info(QDir(data).filePath(entry));
    if (!QDir().mkpath(noExport ? info.filePath() : info.path()))
        return false;
    if (!noExport && !DemoData::writeAnalysis(info.path(), info.fileName(), {}))
        return false;
    if (done) {
        const QString reports = app.file(QStringLiteral("reports"));
        const QString folder = ReportRecord::chooseFolder(reports, info.fileName(), info.path());
        const QString ini = ReportRecord::iniPath(reports, folder);
        ReportRecord::writeFolderPathIfMissing(ini, info.path());
        ReportRecord::saveCalc(ini, QStringLiteral("P1"), folder, QStringLiteral("in blood"),
                               QStringLiteral("Ivanov"));
        ReportRecord::setReportExist(ini);
    }
    return true;
}

bool WorkingWindow::start(const QStringList& analyses, AppTestDir::Settings settings, bool signIn)
{
    data = app.file(QStringLiteral("data"));
    if (!app.copyTemplates() || !QDir().mkpath(data))
        return false;
    for (const QString& entry : analyses) {
        if (!addAnalysis(entry))
            return false;
    }
    if (settings.dataDir.isEmpty())
        settings.dataDir = data;
    if (settings.port.isEmpty())
        settings.port = QStringLiteral("1");
    if (!app.writeSettings(settings))
        return false;
    app.enter();
    window = std::make_unique<MainWindow>();
    window->show();
    if (signIn)
        child<QPushButton>("pb_02")->click();
    return true;
}

QStringList WorkingWindow::texts() const
{
    QStringList t;
    for (int row = 0; row < list()->count(); ++row)
        t << list()->item(row)->text();
    return t;
}

bool WorkingWindow::waitForTexts(const QStringList& expected) const
{
    return QTest::qWaitFor([&] { return texts() == expected; }, 8000);
}

void WorkingWindow::activate(int row) const
{
    QListWidgetItem* item = list()->item(row);
    list()->scrollToItem(item);
    const QPoint at = list()->visualItemRect(item).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
}
