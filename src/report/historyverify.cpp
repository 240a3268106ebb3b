// Whether a history and the PDFs it names are still as they were written.
#include "report/history.h"
#include "config/languagetext.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "report/history_p.h"

namespace History {

namespace {

QString kindName(const Entry& e, uchar lang)
{
    QString kind;
    switch (e.kind) {
    case Entry::Kind::Produced:
        kind = pickText(lang, "Report produced", "Отчет сформирован");
        break;
    case Entry::Kind::Changed:
        kind = pickText(lang, "%1 changed", "Изменено: %1").arg(fieldLabel(e.field, lang));
        break;
    case Entry::Kind::LockBroken:
        kind = pickText(lang, "Lock broken", "Блокировка снята");
        break;
    case Entry::Kind::Unreadable:
        break;
    }
    if (e.reportVersion > 0)
        kind += pickText(lang, ", version %1", ", версия %1").arg(e.reportVersion);
    return kind;
}

QString entryName(const Entry& e, uchar lang)
{
    if (e.kind == Entry::Kind::Unreadable) {
        const QString text =
            e.line.left(60) + (e.line.size() > 60 ? QStringLiteral("…") : QString());
        return pickText(lang, "the unreadable line «%1»", "нечитаемая строка «%1»").arg(text);
    }
    return pickText(lang, "the entry of %1 (%2)", "запись от %1 (%2)")
        .arg(displayTime(e.when), kindName(e, lang));
}

// The pdf tag of the last entry of each version that has one.
QMap<int, QString> recordedPdfs(const QList<Entry>& entries)
{
    QMap<int, QString> out;
    for (const Entry& e : entries) {
        if (e.reportVersion > 0 && !e.pdf.isEmpty())
            out[e.reportVersion] = e.pdf;
    }
    return out;
}

} // namespace

QString versionsDir(const QString& reportFolder)
{
    return reportFolder + QLatin1String("/versions");
}

QString archiveName(int version, const QDateTime& archived)
{
    return QStringLiteral("v%1_%2.pdf")
        .arg(version)
        .arg(archived.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QMap<int, QString> versionFiles(const QString& reportFolder, const QString& currentPdf,
                                int currentVersion)
{
    static const QRegularExpression name(QStringLiteral("^v([0-9]+)_[0-9]{8}-[0-9]{6}\\.pdf$"));
    QMap<int, QString> out;
    const QDir dir(versionsDir(reportFolder));
    // By name, so that of two archives of one version the later comes last.
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = name.match(file);
        if (m.hasMatch())
            out[m.captured(1).toInt()] = dir.filePath(file);
    }
    if (currentVersion > 0 && QFileInfo(currentPdf).isFile())
        out[currentVersion] = currentPdf;
    return out;
}

Verdict verify(const QList<Entry>& entries, const QString& expectedHead,
               const QMap<int, QString>& versionPdfFiles)
{
    Verdict v;
    v.entries = entries;
    auto fail = [&v](Verdict::Problem problem, int index) {
        v.problem = problem;
        v.index = index;
        return v;
    };
    QString before = lineHash(QString());
    bool chained = false;
    for (int i = 0; i < entries.size(); ++i) {
        const Entry& e = entries.at(i);
        if (e.prev.isEmpty()) {
            // Lines from before the chain existed lead the file; none may follow a linked one.
            if (chained)
                return fail(Verdict::Problem::Unprotected, i);
            ++v.unprotected;
        } else if (e.prev != before) {
            return fail(Verdict::Problem::NotFollowing, i);
        } else {
            chained = true;
        }
        before = lineHash(e.line);
    }
    if (!expectedHead.isEmpty() && entries.isEmpty())
        return fail(Verdict::Problem::AllRemoved, -1);
    if (!expectedHead.isEmpty() && before != expectedHead)
        return fail(Verdict::Problem::LastChanged, entries.size() - 1);

    if (versionPdfFiles.isEmpty())
        return v;
    const QMap<int, QString> recorded = recordedPdfs(entries);
    QList<int> versions = versionPdfFiles.keys();
    // A recorded version older than the newest one given must have been given too.
    for (int n : recorded.keys()) {
        if (n < versionPdfFiles.lastKey() && !versionPdfFiles.contains(n))
            versions << n;
    }
    std::sort(versions.begin(), versions.end());
    for (int n : versions) {
        if (!recorded.contains(n))
            continue; // archived before its PDF was recorded
        v.version = n;
        v.file = versionPdfFiles.value(n);
        const QString hash = v.file.isEmpty() ? QString() : fileHash(v.file);
        if (hash.isEmpty())
            return fail(Verdict::Problem::PdfMissing, -1);
        if (hash != recorded.value(n))
            return fail(Verdict::Problem::PdfChanged, -1);
    }
    v.version = 0;
    v.file.clear();
    return v;
}

Verdict verify(const QString& path, const QString& expectedHead,
               const QMap<int, QString>& versionPdfFiles)
{
    QByteArray content;
    bool exists = false;
    readFile(path, &content, &exists);
    QList<Entry> entries;
    // A line torn by a crash is no entry; the next append removes it.
    for (const QString& line : lines(content, false))
        entries << parse(line);
    return verify(entries, expectedHead, versionPdfFiles);
}

QString alteredMessage(const Verdict& v, uchar lang)
{
    using P = Verdict::Problem;
    const Entry e = v.entries.value(v.index);
    QString what;
    switch (v.problem) {
    case P::None:
        return QString();
    case P::NotFollowing:
        what =
            v.index == 0
                ? pickText(
                      lang,
                      "%1 does not begin the history: entries before it were removed, or it was "
                      "changed",
                      "%1 не является началом истории: записи перед ней удалены или она изменена")
                      .arg(entryName(e, lang))
                : pickText(
                      lang,
                      "%1 and %2 do not follow each other: one of them was changed, or entries "
                      "between them were removed",
                      "%1 и %2 не следуют друг за другом: одна из них изменена или записи между "
                      "ними "
                      "удалены")
                      .arg(entryName(v.entries.at(v.index - 1), lang), entryName(e, lang));
        break;
    case P::Unprotected:
        what =
            pickText(lang, "%1 was changed or added by hand", "%1 изменена или добавлена вручную")
                .arg(entryName(e, lang));
        break;
    case P::LastChanged:
        what =
            pickText(lang,
                     "%1 is not the last entry recorded: it was changed, or entries after it "
                     "were removed",
                     "%1 не последняя записанная запись: она изменена или записи после нее удалены")
                .arg(entryName(e, lang));
        break;
    case P::AllRemoved:
        what = pickText(lang, "all entries were removed", "все записи удалены");
        break;
    case P::PdfChanged:
        what = pickText(lang, "the PDF of version %1 (%2) is not the one recorded",
                        "PDF версии %1 (%2) не совпадает с записанным")
                   .arg(v.version)
                   .arg(QDir::toNativeSeparators(v.file));
        break;
    case P::PdfMissing:
        what = pickText(lang, "the PDF of version %1 is missing", "PDF версии %1 отсутствует")
                   .arg(v.version);
        break;
    }
    return pickText(lang, "This history has been altered: %1.", "История отчета изменена: %1.")
        .arg(what);
}

} // namespace History
