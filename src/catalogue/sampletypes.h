#pragma once

#include <QString>
#include <QVector>

// The sample materials. Rows 0..20 are the calculation type codes; row 21 is the
// catch-all "Another (ETC)" that switches to the free filter.
struct SampleType
{
    QString code;
    QString ruName;
    QString ruPhrase;
    QString enName;
    QString enPhrase;
};

namespace SampleTypes {

constexpr int Count = 22;
constexpr int CatchAllRow = 21;

const QVector<SampleType>& table();

// Name shown in the combos: English for language 0, Russian otherwise.
QString name(int row, unsigned char language);
// Words that name the sample inside a report sentence; empty for unknown codes.
QString phrase(unsigned char code, unsigned char language);
// Report template number 1..3 for a calculation type code.
int templateType(unsigned char code);

} // namespace SampleTypes
