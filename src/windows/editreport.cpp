#include "windows/editreport.h"

#include "app/messagebox.h"
#include "report/reporthtml.h"
#include "report/reportrecord.h"
#include "ui_editreport.h"

#include <QIcon>
#include <QPixmap>
#include <QUrl>
#include <QWebSettings>

namespace {

const QLatin1String kBr("<br>");
const QLatin1Char kLf('\n');

QIcon iconFrom(const QString& path)
{
    const QPixmap pixmap(path);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QString conclusionForEditor(QString stored)
{
    return stored.replace(kBr, QString(kLf));
}

QString conclusionForStore(QString typed)
{
    return typed.replace(kLf, kBr);
}

} // namespace

editReport::editReport(QWidget* parent) : QWidget(parent), ui(new Ui::editReport)
{
    // setupUi also wires the toggles to their fields, Exit to close() and the copy
    // buttons to their on_..._clicked slots by object name.
    ui->setupUi(this);
    setObjectName(QStringLiteral("editReport"));
    setWindowModality(Qt::ApplicationModal);
    resize(958, 791);
    setWindowFlags(Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    // Report pages are local documents; nothing in them needs to run.
    QWebSettings* web = ui->webView->settings();
    web->setAttribute(QWebSettings::JavascriptEnabled, false);
    web->setAttribute(QWebSettings::PluginsEnabled, false);
    web->setAttribute(QWebSettings::JavaEnabled, false);

    connect(ui->pb_Apply, &QPushButton::clicked, this, &editReport::procApply);
    connect(ui->pbDefault, &QPushButton::clicked, this, &editReport::procDefaultNames);
}

editReport::~editReport()
{
    delete ui;
}

void editReport::SetPosition(int g_w, int g_h)
{
    setGeometry(g_w - 479, g_h - 395, 958, 791);
    setFixedSize(958, 791);
}

void editReport::ShowWindow(QString folderName, bool mode)
{
    reportIniPath = QStringLiteral("%1/report.ini").arg(folderName);
    const QString probeCode = ReportRecord::readProbeCode(reportIniPath);
    const ReportRecord::PrintValues printed = ReportRecord::readPrint(reportIniPath);

    // Never keep the text of an earlier report: Apply would write it over this one.
    premadeHtml = ReportHtml::readTemplate(
        QStringLiteral("%1/%2_report_premade.html").arg(folderName, probeCode));
    premadeLoaded = !premadeHtml.isEmpty();

    reportHtmlPath = QStringLiteral("%1/%2_report.html").arg(folderName, probeCode);
    ui->webView->load(QUrl::fromLocalFile(reportHtmlPath));

    if (mode) {
        ui->pb_Exit->setGeometry(840, 748, 101, 31);
        ui->webView->setGeometry(10, 10, 941, 601);
        ui->lePatientOld->setText(printed.patient);
        ui->leProbeNameOld->setText(printed.probeName);
        ui->leProbeCodeOld->setText(printed.probeId);
        resetFieldRows();
        ui->plainTextEdit->clear();
        ui->plainTextEdit->setPlainText(conclusionForEditor(printed.conclusion));
        setEditControlsVisible(true);
    } else {
        ui->pb_Exit->setGeometry(850, 755, 101, 31);
        ui->webView->setGeometry(10, 10, 941, 741);
        setEditControlsVisible(false);
    }
    show();
}

void editReport::LoadIcons(QString appDirPath)
{
    const QIcon copy = iconFrom(QStringLiteral("%1/icons/copy_value.png").arg(appDirPath));
    const QIcon edit = iconFrom(QStringLiteral("%1/icons/edit_value.png").arg(appDirPath));
    for (QPushButton* b : {ui->pb_CopyProbeName, ui->pb_CopyProbeID, ui->pb_CopyPatient})
        b->setIcon(copy);
    for (QPushButton* b : {ui->cb_NewProbeName, ui->cb_NewProbeID, ui->cb_NewPatient})
        b->setIcon(edit);
}

void editReport::SetLang(uchar lang)
{
    m_language = lang == 0 ? 0 : 1;
    if (lang != 0)
        return;
    ui->pbDefault->setText(QStringLiteral("Default"));
    ui->pb_Apply->setText(QStringLiteral("Apply"));
    ui->pb_Exit->setText(QStringLiteral("Exit"));
    ui->label->setText(QStringLiteral("Conclusion"));
    ui->label_2->setText(QStringLiteral("Analysis code"));
    ui->label_3->setText(QStringLiteral("New analysis code"));
    ui->label_4->setText(QStringLiteral("Patient name"));
    ui->label_5->setText(QStringLiteral("New patient name"));
    ui->label_7->setText(QStringLiteral("New analysis name"));
    ui->label_8->setText(QStringLiteral("Analysis name"));
}

void editReport::procApply()
{
    if (reportIniPath.isEmpty())
        return; // no report shown yet

    ReportRecord::PrintValues values;
    values.probeName = ui->cb_NewProbeName->isChecked() ? ui->leProbeNameNew->text()
                                                        : ui->leProbeNameOld->text();
    values.probeId = ui->cb_NewProbeID->isChecked() ? ui->leProbeCodeNew->text()
                                                    : ui->leProbeCodeOld->text();
    values.patient = ui->cb_NewPatient->isChecked() ? ui->lePatientNew->text()
                                                    : ui->lePatientOld->text();
    values.conclusion = conclusionForStore(ui->plainTextEdit->toPlainText());
    ReportRecord::writePrint(reportIniPath, values);

    if (premadeLoaded) {
        const ReportHtml::IdentityValues identity{values.probeName, values.probeId,
                                                  values.patient, values.conclusion};
        ReportHtml::writeUtf8(reportHtmlPath, ReportHtml::fillIdentity(premadeHtml, identity));
        emit signalSavePDF(reportHtmlPath);
    } else {
        warnNoPremade();
    }
    ui->webView->reload();
}

void editReport::procDefaultNames()
{
    const ReportRecord::PrintValues defaults = ReportRecord::readDefaults(reportIniPath);
    ui->leProbeNameOld->setText(defaults.probeName);
    ui->leProbeCodeOld->setText(defaults.probeId);
    ui->lePatientOld->setText(defaults.patient);
    ui->plainTextEdit->clear();
    ui->plainTextEdit->setPlainText(conclusionForEditor(defaults.conclusion));
    resetFieldRows();
    procApply();
}

void editReport::on_pb_CopyProbeName_clicked()
{
    ui->leProbeNameNew->setText(ui->leProbeNameOld->text());
}

void editReport::on_pb_CopyProbeID_clicked()
{
    ui->leProbeCodeNew->setText(ui->leProbeCodeOld->text());
}

void editReport::on_pb_CopyPatient_clicked()
{
    ui->lePatientNew->setText(ui->lePatientOld->text());
}

void editReport::resetFieldRows()
{
    ui->lePatientNew->clear();
    ui->leProbeNameNew->clear();
    ui->leProbeCodeNew->clear();
    ui->cb_NewPatient->setChecked(false);
    ui->cb_NewProbeID->setChecked(false);
    ui->cb_NewProbeName->setChecked(false);
    // Set explicitly: a toggle that was already unchecked sends no signal.
    for (QLineEdit* old : {ui->leProbeNameOld, ui->leProbeCodeOld, ui->lePatientOld})
        old->setEnabled(true);
    for (QLineEdit* fresh : {ui->leProbeNameNew, ui->leProbeCodeNew, ui->lePatientNew})
        fresh->setEnabled(false);
}

void editReport::setEditControlsVisible(bool visible)
{
    const QList<QWidget*> controls = {
        ui->cb_NewProbeName, ui->cb_NewProbeID,   ui->cb_NewPatient,  ui->pb_CopyProbeName,
        ui->pb_CopyProbeID,  ui->pb_CopyPatient,  ui->label,          ui->label_2,
        ui->label_3,         ui->label_4,         ui->label_5,        ui->label_6,
        ui->label_7,         ui->label_8,         ui->leProbeNameNew, ui->leProbeCodeNew,
        ui->lePatientNew,    ui->leProbeNameOld,  ui->leProbeCodeOld, ui->lePatientOld,
        ui->pb_Apply,        ui->pbDefault,       ui->line,           ui->plainTextEdit};
    for (QWidget* w : controls)
        w->setVisible(visible);
}

void editReport::warnNoPremade()
{
    if (m_language == 0) {
        MessageBox::warning(
            QStringLiteral("Attention"),
            QStringLiteral("The prepared report of this analysis could not be read. The new "
                           "values were saved in report.ini, but the report page and its PDF "
                           "were left unchanged."),
            QStringLiteral("Ok"));
    } else {
        MessageBox::warning(
            QString::fromUtf8("Внимание"),
            QString::fromUtf8("Не удалось прочитать заготовку отчета этого анализа. Новые "
                              "значения сохранены в report.ini, но страница отчета и его PDF "
                              "не изменены."),
            QString::fromUtf8("Ок"));
    }
}
