#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QWebSettings>
#include <QWebView>

#include "app/about.h"
#include "app/messagebox.h"
#include "catalogue/mainwindow_listwidget.h"
#include "catalogue/thread_func.h"
#include "config/settings_common.h"
#include "config/settingsstore.h"
#include "device/debug_tcp.h"
#include "device/devicelink.h"
#include "report/filewrite.h"
#include "report/reportunit.h"
#include "report/webpageprinter.h"
#include "windows/editreport.h"
#include "windows/historyreport.h"
#include "windows/pdfopener.h"
#include "windows/lismessages.h"
#include "windows/progressinfo.h"
#include "windows/settings.h"

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    ui->action_TCP_debug->setVisible(false);
    ui->actionSettingsTest->setVisible(true);

    m_appDir = QDir::currentPath();

    m_scanner = new Thread_Func();
    connect(m_scanner, &Thread_Func::ProcData, this, &MainWindow::Analys_UpdateListAddThread);
    connect(m_scanner, &QThread::finished, this, &MainWindow::Analys_UpdateListThread);

    setupDeviceLink();

    ui->ListText->setItemDelegate(new StateItemDelegate(ui->ListText));
    // The state icons at the size of the text, so the list shows as many entries as before.
    ui->ListText->setIconSize(QSize(16, 16));

    m_statusLabel = new QLabel(this);
    statusBar()->addPermanentWidget(m_statusLabel, 0);

    LoadLocaleText();
    m_pdfOpener = new PdfOpener(m_lang, this);
    m_statusLabel->setText(m_lang == 0 ? QStringLiteral(" Status: connection ")
                                       : QString::fromUtf8(" Статус: подключение "));

    m_webView = new QWebView(ui->centralWidget);
    m_webView->hide();
    // Report pages are local documents built from exported and typed texts.
    m_webView->settings()->setAttribute(QWebSettings::JavascriptEnabled, false);
    m_webView->settings()->setAttribute(QWebSettings::PluginsEnabled, false);

    m_templatesDir = QStringLiteral("%1/docs").arg(m_appDir);
    m_reportsDir = QStringLiteral("%1/reports").arg(m_appDir);
    m_typeCode = 0;

    setWindowFlags(Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    components_desktop();

    runStartupChecks();
    initHistory();
    initLis();
    // Closing the main window ends the program, also while one of these is open.
    for (QWidget* w : QList<QWidget*>{m_operators, m_progress, m_editReport, m_allSettings,
                                      m_debugTcp, m_about, m_history}) {
        if (w)
            w->setAttribute(Qt::WA_QuitOnClose, false);
    }

    components_form_start();
    common_refresh_list_operators(m_allSettings ? m_allSettings->is_op_List() : QStringList());
    if (m_startupBlocked) {
        ui->cb_01->setEnabled(false);
        ui->pb_01->setEnabled(false);
        ui->pb_02->setEnabled(false);
    }

    m_chartScene = std::make_unique<QGraphicsScene>();
    m_chartScene->setBackgroundBrush(QBrush(Qt::white, Qt::SolidPattern));
    m_printer = std::make_unique<WebPagePrinter>(m_webView, m_chartScene.get());
    m_unit = new ReportUnit(m_appDir, m_printer.get(), this);
    connect(m_unit, &ReportUnit::stageAdvanced, this, &MainWindow::nextStageProgress);
    connect(m_unit, &ReportUnit::pdfWritten, this, &MainWindow::pdfWritten);
    connect(m_unit, &ReportUnit::released, this, &MainWindow::lisReportFolderReleased);
    m_unit->setConfirmation([this](const QString& question) {
        return MessageBox::question(SettingsStore::confirmTitle(m_lang), question,
                                    SettingsStore::yesButton(m_lang),
                                    SettingsStore::noButton(m_lang));
    });
    m_editReport->setReportUnit(m_unit);

    m_pdfDir = QStringLiteral("%1/reportsPDF").arg(m_appDir);
    // Not reported here: the PDF step makes the folder again when it needs it and reports
    // a failure then, with its reason.
    if (!QFileInfo(m_pdfDir).isDir())
        FileWrite::makePath(m_pdfDir);
}

MainWindow::~MainWindow()
{
    m_scanner->stopProcess();
    // Passes stop between entries; one hanging on an unreachable share must not hold the exit.
    Thread_Func::release(m_scanner);
    delete m_operators;
    delete m_progress;
    delete m_editReport;
    delete m_allSettings;
    delete m_debugTcp;
    delete m_about;
    delete m_history;
    delete m_lisMessages;
    delete ui;
}

void MainWindow::runStartupChecks()
{
    if (!QFileInfo(m_templatesDir).isDir()) {
        warn(LocaleText::NoTemplatesFolder);
        m_startupBlocked = true;
    }
    const unsigned char rows[] = {LocaleText::NoTemplate1, LocaleText::NoTemplate2,
                                  LocaleText::NoTemplate3};
    for (int type = 1; type <= 3; ++type) {
        const bool present =
            QFileInfo::exists(
                QStringLiteral("%1/Shablon_type_%2_rus.html").arg(m_templatesDir).arg(type)) &&
            QFileInfo::exists(
                QStringLiteral("%1/Shablon_type_%2_eng.html").arg(m_templatesDir).arg(type));
        if (!present) {
            warn(rows[type - 1]);
            m_startupBlocked = true;
        }
    }
    if (!initAllSettings()) {
        warn(LocaleText::NoAllSettingsWindow);
        m_startupBlocked = true;
    }
    if (!initSettings()) {
        warn(LocaleText::NoSettingsWindow);
        m_startupBlocked = true;
    }
    if (!initProgress()) {
        warn(LocaleText::NoProgressWindow);
        m_startupBlocked = true;
    }
    if (!initEditReport()) {
        warn(LocaleText::NoEditorWindow);
        m_startupBlocked = true;
    }
    if (!init_debug_tcp())
        warn(LocaleText::NoDebugWindow);
    if (!initAbout())
        warn(LocaleText::NoAboutWindow);
}

void MainWindow::warn(unsigned char row)
{
    MessageBox::warning(ReadLocale(LocaleText::Attention), ReadLocale(row),
                        ReadLocale(LocaleText::Ok));
}

void MainWindow::LoadLocaleText()
{
    m_lang = SettingsStore::storedLanguage(QDir::currentPath());
    m_locale.load(m_lang);
}

QString MainWindow::ReadLocale(uchar index)
{
    return m_locale.text(index);
}

void MainWindow::components_desktop()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
    m_screenY = desktop.height() / 2;
    m_screenX = QGuiApplication::screens().size() > 1 ? desktop.width() / 4 : desktop.width() / 2;
}

void MainWindow::components_window()
{
    const QRect g = geometry();
    m_screenX = g.left() + g.width() / 2;
    m_screenY = g.top() + g.height() / 2;
}

void MainWindow::components_form_start()
{
    connections_initial_connection();
    menuBar()->hide();
    statusBar()->hide();
    setWindowTitle(m_lang == 0 ? QStringLiteral("Choose operator")
                               : QString::fromUtf8("Выберите оператора"));
    ui->cb_01->show();
    ui->pb_01->show();
    ui->pb_02->show();
    for (QWidget* w : QList<QWidget*>{ui->pb_03, ui->pb_04, ui->pb_05, ui->le_filter, ui->ListText,
                                      ui->label, ui->label_2, ui->label_3, ui->cb_02})
        w->hide();
    ui->cb_01->setGeometry(10, 10, 221, 22);
    ui->pb_01->setGeometry(240, 5, 31, 31);
    ui->pb_02->setGeometry(280, 5, 31, 31);
    ui->pb_01->setText(QString());
    ui->pb_02->setText(QString());
    ui->pb_01->setIcon(QIcon(QStringLiteral("%1/icons/text-editor.ico").arg(m_appDir)));
    ui->pb_02->setIcon(QIcon(QStringLiteral("%1/icons/login.ico").arg(m_appDir)));
    ui->pb_01->setToolTip(m_lang == 0 ? QStringLiteral("Edit the operators list")
                                      : QString::fromUtf8("Изменить список операторов"));
    ui->pb_02->setToolTip(m_lang == 0 ? QStringLiteral("Sign in") : QString::fromUtf8("Войти"));
    setWindowIcon(QIcon(QStringLiteral("%1/icons/doc.ico").arg(m_appDir)));
    setGeometry(m_screenX - 160, m_screenY - 20, 320, 41);
    setFixedSize(320, 41);
}

void MainWindow::components_form_main()
{
    menuBar()->show();
    statusBar()->show();
    setWindowTitle(m_currentOperator);
    ui->cb_01->clear();
    for (QWidget* w : QList<QWidget*>{ui->cb_01, ui->pb_01, ui->pb_02, ui->pb_03, ui->pb_04,
                                      ui->pb_05, ui->le_filter, ui->ListText, ui->label,
                                      ui->label_2, ui->label_3, ui->cb_02})
        w->show();
    for (QWidget* w : QList<QWidget*>{ui->pb_01, ui->pb_02, ui->pb_03, ui->pb_04, ui->pb_05,
                                      ui->le_filter, ui->cb_02})
        w->setEnabled(false);
    ui->cb_01->setGeometry(10, 30, 181, 22);
    ui->pb_01->setGeometry(10, 420, 121, 31);
    ui->pb_02->setGeometry(140, 420, 121, 31);
    ui->ListText->setGeometry(10, 60, 511, 351);

    ui->pb_01->setText(QString::fromUtf8("Новый"));
    ui->pb_02->setText(QString::fromUtf8("Изменить"));
    ui->pb_03->setText(QString::fromUtf8("Просмотреть"));
    ui->pb_04->setText(QString::fromUtf8("Напечатать"));
    ui->label->setText(QString::fromUtf8("Тип анализа"));
    ui->label_2->setText(QString::fromUtf8("Фильтр"));
    ui->label_3->setText(QString::fromUtf8("Тип расчета"));
    if (m_lang == 0) {
        ui->pb_01->setText(QStringLiteral("New"));
        ui->pb_02->setText(QStringLiteral("Edit"));
        ui->pb_03->setText(QStringLiteral("View"));
        ui->pb_04->setText(QStringLiteral("Print"));
        ui->label->setText(QStringLiteral("Analysis type"));
        ui->label_2->setText(QStringLiteral("Filter"));
        ui->label_3->setText(QStringLiteral("Calculation type"));
        ui->menuFile->setTitle(QStringLiteral("File"));
        ui->actionMake_new->setText(QStringLiteral("Make new"));
        ui->actionEdit_current->setText(QStringLiteral("Edit current"));
        ui->actionView_current->setText(QStringLiteral("View current"));
        ui->actionPrint_current->setText(QStringLiteral("Print current"));
        ui->actionExit->setText(QStringLiteral("Exit"));
        ui->menuConfig->setTitle(QStringLiteral("Settings"));
        ui->actionSettingsTest->setText(QStringLiteral("Settings"));
        ui->menuHelp->setTitle(QStringLiteral("Help"));
        ui->actionAbout->setText(QStringLiteral("About"));
        ui->actionContest_help->setText(QStringLiteral("User manual"));
        ui->action_TCP_debug->setText(QStringLiteral("Debug"));
    }
    const QString icons = QStringLiteral("%1/icons/").arg(m_appDir);
    ui->pb_01->setIcon(QIcon(icons + QStringLiteral("new.ico")));
    ui->pb_02->setIcon(QIcon(icons + QStringLiteral("edit.ico")));
    ui->pb_03->setIcon(QIcon(icons + QStringLiteral("view.ico")));
    ui->pb_04->setIcon(QIcon(icons + QStringLiteral("print.ico")));
    ui->pb_05->setIcon(QIcon(icons + QStringLiteral("refresh.ico")));
    ListWidgetFill::loadStateIcons(QStringLiteral("%1/icons").arg(m_appDir));
    // The two sign-in buttons have their texts now.
    ui->pb_01->setToolTip(QString());
    ui->pb_02->setToolTip(QString());
    ui->pb_05->setToolTip(m_lang == 0 ? QStringLiteral("Refresh the list")
                                      : QString::fromUtf8("Обновить список"));
    for (QAction* a : {ui->actionMake_new, ui->actionEdit_current, ui->actionView_current,
                       ui->actionPrint_current})
        a->setEnabled(false);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setGeometry(m_screenX - 267, m_screenY - 250, 534, 501);
    setFixedSize(534, 501);
}

void MainWindow::connections_initial_connection()
{
    connect(ui->pb_01, &QPushButton::clicked, this, &MainWindow::showSettings);
    connect(ui->pb_02, &QPushButton::clicked, this, &MainWindow::login_procedure);
    // Enter signs in, unless the operators list button has the focus: that one opens its editor.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this, this, [this] {
            QPushButton* target = focusWidget() == ui->pb_01 ? ui->pb_01 : ui->pb_02;
            if (target->isEnabled())
                target->click();
        });
        enter->setObjectName(QStringLiteral("signInEnter"));
    }
    if (m_operators) {
        connect(m_operators, &settings::UpdateListOperators, this,
                &MainWindow::common_refresh_list_operators);
        if (m_allSettings)
            connect(m_operators, &settings::SaveNewListOperators, m_allSettings,
                    &settings_common::SaveListOperators);
    }
}

void MainWindow::connections_login_to_main()
{
    disconnect(ui->pb_01, &QPushButton::clicked, this, &MainWindow::showSettings);
    disconnect(ui->pb_02, &QPushButton::clicked, this, &MainWindow::login_procedure);
    // Later: Enter in the list activates an entry. Its own activation may be running still.
    for (QShortcut* enter : findChildren<QShortcut*>(QStringLiteral("signInEnter"))) {
        enter->setEnabled(false);
        enter->deleteLater();
    }
    if (m_operators) {
        disconnect(m_operators, &settings::UpdateListOperators, this,
                   &MainWindow::common_refresh_list_operators);
        if (m_allSettings)
            disconnect(m_operators, &settings::SaveNewListOperators, m_allSettings,
                       &settings_common::SaveListOperators);
    }
    if (m_allSettings) {
        connect(m_allSettings, &settings_common::NewPath, this, &MainWindow::updateWorkDir);
        connect(m_allSettings, &settings_common::NewIp, this, &MainWindow::Update_Network);
    }
    connect(ui->actionExit, &QAction::triggered, this, &QWidget::close);
    connect(ui->cb_01, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::Analys_TypeChanged_cb01);
    connect(ui->cb_02, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::Analys_TypeChanged_cb02);
    connect(ui->ListText, &QListWidget::activated, this, &MainWindow::proc_ListText_Clicked);
    connect(ui->pb_01, &QPushButton::clicked, this, &MainWindow::proc_Clicked_New);
    connect(ui->actionMake_new, &QAction::triggered, this, &MainWindow::proc_Clicked_New);
    connect(ui->pb_02, &QPushButton::clicked, this, &MainWindow::proc_Clicked_Edit);
    connect(ui->actionEdit_current, &QAction::triggered, this, &MainWindow::proc_Clicked_Edit);
    connect(ui->pb_03, &QPushButton::clicked, this, &MainWindow::proc_Clicked_View);
    connect(ui->actionView_current, &QAction::triggered, this, &MainWindow::proc_Clicked_View);
    connect(ui->pb_04, &QPushButton::clicked, this, &MainWindow::proc_Clicked_Print);
    connect(ui->actionPrint_current, &QAction::triggered, this, &MainWindow::proc_Clicked_Print);
    connect(ui->pb_05, &QPushButton::clicked, this, &MainWindow::Filter_ApplyCustomFilter);
    connect(ui->actionContest_help, &QAction::triggered, this, &MainWindow::proc_Clicked_Help);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui->actionSettingsTest, &QAction::triggered, this, &MainWindow::showAllSettings);
    connect(m_link->refreshTimer(), &QTimer::timeout, this, &MainWindow::tmr_refreshInfo);

    auto* service = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F12")), this);
    connect(service, &QShortcut::activated, this, &MainWindow::openServiceCommand);
    connections_batch();
}

void MainWindow::common_refresh_list_operators(QStringList newOpList)
{
    ui->cb_01->clear();
    ui->cb_01->addItems(newOpList);
    ui->pb_02->setEnabled(true);
}

void MainWindow::login_procedure()
{
    m_currentOperator = ui->cb_01->currentText();
    m_editReport->setOperator(m_currentOperator);
    m_selectedRow = -1;
    components_form_main();
    Analys_LoadType();
    Analys_UpdateList();
    connections_login_to_main();
    statusBar()->showMessage(
        m_lang == 0 ? QStringLiteral("Logged ") : QString::fromUtf8("Вход выполнен"), 1500);
    tmr_refreshInfo();
    m_link->startPolling();
    // What a crash left half done is finished (or undone) before the first report is opened;
    // the operator is known by now, for a lock that has to be broken.
    m_unit->recoverAll(m_currentOperator, m_lang);
}

bool MainWindow::initSettings()
{
    if (!m_operators)
        m_operators = new settings();
    return true;
}

void MainWindow::showSettings()
{
    m_operators->ShowWindow(m_allSettings->is_op_List());
    components_window();
    m_operators->ChangeGeometry(m_screenX, m_screenY);
    m_operators->SetLang(m_lang);
}

bool MainWindow::initProgress()
{
    if (!m_progress) {
        m_progress = new ProgressInfo();
        connect(this, &MainWindow::nextStageProgress, m_progress, &ProgressInfo::nextStage);
        connect(m_progress, &ProgressInfo::stopRequested, this, &MainWindow::askStopCalculation);
        m_progress->SetLang(m_lang);
    }
    return true;
}

void MainWindow::showProgress()
{
    m_progress->show();
    m_progress->activateWindow(); // Esc reaches it without a click first
    components_window();
    m_progress->SetCoord(m_screenX, m_screenY);
}

bool MainWindow::initEditReport()
{
    if (!m_editReport) {
        m_editReport = new editReport();
        connect(m_editReport, &editReport::signalSavePDF, this, &MainWindow::proc_Save_PDF);
        m_editReport->LoadIcons(m_appDir);
    }
    return true;
}

void MainWindow::showEditReport(QString folderN)
{
    m_editReport->ShowWindow(folderN, true);
    components_window();
    m_editReport->SetPosition(m_screenX, m_screenY);
    m_editReport->SetLang(m_lang);
}

void MainWindow::showViewReport(QString folderN)
{
    m_editReport->ShowWindow(folderN, false);
    components_window();
    m_editReport->SetPosition(m_screenX, m_screenY);
    m_editReport->SetLang(m_lang);
}

bool MainWindow::initAllSettings()
{
    if (!m_allSettings) {
        m_allSettings = new settings_common();
        m_allSettings->SetappDir(m_appDir);
        // Messages about the settings file already follow the interface language.
        m_allSettings->SetLang(m_lang);
        if (!m_allSettings->LoadSettings())
            warn(LocaleText::NoSettingsFile);
    }
    return true;
}

void MainWindow::showAllSettings()
{
    components_window();
    m_allSettings->SetCoord(m_screenX, m_screenY);
    m_allSettings->ShowWindow();
    m_allSettings->SetLang(m_lang);
}

bool MainWindow::init_debug_tcp()
{
    if (!m_debugTcp) {
        m_debugTcp = new Debug_TCP();
        connect(ui->action_TCP_debug, &QAction::triggered, m_debugTcp, &QWidget::show);
    }
    return true;
}

void MainWindow::show_debug_tcp()
{
    m_debugTcp->show();
}

bool MainWindow::initAbout()
{
    if (!m_about)
        m_about = new about();
    return true;
}

void MainWindow::showAbout()
{
    m_about->show();
    components_window();
    m_about->ChangeGeometry(m_screenX, m_screenY);
}

void MainWindow::proc_Clicked_Help()
{
    m_pdfOpener->openManual(QStringLiteral("%1/help/User manual.pdf").arg(m_appDir));
}

void MainWindow::openServiceCommand()
{
    const bool en = m_lang == 0;
    QInputDialog dialog(this);
    dialog.setWindowTitle(en ? QStringLiteral("Service command")
                             : QStringLiteral("Сервисная команда"));
    dialog.setLabelText(en ? QStringLiteral("Command:") : QStringLiteral("Команда:"));
    dialog.setOkButtonText(ReadLocale(LocaleText::Ok));
    dialog.setCancelButtonText(en ? QStringLiteral("Cancel") : QStringLiteral("Отмена"));
    if (dialog.exec() == QDialog::Accepted && !dialog.textValue().isEmpty())
        nw_proc_SendSpecial(dialog.textValue());
}
