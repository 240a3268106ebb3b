#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include "app/viewerlaunch.h"

class ReportPrinter;

// Print and Help > User manual: hands a PDF to the desktop's viewer and tells the user when
// nothing showed it. For a report it then offers the other ways on: its page through the
// print dialog, or the folder that holds its PDF.
class PdfOpener : public QObject
{
    Q_OBJECT

  public:
    explicit PdfOpener(unsigned char lang, QObject* parent = nullptr);

    void openManual(const QString& pdfPath);
    // reportFolder: the report folder whose final page Print... prints.
    void openReport(const QString& pdfPath, const QString& reportFolder);

  private:
    enum class Kind { Manual, Report, Folder };
    struct Pending
    {
        Kind kind;
        QString other; // Report: its folder; Folder: the PDF inside it
    };

    void failed(const QString& path, ViewerLaunch::Failure failure, int exitCode);
    void offerOtherWays(const QString& pdfPath, const QString& reportFolder, const QString& why);
    void warn(const QString& text);
    QString text(const char* english, const char* russian) const;

    unsigned char m_lang;
    ViewerLaunch* m_launch = nullptr;
    ReportPrinter* m_printer = nullptr;
    QHash<QString, Pending> m_pending;
};
