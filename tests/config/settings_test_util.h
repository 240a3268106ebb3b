#pragma once

#include <QSettings>
#include <QtTest>

inline QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// A freshly created settings file holds exactly these keys and values (no user ID, no port).
inline void verifyDefaultFile(const QString& iniFile)
{
    QSettings ini(iniFile, QSettings::IniFormat);
    const QList<QPair<QString, QString>> expected{
        {"Language/Count", "2"},
        {"Language/Current", "0"},
        {"Language/Lang_0", u("English (Английский)")},
        {"Language/Lang_1", u("Russian (Русский)")},
        {"NetworkSettings/NetworkIP", "192.168.1.1"},
        {"NetworkSettings/NetworkLV", "true"},
        {"OperatorsSettings/Count", "1"},
        {"OperatorsSettings/Operator_0", u("Оператор")},
        {"PathSettings/DeepFolderSearch", "false"},
        {"PathSettings/Directory", "C:/"}};
    QStringList keys = ini.allKeys();
    keys.sort();
    QCOMPARE(keys.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(keys.at(i), expected.at(i).first);
        QCOMPARE(ini.value(keys.at(i)).toString(), expected.at(i).second);
    }
}
