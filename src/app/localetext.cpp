#include "localetext.h"

void LocaleText::load(unsigned char language)
{
    m_language = language > 1 ? 0 : language;
    static const char* const table[][2] = {
        {"Attention", "Внимание"},
        {"Ok", "Ок"},
        {"Exit", "Выход"},
        {"Templates folder does not exist. Functionality is unavailable.",
         "Папка с шаблонами не существует. Функционал недоступен."},
        {"Template file type 1 not found. Functionality is unavailable.",
         "Файл с шаблоном тип 1 не найден. Функционал недоступен."},
        {"Template file type 2 not found. Functionality is unavailable.",
         "Файл с шаблоном тип 2 не найден. Функционал недоступен."},
        {"Template file type 3 not found. Functionality is unavailable.",
         "Файл с шаблоном тип 3 не найден. Функционал недоступен."},
        {"Window \"All Settings\" not initialized. Functionality is unavailable.",
         "Окно \"Все Настройки\" не инициализировано. Функционал недоступен."},
        {"Window \"Settings\" not initialized. Functionality is unavailable.",
         "Окно \"Настройки\" не инициализировано. Функционал недоступен."},
        {"Window \"Progress\" not initialized. Functionality is unavailable.",
         "Окно \"Прогресс\" не инициализировано. Функционал недоступен."},
        {"Window \"Report editor\" not initialized. Functionality is unavailable.",
         "Окно \"Редактор отчета\" не инициализировано. Функционал недоступен."},
        {"Window \"TCP debug\" not initialized. Functionality is unavailable.",
         "Окно \"Отладка TCP\" не инициализировано. Функционал недоступен."},
        {"", ""},
        {"Window \"About\" not initialized. Functionality is unavailable.",
         "Окно \"О программе\" не инициализировано. Функционал недоступен."},
        {"", ""},
        {"Encoding source file failed. Process stopped.",
         "Декодирование исходного файла не удалось. Процесс остановлен."},
        {"", ""},
        {"The hardware is not available. Check the connection settings.",
         "Аппаратная часть не доступна. Проверьте настройки подключения."},
        {"", ""},
        {"Connected", "Подключен"},
        {"", ""},
        {"", ""},
        {"", ""},
        {"", ""},
        {"The settings file can not be found. Set the default settings",
         "Файл настроек не найден. Установлены настройки по умолчанию."},
        {"connecting", "подключение"},
    };
    m_rows.clear();
    m_rows.resize(RowCount);
    for (int row = 0; row < int(sizeof(table) / sizeof(table[0])); ++row)
        m_rows[row] =
            QStringList{QString::fromUtf8(table[row][0]), QString::fromUtf8(table[row][1])};
}

QString LocaleText::text(unsigned char row) const
{
    if (row >= m_rows.size() || m_rows[row].size() <= m_language)
        return QString();
    return m_rows[row][m_language];
}
