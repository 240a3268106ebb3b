#include "windows/reportprinter.h"
#include "config/languagetext.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>

#include "app/messagebox.h"
#include "app/printdialog.h"

ReportPrinter::ReportPrinter(QObject* parent)
    : QObject(parent)
    , m_page(new QWebPage(this))
{
    // Report pages are local documents built from exported and typed texts.
    m_page->settings()->setAttribute(QWebSettings::JavascriptEnabled, false);
    m_page->settings()->setAttribute(QWebSettings::PluginsEnabled, false);
    connect(m_page, &QWebPage::loadFinished, this, &ReportPrinter::pageLoaded);
}

void ReportPrinter::print(const QString& pagePath, unsigned char lang)
{
    m_path = pagePath;
    m_lang = lang;
    m_loading = true;
    m_page->mainFrame()->load(QUrl::fromLocalFile(pagePath));
}

void ReportPrinter::pageLoaded(bool ok)
{
    if (!m_loading)
        return;
    m_loading = false;
    if (!ok) {
        fail(pickText(m_lang, "The report page \"%1\" could not be loaded, so nothing was printed.",
                      "Не удалось загрузить страницу отчета \"%1\", поэтому ничего не напечатано.")
                 .arg(QDir::toNativeSeparators(m_path)));
        return;
    }
    // Set up as for the report's PDF, so paper and PDF show the same layout.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QPrinter printer(info, QPrinter::ScreenResolution);
    if (info.isNull())
        printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    if (!PrintDialog::exec(&printer, nullptr))
        return;
    m_page->mainFrame()->print(&printer);
    if (printer.printerState() == QPrinter::Error) {
        const QString target =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        fail(pickText(m_lang, "The report could not be printed on \"%1\".",
                      "Не удалось напечатать отчет на \"%1\".")
                 .arg(target));
    }
}

void ReportPrinter::fail(const QString& text)
{
    MessageBox::warning(pickText(m_lang, "Attention", "Внимание"), text,
                        pickText(m_lang, "Ok", "Ок"));
}
