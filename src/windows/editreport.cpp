#include "windows/editreport.h"
#include "config/languagetext.h"

#include "app/messagebox.h"
#include "report/filewrite.h"
#include "report/reporthtml.h"
#include "report/reportrecord.h"
#include "report/reportunit.h"
#include "windows/reasondialog.h"
#include "ui_editreport.h"

#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <limits>
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

// toPlainText() would turn non-breaking spaces into plain ones; the raw text keeps every
// character and only marks paragraph ends, which setPlainText made from line feeds.
QString conclusionForStore(const QPlainTextEdit* editor)
{
    QString typed = editor->document()->toRawText();
    typed.replace(QChar::ParagraphSeparator, kLf);
    return typed.replace(kLf, kBr);
}

} // namespace

editReport::editReport(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::editReport)
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

    // A printed value may be longer than a line edit's default limit; cutting it would store
    // the cut at the next Apply.
    for (QLineEdit* field : {ui->leProbeNameOld, ui->leProbeCodeOld, ui->lePatientOld,
                             ui->leProbeNameNew, ui->leProbeCodeNew, ui->lePatientNew})
        field->setMaxLength(std::numeric_limits<int>::max());
    setUpGuards();
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
    m_folder = folderName;
    m_producedTx = ReportRecord::readProducedTx(reportIniPath);
    const QString probeCode = ReportRecord::readProbeCode(reportIniPath);
    const ReportRecord::PrintValues printed = ReportRecord::readPrint(reportIniPath);
    m_shown = printed;

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
        showConclusion(printed.conclusion);
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
    setToolTips();
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
    if (!confirmEmptyValues())
        return;
    if (reportIniPath.isEmpty())
        return; // no report shown yet
    // Unchanged fields keep the value as it was stored, whatever a widget would make of it.
    ReportRecord::PrintValues values;
    values.probeName =
        ui->cb_NewProbeName->isChecked() ? ui->leProbeNameNew->text() : m_shown.probeName;
    values.probeId = ui->cb_NewProbeID->isChecked() ? ui->leProbeCodeNew->text() : m_shown.probeId;
    values.patient = ui->cb_NewPatient->isChecked() ? ui->lePatientNew->text() : m_shown.patient;
    const QString typed = conclusionForStore(ui->plainTextEdit);
    values.conclusion = typed == m_shownConclusion ? m_shown.conclusion : typed;
    applyValues(values);
}

void editReport::applyValues(const ReportRecord::PrintValues& values)
{
    if (!m_unit)
        return;
    // A record that cannot be read shows empty values; say so rather than do nothing.
    const FileWrite::Result readable = FileWrite::checkIniReadable(reportIniPath, true);
    if (!readable) {
        warn(FileWrite::message(readable, m_language) % QLatin1Char('\n') %
             pickText(m_language, "Nothing was saved.", "Ничего не сохранено."));
        return;
    }
    // Nothing changed: nothing to ask, nothing to write.
    if (values.probeName == m_shown.probeName && values.probeId == m_shown.probeId &&
        values.patient == m_shown.patient && values.conclusion == m_shown.conclusion)
        return;
    // A released report is amended, never silently overwritten: the reason is printed on it
    // and kept in its history.
    QString reason;
    if (m_unit->isFinished(QFileInfo(m_folder).fileName()) &&
        !ReasonDialog::ask(m_language, &reason, this))
        return;
    ReportUnit::Change change;
    change.reason = reason;
    change.reportFolder = m_folder;
    change.shown = m_shown;
    change.values = values;
    change.operatorName = m_operator;
    change.producedTx = m_producedTx;
    change.language = m_language;
    const Outcome outcome = m_unit->apply(change);
    if (outcome.failure == Failure::ChangedElsewhere || outcome.failure == Failure::ProducedAgain) {
        warn(outcome.message);
        ShowWindow(m_folder, true); // what is stored now, with nothing typed kept
        return;
    }
    if (!outcome.ok()) {
        warn(outcome.message);
        return;
    }
    // What is stored now is what the window stands for; the fields keep what they show.
    m_shown = ReportRecord::readPrint(reportIniPath);
    m_shownConclusion = conclusionForStore(ui->plainTextEdit);
    premadeHtml =
        ReportHtml::readTemplate(QStringLiteral("%1/%2_report_premade.html")
                                     .arg(m_folder, ReportRecord::readProbeCode(reportIniPath)));
    premadeLoaded = !premadeHtml.isEmpty();
    ui->webView->reload();
}

void editReport::procDefaultNames()
{
    if (reportIniPath.isEmpty())
        return;
    const ReportRecord::PrintValues defaults = ReportRecord::readDefaults(reportIniPath);
    ui->leProbeNameOld->setText(defaults.probeName);
    ui->leProbeCodeOld->setText(defaults.probeId);
    ui->lePatientOld->setText(defaults.patient);
    resetFieldRows();
    const QString before = m_shownConclusion;
    showConclusion(defaults.conclusion);
    m_shownConclusion = before;
    applyValues(defaults);
}

void editReport::showConclusion(const QString& stored)
{
    ui->plainTextEdit->clear();
    ui->plainTextEdit->setPlainText(conclusionForEditor(stored));
    m_shownConclusion = conclusionForStore(ui->plainTextEdit);
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
        ui->cb_NewProbeName, ui->cb_NewProbeID,  ui->cb_NewPatient,  ui->pb_CopyProbeName,
        ui->pb_CopyProbeID,  ui->pb_CopyPatient, ui->label,          ui->label_2,
        ui->label_3,         ui->label_4,        ui->label_5,        ui->label_6,
        ui->label_7,         ui->label_8,        ui->leProbeNameNew, ui->leProbeCodeNew,
        ui->lePatientNew,    ui->leProbeNameOld, ui->leProbeCodeOld, ui->lePatientOld,
        ui->pb_Apply,        ui->pbDefault,      ui->line,           ui->plainTextEdit};
    for (QWidget* w : controls)
        w->setVisible(visible);
}

void editReport::warn(const QString& text)
{
    MessageBox::warning(pickText(m_language, "Attention", "Внимание"), text,
                        pickText(m_language, "Ok", "Ок"));
}
