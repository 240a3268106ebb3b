#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "report/exportreader.h"
#include "report/filewrite.h"
#include "report/markerrow.h"

// How far the last production got, as written to debug.ini. The numbers are what other tools
// read; a complete run ends at Finished (19), a device failure at TableBuilt (10), a foreign
// export at RawDataCopied (5).
enum class Checkpoint : int {
    Started = 0,
    ProgressShown = 1,
    FolderChosen = 2,
    RecordReady = 3,
    ExportRead = 4,
    RawDataCopied = 5,
    LanguageChecked = 6,
    LinesSplit = 7,
    ExportParsed = 8,
    SampleChosen = 9,
    TableBuilt = 10, // the device exchange starts here
    ResultsIn = 11,
    CalculationSaved = 12,
    ResultsRounded = 13,
    PremadeWritten = 14,
    FullTableWritten = 15,
    FinalWritten = 16,
    PdfWritten = 17,
    Committed = 18, // the report is in place and counts as done
    Finished = 19   // shown to the operator (or the batch has moved on)
};

// Why a production or a change of a report did not happen.
enum class Failure {
    None,
    ForeignExport,      // the export is no quantitation report
    ExportRefused,      // the export cannot be sent (too short, values out of range)
    DeviceWriteRefused, // the device did not take the raw values
    DeviceCheckFailed,  // the values read back differ
    DeviceCalculationFailed,
    DeviceOutputFailed,
    DeviceUnreachable, // no connection could be made
    ConnectionLost,    // the connection broke during the exchange
    SerialNotRead,
    VersionNotRead,
    StoppedByOperator,
    WriteFailed,      // a file under the application directory could not be written or read
    PageNotPrinted,   // the report page could not be laid out and printed
    InUse,            // another program instance holds the report
    ChangedElsewhere, // Apply: a value changed since the editor showed it
    ProducedAgain,    // Apply: the analysis was produced again since the editor opened
    NoPremade,        // Apply: the prepared report page cannot be read
    Cancelled         // the operator said no
};

struct Outcome
{
    Failure failure = Failure::None;
    QString message; // what the operator is told, in the interface language
    bool ok() const { return failure == Failure::None; }
};

// The report being produced: who asked for it, what the export said, what the device gave.
struct ReportJob
{
    QString folderName; // the analysis folder
    QString folderPath; // its parent directory
    QString operatorName;
    unsigned char typeCode = 0;
    unsigned char language = 0;
    QString reason; // for a report produced again

    QString reportFolderName; // under the reports folder
    QString reportFolder;     // its path
    ExportData exportData;
    ExportReader::Refusal refusal;
    QString samplePhrase;
    int templateType = 1;
    MarkerTable markers;
    qint32 deviceSerial = 0;
    unsigned char deviceVersion = 0;

    bool wasReleased = false; // a finished report existed before this run
    int version = 1;
    QString pdfName;
    QString transactionId;
    QDateTime releasedAt;
    Checkpoint checkpoint = Checkpoint::Started;
};
