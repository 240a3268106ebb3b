#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Fixed "About" window: program description, version and maker's contacts.
class about : public QWidget
{
    Q_OBJECT

  public:
    explicit about(QWidget* parent = nullptr);

    static constexpr int FixedWidth = 295;
    static constexpr int FixedHeight = 136;

  public slots:
    // Centres the window on (g_w, g_h).
    void ChangeGeometry(int g_w, int g_h);

  private:
    QLabel* m_label = nullptr;
    QPushButton* m_close = nullptr;
};
