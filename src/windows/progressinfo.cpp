#include "windows/progressinfo.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

struct StageText
{
    const char* english;
    const char* russian;
};

const StageText kStages[ProgressInfo::LastStage + 1] = {
    {"Read report file", "Чтение файла отчета"},
    {"Connection", "Подсоединение"},
    {"Write raw data", "Запись исходных данных"},
    {"Checking raw data", "Проверка исходных данных"},
    {"Calculation", "Вычисление"},
    {"Read results", "Чтение результата"},
    {"Report generation", "Формирование отчета"},
    {"Save report to PDF", "Сохранение отчета в PDF"},
};

} // namespace

ProgressInfo::ProgressInfo(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ProgressInfo"));
    resize(169, 52);
    setWindowTitle(QString::fromUtf8("Текущий процесс"));

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setGeometry(10, 0, 151, 20);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setText(QString::fromUtf8("Формирование отчета"));

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setGeometry(10, 20, 161, 23);
    m_progressBar->setValue(24);

    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::CustomizeWindowHint);
}

QString ProgressInfo::stageText(int stage, uchar lang)
{
    const StageText& t = kStages[(stage >= 0 && stage <= LastStage) ? stage : 6];
    return lang == 0 ? QString::fromLatin1(t.english) : QString::fromUtf8(t.russian);
}

int ProgressInfo::barValue(int stage)
{
    // Integer form of stage * 12.5 truncated toward zero.
    const int v = stage * 25 / 2;
    return qBound(0, v, 100);
}

void ProgressInfo::initStage(uint startstage)
{
    m_closeAllowed = false;
    // Anything past the last stage only needs to close; clamping keeps the counter sane.
    const uint first = qMin<uint>(startstage, LastStage + 1);
    m_stage = int(first) - 1;
    nextStage();
}

void ProgressInfo::nextStage()
{
    if (m_stage <= LastStage)
        ++m_stage;
    if (m_stage > LastStage) {
        closeSelf();
        return;
    }
    changeName();
}

void ProgressInfo::changeName()
{
    m_progressBar->setValue(barValue(m_stage));
    m_label->setText(stageText(m_stage, m_language));
}

void ProgressInfo::SetCoord(int x, int y)
{
    // Not size(): a window shown and hidden within one turn of the event loop may still report
    // the size it had while it was shown.
    const QSize s = m_inBatch ? QSize(169, 100) : QSize(169, 52);
    setGeometry(x - 17, y - 130, s.width(), s.height());
    setFixedSize(s);
}

void ProgressInfo::SetLang(uchar lang)
{
    m_language = lang;
}

void ProgressInfo::closeSelf()
{
    // The user may never close this window; only the stage counter does.
    m_closeAllowed = true;
    close();
    m_closeAllowed = false;
}

void ProgressInfo::closeEvent(QCloseEvent* e)
{
    if (m_closeAllowed)
        e->accept();
    else
        e->ignore();
}

void ProgressInfo::setBatch(int position, int count, const QString& name)
{
    if (!m_batchLine) {
        m_batchLine = new QLabel(this);
        m_batchLine->setObjectName(QStringLiteral("batchLine"));
        m_batchLine->setGeometry(10, 0, 151, 20);
        m_batchLine->setAlignment(Qt::AlignCenter);
        m_stop = new QPushButton(this);
        m_stop->setObjectName(QStringLiteral("pb_stop"));
        m_stop->setGeometry(42, 68, 85, 25);
        connect(m_stop, &QPushButton::clicked, this, [this] {
            m_stop->setEnabled(false);
            m_stop->setText(m_language == 0 ? QStringLiteral("Stopping")
                                            : QString::fromUtf8("Остановка"));
            emit batchStopRequested();
        });
    }
    if (!m_inBatch) {
        m_inBatch = true;
        m_stop->setEnabled(true);
        m_stop->setText(m_language == 0 ? QStringLiteral("Stop") : QString::fromUtf8("Стоп"));
    }
    const QString line = QStringLiteral("%1 / %2  %3").arg(position).arg(count).arg(name);
    m_batchLine->setText(m_batchLine->fontMetrics().elidedText(line, Qt::ElideMiddle, 151));
    m_batchLine->setToolTip(line);
    m_batchLine->show();
    m_stop->show();
    m_label->setGeometry(10, 20, 151, 20);
    m_progressBar->setGeometry(10, 40, 161, 23);
    setFixedSize(169, 100);
}

void ProgressInfo::clearBatch()
{
    if (!m_inBatch)
        return;
    m_inBatch = false;
    m_batchLine->hide();
    m_stop->hide();
    m_label->setGeometry(10, 0, 151, 20);
    m_progressBar->setGeometry(10, 20, 161, 23);
    setFixedSize(169, 52);
}

void ProgressInfo::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        emit stopRequested();
        return;
    }
    QWidget::keyPressEvent(e);
}
