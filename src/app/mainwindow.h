#pragma once

#include <QColor>
#include <QMainWindow>
#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <memory>

#include "app/localetext.h"
#include "app/messagebox.h"
#include "catalogue/folderrecord.h"
#include "report/batchrun.h"
#include "report/lisreport.h"
#include "report/markerrow.h"
#include "report/reportjob.h"

namespace Ui {
class MainWindow;
}
class QGraphicsScene;
class QLabel;
class QTimer;
class QWebView;
class Thread_Func;
class DeviceLink;
class settings_common;
class settings;
class ProgressInfo;
class editReport;
class Debug_TCP;
class about;
class BatchSummary;
class historyReport;
class PdfOpener;
class QAction;
class ReportUnit;
class WebPagePrinter;
class LisOutbox;
class lisMessages;

// The shell: builds the two layouts, owns the secondary windows and the subsystem
// units, and forwards each control to the unit that does the work. Its slots for one
// subsystem live beside that subsystem (catalogue/, device/, report/).
class MainWindow : public QMainWindow
{
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Read access for tests and benchmarks.
    bool startupBlocked() const { return m_startupBlocked; }
    QString appDir() const { return m_appDir; }
    DeviceLink* deviceLink() const { return m_link; }
    Thread_Func* scanner() const { return m_scanner; }
    settings_common* allSettings() const { return m_allSettings; }
    ProgressInfo* progressWindow() const { return m_progress; }
    editReport* reportEditor() const { return m_editReport; }
    Debug_TCP* debugWindow() const { return m_debugTcp; }
    about* aboutWindow() const { return m_about; }
    BatchSummary* batchSummary() const { return m_batchSummary; }
    historyReport* historyWindow() const { return m_history; }
    settings* operatorsEditor() const { return m_operators; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QString reportFolderName() const { return m_reportFolderName; }
    QString currentOperator() const { return m_currentOperator; }
    const MarkerTable& markerTable() const;
    ReportUnit* reportUnit() const { return m_unit; }
    unsigned char calculationTypeCode() const { return m_typeCode; }
    int selectedRow() const { return m_selectedRow; }
    QString selectedName() const { return m_selectedName; }
    QString selectedPath() const { return m_selectedPath; }
    // Opens the service command field (Ctrl+Shift+F12 in the working window).
    void openServiceCommand();

  signals:
    void nextStageProgress();
    // A report's PDF has been put in place (or failed to be); for tests and benches.
    void pdfWritten(const QString& path, bool ok);
    // A report production has ended: done, or stopped with the message the user was shown.
    void productionEnded(bool done, const QString& message);
    // A batch of reports has ended and its summary is shown.
    void batchFinished();

  public slots:
    // Start-up and layouts
    void LoadLocaleText();
    QString ReadLocale(uchar index);
    void components_desktop();
    void components_window();
    void components_form_start();
    void components_form_main();
    void connections_initial_connection();
    void connections_login_to_main();
    void common_refresh_list_operators(QStringList newOpList);
    void login_procedure();

    // Secondary windows
    bool initSettings();
    void showSettings();
    bool initProgress();
    void showProgress();
    bool initEditReport();
    void showEditReport(QString folderN);
    void showViewReport(QString folderN);
    bool initAllSettings();
    void showAllSettings();
    bool init_debug_tcp();
    void show_debug_tcp();
    bool initAbout();
    void showAbout();
    void proc_Clicked_Help();
    bool initHistory();
    void showHistory(QString folderN);
    void proc_Clicked_History();

    // Analysis catalogue
    void Analys_LoadType();
    void Analys_TypeChanged_cb01(int curIndex);
    void Analys_TypeChanged_cb02(int curIndex);
    void Analys_UpdateList();
    void updateWorkDir();
    void Analys_UpdateListAddThread(QString D_Path, QString D_Name, QColor D_State);
    void Analys_UpdateListThread();
    void UpdateOperationalList();
    void Filter_ApplyToList(QString activefilter);
    void Filter_ApplyCustomFilter();
    void proc_ListText_Clicked(QModelIndex indexList);
    void procDeactivateButtons();
    void procActivateButtons();
    void SetColorForListDir(QColor color_);
    void proc_Clicked_New();
    void proc_Clicked_Edit();
    void proc_Clicked_View();
    void proc_Clicked_Refresh();

    // Report production
    void procMakeReportPart1();
    void procMakeReportPart2();
    void Stop_Calculation(uchar typeError);
    void GetFolderNameReport();
    void Init_Debug();
    void Inc_Debug();
    void Save_Debug();
    void procReadData();
    void procMakeListCalc();
    void procfillDataReportCommon();
    void Math_proc_PostCalc();
    void procSaveCalc();
    void procMakeReportFilePremade();
    void procMakeReportFilePremade_debug();
    void procMakeFullReport();
    void procMakeImage(int typeImage);
    void proc_Save_PDF(QString nameFile);
    void procLoadHTMLFinished();
    void proc_Clicked_Print();
    void proc_Clicked_NewBatch();

    // Device link
    void nw_proc_Disconnect();
    uchar nw_proc_CalcCRC16(QString inputText, uchar offset);
    uchar nw_proc_ASCII_to_HEX(uchar count);
    bool nw_proc_CheckCRCMessage();
    void nw_proc_ReadCount(uchar count);
    void nw_proc_SendSpecial(QString s_mess);
    void tmr_refreshInfo();
    void Update_Network();
    void proc_Change_StatusBarText(QString text, uchar index);
    void debug_tcp_add_message(QString message, bool direction);

  private:
    void runStartupChecks();
    void warn(unsigned char row);
    void setupDeviceLink();
    void onLinkStatus(int status);
    void onSocketError(const QString& description, bool showBox);
    void askStopCalculation();
    // Ends a production that did not finish: the progress window closes and the operator is
    // told why, or the batch records it.
    void stopProduction(const Outcome& outcome);
    void finishProduction();
    // New on an analysis that already has a report asks first, then for the reason of the new
    // version; false when the operator said no or cancelled.
    bool confirmProduceAgain();
    // The report folder of the selected analysis when it holds a finished report; otherwise
    // tells the user and gives an empty text.
    QString finishedReportFolder();
    // Enables New, Edit, View and Print for a selected folder in this state.
    void applyButtonsForState(const QColor& state);
    void fillList(const FolderRecords& records);
    // Batch of reports (report/mainwindow_batch.cpp).
    void connections_batch();
    void updateBatchAction();
    QVector<BatchRun::Entry> pendingBatchEntries() const;
    void startNextInBatch();
    void batchProductionEnded(const Outcome& outcome);
    void endBatch();

    Ui::MainWindow* ui;

    // Application folders
    QString m_appDir;
    QString m_templatesDir;
    QString m_reportsDir;
    QString m_pdfDir;

    LocaleText m_locale;
    unsigned char m_lang = 0;
    bool m_startupBlocked = false;
    QString m_currentOperator;
    int m_screenX = 0;
    int m_screenY = 0;

    // Analysis list
    FolderRecords m_scanBuffer;
    FolderRecords m_folderList;
    FolderRecords m_filteredList;
    FolderRecords m_displayList;
    int m_selectedRow = -1;
    QString m_selectedName;
    QString m_selectedPath;
    unsigned char m_typeCode = 0;
    bool m_newReport = false;
    bool m_passPredatesMark = false;
    Thread_Func* m_scanner = nullptr;

    // Report job: the unit holds its state; these say what the window is waiting for.
    ReportUnit* m_unit = nullptr;
    std::unique_ptr<WebPagePrinter> m_printer;
    QString m_reportFolderName;
    QString m_reproductionReason; // why a released report is produced again
    int m_checkpoint = 0;
    bool m_jobRunning = false;
    BatchRun m_batch;
    QAction* m_batchAction = nullptr;
    BatchSummary* m_batchSummary = nullptr;
    bool m_batchActionDue = false;

    // Device link
    DeviceLink* m_link = nullptr;

    // Charts are drawn here and rendered into their images.
    std::unique_ptr<QGraphicsScene> m_chartScene;

    // Lays out report pages for their PDFs; never shown.
    QWebView* m_webView = nullptr;

    QLabel* m_statusLabel = nullptr;
    // Print and the user manual: the viewer, or a way on when there is none.
    PdfOpener* m_pdfOpener = nullptr;

    // Secondary windows, created once without parent.
    settings* m_operators = nullptr;
    ProgressInfo* m_progress = nullptr;
    editReport* m_editReport = nullptr;
    settings_common* m_allSettings = nullptr;
    Debug_TCP* m_debugTcp = nullptr;
    about* m_about = nullptr;
    historyReport* m_history = nullptr;
    QAction* m_actionHistory = nullptr;

    // ---- Results to the laboratory information system (report/mainwindow_lis.cpp) ----
  public:
    LisOutbox* lisOutbox() const { return m_lisOutbox; }
    lisMessages* lisMessagesWindow() const { return m_lisMessages; }

  public slots:
    // A version of a report has been released: its results go to the LIS (when sending is on).
    void lisReportReleased(const LisReport& report);
    void showLisMessages();

  private:
    void initLis();
    void applyLisSettings();
    void updateLisStatus();
    // A report folder whose new version is in place: its results go to the LIS.
    void lisReportFolderReleased(const QString& reportFolder);

    LisOutbox* m_lisOutbox = nullptr;
    lisMessages* m_lisMessages = nullptr;
    QLabel* m_lisStatus = nullptr;
    QAction* m_lisAction = nullptr;
    // ---- end of the LIS block ----
};
