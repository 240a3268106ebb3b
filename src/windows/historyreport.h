#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "report/history.h"

class QLabel;
class QPushButton;
class QTableWidget;

// The change history of one report, newest entry first, read-only. Copy puts the list on the
// clipboard as text, one entry a line with its columns separated by tabs. An entry that made a
// version of the PDF shows its number and reason, and Open version opens that PDF. On opening,
// the window checks that the history and the PDFs are as they were written, and warns when not.
class historyReport : public QWidget
{
    Q_OBJECT

  public:
    explicit historyReport(QWidget* parent = nullptr);

    // The list as Copy puts it on the clipboard.
    QString listText() const;

    // For the next ShowWindow only: the report's current PDF and version, and the hash of the
    // history's last line as recorded with the report. Without them only the chain and the
    // archived versions are checked.
    void setCurrent(const QString& pdfPath, int version, const QString& expectedHead);

  public slots:
    void SetPosition(int g_w, int g_h);
    void ShowWindow(QString folderName);
    void SetLang(uchar lang);

  private slots:
    void copyList();
    void openVersion();

  private:
    void fill();
    const History::Entry* selectedEntry() const;

    QTableWidget* m_list = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_open = nullptr;
    QString m_folderName;
    QList<History::Entry> m_entries;
    QMap<int, QString> m_versionFiles;
    History::Verdict m_verdict;
    QString m_currentPdf, m_expectedHead;
    int m_currentVersion = 0;
    FileWrite::Result m_readError;
    uchar m_language = 1;
};
