#include "settings_common.h"

#include "app/filedialog.h"
#include "app/messagebox.h"
#include "ui_settings_common.h"

#include <QDir>
#include <QIcon>

using SettingsStore::Page;

settings_common::settings_common(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::settings_common)
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint);
    for (QWidget* w : {static_cast<QWidget*>(ui->nw_le_ID), static_cast<QWidget*>(ui->nw_le_Port),
                       static_cast<QWidget*>(ui->nw_lb_ID), static_cast<QWidget*>(ui->nw_lb_Port)})
        connect(ui->nw_cb_LocalVersion, &QCheckBox::toggled, w, &QWidget::setDisabled);
    connect(ui->op_lt_OperatorsList, &QListWidget::clicked, this, &settings_common::ListText_click);
    ui->pt_pb_Find->setToolTip(QString::fromUtf8("Выбрать папку"));
    connect(ui->lis_cb_Mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &settings_common::enableLisFields);
    enableLisFields();
}

settings_common::~settings_common()
{
    delete ui;
}

void settings_common::SetappDir(QString path)
{
    m_appDir = path;
    ui->pt_pb_Find->setIcon(QIcon(QStringLiteral("%1/icons/folder-search.ico").arg(path)));
}

bool settings_common::LoadSettings()
{
    if (!SettingsStore::fileExists(m_appDir)) {
        LoadDefaultSettings();
        return false;
    }
    LoadSettingsToForm();
    return true;
}

void settings_common::LoadSettingsToForm()
{
    showPage(Page::Network);
    m_values = SettingsStore::load(m_appDir);

    ui->nw_cb_LocalVersion->setChecked(m_values.localVersion);
    ui->nw_le_ID->clear();
    ui->nw_le_Port->clear();
    if (!m_values.localVersion) {
        ui->nw_le_ID->setText(m_values.userId);
        ui->nw_le_Port->setText(m_values.port);
    }
    setNetworkFieldsDisabled(m_values.localVersion);
    ui->nw_le_IP->setText(SettingsStore::displayAddress(m_values.ip));

    ui->pt_le_path->setText(m_values.directory);
    ui->pt_cb_DeepScan->setChecked(m_values.deepSearch);

    ui->op_lt_OperatorsList->clear();
    ui->op_lt_OperatorsList->addItems(m_values.operators);
    resetOperatorEditing();

    ui->loc_cb_Language->clear();
    ui->loc_cb_Language->addItems(m_values.languages);
    // A stored index without a matching name would leave the box empty and be saved
    // back as -1; show the first language instead.
    const int current = m_values.currentLanguage;
    ui->loc_cb_Language->setCurrentIndex(current < ui->loc_cb_Language->count() ? current : 0);

    // Settings that cannot work turn the sending off; the other values stay for correcting.
    const int lisRule = SettingsStore::checkLis(m_values.lis);
    m_lisWarning = lisRule == SettingsStore::RulePassed
                       ? QString()
                       : SettingsStore::lisOffMessage(lisRule, m_lang);
    if (!m_lisWarning.isEmpty())
        m_values.lis.mode = 0;
    ui->lis_cb_Mode->setCurrentIndex(m_values.lis.mode);
    ui->lis_le_Folder->setText(m_values.lis.folder);
    ui->lis_le_Host->setText(m_values.lis.host);
    ui->lis_le_Port->setText(m_values.lis.port);
    ui->lis_le_SendingFacility->setText(m_values.lis.sendingFacility);
    ui->lis_le_ReceivingApplication->setText(m_values.lis.receivingApplication);
    ui->lis_le_ReceivingFacility->setText(m_values.lis.receivingFacility);
    enableLisFields();
}

void settings_common::LoadDefaultSettings()
{
    const SettingsValues d = SettingsStore::defaults();
    // Held even when they cannot be written: the program must stay usable. The language
    // follows the file at the next start, as always.
    const unsigned char language = m_values.currentLanguage;
    m_values = d;
    m_values.currentLanguage = language;
    ui->nw_le_IP->setText(SettingsStore::displayAddress(d.ip));
    ui->nw_cb_LocalVersion->setChecked(d.localVersion);
    setNetworkFieldsDisabled(d.localVersion);
    ui->pt_le_path->setText(d.directory);
    ui->pt_cb_DeepScan->setChecked(d.deepSearch);
    ui->op_lt_OperatorsList->clear();
    ui->op_lt_OperatorsList->addItems(d.operators);
    resetOperatorEditing();
    ui->loc_cb_Language->clear();
    ui->loc_cb_Language->addItems(d.languages);
    ui->loc_cb_Language->setCurrentIndex(d.currentLanguage);
    ui->lis_cb_Mode->setCurrentIndex(d.lis.mode);
    for (QLineEdit* edit :
         {ui->lis_le_Folder, ui->lis_le_Host, ui->lis_le_Port, ui->lis_le_SendingFacility,
          ui->lis_le_ReceivingApplication, ui->lis_le_ReceivingFacility})
        edit->clear();
    m_lisWarning.clear();
    SaveSettings();
}

SettingsValues settings_common::formValues() const
{
    SettingsValues form;
    form.ip = ui->nw_le_IP->text();
    form.localVersion = ui->nw_cb_LocalVersion->isChecked();
    form.userId = ui->nw_le_ID->text();
    form.port = ui->nw_le_Port->text();
    form.directory = ui->pt_le_path->text();
    form.deepSearch = ui->pt_cb_DeepScan->isChecked();
    for (int i = 0; i < ui->op_lt_OperatorsList->count(); ++i)
        form.operators.append(ui->op_lt_OperatorsList->item(i)->text());
    for (int i = 0; i < ui->loc_cb_Language->count(); ++i)
        form.languages.append(ui->loc_cb_Language->itemText(i));
    form.currentLanguage = static_cast<uchar>(qMax(0, ui->loc_cb_Language->currentIndex()));
    form.lis.mode = ui->lis_cb_Mode->currentIndex();
    form.lis.folder = ui->lis_le_Folder->text().trimmed();
    form.lis.host = ui->lis_le_Host->text().trimmed();
    form.lis.port = ui->lis_le_Port->text();
    form.lis.sendingFacility = ui->lis_le_SendingFacility->text().trimmed();
    form.lis.receivingApplication = ui->lis_le_ReceivingApplication->text().trimmed();
    form.lis.receivingFacility = ui->lis_le_ReceivingFacility->text().trimmed();
    return form;
}

void settings_common::SaveSettings()
{
    const SettingsValues form = formValues();
    SettingsValues next = m_values;
    next.ip = SettingsStore::normaliseAddress(form.ip);
    next.localVersion = form.localVersion;
    if (!next.localVersion) {
        next.userId = form.userId;
        next.port = form.port;
    }
    next.directory = form.directory;
    next.deepSearch = form.deepSearch;
    next.operators = form.operators;
    next.languages = form.languages;
    next.lis = form.lis;

    // The file takes the selected language; the member follows at the next load.
    SettingsValues toFile = next;
    toFile.currentLanguage = form.currentLanguage;
    m_saved = SettingsStore::save(m_appDir, toFile);
    if (!m_saved) {
        // The program keeps working with what the file still holds.
        MessageBox::warning(SettingsStore::warningTitle(m_lang),
                            SettingsStore::notSavedMessage(m_saved, m_lang),
                            SettingsStore::okButton(m_lang));
        return;
    }
    m_values = next;
    m_lisWarning.clear();
}

bool settings_common::CheckSettings()
{
    const SettingsStore::CheckResult result = SettingsStore::check(formValues());
    if (result.passed())
        return true;
    showPage(result.page);
    MessageBox::warning(SettingsStore::warningTitle(m_lang),
                        SettingsStore::checkMessage(result.rule, m_lang),
                        SettingsStore::okButton(m_lang));
    return false;
}

void settings_common::SaveListOperators(QStringList newOpList)
{
    ui->op_lt_OperatorsList->clear();
    ui->op_lt_OperatorsList->addItems(newOpList);
    resetOperatorEditing();
    QStringList written;
    const FileWrite::Result saved = SettingsStore::saveOperators(m_appDir, newOpList, &written);
    // The names serve this session either way; the user learns they were not kept.
    m_values.operators = written;
    if (!saved)
        MessageBox::warning(SettingsStore::warningTitle(m_lang),
                            SettingsStore::notSavedMessage(saved, m_lang),
                            SettingsStore::okButton(m_lang));
}

QString settings_common::is_nw_IP()
{
    return m_values.ip;
}

QString settings_common::is_nw_ID()
{
    return m_values.userId;
}

QString settings_common::is_nw_Port()
{
    return m_values.port;
}

bool settings_common::is_nw_LocalVersion()
{
    return m_values.localVersion;
}

QString settings_common::is_pt_Path()
{
    return m_values.directory;
}

bool settings_common::is_pt_DeepSearch()
{
    return m_values.deepSearch;
}

QStringList settings_common::is_op_List()
{
    return m_values.operators;
}

QStringList settings_common::is_loc_List()
{
    return m_values.languages;
}

uchar settings_common::is_loc_Current()
{
    return m_values.currentLanguage;
}

LisSettings settings_common::is_lis()
{
    return m_values.lis;
}

void settings_common::SetCoord(int x, int y)
{
    const QSize s = size();
    move(x - 118, y - 143);
    setFixedSize(s);
}

void settings_common::ShowWindow()
{
    LoadSettings();
    show();
}

void settings_common::SetLang(uchar lang)
{
    m_lang = lang;
    setLisTexts();
    if (SettingsStore::isRussian(lang))
        return;
    ui->tb_Settings->setItemText(ui->tb_Settings->indexOf(ui->nwPage), tr("Network settings"));
    ui->tb_Settings->setItemText(ui->tb_Settings->indexOf(ui->opPage), tr("Operators list"));
    ui->tb_Settings->setItemText(ui->tb_Settings->indexOf(ui->pathPage), tr("Path settings"));
    ui->tb_Settings->setItemText(ui->tb_Settings->indexOf(ui->locPage), tr("Interface language"));
    ui->nw_lb_IP->setText(tr("IP adress"));
    ui->nw_cb_LocalVersion->setText(tr("Local version"));
    ui->nw_lb_ID->setText(tr("User ID"));
    ui->nw_lb_Port->setText(tr("Server port"));
    ui->op_pb_NewOperator->setText(tr("New"));
    ui->op_pb_EditOperator->setText(tr("Edit"));
    ui->op_pb_DeleteOperator->setText(tr("Delete"));
    ui->pt_cb_DeepScan->setText(tr("Analyze subfolders"));
    ui->pt_pb_Find->setToolTip(tr("Choose the folder"));
    ui->pb_ok->setText(tr("Save"));
    ui->pb_cancel->setText(tr("Cancel"));
}

void settings_common::on_pb_ok_clicked()
{
    if (!CheckSettings())
        return;
    SaveSettings();
    if (!m_saved)
        return; // stays open with what the user typed
    emit NewPath();
    emit NewIp();
    emit NewLis();
    close();
}

void settings_common::on_pb_cancel_clicked()
{
    close();
}

void settings_common::ListText_click(QModelIndex index)
{
    Q_UNUSED(index)
    QListWidgetItem* item = ui->op_lt_OperatorsList->currentItem();
    if (!item)
        return;
    ui->op_le_CurrentOperator->setText(item->text());
    ui->op_pb_EditOperator->setEnabled(true);
    ui->op_pb_DeleteOperator->setEnabled(true);
}

void settings_common::on_op_pb_NewOperator_clicked()
{
    const QString name = ui->op_le_CurrentOperator->text();
    ui->op_le_CurrentOperator->clear();
    if (name.isEmpty())
        return;
    QListWidget* list = ui->op_lt_OperatorsList;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == name)
            return;
    }
    if (list->count() >= SettingsStore::MaxOperators) {
        MessageBox::warning(SettingsStore::warningTitle(m_lang),
                            SettingsStore::operatorsFullMessage(m_lang),
                            SettingsStore::okButton(m_lang));
        return;
    }
    list->addItem(name);
    list->clearSelection();
    ui->op_pb_EditOperator->setEnabled(false);
    ui->op_pb_DeleteOperator->setEnabled(false);
}

void settings_common::on_op_pb_EditOperator_clicked()
{
    QListWidgetItem* item = ui->op_lt_OperatorsList->currentItem();
    if (!item)
        return;
    const QString oldName = item->text();
    const QString newName = ui->op_le_CurrentOperator->text();
    if (oldName == newName) {
        ui->op_le_CurrentOperator->clear();
        ui->op_lt_OperatorsList->clearSelection();
        ui->op_pb_EditOperator->setEnabled(false);
        return;
    }
    if (!MessageBox::question(SettingsStore::confirmTitle(m_lang),
                              SettingsStore::renameQuestion(oldName, newName, m_lang),
                              SettingsStore::yesButton(m_lang), SettingsStore::noButton(m_lang)))
        return;
    item->setText(newName);
    resetOperatorEditing();
}

void settings_common::on_op_pb_DeleteOperator_clicked()
{
    QListWidget* list = ui->op_lt_OperatorsList;
    if (list->currentItem())
        delete list->takeItem(list->currentRow());
    resetOperatorEditing();
}

void settings_common::on_pt_pb_Find_clicked()
{
    // Start where the data directory is now; a cancelled chooser changes nothing.
    const QString current = ui->pt_le_path->text();
    const QString chosen = FileDialog::getExistingDirectory(
        this, tr("Open Directory"), current.isEmpty() ? QDir::homePath() : current);
    if (!chosen.isEmpty())
        ui->pt_le_path->setText(chosen);
}

void settings_common::on_lis_pb_Find_clicked()
{
    const QString folder = FileDialog::getExistingDirectory(
        this,
        SettingsStore::isRussian(m_lang) ? QString::fromUtf8("Папка для ЛИС")
                                         : QStringLiteral("Folder for the LIS"),
        ui->lis_le_Folder->text());
    if (!folder.isEmpty())
        ui->lis_le_Folder->setText(folder);
}

void settings_common::enableLisFields()
{
    LisSettings lis;
    lis.mode = ui->lis_cb_Mode->currentIndex();
    for (QWidget* w : QList<QWidget*>{ui->lis_lb_Folder, ui->lis_le_Folder, ui->lis_pb_Find})
        w->setEnabled(lis.toFolder());
    for (QWidget* w :
         QList<QWidget*>{ui->lis_lb_Host, ui->lis_le_Host, ui->lis_lb_Port, ui->lis_le_Port})
        w->setEnabled(lis.toListener());
    for (QWidget* w : QList<QWidget*>{ui->lis_le_SendingFacility, ui->lis_le_ReceivingApplication,
                                      ui->lis_le_ReceivingFacility})
        w->setEnabled(lis.mode != 0);
}

// The LIS page is newer than the rest of the form and follows the language both ways.
void settings_common::setLisTexts()
{
    const bool ru = SettingsStore::isRussian(m_lang);
    auto t = [ru](const char* english, const char* russian) {
        return ru ? QString::fromUtf8(russian) : QString::fromUtf8(english);
    };
    ui->tb_Settings->setItemText(ui->tb_Settings->indexOf(ui->lisPage), t("LIS", "ЛИС"));
    const QStringList modes{t("Off", "Выключено"), t("Folder", "Папка"), t("MLLP", "MLLP"),
                            t("Folder and MLLP", "Папка и MLLP")};
    for (int i = 0; i < modes.size(); ++i)
        ui->lis_cb_Mode->setItemText(i, modes.at(i));
    ui->lis_lb_Mode->setText(t("Sending", "Передача"));
    ui->lis_lb_Folder->setText(t("Folder", "Папка"));
    ui->lis_lb_Host->setText(t("Address", "Адрес"));
    ui->lis_lb_Port->setText(t("Port", "Порт"));
    ui->lis_lb_SendingFacility->setText(t("Our facility", "Отправитель"));
    ui->lis_lb_ReceivingApplication->setText(t("LIS application", "Приложение ЛИС"));
    ui->lis_lb_ReceivingFacility->setText(t("LIS facility", "Учреждение ЛИС"));
}

void settings_common::showPage(Page page)
{
    ui->tb_Settings->setCurrentIndex(static_cast<int>(page));
}

void settings_common::setNetworkFieldsDisabled(bool disabled)
{
    ui->nw_le_ID->setDisabled(disabled);
    ui->nw_le_Port->setDisabled(disabled);
    ui->nw_lb_ID->setDisabled(disabled);
    ui->nw_lb_Port->setDisabled(disabled);
}

void settings_common::resetOperatorEditing()
{
    ui->op_le_CurrentOperator->clear();
    ui->op_lt_OperatorsList->clearSelection();
    ui->op_pb_EditOperator->setEnabled(false);
    ui->op_pb_DeleteOperator->setEnabled(false);
}
