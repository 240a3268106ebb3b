// Whole calculation exchanges against the device simulator over loopback, and the
// cost of feeding the link debug window.
#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "device/debug_tcp.h"
#include "device/devicelink.h"
#include "devicesim/devicesimulator.h"

namespace {
void printFigures(const char* what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s n=%d  min %.2f ms  median %.2f ms  max %.2f ms\n", what, int(ms.size()),
                ms.first(), ms.at(ms.size() / 2), ms.last());
}

// Runs the event loop until the link has delivered and closed (or 10 s passed).
bool finish(DeviceLink& link, const bool& done)
{
    QElapsedTimer guard;
    guard.start();
    QTimer wake;
    wake.start(10);
    while (!(done && link.step() == DeviceLink::Closed)) {
        if (guard.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;

    DeviceSimulator sim;
    if (!sim.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }
    QStringList raw;
    for (int i = 0; i < 70; ++i)
        raw << QString::number(1000 + 37 * i);

    for (int withWindow = 0; withWindow < 2; ++withWindow) {
        DeviceLink link;
        const quint16 port = sim.port();
        link.setEndpointProvider([port] {
            return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port};
        });
        Debug_TCP window;
        int logged = 0;
        QObject::connect(&link, &DeviceLink::lineLogged, [&](const QString&, bool) { ++logged; });
        if (withWindow)
            QObject::connect(&link, &DeviceLink::lineLogged, &window,
                             &Debug_TCP::debug_add_message);
        bool done = false;
        QObject::connect(&link, &DeviceLink::resultsReady, [&] { done = true; });
        QObject::connect(&link, &DeviceLink::calculationFailed, [&](int code) {
            std::fprintf(stderr, "calculation failed with code %d\n", code);
            done = true;
        });

        QVector<double> ms;
        for (int i = 0; i < runs; ++i) {
            done = false;
            logged = 0;
            sim.clearReceived();
            QElapsedTimer t;
            t.start();
            link.startCalculation(raw, static_cast<unsigned char>(i % 21));
            if (!finish(link, done)) {
                std::fprintf(stderr, "exchange did not finish\n");
                return 1;
            }
            ms << t.nsecsElapsed() / 1e6;
        }
        std::printf("lines per exchange: %d sent, %d received\n", int(sim.receivedLines().size()),
                    logged - int(sim.receivedLines().size()));
        printFigures(withWindow ? "calculation exchange, debug window fed" : "calculation exchange",
                     ms);
    }

    // The debug window alone, hidden and shown: 10000 lines per batch.
    for (int shown = 0; shown < 2; ++shown) {
        QVector<double> ms;
        for (int rep = 0; rep < 5; ++rep) {
            Debug_TCP window;
            if (shown)
                window.show();
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < 10000; ++i)
                window.debug_add_message(
                    QStringLiteral("#%1,000004D2,86*").arg(i % 70, 2, 10, QLatin1Char('0')),
                    i % 2 == 0);
            QCoreApplication::processEvents();
            ms << t.nsecsElapsed() / 1e6;
        }
        printFigures(
            shown ? "debug window, 10000 lines, shown" : "debug window, 10000 lines, hidden", ms);
    }
    return 0;
}
