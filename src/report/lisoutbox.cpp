#include "report/lisoutbox.h"
#include "config/languagetext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/time.h>

#include "report/hl7message.h"

namespace {

FileWrite::Result systemFailure(const QString& path, int error)
{
    return FileWrite::failure(path, QString::fromLocal8Bit(std::strerror(error)), error);
}

// Runs on the folder thread: the LIS sees the file complete or not at all, since it only
// appears under its name once synced; the folder is synced after the rename.
FileWrite::Result writeToFolder(const QString& folder, const QString& fileName,
                                const QByteArray& message)
{
    const QFileInfo dir(folder);
    if (!dir.exists())
        return systemFailure(folder, ENOENT);
    if (!dir.isDir())
        return systemFailure(folder, ENOTDIR);
    const QString path = folder % QLatin1Char('/') % fileName;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileWrite::failure(path, file.errorString());
    if (file.write(message) != message.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return FileWrite::failure(path, reason);
    }
    if (!file.commit())
        return FileWrite::failure(path, file.errorString());
    if (!LisQueue::syncFolder(folder))
        return systemFailure(folder, errno);
    return FileWrite::success();
}

} // namespace

QString LisOutbox::Problem::text(unsigned char language) const
{
    if (!file)
        return FileWrite::message(file, language);
    switch (kind) {
    case MllpClient::Problem::Unreachable:
        return pickText(language, "The LIS cannot be reached: %1.", "ЛИС недоступна: %1.")
            .arg(detail);
    case MllpClient::Problem::NoAnswer:
        return pickText(language, "The LIS did not answer within %1 s.", "ЛИС не ответила за %1 с.")
            .arg(timeoutSeconds);
    case MllpClient::Problem::Closed:
        return pickText(language, "The LIS closed the connection without an answer.",
                        "ЛИС закрыла соединение без ответа.");
    case MllpClient::Problem::NotAnAnswer:
        return pickText(language,
                        "The LIS answered with something that is not an acknowledgement: %1",
                        "Ответ ЛИС не является подтверждением: %1")
            .arg(detail);
    case MllpClient::Problem::None:
        break;
    }
    return QString();
}

LisOutbox::LisOutbox(const QString& appDir, QObject* parent)
    : QObject(parent)
    , m_root(LisQueue::root(appDir))
    , m_client(new MllpClient(this))
    , m_poll(new QTimer(this))
{
    m_folder.target = QLatin1String(LisQueue::FolderTarget);
    m_listener.target = QLatin1String(LisQueue::MllpTarget);
    for (Lane* lane : {&m_folder, &m_listener}) {
        lane->retry = new QTimer(this);
        lane->retry->setSingleShot(true);
        connect(lane->retry, &QTimer::timeout, this, [this, lane] { pump(*lane); });
    }
    connect(m_client, &MllpClient::finished, this, &LisOutbox::onListenerFinished);
    connect(m_poll, &QTimer::timeout, this, &LisOutbox::poll);
    m_poll->start(m_timing.pollMs);
    recount();
}

LisOutbox::~LisOutbox()
{
    m_closing = true;
    m_client->abort();
    if (m_folderThread) {
        m_folderThread->wait();
        delete m_folderThread;
    }
    // Claims go back to the queue, so the next instance to deliver starts with them.
    for (Lane* lane : {&m_folder, &m_listener}) {
        if (!lane->current.isEmpty())
            LisQueue::release(m_root, lane->current);
    }
    releaseLock();
}

void LisOutbox::setTiming(const Timing& timing)
{
    m_timing = timing;
    m_poll->start(m_timing.pollMs);
    if (m_lock)
        m_lock->setStaleLockTime(m_timing.staleLockMs);
}

void LisOutbox::setConfig(const Config& config)
{
    m_config = config;
    // A message on its way to the old listener goes to the new one from the start.
    if (m_listener.busy) {
        m_client->abort();
        m_listener.busy = false;
    }
    for (Lane* lane : {&m_folder, &m_listener}) {
        lane->retry->stop();
        lane->retryMs = 0;
        lane->problem = Problem();
        if (!enabled(*lane) && !lane->busy && !lane->current.isEmpty()) {
            LisQueue::release(m_root, lane->current);
            lane->current.clear();
        }
    }
    poll();
}

FileWrite::Result LisOutbox::enqueue(const LisReport& report, QStringList* names)
{
    QStringList targets;
    if (m_config.toFolder)
        targets << QLatin1String(LisQueue::FolderTarget);
    if (m_config.toListener)
        targets << QLatin1String(LisQueue::MllpTarget);
    if (targets.isEmpty())
        return FileWrite::success();

    Hl7::Envelope envelope;
    envelope.sendingFacility = m_config.sendingFacility;
    envelope.receivingApplication = m_config.receivingApplication;
    envelope.receivingFacility = m_config.receivingFacility;
    envelope.controlId = Hl7::newControlId();
    envelope.messageTime = QDateTime::currentDateTime();
    const QByteArray message = Hl7::encodeResult(report, envelope);

    FileWrite::Result result;
    for (const QString& target : qAsConst(targets)) {
        LisEntry entry;
        // Each way of delivery is a message of its own for the LIS.
        entry.controlId = target == targets.first() ? envelope.controlId : Hl7::newControlId();
        entry.message = entry.controlId == envelope.controlId
                            ? message
                            : Hl7::withControlId(message, entry.controlId);
        entry.name = LisQueue::newName(entry.controlId, target);
        entry.reportFolder = report.reportFolder;
        entry.analysisCode = report.analysisCode;
        entry.version = report.version;
        entry.queued = envelope.messageTime;
        result = LisQueue::add(m_root, entry);
        if (!result)
            break;
        if (names)
            names->append(entry.name);
    }
    recount();
    emit changed();
    QTimer::singleShot(0, this, [this] {
        pump(m_folder);
        pump(m_listener);
    });
    return result;
}

QVector<LisEntry> LisOutbox::recent(int max) const
{
    return LisQueue::recent(m_root, max);
}

bool LisOutbox::sendAgain(const QString& name)
{
    QString queued;
    const bool ok = LisQueue::resend(m_root, name, &queued);
    recount();
    emit changed();
    if (ok) {
        pump(m_folder);
        pump(m_listener);
    }
    return ok;
}

QString LisOutbox::statusText(int waiting, int failed, unsigned char language)
{
    if (waiting <= 0 && failed <= 0)
        return QString();
    QStringList parts;
    if (waiting > 0)
        parts << pickText(language, "%1 waiting", "%1 в очереди").arg(waiting);
    if (failed > 0)
        parts << pickText(language, "%1 failed", "%1 с ошибкой").arg(failed);
    return pickText(language, "LIS: ", "ЛИС: ") + parts.join(QLatin1String(", "));
}

LisOutbox::Problem LisOutbox::problemOf(const QString& name) const
{
    for (const Lane* lane : {&m_folder, &m_listener}) {
        if (!name.isEmpty() && lane->current == name)
            return lane->problem;
    }
    return Problem();
}

void LisOutbox::poll()
{
    if (m_config.toFolder || m_config.toListener) {
        if (holdLock()) {
            pump(m_folder);
            pump(m_listener);
        }
    } else if (!m_folder.busy) {
        releaseLock();
    }
    recount();
}

bool LisOutbox::holdLock()
{
    const QString path = m_root + QLatin1String("/sender.lock");
    if (m_lock && m_lock->isLocked()) {
        // A live holder keeps its lock fresh for instances on other workstations.
        ::utimes(QFile::encodeName(path).constData(), nullptr);
        return true;
    }
    if (!QDir().mkpath(m_root))
        return false;
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(m_timing.staleLockMs);
    if (!m_lock->tryLock(0))
        return false;
    // Whatever an instance that ended without finishing had claimed is waiting again.
    LisQueue::recover(m_root);
    return true;
}

void LisOutbox::releaseLock()
{
    if (m_lock && m_lock->isLocked())
        m_lock->unlock();
}

bool LisOutbox::enabled(const Lane& lane) const
{
    return &lane == &m_folder ? m_config.toFolder : m_config.toListener;
}

void LisOutbox::pump(Lane& lane)
{
    if (m_closing || !delivers() || !enabled(lane) || lane.busy || lane.retry->isActive())
        return;
    if (lane.current.isEmpty()) {
        for (const QString& name : LisQueue::names(m_root, LisEntry::State::Waiting, lane.target)) {
            if (LisQueue::claim(m_root, name)) {
                lane.current = name;
                break;
            }
        }
        if (lane.current.isEmpty())
            return;
        emit changed();
    }
    LisEntry entry;
    if (!LisQueue::read(m_root, LisEntry::State::Sending, lane.current, &entry, true)) {
        Problem problem;
        problem.file = FileWrite::failure(m_root + QLatin1String("/sending/") + lane.current,
                                          QString::fromLocal8Bit(std::strerror(EIO)), EIO);
        problem.file.reading = true;
        retryLater(lane, problem);
        return;
    }
    // A message queued again carries the new control ID in its name only.
    if (Hl7::controlIdOf(entry.message) != entry.controlId)
        entry.message = Hl7::withControlId(entry.message, entry.controlId);
    lane.busy = true;
    if (&lane == &m_folder)
        deliverToFolder(lane, entry);
    else
        deliverToListener(lane, entry);
}

void LisOutbox::deliverToFolder(Lane& lane, const LisEntry& entry)
{
    auto result = std::make_shared<FileWrite::Result>();
    const QString folder = m_config.folder;
    const QString fileName = entry.controlId + QLatin1String(".hl7");
    const QByteArray message = entry.message;
    m_folderThread = QThread::create([=] { *result = writeToFolder(folder, fileName, message); });
    connect(m_folderThread, &QThread::finished, this, [this, &lane, result] {
        m_folderThread->deleteLater();
        m_folderThread = nullptr;
        lane.busy = false;
        if (*result) {
            delivered(lane, true, QString());
        } else {
            Problem problem;
            problem.file = *result;
            retryLater(lane, problem);
        }
    });
    m_folderThread->start();
}

void LisOutbox::deliverToListener(Lane&, const LisEntry& entry)
{
    m_client->send(m_config.host, m_config.port, entry.message, m_timing.answerTimeoutMs);
}

void LisOutbox::onListenerFinished(MllpClient::Outcome outcome, MllpClient::Problem kind,
                                   const QString& text)
{
    m_listener.busy = false;
    if (m_closing || m_listener.current.isEmpty())
        return;
    if (outcome == MllpClient::Outcome::Retry) {
        Problem problem;
        problem.kind = kind;
        problem.detail = text;
        problem.timeoutSeconds = (m_timing.answerTimeoutMs + 999) / 1000;
        retryLater(m_listener, problem);
        return;
    }
    delivered(m_listener, outcome == MllpClient::Outcome::Delivered, text);
}

void LisOutbox::delivered(Lane& lane, bool ok, const QString& answer)
{
    LisEntry entry;
    if (!LisQueue::read(m_root, LisEntry::State::Sending, lane.current, &entry, !ok)) {
        entry.name = lane.current;
        entry.target = lane.target;
    }
    entry.state = ok ? LisEntry::State::Delivered : LisEntry::State::Failed;
    entry.finished = QDateTime::currentDateTime();
    entry.answer = answer;
    const FileWrite::Result recorded = LisQueue::finish(m_root, entry);
    if (!recorded) {
        // The outcome could not be kept: the message stays claimed and goes again, so the LIS
        // may see it twice (it can tell by the control ID) but never misses it.
        Problem problem;
        problem.file = recorded;
        retryLater(lane, problem);
        return;
    }
    lane.current.clear();
    lane.retryMs = 0;
    lane.problem = Problem();
    if (ok)
        LisQueue::prune(m_root, 200);
    recount();
    emit changed();
    QTimer::singleShot(0, this, [this, &lane] { pump(lane); });
}

void LisOutbox::retryLater(Lane& lane, const Problem& problem)
{
    lane.problem = problem;
    lane.retryMs =
        lane.retryMs == 0 ? m_timing.firstRetryMs : qMin(lane.retryMs * 2, m_timing.maxRetryMs);
    lane.retry->start(lane.retryMs);
    emit changed();
}

void LisOutbox::recount()
{
    const int waiting = LisQueue::names(m_root, LisEntry::State::Waiting).size() +
                        LisQueue::names(m_root, LisEntry::State::Sending).size();
    const int failed = LisQueue::names(m_root, LisEntry::State::Failed).size();
    if (waiting == m_waiting && failed == m_failed)
        return;
    m_waiting = waiting;
    m_failed = failed;
    emit changed();
}
