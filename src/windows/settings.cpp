#include "settings.h"

#include "app/messagebox.h"
#include "config/settingsstore.h"
#include "ui_settings.h"

#include <QCloseEvent>

settings::settings(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::settings)
{
    ui->setupUi(this);
    setWindowFlags(Qt::CustomizeWindowHint);
    init_connections();
}

settings::~settings()
{
    delete ui;
}

void settings::init_connections()
{
    connect(ui->pbNew, &QPushButton::clicked, this, &settings::pbNew_click);
    connect(ui->pbChange, &QPushButton::clicked, this, &settings::pbChange_click);
    connect(ui->pbDelete, &QPushButton::clicked, this, &settings::pbDelete_click);
    connect(ui->pbCancel, &QPushButton::clicked, this, &settings::pbCancel_click);
    connect(ui->pbOk, &QPushButton::clicked, this, &settings::pbOk_click);
    connect(ui->ListText, &QListWidget::clicked, this, &settings::ListText_click);
}

void settings::ChangeGeometry(int g_w, int g_h)
{
    setGeometry(g_w - 83, g_h - 120, 167, 241);
    setFixedSize(167, 241);
}

void settings::ShowWindow(QStringList opList)
{
    ui->pbChange->setEnabled(false);
    ui->pbDelete->setEnabled(false);
    ui->pbNew->setEnabled(true);
    ui->ListText->clear();
    ui->LineText->clear();
    ui->ListText->addItems(opList);
    listChanged = false;
    // Each showing refuses close requests that do not come from Ok or Cancel.
    closeAllowed = false;
    show();
}

void settings::SetLang(uchar lang)
{
    m_lang = lang;
    if (SettingsStore::isRussian(lang))
        return;
    ui->pbNew->setText(tr("New"));
    ui->pbChange->setText(tr("Change"));
    ui->pbDelete->setText(tr("Delete"));
    ui->pbCancel->setText(tr("Cancel"));
    ui->pbOk->setText(tr("Ok"));
}

void settings::ListText_click(QModelIndex index)
{
    Q_UNUSED(index)
    QListWidgetItem* item = ui->ListText->currentItem();
    if (!item)
        return;
    ui->LineText->setText(item->text());
    ui->pbChange->setEnabled(true);
    ui->pbDelete->setEnabled(true);
}

void settings::pbNew_click()
{
    const QString name = ui->LineText->text();
    ui->LineText->clear();
    if (name.isEmpty())
        return;
    for (int i = 0; i < ui->ListText->count(); ++i) {
        if (ui->ListText->item(i)->text() == name)
            return;
    }
    // The store keeps the count in one byte; a 256th name would empty the list on load.
    if (ui->ListText->count() >= SettingsStore::MaxOperators) {
        MessageBox::warning(SettingsStore::warningTitle(m_lang),
                            SettingsStore::operatorsFullMessage(m_lang),
                            SettingsStore::okButton(m_lang));
        return;
    }
    ui->ListText->addItem(name);
    listChanged = true;
}

void settings::pbChange_click()
{
    QListWidgetItem* item = ui->ListText->currentItem();
    if (!item)
        return;
    const QString oldName = item->text();
    const QString newName = ui->LineText->text();
    if (oldName == newName) {
        ui->LineText->clear();
        ui->ListText->clearSelection();
        ui->pbChange->setEnabled(false);
        return;
    }
    if (!MessageBox::question(SettingsStore::confirmTitle(m_lang),
                              SettingsStore::renameQuestion(oldName, newName, m_lang),
                              SettingsStore::yesButton(m_lang), SettingsStore::noButton(m_lang)))
        return;
    item->setText(newName);
    ui->LineText->clear();
    ui->ListText->clearSelection();
    ui->pbChange->setEnabled(false);
    ui->pbDelete->setEnabled(false);
    listChanged = true;
}

void settings::pbDelete_click()
{
    if (ui->ListText->currentItem())
        delete ui->ListText->takeItem(ui->ListText->currentRow());
    ui->LineText->clear();
    ui->pbChange->setEnabled(false);
    ui->pbDelete->setEnabled(false);
    ui->ListText->clearSelection();
    listChanged = true;
}

void settings::pbOk_click()
{
    if (ui->ListText->count() == 0) {
        MessageBox::warning(SettingsStore::warningTitle(m_lang),
                            SettingsStore::checkMessage(SettingsStore::RuleOperators, m_lang),
                            SettingsStore::okButton(m_lang));
        return;
    }
    if (listChanged) {
        const bool english = !SettingsStore::isRussian(m_lang);
        if (!MessageBox::question(
                SettingsStore::confirmTitle(m_lang),
                english ? QStringLiteral("Save changes?") : QStringLiteral("Сохранить изменения?"),
                SettingsStore::yesButton(m_lang), SettingsStore::noButton(m_lang)))
            return;
        proc_Save();
    }
    closeAllowed = true;
    close();
}

void settings::pbCancel_click()
{
    closeAllowed = true;
    close();
}

void settings::proc_Save()
{
    QStringList names;
    for (int i = 0; i < ui->ListText->count(); ++i)
        names.append(ui->ListText->item(i)->text());
    emit SaveNewListOperators(names);
    emit UpdateListOperators(names);
    listChanged = false;
}

void settings::closeEvent(QCloseEvent* event)
{
    if (closeAllowed)
        event->accept();
    else
        event->ignore();
}
