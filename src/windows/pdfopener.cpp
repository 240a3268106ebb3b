#include "windows/pdfopener.h"

#include <QDir>
#include <QFileInfo>

#include "app/messagebox.h"
#include "report/reportrecord.h"
#include "windows/reportprinter.h"

PdfOpener::PdfOpener(unsigned char lang, QObject* parent)
    : QObject(parent)
    , m_lang(lang)
    , m_launch(new ViewerLaunch(this))
    , m_printer(new ReportPrinter(this))
{
    connect(m_launch, &ViewerLaunch::failed, this, &PdfOpener::failed);
}

QString PdfOpener::text(const char* english, const char* russian) const
{
    return QString::fromUtf8(m_lang == 0 ? english : russian);
}

void PdfOpener::openManual(const QString& pdfPath)
{
    if (!QFileInfo::exists(pdfPath)) {
        warn(text("The user manual was not found:\n%1", "Инструкция пользователя не найдена:\n%1")
                 .arg(QDir::toNativeSeparators(pdfPath)));
        return;
    }
    m_pending.insert(pdfPath, {Kind::Manual, QString()});
    m_launch->open(pdfPath, QStringLiteral("application/pdf"));
}

void PdfOpener::openReport(const QString& pdfPath, const QString& reportFolder)
{
    m_pending.insert(pdfPath, {Kind::Report, reportFolder});
    m_launch->open(pdfPath, QStringLiteral("application/pdf"));
}

void PdfOpener::failed(const QString& path, ViewerLaunch::Failure failure, int exitCode)
{
    const Pending pending = m_pending.value(path, {Kind::Manual, QString()});
    if (pending.kind == Kind::Folder) {
        warn(text("No program to show folders was found. The PDF file of the report is:\n%1",
                  "Не найдена программа для просмотра папок. PDF-файл отчета:\n%1")
                 .arg(QDir::toNativeSeparators(pending.other)));
        return;
    }
    const QString why =
        failure == ViewerLaunch::Failure::NoProgram
            ? text("No program to open PDF files was found.",
                   "Не найдена программа для открытия PDF.")
            : text("The PDF viewer could not show the file (it ended with code %1).",
                   "Программа просмотра PDF не смогла показать файл (код завершения %1).")
                  .arg(exitCode);
    if (pending.kind == Kind::Report)
        offerOtherWays(path, pending.other, why);
    else
        warn(why);
}

void PdfOpener::offerOtherWays(const QString& pdfPath, const QString& reportFolder,
                               const QString& why)
{
    enum { PrintPage, OpenFolder, Close };
    const int chosen = MessageBox::choice(
        MessageBox::Warning, text("Attention", "Внимание"), why,
        text("You can print the report through the print dialog instead, or open the folder "
             "that holds its PDF file.",
             "Отчет можно напечатать через окно печати или открыть папку с его PDF-файлом."),
        {text("Print…", "Печать…"), text("Open the folder", "Открыть папку"),
         text("Close", "Закрыть")},
        Close);
    if (chosen == PrintPage) {
        const QString code =
            ReportRecord::readProbeCode(QStringLiteral("%1/report.ini").arg(reportFolder));
        m_printer->print(QStringLiteral("%1/%2_report.html").arg(reportFolder, code), m_lang);
    } else if (chosen == OpenFolder) {
        const QString folder = QFileInfo(pdfPath).absolutePath();
        m_pending.insert(folder, {Kind::Folder, pdfPath});
        m_launch->open(folder, QStringLiteral("inode/directory"));
    }
}

void PdfOpener::warn(const QString& message)
{
    MessageBox::warning(text("Attention", "Внимание"), message, text("Ok", "Ок"));
}
