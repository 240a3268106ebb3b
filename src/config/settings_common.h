#pragma once

#include "config/settingsstore.h"

#include <QDialog>
#include <QModelIndex>
#include <QString>
#include <QStringList>

namespace Ui {
class settings_common;
}

// The all-settings dialog. It also keeps the current settings for the rest of the
// program, answered through the is_... accessors.
class settings_common : public QDialog
{
    Q_OBJECT

  public:
    explicit settings_common(QWidget* parent = nullptr);
    ~settings_common() override;

  signals:
    void NewPath();
    void NewIp();
    // The LIS settings were saved.
    void NewLis();

  public slots:
    void SetappDir(QString path);
    bool LoadSettings();
    void LoadSettingsToForm();
    void LoadDefaultSettings();
    void SaveSettings();
    bool CheckSettings();
    void SaveListOperators(QStringList newOpList);

    QString is_nw_IP();
    QString is_nw_ID();
    QString is_nw_Port();
    bool is_nw_LocalVersion();
    QString is_pt_Path();
    bool is_pt_DeepSearch();
    QStringList is_op_List();
    QStringList is_loc_List();
    uchar is_loc_Current();
    // Mode 0 when the stored LIS settings are not valid.
    LisSettings is_lis();
    // Why the stored LIS settings were not taken at the last load; empty when they were.
    QString lisWarning() const { return m_lisWarning; }

    void SetCoord(int x, int y);
    void ShowWindow();
    void SetLang(uchar lang);

  private slots:
    void on_pb_ok_clicked();
    void on_pb_cancel_clicked();
    void ListText_click(QModelIndex index);
    void on_op_pb_NewOperator_clicked();
    void on_op_pb_EditOperator_clicked();
    void on_op_pb_DeleteOperator_clicked();
    void on_pt_pb_Find_clicked();
    void on_lis_pb_Find_clicked();

  private:
    void showPage(SettingsStore::Page page);
    void setNetworkFieldsDisabled(bool disabled);
    void enableLisFields();
    void setLisTexts();
    void resetOperatorEditing();
    SettingsValues formValues() const;

    Ui::settings_common* ui;
    QString m_appDir;
    SettingsValues m_values;
    FileWrite::Result m_saved; // outcome of the last full save
    uchar m_lang = 1;          // the form is built with Russian texts
    QString m_lisWarning;
};
