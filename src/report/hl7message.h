#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "report/lisreport.h"

// HL7 version 2.5.1 in its pipe-and-hat form (ER7), UTF-8, segments ended by CR: the result
// message a laboratory information system takes in, the acknowledgement it answers with, and
// the MLLP framing around both on a TCP connection.
namespace Hl7 {

// What a message says about its own sending, apart from the report.
struct Envelope
{
    QString sendingFacility;
    QString receivingApplication;
    QString receivingFacility;
    QString controlId;
    QDateTime messageTime;
};

// The name this program gives itself in MSH-3.
QString applicationName();

// "|^~\&" as \F\ \S\ \R\ \E\ \T\, every line break (CR LF, LF or CR) as \.br\; other control
// characters become blanks.
QString escape(const QString& text);
// The reverse for the sequences above; unknown sequences are dropped.
QString unescape(const QString& text);

// YYYYMMDDHHMMSS+ZZZZ in the time's own offset.
QString timestamp(const QDateTime& time);

// 20 characters (the length MSH-10 allows): milliseconds since 1970 and 56 random bits, in
// base 36. Unique across restarts and workstations without any shared counter.
QString newControlId();

// PID-5 components, escaped: "Family^Given^Middle" where the printed name is "Family Given
// [Middle]" or "Family, Given [Middle]" made of letters, hyphens, apostrophes and dots; any other
// text goes whole into the family name component.
QString personName(const QString& printed);

// OBX-2 and OBX-5 for a result as printed. A plain number is NM as it stands; the report's
// exponent form ("1.23457e+06") is written out as the same number ("1234570"), since NM allows
// no exponent; the device's ceiling "10000000+" is SN ">=^10000000"; anything else is ST.
struct Value
{
    QString type;
    QString text; // escaped
};
Value resultValue(const QString& printed);

// OBX-3 identifier of a marker row: "MM" and the row in two digits. The ear swab report shows
// sebum in rows 4 and 11; those get codes of their own ("SB04", "SB11") so that no LIS files
// sebum under the microbe the row holds elsewhere.
QString markerCode(int row, const QString& sampleCode);

// The ORU^R01 of one released report version.
QByteArray encodeResult(const LisReport& report, const Envelope& envelope);

// MSH-10 of a message, and the message with MSH-10 replaced.
QString controlIdOf(const QByteArray& message);
QByteArray withControlId(const QByteArray& message, const QString& controlId);

struct Ack
{
    QString code;      // MSA-1: AA, AE, AR, CA, CE, CR; empty when the answer had no MSA
    QString controlId; // MSA-2
    QString text;      // MSA-3, or the error segment's text when MSA-3 is empty
    bool delivered() const;
    bool refused() const;
};
Ack parseAck(const QByteArray& message);

// MLLP: 0x0B, the message, 0x1C 0x0D.
QByteArray frame(const QByteArray& message);
// Takes the first complete framed message out of the buffer (bytes before its start are
// dropped); false while none is complete.
bool takeFrame(QByteArray& buffer, QByteArray* message);

} // namespace Hl7
