#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// When a held request for the next pass may run. While the folders are watched: shortly
// after a change is noticed (a burst of notices gives one pass), and at the safety interval
// in case a notice was lost. Without watching: paced by the cost of the last pass, so that
// passes take under a twentieth of a core while a change still shows within two seconds, or,
// where a pass takes longer than a tenth of a second, within about twenty passes' time.
class PassSchedule : public QObject
{
    Q_OBJECT

  public:
    explicit PassSchedule(QObject* parent = nullptr);

    void setSafetyInterval(int ms);
    void setWatching(bool on) { m_watching = on; }
    bool watching() const { return m_watching; }

    void passStarted();
    // A request waits; due() follows when its time has come.
    void hold();
    void changeNoticed();

  signals:
    void due();

  private:
    void arm();

    QTimer m_timer;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceChange;
    qint64 m_cpuAtStartNs = 0;
    qint64 m_passMs = 0;    // wall time from a pass's start to the request after it
    qint64 m_passCpuMs = 0; // process time over the same span
    bool m_costKnown = false;
    bool m_holding = false;
    bool m_changed = false;
    bool m_watching = false;
    int m_safetyMs = 60000;
};
