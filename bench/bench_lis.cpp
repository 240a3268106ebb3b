// What releasing a report to the LIS adds to report production: encoding the result message
// with a PDF of about 100 KB, and queueing it (a synced file and folder) for both ways.
// Usage: bench_lis [work dir]   (the queue is written there; a temporary folder otherwise)
#include "lisreportfixture.h"
#include "report/hl7message.h"
#include "report/lisoutbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 50;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();

    LisReport report = lisTestReport();
    report.pdf.resize(100 * 1024);
    QRandomGenerator random(7); // a PDF's streams are compressed: as good as random for Base64
    random.fillRange(reinterpret_cast<quint32*>(report.pdf.data()), report.pdf.size() / 4);

    std::vector<double> encode, queue;
    qint64 bytes = 0;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer t;
        t.start();
        const QByteArray message = Hl7::encodeResult(
            report, {"LAB", "LIS", "HOSP", Hl7::newControlId(), QDateTime::currentDateTime()});
        encode.push_back(t.nsecsElapsed() / 1e6);
        bytes = message.size();
    }
    {
        // Nothing listens and the folder is never written: only queueing is measured.
        LisOutbox outbox(dir);
        LisOutbox::Config c;
        c.toFolder = c.toListener = true;
        c.folder = dir + QStringLiteral("/absent");
        c.host = QStringLiteral("127.0.0.1");
        c.port = 9;
        LisOutbox::Timing timing;
        timing.firstRetryMs = timing.maxRetryMs = 3600000;
        outbox.setTiming(timing);
        outbox.setConfig(c);
        for (int i = 0; i < kRounds; ++i) {
            QElapsedTimer t;
            t.start();
            if (!outbox.enqueue(report)) {
                std::fprintf(stderr, "bench_lis: could not queue in %s\n", qPrintable(dir));
                return 1;
            }
            queue.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    std::printf("LIS message with a 100 KB PDF: %lld bytes\n", static_cast<long long>(bytes));
    std::printf("encode: median %.2f ms, worst %.2f ms\n", median(encode),
                *std::max_element(encode.begin(), encode.end()));
    std::printf("encode and queue for folder and MLLP: median %.2f ms, worst %.2f ms (%d rounds)\n",
                median(queue), *std::max_element(queue.begin(), queue.end()), kRounds);
    return 0;
}
