#pragma once

#include <QModelIndex>
#include <QStringList>
#include <QWidget>

class QCloseEvent;

namespace Ui {
class settings;
}

// The operators list editor shown from the sign-in bar.
class settings : public QWidget
{
    Q_OBJECT

  public:
    explicit settings(QWidget* parent = nullptr);
    ~settings() override;

  signals:
    void SaveNewListOperators(QStringList);
    void UpdateListOperators(QStringList);

  public slots:
    void ChangeGeometry(int g_w, int g_h);
    void ShowWindow(QStringList opList);
    void SetLang(uchar lang);

  private slots:
    void init_connections();
    void pbNew_click();
    void pbChange_click();
    void pbDelete_click();
    void ListText_click(QModelIndex index);
    void pbOk_click();
    void pbCancel_click();
    void proc_Save();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Ui::settings* ui;
    bool listChanged = false;
    bool closeAllowed = false;
    uchar m_lang = 1; // the form is built with Russian texts
};
