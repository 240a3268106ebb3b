#pragma once

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// A message as python-hl7 (Debian's python3-hl7), a reader independent of the program, reads
// it: every component by "SEG[n].field.component", unescaped; "segments" lists the segment ids.
// Empty when it could not read the message.
inline QJsonObject readHl7Independently(const QByteArray& message)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("message.hl7")));
    if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
        return {};
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(LAB_SOURCE_DIR "/tests/report/hl7_read.py"), file.fileName()});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        qWarning() << python.readAllStandardError();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
