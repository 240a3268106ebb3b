#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The main window's message table: 27 rows, English in column 0, Russian in column 1.
class LocaleText
{
  public:
    enum Row : unsigned char {
        Attention = 0,
        Ok = 1,
        Exit = 2,
        NoTemplatesFolder = 3,
        NoTemplate1 = 4,
        NoTemplate2 = 5,
        NoTemplate3 = 6,
        NoAllSettingsWindow = 7,
        NoSettingsWindow = 8,
        NoProgressWindow = 9,
        NoEditorWindow = 10,
        NoDebugWindow = 11,
        NoAboutWindow = 13,
        EncodingFailed = 15,
        HardwareUnavailable = 17,
        Connected = 19,
        NoSettingsFile = 24,
        Connecting = 25,
        RowCount = 27
    };

    void load(unsigned char language);
    unsigned char language() const { return m_language; }
    // Empty text for rows without one or outside the table.
    QString text(unsigned char row) const;

  private:
    unsigned char m_language = 0;
    QVector<QStringList> m_rows;
};
