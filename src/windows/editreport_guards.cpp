// What keeps an operator's edits in the report editor from being lost: the keyboard focus
// follows the edit toggles, Exit asks about changes that were not applied, and Apply asks
// before it prints an empty analysis code or patient name.
#include "windows/editreport.h"
#include "config/languagetext.h"

#include "app/messagebox.h"
#include "ui_editreport.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QTextDocument>

namespace {

bool same(const ReportRecord::PrintValues& a, const ReportRecord::PrintValues& b)
{
    return a.probeName == b.probeName && a.probeId == b.probeId && a.patient == b.patient &&
           a.conclusion == b.conclusion;
}

} // namespace

void editReport::setUpGuards()
{
    const QList<std::pair<QPushButton*, QLineEdit*>> rows = {
        {ui->cb_NewProbeName, ui->leProbeNameNew},
        {ui->cb_NewProbeID, ui->leProbeCodeNew},
        {ui->cb_NewPatient, ui->lePatientNew}};
    // Typing goes where the new value is wanted, and a space no longer flips the toggle back.
    // clicked() comes after the toggle has enabled or disabled the field.
    for (const auto& row : rows) {
        connect(row.first, &QPushButton::clicked, this,
                [toggle = row.first, field = row.second](bool on) {
                    if (!on) {
                        toggle->setFocus(Qt::OtherFocusReason);
                        return;
                    }
                    field->setFocus(Qt::OtherFocusReason);
                    field->selectAll();
                });
    }
    // In the viewer closing has no other meaning; in the editor it is Exit, with its question.
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    setToolTips();
}

void editReport::setToolTips()
{
    const QString edit = pickText(m_language, "Edit this value", "Изменить это значение");
    const QString copy =
        pickText(m_language, "Copy the printed value", "Скопировать напечатанное значение");
    for (QPushButton* b : {ui->cb_NewProbeName, ui->cb_NewProbeID, ui->cb_NewPatient})
        b->setToolTip(edit);
    for (QPushButton* b : {ui->pb_CopyProbeName, ui->pb_CopyProbeID, ui->pb_CopyPatient})
        b->setToolTip(copy);
}

// The four values as Apply would store them now.
ReportRecord::PrintValues editReport::valuesInWindow() const
{
    ReportRecord::PrintValues v;
    v.probeName = ui->cb_NewProbeName->isChecked() ? ui->leProbeNameNew->text() : m_shown.probeName;
    v.probeId = ui->cb_NewProbeID->isChecked() ? ui->leProbeCodeNew->text() : m_shown.probeId;
    v.patient = ui->cb_NewPatient->isChecked() ? ui->lePatientNew->text() : m_shown.patient;
    // In the form the record keeps: paragraph ends as <br>.
    QString typed = ui->plainTextEdit->document()->toRawText();
    typed.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    typed.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    v.conclusion = typed == m_shownConclusion ? m_shown.conclusion : typed;
    return v;
}

// Something differs from what the window showed, and the record does not hold it yet.
bool editReport::hasUnappliedChanges() const
{
    const ReportRecord::PrintValues typed = valuesInWindow();
    return !same(typed, m_shown) && !same(typed, ReportRecord::readPrint(reportIniPath));
}

bool editReport::confirmEmptyValues()
{
    const bool code =
        ui->cb_NewProbeID->isChecked() && ui->leProbeCodeNew->text().trimmed().isEmpty();
    const bool patient =
        ui->cb_NewPatient->isChecked() && ui->lePatientNew->text().trimmed().isEmpty();
    if (!code && !patient)
        return true;
    const QString text =
        code && patient ? pickText(m_language,
                                   "The analysis code and the patient name would be printed empty. "
                                   "Apply anyway?",
                                   "Код анализа и имя пациента будут напечатаны пустыми. Все равно "
                                   "применить?")
        : code ? pickText(m_language, "The analysis code would be printed empty. Apply anyway?",
                          "Код анализа будет напечатан пустым. Все равно применить?")
               : pickText(m_language, "The patient name would be printed empty. Apply anyway?",
                          "Имя пациента будет напечатано пустым. Все равно применить?");
    return MessageBox::question(pickText(m_language, "Confirmation", "Подтверждение"), text,
                                pickText(m_language, "Yes", "Да"),
                                pickText(m_language, "No", "Нет"));
}

// Exit, the window's close button and Esc.
void editReport::closeEvent(QCloseEvent* event)
{
    if (ui->pb_Apply->isHidden() || !hasUnappliedChanges()) {
        event->accept();
        return;
    }
    const MessageBox::Answer answer = MessageBox::questionWithCancel(
        pickText(m_language, "Confirmation", "Подтверждение"),
        pickText(m_language, "Apply the changes before closing?",
                 "Применить изменения перед закрытием?"),
        pickText(m_language, "Yes", "Да"), pickText(m_language, "No", "Нет"),
        pickText(m_language, "Cancel", "Отмена"));
    if (answer == MessageBox::Yes)
        procApply();
    // An Apply that was refused or failed has told why; the changes stay on screen.
    const bool close =
        answer == MessageBox::No || (answer == MessageBox::Yes && !hasUnappliedChanges());
    event->setAccepted(close);
}
