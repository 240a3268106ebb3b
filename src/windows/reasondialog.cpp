#include "windows/reasondialog.h"
#include "config/languagetext.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QVBoxLayout>

#include "app/messagebox.h"

namespace {
QQueue<QString> g_answers;
int g_asked = 0;

} // namespace

ReasonDialog::ReasonDialog(unsigned char lang, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ReasonDialog"));
    setWindowTitle(pickText(lang, "Reason for the change", "Причина изменения"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    auto* prompt = new QLabel(
        pickText(lang,
                 "Why is this released report changed? The reason is printed on the amended report "
                 "and kept in its history.",
                 "Почему изменяется выданный отчет? Причина печатается на исправленном отчете и "
                 "сохраняется в его истории."),
        this);
    prompt->setObjectName(QStringLiteral("lb_prompt"));
    prompt->setWordWrap(true);
    prompt->setFixedWidth(400);

    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("le_reason"));
    // At most two printed lines under the report's heading, even in capitals, so that the
    // conclusion still fits on the page.
    m_text->setMaxLength(150);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(pickText(lang, "OK", "Ок"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("pb_ok"));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    QPushButton* cancel =
        buttons->addButton(pickText(lang, "Cancel", "Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("pb_cancel"));
    cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_text, &QLineEdit::textChanged, this,
            [this] { m_ok->setEnabled(!reason().isEmpty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_text->setFocus();
}

QString ReasonDialog::reason() const
{
    return m_text->text().trimmed();
}

bool ReasonDialog::ask(unsigned char lang, QString* reason, QWidget* parent)
{
    ++g_asked;
    if (!g_answers.isEmpty() || MessageBox::autoAnswer()) {
        const QString answer = g_answers.isEmpty() ? QString() : g_answers.dequeue().trimmed();
        // The window itself never gives a blank reason, so neither does the seam.
        if (answer.isEmpty())
            return false;
        *reason = answer;
        return true;
    }
    ReasonDialog dialog(lang, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *reason = dialog.reason();
    return true;
}

void ReasonDialog::setNextReason(const QString& reason)
{
    g_answers.enqueue(reason);
}

void ReasonDialog::clearNextReasons()
{
    g_answers.clear();
}

int ReasonDialog::askedCount()
{
    return g_asked;
}
