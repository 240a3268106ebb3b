#include "demodata.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTextCodec>

#include <random>

namespace DemoData {

namespace {

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

const char* const kCompounds[] = {
    "C10:0",   "i-C13:0", "C12:0",   "C13:0",   "i-C14:0",     "C14:0",       "i-C15:0",
    "a-C15:0", "C15:0",   "i-C16:0", "C16:1d9", "C16:0",       "10Me-C16",    "i-C17:0",
    "a-C17:0", "C17:0",   "C18:1d9", "C18:0",   "10Me-C18",    "C19cyc",      "C20:0",
    "3OH-C12", "3OH-C14", "2OH-C16", "3OH-C16", "Campesterol", "Cholestanol", "Sitosterol",
};
constexpr int kCompoundCount = int(sizeof(kCompounds) / sizeof(kCompounds[0]));

QString pad(const QString& s, int width)
{
    return s.leftJustified(width, QLatin1Char(' '));
}

// Data row: index, compound, retention time, ion, then the value right-aligned so
// that its last character sits at ValueEndColumn, then units and match quality.
QString dataRow(int index, qint64 value)
{
    const QString valueText = QString::number(value);
    QString left = QStringLiteral("%1) %2 %3  %4")
                       .arg(index + 1, 3)
                       .arg(pad(QString::fromLatin1(kCompounds[index % kCompoundCount]), 14))
                       .arg(5.0 + index * 0.311, 7, 'f', 3)
                       .arg(74 + (index * 13) % 200, 3);
    const int valueStart = ValueEndColumn + 1 - valueText.size();
    if (left.size() > valueStart - 1)
        left.truncate(qMax(0, valueStart - 1));
    return QString(pad(left, valueStart) % valueText %
                   QStringLiteral("  ng     %1").arg(80 + index % 20));
}

QString rule(QChar c, int n)
{
    return QString(n, c);
}

} // namespace

ExportContent::ExportContent()
{
    std::mt19937 gen(20190307u);
    std::uniform_int_distribution<qint64> dist(0, 2000000);
    values.reserve(StandardValueCount);
    for (int i = 0; i < StandardValueCount; ++i)
        values.append(i % 11 == 7 ? 0 : dist(gen));
}

ExportContent makeContent(Language language, quint32 seed, const QString& patient)
{
    ExportContent s;
    s.language = language;
    std::mt19937 gen(seed);
    std::uniform_int_distribution<qint64> dist(0, 2000000);
    for (int i = 0; i < s.values.size(); ++i)
        s.values[i] = (gen() % 9 == 0) ? 0 : dist(gen);
    s.date = QDate(2018, 1, 1).addDays(qint64(gen() % 2000));
    if (!patient.isEmpty())
        s.patient = patient;
    else if (language == Language::Russian)
        s.patient = QStringLiteral("Петрова А.С.");
    return s;
}

QByteArray makeExport(const ExportContent& content)
{
    const bool ru = content.language == Language::Russian;
    const QDate d = content.date.isValid() ? content.date : QDate(2019, 3, 7);
    const QString dateText = QStringLiteral("%1 %2 %3")
                                 .arg(d.day(), 2, 10, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(kMonths[d.month() - 1]))
                                 .arg(d.year());
    QStringList lines;
    lines << (content.title.isEmpty() ? (ru ? QStringLiteral("Количественный отчет   (проверен)")
                                            : QStringLiteral("Quantitation Report   (QT Reviewed)"))
                                      : content.title);
    lines << QString();
    lines << (ru ? QStringLiteral("  Путь данных : C:\\msdchem\\1\\DATA\\")
                 : QStringLiteral("  Data Path : C:\\msdchem\\1\\DATA\\"));
    lines << (ru ? QStringLiteral("  Файл данных : ") : QStringLiteral("  Data File : ")) +
                 content.dataFile;
    lines << (ru ? QStringLiteral("  Дата анализа :  %1   10:15")
                 : QStringLiteral("  Acq On    :  %1   10:15"))
                 .arg(dateText);
    lines << (ru ? QStringLiteral("  Оператор    : lab") : QStringLiteral("  Operator  : lab"));
    lines << (ru ? QStringLiteral("  Имя пациента :  ") : QStringLiteral("  Patient name :  ")) +
                 content.patient;
    lines << (ru ? QStringLiteral("  Прочее      :") : QStringLiteral("  Misc      :"));
    lines << QStringLiteral("  ALS Vial  : 12    Sample Multiplier: 1");
    lines << QString();
    lines << QStringLiteral("  Quant Time: %1 11:02:45 %2")
                 .arg(dateText.mid(3, 3), QString::number(d.year()));
    lines << QStringLiteral("  Quant Method : C:\\msdchem\\1\\METHODS\\MARKERS.M");
    lines << (ru ? QStringLiteral("  Метод       : Микробные маркеры")
                 : QStringLiteral("  Quant Title : Microbial markers"));
    lines << QStringLiteral("  QLast Update : 04 MAR 2019 09:12");
    lines << QStringLiteral("  Response via : Initial Calibration");
    lines << QString();
    lines << (ru ? QStringLiteral("  Соединение          Вр.удерж. Ион        Отклик  Ед.   Кач.")
                 : QStringLiteral(
                       "  Compound             R.T.    QIon       Response  Units  Qual"));
    lines << rule(QLatin1Char('='), 72);
    lines << QString();
    lines << (ru ? QStringLiteral("Целевые соединения") : QStringLiteral("Target Compounds"));
    for (int i = 0; i < content.values.size(); ++i)
        lines << dataRow(i, content.values[i]);
    lines << rule(QLatin1Char('-'), 72);
    lines << QStringLiteral("(f)=RT Delta > 1/2 Window        (m)=manual int.");
    lines << content.extraRows;

    QTextCodec* codec = QTextCodec::codecForName("cp1251");
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return codec ? codec->fromUnicode(text) : text.toLatin1();
}

bool writeAnalysis(const QString& parentDir, const QString& folderName,
                   const ExportContent& content)
{
    const QString dir = QString(parentDir % QLatin1Char('/') % folderName);
    if (!QDir().mkpath(dir))
        return false;
    ExportContent named = content;
    if (named.dataFile == QLatin1String("SAMPLE.D"))
        named.dataFile = folderName;
    QFile f(QString(dir % QLatin1String("/epatemp.txt")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = makeExport(named);
    return f.write(bytes) == bytes.size();
}

bool writeReportRecord(const QString& reportsDir, const QString& reportFolder,
                       const QString& folderPath, bool reportExist)
{
    const QString dir = QString(reportsDir % QLatin1Char('/') % reportFolder);
    if (!QDir().mkpath(dir))
        return false;
    QSettings ini(QString(dir % QLatin1String("/report.ini")), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("General"));
    ini.setValue(QStringLiteral("FolderPath"), folderPath);
    ini.setValue(QStringLiteral("ReportExist"), reportExist);
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool makeDemoTree(const QString& root)
{
    if (!QDir().mkpath(root))
        return false;
    bool ok = true;
    quint32 seed = 1000;
    auto add = [&](const QString& parent, const QString& name, Language lang,
                   const QString& patient) {
        ExportContent s = makeContent(lang, seed++, patient);
        ok = writeAnalysis(parent, name, s) && ok;
    };
    const Language en = Language::English;
    const Language ru = Language::Russian;

    add(root, QStringLiteral("BL_0412_Ivanov.D"), en, QStringLiteral("Ivanov D.A."));
    add(root, QStringLiteral("BL_0413_Petrova.D"), ru, QStringLiteral("Петрова А.С."));
    add(root, QStringLiteral("UR_0415_Sidorov.D"), ru, QStringLiteral("Сидоров П.П."));
    add(root, QStringLiteral("FK_0416_Kuznetsova.D"), en, QStringLiteral("Kuznetsova M.I."));
    add(root, QStringLiteral("EA_0417_Smirnov.D"), en, QStringLiteral("Smirnov O.V."));
    add(root, QStringLiteral("AS_0418_Volkova.D"), ru, QStringLiteral("Волкова Е.Н."));
    add(root, QStringLiteral("CE_0419_Morozova.D"), en, QStringLiteral("Morozova T.K."));
    add(root, QStringLiteral("ZE_0420_Popov.D"), ru, QStringLiteral("Попов И.И."));
    add(root, QStringLiteral("SL_0421_Lebedev.D"), en, QStringLiteral("Lebedev A.A."));
    add(root, QStringLiteral("WD_0422_Kozlov(2).D"), en, QStringLiteral("Kozlov N.N."));
    add(root, QStringLiteral("bl_0424_Orlova.D"), ru, QStringLiteral("Орлова В.В."));
    add(root, QStringLiteral("GF_0425_Frolov.D"), en, QStringLiteral("Frolov S."));

    // Not readable as an export in different ways.
    ok = QDir().mkpath(root + QStringLiteral("/BL_0430_NoExport.D")) && ok;
    add(root, QStringLiteral("UR_0431_Locked.D"), en, QStringLiteral("Locked L."));
    QFile::setPermissions(root + QStringLiteral("/UR_0431_Locked.D/epatemp.txt"),
                          QFileDevice::Permissions());
    ok = QDir().mkpath(root + QStringLiteral("/FK_0432_DirExport.D/epatemp.txt")) && ok;
    {
        ExportContent other = makeContent(en, seed++, QStringLiteral("Other O."));
        other.title = QStringLiteral("Area Percent Report");
        ok = writeAnalysis(root, QStringLiteral("NO_0433_AreaReport.D"), other) && ok;
    }

    // An analysis folder inside another one is never listed on its own.
    add(root, QStringLiteral("TA_0434_Outer.D"), en, QStringLiteral("Outer O."));
    add(root + QStringLiteral("/TA_0434_Outer.D"), QStringLiteral("TA_0435_Inner.D"), en,
        QStringLiteral("Inner I."));
    // Lower-case ".d" is a plain folder: searched in deep mode only.
    ok = QDir().mkpath(root + QStringLiteral("/x_0436_lower.d")) && ok;
    add(root + QStringLiteral("/x_0436_lower.d"), QStringLiteral("SK_0437_InLower.D"), en,
        QStringLiteral("Lower L."));

    // Plain sub-folders, found in deep mode.
    add(root + QStringLiteral("/2024"), QStringLiteral("BL_1102_Orlov.D"), ru,
        QStringLiteral("Орлов К.К."));
    add(root + QStringLiteral("/2024"), QStringLiteral("UR_1103_Belova.D"), en,
        QStringLiteral("Belova Z.Z."));
    add(root + QStringLiteral("/2024"), QStringLiteral("BL_0412_Ivanov.D"), en,
        QStringLiteral("Ivanov D.A."));
    add(root + QStringLiteral("/2024/march"), QStringLiteral("EA_1104_Titov.D"), ru,
        QStringLiteral("Титов Г.Г."));
    add(root + QStringLiteral("/archive/old"), QStringLiteral("SF_0101_Gusev.D"), en,
        QStringLiteral("Gusev R."));
    add(root + QStringLiteral("/archive/old"), QStringLiteral("MU_0102_Zaitsev.D"), ru,
        QStringLiteral("Зайцев Ю."));
    ok = QDir().mkpath(root + QStringLiteral("/misc")) && ok;
    {
        QFile notes(root + QStringLiteral("/misc/notes.txt"));
        ok = notes.open(QIODevice::WriteOnly) && notes.write("calibration notes\n") > 0 && ok;
    }
    // Hidden folders are skipped by the listing.
    add(root + QStringLiteral("/.hidden"), QStringLiteral("BL_9999_Hidden.D"), en,
        QStringLiteral("Hidden H."));
    return ok;
}

bool makeLargeTree(const QString& root, int count, bool nested, const QString& reportsDir)
{
    if (!QDir().mkpath(root))
        return false;
    const QVector<QString> codes = {
        QStringLiteral("AS"), QStringLiteral("BT"), QStringLiteral("BA"), QStringLiteral("VA"),
        QStringLiteral("SD"), QStringLiteral("BL"), QStringLiteral("LF"), QStringLiteral("ZE"),
        QStringLiteral("MU"), QStringLiteral("EA"), QStringLiteral("UR"), QStringLiteral("GF"),
        QStringLiteral("NO"), QStringLiteral("WD"), QStringLiteral("PF"), QStringLiteral("SL"),
        QStringLiteral("TA"), QStringLiteral("SK"), QStringLiteral("FK"), QStringLiteral("CE"),
        QStringLiteral("SF")};
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const QString parent =
            nested ? QStringLiteral("%1/%2/%3")
                         .arg(root, QString::number(2015 + i / 1200),
                              QStringLiteral("%1").arg(1 + (i / 100) % 12, 2, 10, QLatin1Char('0')))
                   : root;
        const QString name = QStringLiteral("%1_%2_Patient%3.D")
                                 .arg(codes[i % codes.size()])
                                 .arg(i, 5, 10, QLatin1Char('0'))
                                 .arg(i % 97);
        const Language lang = (i % 3 == 0) ? Language::Russian : Language::English;
        ok = writeAnalysis(parent, name, makeContent(lang, quint32(i + 1))) && ok;
        if (!reportsDir.isEmpty() && i % 2 == 0)
            ok = writeReportRecord(reportsDir, name, parent, i % 4 == 0) && ok;
    }
    return ok;
}

} // namespace DemoData
