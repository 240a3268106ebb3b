// Runs one change of a report in a sandbox and ends the process on the spot at the k-th
// system call, as a power cut would; the test then looks at what is left.
//   lab_fault <sandbox> <data directory> <first|again|apply> <k>
#include <QGuiApplication>

#include <cstdio>

#include "report/syscalls.h"
#include "unitsandbox.h"

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 5)
        return 2;
    UnitSandbox sandbox(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    const QByteArray phase = argv[3];
    Sys::inject(Sys::Op::Any, QByteArray(argv[4]).toInt(), Sys::Fault::Crash);
    const QString analysis = QStringLiteral("BL_7.D");
    const Outcome outcome =
        phase == "apply"
            ? sandbox.changePatient(analysis, QStringLiteral("Petrov P.P."))
            : sandbox.produce(analysis, phase == "again" ? QStringLiteral("Check") : QString());
    std::printf("%s\n", qPrintable(outcome.message));
    return outcome.ok() ? 0 : 1;
}
