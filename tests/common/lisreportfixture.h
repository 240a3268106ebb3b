#pragma once

#include "report/lisreport.h"
#include "report/markerrow.h"

// A released report as tests need one: 57 markers in display order, every fifth marked, a
// small binary PDF. The analysis code names it in messages.
inline LisReport lisTestReport(const QString& analysisCode = QStringLiteral("EX12"))
{
    LisReport r;
    r.reportFolder = analysisCode + QLatin1String(".D");
    r.analysisCode = analysisCode;
    r.patient = QStringLiteral("Smith John");
    r.sampleCode = QStringLiteral("BL");
    r.sampleName = QStringLiteral("Blood");
    r.analysisDay = QStringLiteral("07");
    r.analysisMonth = QStringLiteral("03");
    r.analysisYear = QStringLiteral("2019");
    r.reportTime = QDateTime(QDate(2019, 3, 8), QTime(10, 15, 3), Qt::OffsetFromUTC, 3 * 3600);
    for (int p = 0; p < DeviceMarkerCount; ++p) {
        const int row = displayOrder().at(p);
        r.markers.append({row, QStringLiteral("Marker %1").arg(row), QString::number(100 + p),
                          QStringLiteral("150"), p % 5 == 0});
    }
    r.conclusion = QStringLiteral("Markers beyond twice the reference - are marked");
    r.pdf = QByteArray("%PDF-1.4\n\x00\x01\xFF binary\n%%EOF", 28);
    return r;
}
