#pragma once

#include <QObject>
#include <QString>

class QWebPage;

// Prints a final report page on paper: the web engine lays the page out as it does for the
// report's PDF, and the page goes to the printer the user picks in the print dialog.
class ReportPrinter : public QObject
{
    Q_OBJECT

  public:
    explicit ReportPrinter(QObject* parent = nullptr);

    // Loads the page, then asks for the printer. A failure is told in the language (0 English).
    void print(const QString& pagePath, unsigned char lang);

  private:
    void pageLoaded(bool ok);
    void fail(const QString& text);

    QWebPage* m_page = nullptr;
    QString m_path;
    unsigned char m_lang = 0;
    bool m_loading = false;
};
