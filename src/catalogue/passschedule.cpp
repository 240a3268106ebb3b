#include "passschedule.h"

#include <time.h>

namespace {

qint64 processCpuNs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

PassSchedule::PassSchedule(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_holding)
            return;
        m_holding = false;
        emit due();
    });
}

void PassSchedule::setSafetyInterval(int ms)
{
    m_safetyMs = ms;
    if (m_holding)
        arm(); // a waiting request takes the new interval at once
}

void PassSchedule::passStarted()
{
    m_timer.stop();
    m_holding = false;
    m_changed = false;
    m_costKnown = false;
    m_sinceStart.start();
    m_cpuAtStartNs = processCpuNs();
}

void PassSchedule::hold()
{
    // The cost of a pass includes taking in its results on this thread.
    if (!m_costKnown && m_sinceStart.isValid()) {
        m_passMs = m_sinceStart.elapsed();
        m_passCpuMs = (processCpuNs() - m_cpuAtStartNs) / 1000000;
        m_costKnown = true;
    }
    m_holding = true;
    arm();
}

void PassSchedule::changeNoticed()
{
    if (!m_changed) {
        m_changed = true;
        m_sinceChange.start();
    }
    if (m_holding && m_watching)
        arm();
}

void PassSchedule::arm()
{
    const qint64 elapsed = m_sinceStart.isValid() ? m_sinceStart.elapsed() : 0;
    qint64 wait;
    if (m_watching) {
        wait = m_safetyMs - elapsed;
        if (m_changed) {
            // A tenth of a second gathers a burst of notices into one pass; while changes keep
            // coming, passes take half of the time at most.
            wait = qMin(wait, qMax(100 - m_sinceChange.elapsed(), 2 * m_passMs - elapsed));
        }
    } else {
        // Idle for 22 times the process time of a pass: under 5 % of a core with room for the
        // program's other work. A change made just after its folder was looked at shows at the
        // end of the pass after next.
        const qint64 gap = qMax(2000 - 2 * m_passMs, 22 * m_passCpuMs);
        wait = m_passMs + gap - elapsed;
    }
    m_timer.start(int(qBound<qint64>(0, wait, 24 * 3600 * 1000)));
}
