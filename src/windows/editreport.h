#pragma once

#include <QString>
#include <QWidget>

#include "report/reportrecord.h"

class ReportUnit;
class QCloseEvent;

namespace Ui {
class editReport;
}

// Viewer and editor of one finished report. In view mode only the page and Exit are shown;
// in edit mode the printed analysis name, code, patient and conclusion can be replaced,
// which rewrites report.ini and the final report page.
class editReport : public QWidget
{
    Q_OBJECT

  public:
    explicit editReport(QWidget* parent = nullptr);
    ~editReport() override;

    // Read access for callers and tests.
    const QString& premadeText() const { return premadeHtml; }
    bool hasPremade() const { return premadeLoaded; }
    const QString& iniPath() const { return reportIniPath; }
    const QString& htmlPath() const { return reportHtmlPath; }
    uchar language() const { return m_language; }
    // The signed-in operator, whom the history names for every change.
    void setOperator(const QString& name) { m_operator = name; }
    // Apply and Default ask it to make the change.
    void setReportUnit(ReportUnit* unit) { m_unit = unit; }

  signals:
    void signalSavePDF(QString);

  public slots:
    void SetPosition(int g_w, int g_h);
    void ShowWindow(QString folderName, bool mode);
    void LoadIcons(QString appDirPath);
    void SetLang(uchar lang);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void procApply();
    void procDefaultNames();
    void on_pb_CopyProbeName_clicked();
    void on_pb_CopyProbeID_clicked();
    void on_pb_CopyPatient_clicked();

  private:
    void resetFieldRows();
    void setEditControlsVisible(bool visible);
    void warn(const QString& text);
    void showConclusion(const QString& stored);
    // Asks the report unit to print `values`; the window's state follows what was stored.
    void applyValues(const ReportRecord::PrintValues& values);
    // editreport_guards.cpp
    void setUpGuards();
    void setToolTips();
    ReportRecord::PrintValues valuesInWindow() const;
    bool hasUnappliedChanges() const;
    bool confirmEmptyValues();

    Ui::editReport* ui;
    QString premadeHtml;
    QString reportIniPath;
    QString reportHtmlPath;
    QString m_folder;
    QString m_operator;
    QString m_producedTx; // the production shown; Apply refuses when it has been replaced
    ReportUnit* m_unit = nullptr;
    // False when the premade report of the shown folder could not be read (or was empty):
    // the final page must then not be rebuilt from premadeHtml.
    bool premadeLoaded = false;
    // The printed values as read (or as Default put them): Apply stores these for the fields
    // the user did not change, so no widget can alter them on the way.
    ReportRecord::PrintValues m_shown;
    QString m_shownConclusion; // the conclusion as the editor gives it back untouched
    uchar m_language = 1;
};
