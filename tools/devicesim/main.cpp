// Stand-alone calculation device for demonstrations and manual testing.
#include "devicesimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {
using Phase = DeviceSimulator::Phase;

bool parsePhase(const QString& name, Phase* phase)
{
    static const QList<QPair<QString, Phase>> names = {
        {QStringLiteral("identify"), Phase::Identify},
        {QStringLiteral("serial"), Phase::Serial},
        {QStringLiteral("version"), Phase::Version},
        {QStringLiteral("startwrite"), Phase::StartWrite},
        {QStringLiteral("writelines"), Phase::WriteLines},
        {QStringLiteral("readback"), Phase::ReadBack},
        {QStringLiteral("calculate"), Phase::Calculate},
        {QStringLiteral("output"), Phase::Output},
        {QStringLiteral("service"), Phase::Service},
    };
    for (const auto& entry : names) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            *phase = entry.second;
            return true;
        }
    }
    return false;
}

// "name" or "name=value"; returns false for an unknown name or a bad value.
bool applyFault(const QString& option, DeviceSimulator::Faults* f)
{
    const int eq = option.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? option : option.left(eq);
    const QString value = eq < 0 ? QString() : option.mid(eq + 1);
    bool ok = true;
    const int number = value.isEmpty() ? 0 : value.toInt(&ok);

    const QList<QPair<QString, bool*>> flags = {
        {QStringLiteral("wrongIdentity"), &f->wrongIdentity},
        {QStringLiteral("badSerialChecksum"), &f->badSerialChecksum},
        {QStringLiteral("badVersionChecksum"), &f->badVersionChecksum},
        {QStringLiteral("wrongReadBackIndex"), &f->wrongReadBackIndex},
        {QStringLiteral("wrongTypeEcho"), &f->wrongTypeEcho},
        {QStringLiteral("notReady"), &f->notReady},
        {QStringLiteral("calcFails"), &f->calcFails},
        {QStringLiteral("extraOk"), &f->extraOk},
    };
    for (const auto& flag : flags) {
        if (flag.first == name) {
            *flag.second = true;
            return value.isEmpty();
        }
    }
    const QList<QPair<QString, int*>> numbers = {
        {QStringLiteral("badReadBackChecksumLine"), &f->badReadBackChecksumLine},
        {QStringLiteral("wrongReadBackLine"), &f->wrongReadBackLine},
        {QStringLiteral("badOutputChecksumLine"), &f->badOutputChecksumLine},
        {QStringLiteral("failingAttempts"), &f->failingAttempts},
        {QStringLiteral("replyDelayMs"), &f->replyDelayMs},
    };
    for (const auto& entry : numbers) {
        if (entry.first == name) {
            *entry.second = number;
            return ok && !value.isEmpty();
        }
    }
    if (name == QLatin1String("silentIn"))
        return parsePhase(value, &f->silentIn);
    if (name == QLatin1String("dropIn"))
        return parsePhase(value, &f->dropIn);
    if (name == QLatin1String("noiseIn"))
        return parsePhase(value, &f->noiseIn);
    return false;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("devicesim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated calculation device.\nFaults: wrongIdentity, badSerialChecksum, "
        "badVersionChecksum, "
        "badReadBackChecksumLine=N, wrongReadBackLine=N, wrongReadBackIndex, wrongTypeEcho, "
        "badOutputChecksumLine=N, notReady, calcFails, extraOk, failingAttempts=N, replyDelayMs=N, "
        "silentIn=PHASE, dropIn=PHASE, noiseIn=PHASE (identify, serial, version, startwrite, "
        "writelines, readback, "
        "calculate, output, service)."));
    parser.addHelpOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("Address to listen on."),
                                        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on."),
                                        QStringLiteral("port"), QStringLiteral("9761"));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Misbehave: name[=value]."),
                                         QStringLiteral("fault"));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"), QStringLiteral("Delay before every reply."), QStringLiteral("ms"));
    const QCommandLineOption remoteOption(
        QStringLiteral("allow-remote"), QStringLiteral("Permit a non-loopback listening address."));
    parser.addOptions({hostOption, portOption, faultOption, delayOption, remoteOption});
    parser.process(app);

    QTextStream err(stderr);
    const QHostAddress host(parser.value(hostOption));
    if (host.isNull()) {
        err << "devicesim: bad address " << parser.value(hostOption) << '\n';
        return 2;
    }
    if (!host.isLoopback() && !parser.isSet(remoteOption)) {
        err << "devicesim: " << host.toString()
            << " is not a loopback address (use --allow-remote)\n";
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "devicesim: bad port " << parser.value(portOption) << '\n';
        return 2;
    }

    DeviceSimulator::Faults faults;
    for (const QString& option : parser.values(faultOption)) {
        if (!applyFault(option, &faults)) {
            err << "devicesim: unknown fault or bad value: " << option << '\n';
            return 2;
        }
    }
    if (parser.isSet(delayOption)) {
        bool ok = false;
        faults.replyDelayMs = parser.value(delayOption).toInt(&ok);
        if (!ok || faults.replyDelayMs < 0) {
            err << "devicesim: bad delay " << parser.value(delayOption) << '\n';
            return 2;
        }
    }

    DeviceSimulator simulator;
    simulator.setFaults(faults);
    if (!simulator.listen(host, static_cast<quint16>(port))) {
        err << "devicesim: cannot listen on " << host.toString() << ':' << port << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "listening on " << host.toString() << ':' << simulator.port() << Qt::endl;
    QObject::connect(&simulator, &DeviceSimulator::lineReceived,
                     [&out](const QString& line) { out << line << Qt::endl; });
    return app.exec();
}
