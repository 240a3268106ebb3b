#pragma once

#include "app/messagebox.h"
#include "windows/editreport.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <QtTest>

namespace fixture {

inline const char kPremade[] =
    "<html><body><h1>Отчет</h1>\n<p>Name: $TypeProbe</p><p>Code: $ProbeID</p>\n"
    "<p>Patient: $PatientID</p><p>Again $PatientID</p>\n<p>$Conclusion</p></body></html>\n";

struct Values {
    QString name, id, patient, conclusion;
};

inline QString u(const char* s)
{
    return QString::fromUtf8(s);
}

inline QString readUtf8(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    QString text = QString::fromUtf8(f.readAll());
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The premade text with the four placeholders filled by plain values (no HTML specials).
inline QString expectedPage(const Values& v)
{
    QString page = QString::fromUtf8(kPremade);
    page.replace(QLatin1String("$TypeProbe"), v.name);
    page.replace(QLatin1String("$ProbeID"), v.id);
    page.replace(QLatin1String("$PatientID"), v.patient);
    page.replace(QLatin1String("$Conclusion"), v.conclusion);
    return page;
}

inline QString iniValue(const QString& folder, const char* key)
{
    QSettings ini(folder + QLatin1String("/report.ini"), QSettings::IniFormat);
    return ini.value(QLatin1String("ReportData/") + QLatin1String(key), QStringLiteral("<absent>"))
        .toString();
}

} // namespace fixture

using namespace fixture;

// Report folders in a temporary directory, and short ways to reach the window's widgets.
class EditReportFixture : public QObject
{
protected:
    QTemporaryDir m_tmp;

    // A report folder as production leaves it: report.ini, premade page and final page.
    QString makeReport(const QString& name, const QString& probeCode, bool withPremade = true)
    {
        const QString folder = m_tmp.path() + QLatin1String("/reports/") + name;
        QDir().mkpath(folder);
        QSettings ini(folder + QLatin1String("/report.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("FolderPath"), m_tmp.path());
        ini.beginGroup(QStringLiteral("ReportData"));
        ini.setValue(QStringLiteral("ProbeCode"), probeCode);
        ini.setValue(QStringLiteral("ProbeNamePDF"), name);
        ini.setValue(QStringLiteral("ProbeIDDefault"), probeCode);
        ini.setValue(QStringLiteral("ProbeIDPrint"), QString(probeCode + QLatin1String("-p")));
        ini.setValue(QStringLiteral("ProbeNameDefault"), u("Кровь"));
        ini.setValue(QStringLiteral("ProbeNamePrint"), u("Кровь, венозная"));
        ini.setValue(QStringLiteral("PatientDefault"), u("Иванов И.И."));
        ini.setValue(QStringLiteral("PatientPrint"), u("Иванов Иван"));
        ini.setValue(QStringLiteral("ConclusionDefault"), QStringLiteral("Default one<br>Default two"));
        ini.setValue(QStringLiteral("ConclusionPrint"), QStringLiteral("first line<br>second line"));
        ini.endGroup();
        ini.sync();
        if (withPremade)
            writeBytes(folder + QLatin1Char('/') + probeCode + QLatin1String("_report_premade.html"),
                       QByteArray(kPremade));
        writeBytes(folder + QLatin1Char('/') + probeCode + QLatin1String("_report.html"),
                   QByteArray("ORIGINAL PAGE"));
        return folder;
    }

    static QString reportHtml(const QString& folder, const QString& probeCode)
    {
        return folder + QLatin1Char('/') + probeCode + QLatin1String("_report.html");
    }

    template <typename T> static T* child(editReport& w, const char* name)
    {
        T* c = w.findChild<T*>(QLatin1String(name));
        if (!c)
            qFatal("missing child %s", name);
        return c;
    }
    static void click(editReport& w, const char* name)
    {
        QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
    }
    static QStringList editControls()
    {
        return {QStringLiteral("cb_NewProbeName"), QStringLiteral("cb_NewProbeID"),
                QStringLiteral("cb_NewPatient"),   QStringLiteral("pb_CopyProbeName"),
                QStringLiteral("pb_CopyProbeID"),  QStringLiteral("pb_CopyPatient"),
                QStringLiteral("label"),           QStringLiteral("label_2"),
                QStringLiteral("label_3"),         QStringLiteral("label_4"),
                QStringLiteral("label_5"),         QStringLiteral("label_6"),
                QStringLiteral("label_7"),         QStringLiteral("label_8"),
                QStringLiteral("leProbeNameNew"),  QStringLiteral("leProbeCodeNew"),
                QStringLiteral("lePatientNew"),    QStringLiteral("leProbeNameOld"),
                QStringLiteral("leProbeCodeOld"),  QStringLiteral("lePatientOld"),
                QStringLiteral("pb_Apply"),        QStringLiteral("pbDefault"),
                QStringLiteral("line"),            QStringLiteral("plainTextEdit")};
    }

    void setUpFixture()
    {
        QVERIFY(m_tmp.isValid());
        MessageBox::setAutoAnswer(true);
    }
};
