#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Wire form of the device protocol: CRC-8/MAXIM frame checksums, outgoing frames,
// line collection and the reply payload layouts.
namespace Framing {

// CRC-8/MAXIM (reflected poly 0x8C, init 0, no final XOR) of raw bytes.
unsigned char crc8(const QByteArray& bytes);

// Frame checksum: covers every character except the first and the last `offset`.
// Texts of one character or less (after the offset) give 0.
unsigned char frameChecksum(const QString& text, int offset = 0);

// Two upper-case hexadecimal digits, zero-padded.
QString checksumDigits(unsigned char crc);

// "text\r\n" when plain, else "text,CC*\r\n".
QString buildFrame(const QString& text, bool plain);

// Value of one hexadecimal digit; any other character gives 0.
unsigned char hexDigitValue(QChar c);

// True when the line is "body,CC*" (CC two hexadecimal digits, the "*" the only one after
// the lead character) with CC matching the checksum of the body, lead character excluded.
bool checkReply(const QString& line);

// Leading and trailing white space removed, inner runs collapsed to one blank.
QString simplified(const QString& line);

// Assembles incoming bytes into lines: LF ends a line, CR is ignored everywhere.
// A line that grows past MaxLineLength is handed on once as OverlongLine, which no
// reply check accepts, and the rest of it up to its LF is dropped: a device that
// never sends LF cannot make the buffer grow without end.
class LineCollector
{
  public:
    static constexpr int MaxLineLength = 4096;
    static QString overlongLine();

    // Appends the bytes and returns the complete lines (simplified) they finished.
    QStringList feed(const QByteArray& bytes);
    const QString& pending() const { return m_buffer; }
    void clear()
    {
        m_buffer.clear();
        m_dropping = false;
    }

  private:
    QString m_buffer;
    bool m_dropping = false;
};

// Reply payloads. Fields that do not parse are 0; short lines give what exists.
struct ReadBackLine
{
    int index = 0;
    quint32 value = 0;
};
struct OutputLine
{
    int index = 0;
    double result = 0;       // field A, decimal with "."; 0 unless a finite number
    double norm = 0;         // field B, hexadecimal integer
    bool wellFormed = false; // A and B each followed by a comma
};

unsigned char parseVersion(const QString& line); // "@CV,VV,CC*"
qint32 parseSerial(const QString& line);         // "@SN,NNNNNNNN,CC*"
ReadBackLine parseReadBack(const QString& line); // "xII,XXXXXXXX,CC*"
int parseTypeEcho(const QString& line);          // "@TR-TT,CC*"
OutputLine parseOutput(const QString& line);     // "xII,A,B,CC*"

// Outgoing data line "$II,XXXXXXXX" (upper case) for raw value `value`.
QString dataLineText(int index, quint32 value);
// Outgoing calculate command "$MC,tt" with lower-case hex type code.
QString calculateText(unsigned char typeCode);

} // namespace Framing
