// Renders the windows the manual shows from the real program: a temporary application
// directory over the demo data, the device simulator in-process, one report produced the
// way an operator produces it. Every picture is written as <outdir>/<name>.png.
// Usage: make_screenshots <templates dir> <icons dir> <outdir>
// Exits with 1 when a window cannot be reached or a picture cannot be written, so the
// manual is never built with missing or stale pictures.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QToolBox>
#include <QWebView>

#include <functional>
#include <stdexcept>

#include "app/about.h"
#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "catalogue/mainwindow_listwidget.h"
#include "catalogue/sampletypes.h"
#include "config/settings_common.h"
#include "demodata/demodata.h"
#include "devicesim/devicesimulator.h"
#include "lissim/lislistener.h"
#include "report/lisoutbox.h"
#include "report/reportrecord.h"
#include "report/reportunit.h"
#include "windows/editreport.h"
#include "windows/lismessages.h"
#include "windows/progressinfo.h"
#include "windows/reasondialog.h"
#include "windows/settings.h"

namespace {

// Pictures are drawn at twice the window size so they stay sharp in the printed manual.
constexpr int kScale = 2;
const char* const kReportFolder = "BL_0412_Ivanov.D";

struct ShotFailure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Every picture written in this run; a failed run removes them, so the build cannot take a
// half-finished set for an up-to-date one.
QStringList& written()
{
    static QStringList files;
    return files;
}

void require(bool ok, const QString& what)
{
    if (!ok)
        throw ShotFailure(what.toStdString());
}

// Runs the event loop until done() holds or the time is up.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void settle()
{
    waitFor([] { return false; }, 150);
}

class Shots
{
  public:
    explicit Shots(const QString& dir)
        : m_dir(dir)
    {}

    // The window with a plain title bar, so a picture reads as a window of the desktop.
    void window(QWidget* w, const QString& name)
    {
        require(w, QStringLiteral("no window for %1").arg(name));
        const QPixmap content = w->grab();
        const qreal dpr = content.devicePixelRatio();
        const QSize inner = content.size() / dpr;
        const int bar = 22;
        QImage img(QSize(inner.width() + 2, inner.height() + bar + 1) * dpr, QImage::Format_RGB32);
        img.setDevicePixelRatio(dpr);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(0, 0, inner.width() + 2, bar + 1), QColor(0xdd, 0xe3, 0xea));
        p.setPen(QColor(0x8a, 0x96, 0xa3));
        p.drawRect(QRectF(0.5, 0.5, inner.width() + 1, inner.height() + bar));
        const QIcon icon = w->windowIcon();
        int textLeft = 8;
        if (!icon.isNull()) {
            p.drawPixmap(QRect(6, 3, 16, 16), icon.pixmap(16 * kScale, 16 * kScale));
            textLeft = 28;
        }
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0x1f, 0x29, 0x37));
        p.drawText(QRect(textLeft, 0, inner.width() - textLeft - 24, bar),
                   Qt::AlignVCenter | Qt::AlignLeft, w->windowTitle());
        // A close cross where the window asks for one; drawn, so no font needs the glyph.
        const Qt::WindowFlags flags = w->windowFlags();
        if (!(flags & Qt::CustomizeWindowHint) || (flags & Qt::WindowCloseButtonHint)) {
            p.setPen(QPen(QColor(0x47, 0x55, 0x69), 1.6));
            const QPointF c(inner.width() - 10, bar / 2.0 + 0.5);
            p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
            p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        }
        p.drawPixmap(QPoint(1, bar), content);
        p.end();
        save(img, name);
    }

    void save(const QImage& img, const QString& name)
    {
        const QString path = QStringLiteral("%1/%2.png").arg(m_dir, name);
        written() << path;
        require(!img.isNull() && img.save(path, "PNG"),
                QStringLiteral("cannot write %1").arg(path));
    }

  private:
    QString m_dir;
};

bool copyFolder(const QString& from, const QString& to, const QStringList& filters)
{
    const QDir source(from);
    const QStringList names = source.entryList(filters, QDir::Files);
    if (names.isEmpty() || !QDir().mkpath(to))
        return false;
    for (const QString& n : names) {
        QFile::remove(QDir(to).filePath(n));
        if (!QFile::copy(source.filePath(n), QDir(to).filePath(n)))
            return false;
    }
    return true;
}

// The settings a lab has after its first day: two operators, the demo data directory
// with sub-folders searched, the simulator as the device.
bool writeSettings(const QString& appDir, const QString& dataDir, quint16 port)
{
    QDir(appDir).mkpath(QStringLiteral("settings"));
    QSettings ini(appDir + QStringLiteral("/settings/settings.ini"), QSettings::IniFormat);
    ini.setValue(QStringLiteral("NetworkSettings/NetworkIP"), QStringLiteral("127.000.000.001"));
    ini.setValue(QStringLiteral("NetworkSettings/NetworkLV"), false);
    ini.setValue(QStringLiteral("NetworkSettings/NetworkID"), QStringLiteral("LABM-RKRP-ORTA"));
    ini.setValue(QStringLiteral("NetworkSettings/NetworkPort"), QString::number(port));
    ini.setValue(QStringLiteral("PathSettings/Directory"), dataDir);
    ini.setValue(QStringLiteral("PathSettings/DeepFolderSearch"), true);
    ini.setValue(QStringLiteral("OperatorsSettings/Count"), 2);
    ini.setValue(QStringLiteral("OperatorsSettings/Operator_0"), QStringLiteral("Anna Smirnova"));
    ini.setValue(QStringLiteral("OperatorsSettings/Operator_1"), QStringLiteral("Demo Operator"));
    ini.setValue(QStringLiteral("Language/Count"), 2);
    ini.setValue(QStringLiteral("Language/Current"), 0);
    ini.setValue(QStringLiteral("Language/Lang_0"), QString::fromUtf8("English (Английский)"));
    ini.setValue(QStringLiteral("Language/Lang_1"), QString::fromUtf8("Russian (Русский)"));
    ini.sync();
    return ini.status() == QSettings::NoError;
}

int rowOf(QListWidget* list, const QString& name)
{
    for (int row = 0; row < list->count(); ++row)
        if (ListWidgetFill::recordOf(list->item(row)).name == name)
            return row;
    return -1;
}

// A double click on the entry: the program acts on activation, not on a single click.
void activate(QListWidget* list, const QString& name)
{
    require(waitFor([&] { return rowOf(list, name) >= 0; }, 15000),
            QStringLiteral("%1 does not appear in the list").arg(name));
    const int row = rowOf(list, name);
    list->scrollToItem(list->item(row));
    emit list->activated(list->model()->index(row, 0));
}

// The first page of the report's PDF as the program wrote it, at screen resolution; only its
// top `height` points when height is not 0.
void reportPage(const QString& pdfPath, const QString& outDir,
                const QString& name = QStringLiteral("report-page"), int height = 0)
{
    const QString path = QStringLiteral("%1/%2.png").arg(outDir, name);
    written() << path;
    QStringList args{QStringLiteral("-png"),       QStringLiteral("-r"),
                     QString::number(72 * kScale), QStringLiteral("-f"),
                     QStringLiteral("1"),          QStringLiteral("-l"),
                     QStringLiteral("1"),          QStringLiteral("-singlefile")};
    if (height > 0)
        args << QStringLiteral("-H") << QString::number(height * kScale);
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            args << pdfPath << QStringLiteral("%1/%2").arg(outDir, name));
    const bool finished = p.waitForFinished(30000);
    require(p.error() != QProcess::FailedToStart,
            QStringLiteral("pdftoppm cannot be started; it comes with poppler-utils"));
    require(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            QStringLiteral("pdftoppm cannot render %1: %2")
                .arg(pdfPath, QString::fromLocal8Bit(p.readAllStandardError())));
    // The sheet's edge, so the white page stands apart from the manual's white page.
    QImage page(path);
    require(!page.isNull(), QStringLiteral("cannot read %1").arg(path));
    QPainter painter(&page);
    painter.setPen(QPen(QColor(0x99, 0x99, 0x99), 2));
    painter.drawRect(QRect(1, 1, page.width() - 2, page.height() - 2));
    painter.end();
    require(page.save(path, "PNG"), QStringLiteral("cannot write %1").arg(path));
}

// The reason window as an operator fills it in, then the top of the report amended with that
// reason.
void amendment(MainWindow& w, Shots& shots, const QString& folder, const QString& outDir)
{
    const QString reasonText = QStringLiteral("Typo in the patient name");
    ReasonDialog ask(0);
    auto* field = ask.findChild<QLineEdit*>(QStringLiteral("le_reason"));
    require(field, QStringLiteral("the reason window has no text field"));
    field->setText(reasonText);
    ask.show();
    field->end(false);
    settle();
    shots.window(&ask, QStringLiteral("reason"));
    ask.hide();

    ReportUnit::Change change;
    change.reportFolder = folder;
    change.shown = ReportRecord::readPrint(folder + QStringLiteral("/report.ini"));
    change.values = change.shown;
    change.values.patient = QStringLiteral("Ivanova D.A.");
    change.operatorName = QStringLiteral("Anna Smirnova");
    change.reason = reasonText;
    change.producedTx = ReportRecord::readProducedTx(folder + QStringLiteral("/report.ini"));
    const Outcome outcome = w.reportUnit()->apply(change);
    require(outcome.ok(),
            QStringLiteral("the report could not be amended: %1").arg(outcome.message));
    reportPage(w.reportUnit()->pdfPath(QFileInfo(folder).fileName()), outDir,
               QStringLiteral("report-amended"), 90);
}

void run(const QString& templates, const QString& icons, const QString& outDir)
{
    QTemporaryDir work;
    require(work.isValid(), QStringLiteral("cannot create a temporary folder"));
    const QString appDir = work.filePath(QStringLiteral("app"));
    const QString dataDir = work.filePath(QStringLiteral("data"));
    require(copyFolder(templates, appDir + QStringLiteral("/docs"), {QStringLiteral("*.html")}),
            QStringLiteral("cannot copy the templates from %1").arg(templates));
    require(copyFolder(icons, appDir + QStringLiteral("/icons"),
                       {QStringLiteral("*.ico"), QStringLiteral("*.png")}),
            QStringLiteral("cannot copy the icons from %1").arg(icons));
    require(DemoData::makeDemoTree(dataDir), QStringLiteral("cannot make the demo data"));
    DeviceSimulator sim;
    require(sim.listen(), QStringLiteral("the device simulator cannot listen"));
    require(writeSettings(appDir, dataDir, sim.port()),
            QStringLiteral("cannot write the settings"));
    require(QDir(outDir).exists() || QDir().mkpath(outDir),
            QStringLiteral("cannot create %1").arg(outDir));
    QDir::setCurrent(appDir);
    MessageBox::setAutoAnswer(true);
    Shots shots(outDir);

    MainWindow w;
    w.show();
    settle();
    shots.window(&w, QStringLiteral("signin"));
    w.showSettings();
    settle();
    shots.window(w.operatorsEditor(), QStringLiteral("operators"));
    w.operatorsEditor()->hide();

    w.login_procedure();
    auto* types = w.findChild<QComboBox*>(QStringLiteral("cb_01"));
    auto* list = w.findChild<QListWidget*>(QStringLiteral("ListText"));
    require(types && list, QStringLiteral("the working window has no type box or list"));
    const int blood = types->findText(QStringLiteral("(BL)"), Qt::MatchEndsWith);
    require(blood >= 0, QStringLiteral("no blood analysis type"));
    types->setCurrentIndex(blood);
    activate(list, QString::fromLatin1(kReportFolder));

    // The progress window is caught while the device calculates.
    // Nothing may be thrown through the signal, so a failure waits until the loop returns.
    int stages = 0;
    QString progressFailure;
    QObject::connect(&w, &MainWindow::nextStageProgress, [&] {
        if (++stages != 4)
            return;
        try {
            shots.window(w.progressWindow(), QStringLiteral("progress"));
        } catch (const ShotFailure& f) {
            progressFailure = QString::fromStdString(f.what());
        }
    });
    bool written = false, pdfOk = false;
    QString pdfPath;
    QObject::connect(&w, &MainWindow::pdfWritten, [&](const QString& path, bool ok) {
        written = true;
        pdfOk = ok;
        pdfPath = path;
    });
    auto* newButton = w.findChild<QPushButton*>(QStringLiteral("pb_01"));
    require(newButton && newButton->isEnabled(),
            QStringLiteral("New is not enabled for the demo analysis"));
    newButton->click();
    require(waitFor([&] { return written; }, 60000) && pdfOk,
            QStringLiteral("the demo report was not produced"));
    require(stages >= 4, QStringLiteral("the progress window passed too few stages"));
    require(progressFailure.isEmpty(), progressFailure);

    editReport* editor = w.reportEditor();
    auto* page = editor->findChild<QWebView*>(QStringLiteral("webView"));
    require(page, QStringLiteral("the report editor has no page view"));
    settle();
    shots.window(editor, QStringLiteral("editor-edit"));
    reportPage(pdfPath, outDir);
    editor->hide();

    const QString folder = QStringLiteral("%1/reports/%2").arg(appDir, w.reportFolderName());
    bool viewLoaded = false;
    QObject::connect(page, &QWebView::loadFinished, [&] { viewLoaded = true; });
    w.showViewReport(folder);
    require(waitFor([&] { return viewLoaded; }, 20000),
            QStringLiteral("the viewer did not load the report"));
    settle();
    shots.window(editor, QStringLiteral("editor-view"));
    editor->hide();

    // Every analysis type: red, magenta and the dark green entry of the new report.
    types->setCurrentIndex(SampleTypes::CatchAllRow);
    activate(list, QString::fromLatin1(kReportFolder));
    settle();
    shots.window(&w, QStringLiteral("working"));
    // The list close up, for its state icons; and the icons themselves for the table.
    list->scrollToTop();
    settle();
    shots.save(list->grab().toImage(), QStringLiteral("list"));
    for (const char* state : {"state_no_export", "state_ready", "state_done"}) {
        const QString file = QStringLiteral("%1/%2.png").arg(icons, QLatin1String(state));
        const QImage icon(file);
        require(!icon.isNull(), QStringLiteral("cannot read %1").arg(file));
        shots.save(icon, QLatin1String(state));
    }

    w.showAllSettings();
    auto* pages = w.allSettings()->findChild<QToolBox*>();
    require(pages && pages->count() == 5,
            QStringLiteral("the settings window does not have its five pages"));
    // A path as a lab has it instead of the temporary folder; the window is cancelled, not saved.
    if (auto* path = w.allSettings()->findChild<QLineEdit*>(QStringLiteral("pt_le_path")))
        path->setText(QStringLiteral("/srv/chromatography/export"));
    // The LIS page as a lab fills it in: a folder the LIS watches and its MLLP listener.
    const QList<QPair<const char*, const char*>> lisFields = {
        {"lis_le_Folder", "/srv/lis/inbox"},
        {"lis_le_Host", "lis.hospital.local"},
        {"lis_le_Port", "2575"},
        {"lis_le_SendingFacility", "LAB1"},
        {"lis_le_ReceivingApplication", "LIS"},
        {"lis_le_ReceivingFacility", "HOSPITAL"}};
    for (const auto& field : lisFields) {
        if (auto* edit = w.allSettings()->findChild<QLineEdit*>(QLatin1String(field.first)))
            edit->setText(QLatin1String(field.second));
    }
    if (auto* mode = w.allSettings()->findChild<QComboBox*>(QStringLiteral("lis_cb_Mode")))
        mode->setCurrentIndex(3);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        settle();
        shots.window(w.allSettings(), QStringLiteral("settings-page%1").arg(i + 1));
    }
    w.allSettings()->hide();

    // The LIS messages window after a day's work: delivered reports, one refused by the LIS, and
    // one waiting while the LIS cannot be reached.
    LisListener lis;
    require(lis.listen(), QStringLiteral("the LIS listener could not start"));
    LisOutbox::Config lisConfig;
    lisConfig.toListener = true;
    lisConfig.host = QStringLiteral("127.0.0.1");
    lisConfig.port = lis.port();
    w.lisOutbox()->setConfig(lisConfig);
    lis.replyOnce(LisListener::Reply::Accept);
    lis.replyOnce(LisListener::Reply::Error, QStringLiteral("Unknown patient ID"));
    for (const char* code : {"NB_0311", "NB_0312", "NB_0313"}) {
        LisReport report;
        report.reportFolder = QLatin1String(code) + QLatin1String(".D");
        report.analysisCode = QLatin1String(code);
        report.patient = QStringLiteral("Ivanov D.A.");
        require(bool(w.lisOutbox()->enqueue(report)),
                QStringLiteral("a LIS message could not be queued"));
        require(waitFor([&] { return w.lisOutbox()->waitingCount() == 0; }, 10000),
                QStringLiteral("the LIS listener did not answer"));
    }
    lis.close();
    LisReport waiting;
    waiting.reportFolder = QStringLiteral("NB_0314.D");
    require(bool(w.lisOutbox()->enqueue(waiting)),
            QStringLiteral("a LIS message could not be queued"));
    require(waitFor(
                [&] {
                    return !w.lisOutbox()->recent().isEmpty() &&
                           w.lisOutbox()->problemOf(w.lisOutbox()->recent().first().name).any();
                },
                10000),
            QStringLiteral("the LIS was reached after it closed"));
    w.showLisMessages();
    settle();
    shots.window(w.lisMessagesWindow(), QStringLiteral("lis-messages"));
    w.lisMessagesWindow()->hide();

    w.showAbout();
    settle();
    shots.window(w.aboutWindow(), QStringLiteral("about"));
    w.aboutWindow()->hide();

    amendment(w, shots, folder, outDir);

    if (!MessageBox::shown().isEmpty()) {
        QStringList texts;
        for (const MessageBox::Shown& s : MessageBox::shown())
            texts << s.text;
        throw ShotFailure(
            QString(QStringLiteral("unexpected message: ") + texts.join(QStringLiteral(" | ")))
                .toStdString());
    }
    QDir::setCurrent(QDir::tempPath());
}

} // namespace

int main(int argc, char* argv[])
{
    // A picture tool: never open windows on a real display, and keep Qt's runtime files private.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication app(argc, argv);
    // The same dialog font as the program itself.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    app.setFont(font);
    QTextStream err(stderr);
    if (argc != 4) {
        err << "usage: make_screenshots <templates dir> <icons dir> <outdir>\n";
        return 2;
    }
    try {
        run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
            QString::fromLocal8Bit(argv[3]));
    } catch (const ShotFailure& f) {
        err << "make_screenshots: " << f.what() << '\n';
        for (const QString& path : written())
            QFile::remove(path);
        return 1;
    }
    return 0;
}
