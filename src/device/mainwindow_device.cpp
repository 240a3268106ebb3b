// MainWindow slots of the device link: the link unit does the talking, these wire it
// to the status bar, the pipeline, the debug window and the message boxes.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QLabel>

#include "app/messagebox.h"
#include "config/settings_common.h"
#include "device/debug_tcp.h"
#include "device/devicelink.h"
#include "device/framing.h"

void MainWindow::setupDeviceLink()
{
    m_link = new DeviceLink(this);
    m_link->setDeviceAvailable(true);
    m_link->setEndpointProvider([this] {
        return DeviceLink::endpointFor(m_allSettings->is_nw_IP(), m_allSettings->is_nw_Port(),
                                       m_allSettings->is_nw_LocalVersion());
    });
    connect(m_link, &DeviceLink::stageAdvanced, this, &MainWindow::nextStageProgress);
    connect(m_link, &DeviceLink::statusChanged, this,
            [this](DeviceLink::Status s) { onLinkStatus(static_cast<int>(s)); });
    connect(m_link, &DeviceLink::calculationFailed, this,
            [this](int code) { Stop_Calculation(static_cast<uchar>(code)); });
    // Queued: the link finishes handling the last line before the report is made, which waits
    // for its page to load.
    connect(m_link, &DeviceLink::resultsReady, this, &MainWindow::procMakeReportPart2,
            Qt::QueuedConnection);
    connect(m_link, &DeviceLink::lineLogged, this, &MainWindow::debug_tcp_add_message);
    connect(m_link, &DeviceLink::socketError, this, &MainWindow::onSocketError);
    connect(m_link, &DeviceLink::serviceUnlocked, this,
            [this] { ui->action_TCP_debug->setVisible(true); });
}

void MainWindow::onLinkStatus(int status)
{
    const auto s = static_cast<DeviceLink::Status>(status);
    proc_Change_StatusBarText(DeviceLink::statusText(s, ReadLocale(LocaleText::Connected),
                                                     ReadLocale(LocaleText::Connecting)),
                              0);
}

void MainWindow::onSocketError(const QString& description, bool showBox)
{
    // During a batch a lost device shows as the next calculation's failure, in the summary.
    if (showBox && !m_batch.active())
        MessageBox::information(QStringLiteral("Connecting error"),
                                QStringLiteral("Error code: %1.").arg(description),
                                QStringLiteral("OK"));
    proc_Change_StatusBarText(QStringLiteral("Error"), 0);
}

void MainWindow::nw_proc_Disconnect()
{
    m_link->nw_proc_Disconnect();
}

void MainWindow::nw_proc_SendSpecial(QString s_mess)
{
    m_link->startService(s_mess);
}

uchar MainWindow::nw_proc_CalcCRC16(QString inputText, uchar offset)
{
    return Framing::frameChecksum(inputText, offset);
}

uchar MainWindow::nw_proc_ASCII_to_HEX(uchar count)
{
    return Framing::hexDigitValue(QChar(count));
}

bool MainWindow::nw_proc_CheckCRCMessage()
{
    return m_link->nw_proc_CheckCRCMessage();
}

void MainWindow::nw_proc_ReadCount(uchar count)
{
    m_link->nw_proc_ReadCount(count);
}

// Esc in the progress window. The exchange goes on while the question is open, so it
// may have ended by the time the answer comes.
void MainWindow::askStopCalculation()
{
    if (!m_link->calculating())
        return;
    const bool en = m_lang == 0;
    const bool yes = MessageBox::question(
        en ? QStringLiteral("Confirmation") : QStringLiteral("Подтверждение"),
        en ? QStringLiteral("Stop the calculation?") : QStringLiteral("Остановить расчет?"),
        en ? QStringLiteral("Yes") : QStringLiteral("Да"),
        en ? QStringLiteral("No") : QStringLiteral("Нет"));
    if (yes) {
        if (m_batch.active())
            m_batch.interrupt(); // in a batch the operator means the whole batch
        m_link->stopCalculation();
    }
}

void MainWindow::tmr_refreshInfo()
{
    m_link->startCheck();
}

void MainWindow::Update_Network()
{
    m_link->updateNetwork();
}

void MainWindow::proc_Change_StatusBarText(QString text, uchar index)
{
    if (index != 0)
        return;
    m_statusLabel->setText(m_lang == 0 ? QStringLiteral(" Status: %1 ").arg(text)
                                       : QString::fromUtf8(" Статус: %1 ").arg(text));
}

void MainWindow::debug_tcp_add_message(QString message, bool direction)
{
    if (m_debugTcp)
        m_debugTcp->debug_add_message(message, direction);
}
