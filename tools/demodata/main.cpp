#include "demodata.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make_demo_data"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a demo data directory of analysis folders with quantitation exports."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("root"),
                                 QStringLiteral("Data directory to create or fill."));
    const QCommandLineOption countOpt(
        QStringLiteral("count"),
        QStringLiteral("Write N generated analysis folders instead of the demo set."),
        QStringLiteral("N"));
    const QCommandLineOption deepOpt(
        QStringLiteral("deep"),
        QStringLiteral("With --count: spread the folders over year/month sub-folders."));
    const QCommandLineOption reportsOpt(
        QStringLiteral("reports"),
        QStringLiteral("With --count: write report records for every second folder here."),
        QStringLiteral("dir"));
    parser.addOption(countOpt);
    parser.addOption(deepOpt);
    parser.addOption(reportsOpt);
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        err << "usage: make_demo_data <root> [--count N] [--deep] [--reports dir]\n";
        return 2;
    }
    const QString root = args.first();
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    if (parser.isSet(countOpt)) {
        bool numOk = false;
        const int count = parser.value(countOpt).toInt(&numOk);
        if (!numOk || count < 0) {
            err << "--count needs a non-negative number\n";
            return 2;
        }
        ok = DemoData::makeLargeTree(root, count, parser.isSet(deepOpt), parser.value(reportsOpt));
        out << "wrote " << count << " analysis folders under " << root << " in " << timer.elapsed()
            << " ms\n";
    } else {
        ok = DemoData::makeDemoTree(root);
        out << "wrote the demo data directory " << root << "\n";
    }
    if (!ok) {
        err << "some files could not be written\n";
        return 1;
    }
    return 0;
}
