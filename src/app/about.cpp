#include "app/about.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

const char* const kAboutText =
    "<html><body>"
    "<p>The program is designed to form, view and edit reports of research carried out by "
    "mass spectrometric determination of microbial markers.</p>"
    "<p align=\"justify\">Version 3.5</p>"
    "<p>Marker Report Workstation. For support, contact your laboratory's system "
    "administrator.</p>"
    "</body></html>";

} // namespace

about::about(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("Form"));
    resize(FixedWidth, FixedHeight);

    QFont small = QApplication::font("QDialog");
    small.setPointSize(8);
    setFont(small);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setGeometry(5, 0, 286, 131);
    m_label->setTextFormat(Qt::RichText);
    m_label->setWordWrap(true);
    m_label->setScaledContents(false);
    m_label->setText(QString::fromLatin1(kAboutText));

    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("pbClose"));
    m_close->setGeometry(215, 110, 75, 23);
    m_close->setText(QString::fromUtf8("Закрыть"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::CustomizeWindowHint);
}

void about::ChangeGeometry(int g_w, int g_h)
{
    setGeometry(g_w - 147, g_h - 68, FixedWidth, FixedHeight);
    setFixedSize(FixedWidth, FixedHeight);
}
