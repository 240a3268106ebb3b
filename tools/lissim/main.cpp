// Stand-alone MLLP listener of a laboratory information system, for demonstrations and manual
// testing: prints a line for every message it receives and keeps the messages in a folder.
#include "lissim/lislistener.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include "report/hl7message.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("MLLP listener of a laboratory information system"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("host"), QStringLiteral("Address to listen on."),
                      QStringLiteral("address"), QStringLiteral("127.0.0.1")});
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port to listen on."),
                      QStringLiteral("port"), QStringLiteral("2575")});
    parser.addOption({QStringLiteral("reply"), QStringLiteral("accept, error, reject or silent."),
                      QStringLiteral("reply"), QStringLiteral("accept")});
    parser.addOption({QStringLiteral("text"), QStringLiteral("Text of an error or reject answer."),
                      QStringLiteral("text")});
    parser.addOption({QStringLiteral("save"),
                      QStringLiteral("Folder that keeps every message received."),
                      QStringLiteral("folder")});
    parser.process(app);

    const QStringList replies{"accept", "error", "reject", "silent"};
    const int reply = replies.indexOf(parser.value(QStringLiteral("reply")).toLower());
    bool portOk = false;
    const quint16 port = parser.value(QStringLiteral("port")).toUShort(&portOk);
    QTextStream err(stderr);
    if (reply < 0 || !portOk) {
        err << "lissim: bad --reply or --port\n";
        return 2;
    }
    LisListener listener;
    listener.setReply(LisListener::Reply(reply), parser.value(QStringLiteral("text")));
    if (!listener.listen(QHostAddress(parser.value(QStringLiteral("host"))), port)) {
        err << "lissim: cannot listen on port " << port << "\n";
        return 1;
    }
    const QString save = parser.value(QStringLiteral("save"));
    if (!save.isEmpty())
        QDir().mkpath(save);
    QTextStream out(stdout);
    out << "lissim: listening on " << parser.value(QStringLiteral("host")) << ":" << listener.port()
        << Qt::endl;
    QObject::connect(&listener, &LisListener::messageReceived, [&](const QByteArray& message) {
        const QString id = Hl7::controlIdOf(message);
        const QString pid = QString::fromUtf8(message)
                                .section(QLatin1String("\rPID|"), 1)
                                .section(QLatin1Char('\r'), 0, 0);
        out << QDateTime::currentDateTime().toString(Qt::ISODate) << " " << id << " PID|" << pid
            << Qt::endl;
        if (!save.isEmpty()) {
            QFile file(save + QLatin1Char('/') + id + QLatin1String(".hl7"));
            if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
                err << "lissim: could not keep " << file.fileName() << Qt::endl;
        }
    });
    return app.exec();
}
