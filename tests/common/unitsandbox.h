#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

#include "report/pageprinter.h"
#include "report/reportjob.h"
#include "report/reportrecord.h"

class ReportUnit;

// Lays a page out with Qt's rich-text engine instead of the web engine: a real PDF with the
// page's text, made in milliseconds and without a web view, so that a test can produce a
// report hundreds of times.
class TextPagePrinter : public PagePrinter
{
  public:
    bool print(const QString& html, const QString& baseDir, const QString& pdfPath,
               QString* reason) override;
    QImage chart(int typeImage, const MarkerTable& table) override;
};

// An application directory with the templates and a data directory, and a report unit over
// it, for driving production and changes without the windows or the device: the device's
// results come from the simulator's own calculation. It lies on a memory file system where
// there is one, since syncs cost nothing there.
class UnitSandbox
{
  public:
    // A fresh directory; `from` copies an existing sandbox's application directory and shares
    // its data directory, so that the copied records still name their analyses.
    explicit UnitSandbox(const UnitSandbox* from = nullptr);
    // The sandbox another process made; it is left in place.
    UnitSandbox(const QString& existingDir, const QString& dataDir);
    ~UnitSandbox();

    bool isValid() const { return m_valid; }
    QString appDir() const { return m_dir; }
    QString dataDir() const { return m_data; }
    QString file(const QString& relative) const { return m_dir + QLatin1Char('/') + relative; }
    ReportUnit& unit();
    // A new unit on the same directory, after recovery: what the program sees after a restart.
    ReportUnit& restart();

    // data/<relative>/epatemp.txt with this patient.
    bool addAnalysis(const QString& relative, const QString& patient = QString(),
                     const QString& title = QString());
    // New on the analysis: both halves of production, with the simulator's results.
    Outcome produce(const QString& relative, const QString& reason = QString());
    // Apply in the editor of the analysis' report: the patient is changed to `patient`.
    Outcome changePatient(const QString& relative, const QString& patient,
                          const QString& reason = QStringLiteral("Typo"));

    QString reportFolderOf(const QString& relative) const; // path; empty when none
    QString pdfOf(const QString& relative);
    bool finished(const QString& relative);
    // Every file under reports/ and reportsPDF/ with its bytes.
    QMap<QString, QByteArray> snapshot() const;

  private:
    QString m_dir;
    QString m_data;
    bool m_valid = false;
    bool m_owned = true;
    TextPagePrinter m_printer;
    std::unique_ptr<ReportUnit> m_unit;
};

// The title of a PDF made by TextPagePrinter: the text of its page.
QString pdfTitle(const QString& path);
