#include "apptestdir.h"

#include <QDir>
#include <QFile>
#include <QSettings>

AppTestDir::AppTestDir()
    : m_previous(QDir::currentPath())
{}

AppTestDir::~AppTestDir()
{
    QDir::setCurrent(m_previous);
}

bool AppTestDir::copyTemplates(const QStringList& except)
{
    const QDir source(QStringLiteral(LAB_TEST_DATA_DIR "/docs"));
    if (!QDir(m_dir.path()).mkpath(QStringLiteral("docs")))
        return false;
    const QStringList files = source.entryList({QStringLiteral("*.html")}, QDir::Files);
    if (files.isEmpty())
        return false;
    for (const QString& name : files) {
        if (except.contains(name))
            continue;
        if (!QFile::copy(source.filePath(name), m_dir.filePath(QStringLiteral("docs/") + name)))
            return false;
    }
    return true;
}

bool AppTestDir::writeSettings(const Settings& s)
{
    QDir(m_dir.path()).mkpath(QStringLiteral("settings"));
    QSettings ini(m_dir.filePath(QStringLiteral("settings/settings.ini")), QSettings::IniFormat);
    ini.clear();
    ini.beginGroup(QStringLiteral("NetworkSettings"));
    ini.setValue(QStringLiteral("NetworkIP"), s.ip);
    ini.setValue(QStringLiteral("NetworkLV"), s.localVersion);
    if (!s.localVersion) {
        ini.setValue(QStringLiteral("NetworkID"), s.userId);
        ini.setValue(QStringLiteral("NetworkPort"), s.port);
    }
    ini.endGroup();
    ini.beginGroup(QStringLiteral("PathSettings"));
    ini.setValue(QStringLiteral("Directory"), s.dataDir);
    ini.setValue(QStringLiteral("DeepFolderSearch"), s.deep);
    ini.endGroup();
    ini.beginGroup(QStringLiteral("OperatorsSettings"));
    ini.setValue(QStringLiteral("Count"), s.operators.size());
    for (int i = 0; i < s.operators.size(); ++i)
        ini.setValue(QStringLiteral("Operator_%1").arg(i), s.operators[i]);
    ini.endGroup();
    ini.beginGroup(QStringLiteral("Language"));
    ini.setValue(QStringLiteral("Count"), 2);
    ini.setValue(QStringLiteral("Current"), s.language);
    ini.setValue(QStringLiteral("Lang_0"), QString::fromUtf8("English (Английский)"));
    ini.setValue(QStringLiteral("Lang_1"), QString::fromUtf8("Russian (Русский)"));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

void AppTestDir::enter()
{
    QDir::setCurrent(m_dir.path());
}

QVariant iniValue(const QString& path, const QString& key)
{
    return QSettings(path, QSettings::IniFormat).value(key);
}
