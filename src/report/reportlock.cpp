#include "report/reportlock.h"

namespace {

QString when(const QDateTime& started)
{
    return started.isValid() ? started.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))
                             : QStringLiteral("?");
}

QString orUnknown(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("?") : text;
}

} // namespace

ReportLock::ReportLock(const QString& reportFolder, QObject* parent)
    : QObject(parent)
    , m_path(reportFolder + QLatin1String("/.lock"))
{
    m_heartbeat.setInterval(10000);
    connect(&m_heartbeat, &QTimer::timeout, this, &ReportLock::beat);
}

ReportLock::~ReportLock()
{
    release();
}

void ReportLock::setTimes(int heartbeatMs, int staleAfterMs)
{
    m_heartbeat.setInterval(heartbeatMs);
    m_staleAfterMs = staleAfterMs;
}

ReportLock::State ReportLock::tryAcquire(const QString& operatorName)
{
    m_error = FileWrite::success();
    if (!m_mine.isEmpty() && isHeld())
        return State::Acquired;
    m_mine.clear();
    const QByteArray mine = LockFile::content(operatorName);
    const State state = LockFile::tryCreate(m_path, mine, m_staleAfterMs, &m_holder, &m_error);
    if (state == State::Acquired) {
        m_mine = mine;
        m_holder = LockFile::parse(mine);
        m_heartbeat.start();
    }
    return state;
}

bool ReportLock::breakStale(const Holder& seen)
{
    return LockFile::breakStale(m_path, seen, m_staleAfterMs);
}

void ReportLock::release()
{
    m_heartbeat.stop();
    if (!m_mine.isEmpty())
        LockFile::removeIfMine(m_path, m_mine);
    m_mine.clear();
}

bool ReportLock::isHeld() const
{
    return !m_mine.isEmpty() && LockFile::isMine(m_path, m_mine);
}

void ReportLock::beat()
{
    // A lock broken by someone else is not taken back by touching it.
    if (!isHeld() || !LockFile::touch(m_path))
        m_heartbeat.stop();
}

QString ReportLock::inUseMessage(const Holder& holder, uchar lang)
{
    if (lang == 0)
        return QStringLiteral("The report is in use by %1 on %2 since %3.")
            .arg(orUnknown(holder.operatorName), orUnknown(holder.host), when(holder.started));
    return QString::fromUtf8("Отчет используется: %1 на компьютере %2 с %3.")
        .arg(orUnknown(holder.operatorName), orUnknown(holder.host), when(holder.started));
}

QString ReportLock::staleQuestion(const Holder& holder, uchar lang)
{
    if (lang == 0)
        return QStringLiteral("The report is locked by %1 on %2 since %3. The program that held "
                              "it is no longer running. Break the lock and continue? The break "
                              "is recorded in the report's history.")
            .arg(orUnknown(holder.operatorName), orUnknown(holder.host), when(holder.started));
    return QString::fromUtf8("Отчет заблокирован: %1 на компьютере %2 с %3. Программа, которая "
                             "его заблокировала, больше не работает. Снять блокировку и "
                             "продолжить? Снятие будет записано в историю отчета.")
        .arg(orUnknown(holder.operatorName), orUnknown(holder.host), when(holder.started));
}
