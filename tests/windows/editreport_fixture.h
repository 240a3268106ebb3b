#pragma once

#include "app/messagebox.h"
#include "windows/editreport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

namespace fixture {

inline const char kPremade[] =
    "<html><body><h1>Отчет</h1>\n<p>Name: $TypeProbe</p><p>Code: $ProbeID</p>\n"
    "<p>Patient: $PatientID</p><p>Again $PatientID</p>\n<p>$Conclusion</p></body></html>\n";

inline QString u(const char* s)
{
    return QString::fromUtf8(s);
}

inline QString readUtf8(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(f.readAll()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The premade text with its placeholders filled by plain values (no HTML specials).
inline QString expectedPage(const QString& name, const QString& id, const QString& patient, const QString& conclusion)
{
    return QString::fromUtf8(kPremade)
        .replace(QLatin1String("$TypeProbe"), name)
        .replace(QLatin1String("$ProbeID"), id)
        .replace(QLatin1String("$PatientID"), patient)
        .replace(QLatin1String("$Conclusion"), conclusion);
}

inline QString iniValue(const QString& folder, const QString& key)
{
    QSettings ini(folder + QLatin1String("/report.ini"), QSettings::IniFormat);
    return ini.value(QLatin1String("ReportData/") + key, QStringLiteral("<absent>")).toString();
}

// The printed name, code, patient and conclusion stored in report.ini.
inline QStringList printed(const QString& folder)
{
    QStringList values;
    for (const char* key : {"ProbeNamePrint", "ProbeIDPrint", "PatientPrint", "ConclusionPrint"})
        values << iniValue(folder, QLatin1String(key));
    return values;
}

} // namespace fixture

using namespace fixture;

// Report folders in a temporary directory, and short ways to reach the window's widgets.
class EditReportFixture : public QObject
{
protected:
    QTemporaryDir m_tmp;

    // A report folder as production leaves it: report.ini, premade page and final page.
    QString makeReport(const QString& name, const QString& code, bool withPremade = true)
    {
        const QString folder = m_tmp.path() + QLatin1String("/reports/") + name;
        QDir().mkpath(folder);
        QSettings ini(folder + QLatin1String("/report.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("FolderPath"), m_tmp.path());
        const QStringList pairs{"ProbeCode", code, "ProbeNamePDF", name, "ProbeIDDefault", code,
                                "ProbeIDPrint", QString(code + "-p"), "ProbeNameDefault", u("Кровь"),
                                "ProbeNamePrint", u("Кровь, венозная"), "PatientDefault", u("Иванов И.И."),
                                "PatientPrint", u("Иванов Иван"), "ConclusionDefault", "Default one<br>Default two",
                                "ConclusionPrint", "first line<br>second line"};
        for (int i = 0; i < pairs.size(); i += 2)
            ini.setValue(QLatin1String("ReportData/") + pairs.at(i), pairs.at(i + 1));
        ini.sync();
        if (withPremade)
            writeBytes(folder + '/' + code + "_report_premade.html", QByteArray(kPremade));
        writeBytes(reportHtml(folder, code), QByteArray("ORIGINAL PAGE"));
        return folder;
    }
    static QString reportHtml(const QString& folder, const QString& code) { return folder + '/' + code + "_report.html"; }

    template <typename T = QPushButton> static T* child(editReport& w, const QString& name)
    {
        T* c = w.findChild<T*>(name);
        if (!c)
            qFatal("missing child %s", qPrintable(name));
        return c;
    }
    static QLineEdit* edit(editReport& w, const char* name) { return child<QLineEdit>(w, QLatin1String(name)); }
    static QPlainTextEdit* conclusion(editReport& w) { return child<QPlainTextEdit>(w, QStringLiteral("plainTextEdit")); }
    static void click(editReport& w, const QString& name) { QTest::mouseClick(child(w, name), Qt::LeftButton); }
    void setUpFixture()
    {
        QVERIFY(m_tmp.isValid());
        MessageBox::setAutoAnswer(true);
    }
};
