#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "report/history.h"

class QLabel;
class QPushButton;
class QTableWidget;

// The change history of one report, newest entry first, read-only. Copy puts the list on the
// clipboard as text, one entry a line with its columns separated by tabs.
class historyReport : public QWidget
{
    Q_OBJECT

public:
    explicit historyReport(QWidget* parent = nullptr);

    // The list as Copy puts it on the clipboard.
    QString listText() const;

public slots:
    void SetPosition(int g_w, int g_h);
    void ShowWindow(QString folderName);
    void SetLang(uchar lang);

private slots:
    void copyList();

private:
    void fill();

    QTableWidget* m_list = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_exit = nullptr;
    QString m_folderName;
    QList<History::Entry> m_entries;
    FileWrite::Result m_readError;
    uchar m_language = 1;
};
