#include "workingwindow.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

#include "demodata/demodata.h"
#include "report/reportrecord.h"
#include "reportfolder.h"

bool WorkingWindow::addAnalysis(QString entry)
{
    const bool noExport = entry.endsWith('!'), done = entry.endsWith('+');
    entry.chop(noExport || done ? 1 : 0);
    const QFileInfo info(QDir(data).filePath(entry));
    if (!QDir().mkpath(noExport ? info.filePath() : info.path()) ||
        (!noExport && !DemoData::writeAnalysis(info.path(), info.fileName(), {})))
        return false;
    if (done) {
        ReportFolder report;
        report.reportsDir = app.file("reports");
        report.code = QStringLiteral("P1");
        report.analysisPath = info.path();
        report.premade = QStringLiteral("<p>$PatientID</p>");
        if (!ReportRecord::chooseFolder(report.reportsDir, info.fileName(), info.path(),
                                        &report.name) ||
            report.write().isEmpty())
            return false;
    }
    return true;
}

bool WorkingWindow::start(const QStringList& analyses, AppTestDir::Settings settings, bool signIn)
{
    data = app.file("data");
    if (!app.copyTemplates() || !QDir().mkpath(data) ||
        !std::all_of(analyses.begin(), analyses.end(),
                     [this](const QString& e) { return addAnalysis(e); }))
        return false;
    settings.dataDir = settings.dataDir.isEmpty() ? data : settings.dataDir;
    settings.port = settings.port.isEmpty() ? QStringLiteral("1") : settings.port;
    if (!app.writeSettings(settings))
        return false;
    app.enter();
    window = std::make_unique<MainWindow>();
    window->show();
    if (signIn)
        press("pb_02");
    return true;
}

QStringList WorkingWindow::texts() const
{
    QStringList t;
    for (int row = 0; row < list()->count(); ++row)
        t << list()->item(row)->text();
    return t;
}

void WorkingWindow::activate(int row) const
{
    const QPoint at = list()->visualItemRect(list()->item(row)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
}

void WorkingWindow::press(const char* name) const
{
    if (auto* button = child<QPushButton>(name))
        button->click();
    else
        child<QAction>(name)->trigger();
}

bool WorkingWindow::enabled(const QStringList& names) const
{
    return std::all_of(names.begin(), names.end(), [this](const QString& n) {
        auto* action = window->findChild<QAction*>(n);
        return action ? action->isEnabled() : window->findChild<QWidget*>(n)->isEnabled();
    });
}

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown& s : MessageBox::shown())
        texts << s.text;
    return texts;
}
