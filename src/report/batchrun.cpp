#include "report/batchrun.h"
#include "config/languagetext.h"

#include <QStringBuilder>

void BatchRun::start(const QVector<Entry>& entries)
{
    m_entries = entries;
    m_current = -1;
    m_active = !m_entries.isEmpty();
    m_stopRequested = false;
    m_fatal = false;
    m_interrupted = false;
}

const BatchRun::Entry* BatchRun::next()
{
    if (!m_active)
        return nullptr;
    if (m_stopRequested || m_fatal || m_current + 1 >= m_entries.size()) {
        end();
        return nullptr;
    }
    ++m_current;
    return &m_entries[m_current];
}

void BatchRun::end()
{
    m_active = false;
    for (Entry& e : m_entries)
        if (e.outcome == Outcome::Waiting)
            e.outcome = Outcome::NotProduced;
}

void BatchRun::recordDone()
{
    m_interrupted = false;
    if (m_current >= 0 && m_current < m_entries.size())
        m_entries[m_current].outcome = Outcome::Done;
}

bool BatchRun::stopsBatch(Failure failure)
{
    return failure == Failure::DeviceUnreachable || failure == Failure::WriteFailed;
}

void BatchRun::recordFailure(const QString& message, Failure failure)
{
    if (m_current < 0 || m_current >= m_entries.size())
        return;
    m_entries[m_current].message = message;
    if (m_interrupted) {
        m_interrupted = false;
        m_entries[m_current].outcome = Outcome::Stopped;
        return;
    }
    m_entries[m_current].outcome = Outcome::Failed;
    m_fatal = m_fatal || stopsBatch(failure);
}

int BatchRun::countOf(Outcome outcome) const
{
    int n = 0;
    for (const Entry& e : m_entries)
        n += e.outcome == outcome ? 1 : 0;
    return n;
}

QString BatchRun::outcomeText(const Entry& entry, unsigned char lang)
{
    switch (entry.outcome) {
    case Outcome::Done:
        return pickText(lang, "Done", "Готово");
    case Outcome::Failed:
        // Some messages name a file on one line and the consequence on the next.
        return entry.message.simplified();
    case Outcome::Stopped:
        return pickText(lang, "Stopped by the operator", "Остановлен оператором");
    case Outcome::NotProduced:
        return pickText(lang, "Not produced", "Не сформирован");
    case Outcome::Waiting:
        break;
    }
    return pickText(lang, "Waiting", "Ожидает");
}

QString BatchRun::heading(unsigned char lang) const
{
    QString text = pickText(lang, "Reports produced: %1 of %2.", "Сформировано отчетов: %1 из %2.")
                       .arg(countOf(Outcome::Done))
                       .arg(m_entries.size());
    if (m_fatal)
        text +=
            QLatin1Char(' ') %
            pickText(lang, "The batch was stopped: the failure would repeat for every analysis.",
                     "Пакет остановлен: ошибка повторилась бы для каждого анализа.");
    else if (m_stopRequested && countOf(Outcome::NotProduced) > 0)
        text += QLatin1Char(' ') %
                pickText(lang, "Stopped by the operator.", "Остановлено оператором.");
    return text;
}

QString BatchRun::summaryText(unsigned char lang) const
{
    QString text = heading(lang) % QLatin1Char('\n');
    for (const Entry& e : m_entries)
        text += e.label % QLatin1Char('\t') % outcomeText(e, lang) % QLatin1Char('\n');
    return text;
}
