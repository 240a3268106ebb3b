// The result message as an independent HL7 reader (python-hl7, Debian's python3-hl7) reads it,
// and the acknowledgements and MLLP frames the program reads back.
#include "hl7reader.h"
#include "lisreportfixture.h"
#include "report/hl7message.h"

#include <QJsonArray>
#include <QtTest>

class TestHl7Message : public QObject
{
    Q_OBJECT

  private slots:
    // changes: edits of the test report (patient=, code=, conclusion=, facility=, version=,
    // result<p>=, sample=, language=); expected: "key=value" as read back, line breaks read as CR.
    void readBack_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fields, first release")
            << QStringList()
            << QStringList{"MSH[1].3.1=MarkerReport",
                           "MSH[1].4.1=LAB1",
                           "MSH[1].5.1=LISAPP",
                           "MSH[1].6.1=HOSP",
                           "MSH[1].7.1=20190308101500+0300",
                           "MSH[1].9.1=ORU",
                           "MSH[1].9.2=R01",
                           "MSH[1].9.3=ORU_R01",
                           "MSH[1].10.1=CTRL000000000000001",
                           "MSH[1].11.1=P",
                           "MSH[1].12.1=2.5.1",
                           "MSH[1].18.1=UNICODE UTF-8",
                           "PID[1].3.1=EX12",
                           "PID[1].5.1=Smith",
                           "PID[1].5.2=John",
                           "OBR[1].3.1=EX12",
                           "OBR[1].4.1=MMBL",
                           "OBR[1].4.2=Microbial markers (Blood)",
                           "OBR[1].7.1=20190307",
                           "OBR[1].22.1=20190308101503+0300",
                           "OBR[1].25.1=F",
                           "NTE[1].3.1=Markers beyond twice the reference - are marked",
                           "OBX[1].3.1=MM02",
                           "OBX[1].3.2=Marker 2",
                           "OBX[1].5.1=100",
                           "OBX[1].7.1=150",
                           "OBX[57].3.1=MM41"};
        QTest::newRow("delimiters and line breaks")
            << QStringList{"patient=O'Neil|Smith^&~\\", "code=A|B^C", "facility=R&D ~ lab",
                           "conclusion=first|line\nsecond^line\r\nthird\\&~"}
            << QStringList{"PID[1].5.1=O'Neil|Smith^&~\\", "PID[1].3.1=A|B^C", "OBR[1].3.1=A|B^C",
                           "MSH[1].4.1=R&D ~ lab", "NTE[1].3.1=first|line\rsecond^line\rthird\\&~"};
        QTest::newRow("Cyrillic, correction")
            << QStringList{"patient=Иванова  Анна-Мария Петровна", "version=2", "language=1",
                           "sample=Кровь", "conclusion=Уровень «значимости»"}
            << QStringList{"PID[1].5.1=Иванова",     "PID[1].5.2=Анна-Мария",
                           "PID[1].5.3=Петровна",    "OBR[1].4.2=Микробные маркеры (Кровь)",
                           "OBR[1].25.1=C",          "NTE[1].3.1=Уровень «значимости»",
                           "OBX[58].3.2=Отчет (PDF)"};
        QTest::newRow("name that is not two or three words")
            << QStringList{"patient=Patient 17", "version=3"}
            << QStringList{"PID[1].5.1=Patient 17", "PID[1].5.2=", "OBR[1].25.1=C"};
        QTest::newRow("family name before a comma")
            << QStringList{"patient=de la Cruz, Ana"}
            << QStringList{"PID[1].5.1=de la Cruz", "PID[1].5.2=Ana"};
        // NM takes no exponent and no "+": the same numbers in the forms it does take.
        QTest::newRow("printed results")
            << QStringList{"result0=10000000+", "result1=1e+06", "result2=1.23457e+06",
                           "result3=-2"}
            << QStringList{"OBX[1].2.1=SN", "OBX[1].5.1=>=",      "OBX[1].5.2=10000000",
                           "OBX[2].2.1=NM", "OBX[2].5.1=1000000", "OBX[3].5.1=1234570",
                           "OBX[4].5.1=-2", "OBX[4].2.1=NM"};
        QTest::newRow("ear swab sebum rows")
            << QStringList{"sample=Ear swab", "code=EA1", "samplecode=EA"}
            << QStringList{"OBX[14].3.1=SB04", "OBX[16].3.1=SB11", "OBX[15].3.1=MM39",
                           "OBR[1].4.1=MMEA"};
    }
    void readBack()
    {
        QFETCH(QStringList, changes);
        QFETCH(QStringList, expected);
        LisReport report = lisTestReport();
        Hl7::Envelope envelope{
            "LAB1", "LISAPP", "HOSP", "CTRL000000000000001",
            QDateTime(QDate(2019, 3, 8), QTime(10, 15), Qt::OffsetFromUTC, 3 * 3600)};
        for (const QString& change : changes) {
            const QString key = change.section('=', 0, 0);
            const QString value = change.section('=', 1);
            if (key == "patient")
                report.patient = value;
            else if (key == "code")
                report.analysisCode = value;
            else if (key == "facility")
                envelope.sendingFacility = value;
            else if (key == "conclusion")
                report.conclusion = value;
            else if (key == "version")
                report.version = value.toInt();
            else if (key == "language")
                report.language = uchar(value.toInt());
            else if (key == "sample")
                report.sampleName = value;
            else if (key == "samplecode")
                report.sampleCode = value;
            else if (key.startsWith("result"))
                report.markers[key.mid(6).toInt()].result = value;
            else
                QFAIL(qPrintable("unknown change " + key));
        }
        const QByteArray message = Hl7::encodeResult(report, envelope);
        QVERIFY(!message.contains('\n'));
        const QJsonObject read = readHl7Independently(message);
        QVERIFY2(!read.isEmpty(), "python-hl7 could not read the message");
        for (const QString& e : expected)
            QCOMPARE(e.section('=', 0, 0) + '=' + read.value(e.section('=', 0, 0)).toString(), e);

        // Whatever the report: one OBX per marker in its order, H exactly where the report marks,
        // the status of the version everywhere, then the PDF.
        QStringList segments;
        for (const QJsonValue& v : read.value("segments").toArray())
            segments << v.toString();
        QCOMPARE(segments.join(' '), "MSH PID OBR NTE" + QString(" OBX").repeated(58));
        const QString status = report.version > 1 ? "C" : "F";
        for (int i = 0; i < report.markers.size(); ++i) {
            const QString obx = QStringLiteral("OBX[%1].").arg(i + 1);
            const LisMarker& m = report.markers.at(i);
            QCOMPARE(read.value(obx + "1.1").toString(), QString::number(i + 1));
            QCOMPARE(read.value(obx + "3.2").toString(), m.name);
            QCOMPARE(read.value(obx + "8.1").toString(), m.highlighted ? "H" : "");
            QCOMPARE(read.value(obx + "11.1").toString(), status);
        }
        QCOMPARE(read.value("OBR[1].25.1").toString(), status);
        QCOMPARE(read.value("OBX[58].2.1").toString() + ' ' + read.value("OBX[58].5.2").toString() +
                     ' ' + read.value("OBX[58].5.4").toString(),
                 QStringLiteral("ED AP Base64"));
        QCOMPARE(QByteArray::fromBase64(read.value("OBX[58].5.5").toString().toLatin1()),
                 report.pdf);
    }

    // Control IDs fit MSH-10 (20 characters) and never repeat.
    void controlIdsAreUnique()
    {
        QSet<QString> ids;
        for (int i = 0; i < 2000; ++i)
            ids.insert(Hl7::newControlId());
        QCOMPARE(ids.size(), 2000);
        QCOMPARE(Hl7::newControlId().size(), 20);
        const QByteArray message =
            Hl7::encodeResult(lisTestReport(), {"", "", "", "OLD", QDateTime::currentDateTime()});
        QCOMPARE(Hl7::controlIdOf(Hl7::withControlId(message, "NEW1")), QStringLiteral("NEW1"));
    }

    // What the program makes of an answer, taken from a stream that brings it in pieces.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>(
            "read"); // code|control ID|text|delivered|refused, or "" while incomplete
        const QByteArray msh = "MSH|^~\\&|LIS||MarkerReport||20190308||ACK^R01^ACK|9|P|2.5.1\r";
        QTest::newRow("accepted") << "noise\x0b" + msh + "MSA|AA|ID1\r\x1c\r"
                                  << "AA|ID1||1|0";
        QTest::newRow("error with text")
            << "\x0b" + msh + "MSA|AE|ID1|Unknown \\T\\ patient\r\x1c\r"
            << "AE|ID1|Unknown & patient|0|1";
        QTest::newRow("reject, text in ERR")
            << "\x0b" + msh + "MSA|AR|ID2\rERR||||E||||Not for us\r\x1c\r"
            << "AR|ID2|Not for us|0|1";
        QTest::newRow("commit accept, LF ends")
            << QByteArray("\x0bMSH|^~\\&|L\nMSA|CA|ID3\n\x1c\r") << "CA|ID3||1|0";
        QTest::newRow("not an answer") << QByteArray("\x0bHELLO\x1c\r") << "|||0|0";
        QTest::newRow("incomplete") << "\x0b" + msh + "MSA|AA|ID1\r\x1c"
                                    << "";
    }
    void answers()
    {
        QFETCH(QByteArray, stream);
        QByteArray buffer;
        QByteArray message;
        bool complete = false;
        for (char c : stream) {
            QVERIFY(!complete);
            buffer += c;
            complete = Hl7::takeFrame(buffer, &message);
        }
        QString read;
        if (complete) {
            const Hl7::Ack ack = Hl7::parseAck(message);
            read = QStringList{ack.code, ack.controlId, ack.text, QString::number(ack.delivered()),
                               QString::number(ack.refused())}
                       .join('|');
            QVERIFY(buffer.isEmpty());
        }
        QTEST(read, "read");
    }
};

QTEST_GUILESS_MAIN(TestHl7Message)
#include "tst_hl7message.moc"
