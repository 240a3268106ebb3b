#include "settingsstore.h"
#include "config/languagetext.h"

#include <QFileInfo>
#include <QSettings>

namespace {

// Keys of the file and the values of a new file, kept together.
const QString kFile = QStringLiteral("%1/settings/settings.ini");

const QString kNetwork = QStringLiteral("NetworkSettings");
const QString kIp = QStringLiteral("NetworkIP");
const QString kLocal = QStringLiteral("NetworkLV");
const QString kId = QStringLiteral("NetworkID");
const QString kPort = QStringLiteral("NetworkPort");

const QString kPaths = QStringLiteral("PathSettings");
const QString kDirectory = QStringLiteral("Directory");
const QString kDeep = QStringLiteral("DeepFolderSearch");

const QString kOperators = QStringLiteral("OperatorsSettings");
const QString kOperator = QStringLiteral("Operator_%1");

const QString kLanguage = QStringLiteral("Language");
const QString kLang = QStringLiteral("Lang_%1");
const QString kCurrent = QStringLiteral("Current");

const QString kCount = QStringLiteral("Count");

const QString kLis = QStringLiteral("LisSettings");
const QString kLisMode = QStringLiteral("Mode");
const QString kLisFolder = QStringLiteral("Folder");
const QString kLisHost = QStringLiteral("Host");
const QString kLisPort = QStringLiteral("Port");
const QString kLisSending = QStringLiteral("SendingFacility");
const QString kLisReceivingApp = QStringLiteral("ReceivingApplication");
const QString kLisReceiving = QStringLiteral("ReceivingFacility");

const char* const kDefaultIp = "192.168.1.1";
const bool kDefaultLocal = true;
const char* const kDefaultDirectory = "C:/";
const bool kDefaultDeep = false;
const char* const kDefaultOperator = "Оператор";
const char* const kDefaultLanguages[] = {"English (Английский)", "Russian (Русский)"};
const unsigned char kDefaultCurrent = 0;

QStringList readList(QSettings& ini, const QString& group, const QString& key)
{
    QStringList list;
    ini.beginGroup(group);
    // The count lives in one byte.
    const unsigned char count = static_cast<unsigned char>(ini.value(kCount, 0).toInt());
    for (int i = 0; i < count; ++i)
        list.append(ini.value(key.arg(i), QString()).toString());
    ini.endGroup();
    return list;
}

bool isDecimal(const QString& text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

} // namespace

namespace SettingsStore {

QString filePath(const QString& appDir)
{
    return kFile.arg(appDir);
}

bool fileExists(const QString& appDir)
{
    return QFileInfo::exists(filePath(appDir));
}

unsigned char languageIndex(const QVariant& stored)
{
    const unsigned char low = static_cast<unsigned char>(stored.toString().toInt());
    return low == 1 ? 1 : 0;
}

unsigned char storedLanguage(const QString& appDir)
{
    if (!fileExists(appDir))
        return 0;
    QSettings ini(filePath(appDir), QSettings::IniFormat);
    return languageIndex(ini.value(kLanguage + QLatin1Char('/') + kCurrent));
}

SettingsValues defaults()
{
    SettingsValues v;
    v.ip = QString::fromUtf8(kDefaultIp);
    v.localVersion = kDefaultLocal;
    v.directory = QString::fromUtf8(kDefaultDirectory);
    v.deepSearch = kDefaultDeep;
    v.operators = QStringList{QString::fromUtf8(kDefaultOperator)};
    for (const char* name : kDefaultLanguages)
        v.languages.append(QString::fromUtf8(name));
    v.currentLanguage = kDefaultCurrent;
    return v;
}

SettingsValues load(const QString& appDir)
{
    SettingsValues v;
    QSettings ini(filePath(appDir), QSettings::IniFormat);

    ini.beginGroup(kNetwork);
    v.ip = ini.value(kIp, QString()).toString();
    v.userId = ini.value(kId, QString()).toString();
    v.localVersion = ini.value(kLocal, false).toBool();
    v.port = ini.value(kPort, QString()).toString();
    ini.endGroup();

    ini.beginGroup(kPaths);
    v.directory = ini.value(kDirectory, QString()).toString();
    v.deepSearch = ini.value(kDeep, false).toBool();
    ini.endGroup();

    v.operators = readList(ini, kOperators, kOperator);
    v.languages = readList(ini, kLanguage, kLang);

    ini.beginGroup(kLanguage);
    v.currentLanguage = languageIndex(ini.value(kCurrent));
    ini.endGroup();

    ini.beginGroup(kLis);
    // A mode that is no number is none of 0..3, so it is refused rather than read as off.
    bool modeOk = true;
    v.lis.mode = ini.value(kLisMode, 0).toString().toInt(&modeOk);
    if (!modeOk)
        v.lis.mode = -1;
    v.lis.folder = ini.value(kLisFolder, QString()).toString();
    v.lis.host = ini.value(kLisHost, QString()).toString();
    v.lis.port = ini.value(kLisPort, QString()).toString();
    v.lis.sendingFacility = ini.value(kLisSending, QString()).toString();
    v.lis.receivingApplication = ini.value(kLisReceivingApp, QString()).toString();
    v.lis.receivingFacility = ini.value(kLisReceiving, QString()).toString();
    ini.endGroup();
    return v;
}

FileWrite::Result save(const QString& appDir, const SettingsValues& values)
{
    const QString path = filePath(appDir);
    const FileWrite::Result folder = FileWrite::makePath(QFileInfo(path).absolutePath());
    if (!folder)
        return folder;
    // A whole new file replaces the old one only once it is complete.
    return FileWrite::ini(
        path,
        [&values](QSettings& ini) {
            ini.beginGroup(kNetwork);
            ini.setValue(kIp, values.ip);
            ini.setValue(kLocal, values.localVersion);
            if (!values.localVersion) {
                ini.setValue(kId, values.userId);
                ini.setValue(kPort, values.port);
            }
            ini.endGroup();

            ini.beginGroup(kPaths);
            ini.setValue(kDirectory, values.directory);
            ini.setValue(kDeep, values.deepSearch);
            ini.endGroup();

            ini.beginGroup(kOperators);
            ini.setValue(kCount, values.operators.size());
            for (int i = 0; i < values.operators.size(); ++i)
                ini.setValue(kOperator.arg(i), values.operators.at(i));
            ini.endGroup();

            ini.beginGroup(kLanguage);
            ini.setValue(kCount, values.languages.size());
            ini.setValue(kCurrent, values.currentLanguage);
            for (int i = 0; i < values.languages.size(); ++i)
                ini.setValue(kLang.arg(i), values.languages.at(i));
            ini.endGroup();

            ini.beginGroup(kLis);
            ini.setValue(kLisMode, values.lis.mode);
            ini.setValue(kLisFolder, values.lis.folder);
            ini.setValue(kLisHost, values.lis.host);
            ini.setValue(kLisPort, values.lis.port);
            ini.setValue(kLisSending, values.lis.sendingFacility);
            ini.setValue(kLisReceivingApp, values.lis.receivingApplication);
            ini.setValue(kLisReceiving, values.lis.receivingFacility);
            ini.endGroup();
        },
        FileWrite::IniMode::Replace);
}

FileWrite::Result saveOperators(const QString& appDir, const QStringList& names,
                                QStringList* written)
{
    const QString path = filePath(appDir);
    const FileWrite::Result folder = FileWrite::makePath(QFileInfo(path).absolutePath());
    if (!folder)
        return folder;
    const unsigned char count = static_cast<unsigned char>(names.size());
    written->clear();
    for (int i = 0; i < count; ++i)
        written->append(names.at(i));
    return FileWrite::ini(path, [&](QSettings& ini) {
        ini.beginGroup(kOperators);
        ini.setValue(kCount, count);
        for (int i = 0; i < count; ++i)
            ini.setValue(kOperator.arg(i), names.at(i));
        ini.endGroup();
    });
}

QString displayAddress(const QString& stored)
{
    // The field's mask holds four parts of three digits; anything it could not show
    // as an address is shown as the default address.
    const QStringList parts = stored.split(QLatin1Char('.'));
    QStringList shown;
    for (const QString& part : parts) {
        bool inRange = false;
        const uint value = part.toUInt(&inRange);
        if (!isDecimal(part) || !inRange || value > 255)
            break;
        shown.append(QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0')));
    }
    if (parts.size() != 4 || shown.size() != 4)
        return displayAddress(QString::fromUtf8(kDefaultIp));
    return shown.join(QLatin1Char('.'));
}

QString normaliseAddress(const QString& typed)
{
    const QStringList parts = typed.split(QLatin1Char('.'));
    return QStringLiteral("%1.%2.%3.%4")
        .arg(parts.value(0).toInt())
        .arg(parts.value(1).toInt())
        .arg(parts.value(2).toInt())
        .arg(parts.value(3).toInt());
}

CheckResult check(const SettingsValues& form)
{
    CheckResult result;
    const QStringList parts = form.ip.split(QLatin1Char('.'));
    bool addressOk = parts.size() == 4;
    for (const QString& part : parts) {
        bool inRange = false;
        const uint value = part.toUInt(&inRange);
        if (!isDecimal(part) || !inRange || value > 255)
            addressOk = false;
    }
    if (!addressOk)
        result.rule = RuleAddress;
    else if (!form.localVersion && form.userId.length() != 14)
        result.rule = RuleUserId;
    else if (!form.localVersion && form.port.isEmpty())
        result.rule = RulePort;
    else if (form.operators.isEmpty())
        result.rule = RuleOperators;
    else if (form.directory.isEmpty())
        result.rule = RuleDirectory;
    else
        result.rule = checkLis(form.lis);

    if (result.rule == RuleOperators)
        result.page = Page::Operators;
    else if (result.rule == RuleDirectory)
        result.page = Page::Paths;
    else if (result.rule >= RuleLisMode)
        result.page = Page::Lis;
    return result;
}

int checkLis(const LisSettings& lis)
{
    if (lis.mode < 0 || lis.mode > 3)
        return RuleLisMode;
    if (lis.toFolder() && lis.folder.trimmed().isEmpty())
        return RuleLisFolder;
    if (lis.toListener() && lis.host.trimmed().isEmpty())
        return RuleLisHost;
    const uint port = lis.port.toUInt();
    if (lis.toListener() && (!isDecimal(lis.port) || port < 1 || port > 65535))
        return RuleLisPort;
    return RulePassed;
}

QString lisOffMessage(int rule, unsigned char lang)
{
    return checkMessage(rule, lang) % QLatin1Char('\n') %
           pickText(lang, "Results are not sent to the LIS until the LIS settings are corrected.",
                    "Результаты не передаются в ЛИС, пока не исправлены настройки ЛИС.");
}

bool isRussian(unsigned char lang)
{
    return lang == 1;
}

QString checkMessage(int rule, unsigned char lang)
{
    switch (rule) {
    case RuleAddress:
        return pickText(lang, "Invalid IP address.", "Неправильно введен IP адрес.");
    case RuleUserId:
        return pickText(lang, "Invalid user ID.", "Неправильно введен ID пользователя.");
    case RulePort:
        return pickText(lang, "Invalid server port.", "Неправильно введен порт сервера.");
    case RuleOperators:
        return pickText(lang, "Incorrectly filled a list of operators.",
                        "Неправильно заполнен список  операторов.");
    case RuleDirectory:
        return pickText(lang, "Incorrectly filled path to data analyzes.",
                        "Неправильно заполнен путь к данным анализов.");
    case RuleLisMode:
        return pickText(lang, "Unknown way of sending results to the LIS.",
                        "Неизвестный способ передачи результатов в ЛИС.");
    case RuleLisFolder:
        return pickText(lang, "The folder for the LIS is not filled in.",
                        "Не заполнена папка для ЛИС.");
    case RuleLisHost:
        return pickText(lang, "The address of the LIS is not filled in.", "Не заполнен адрес ЛИС.");
    case RuleLisPort:
        return pickText(lang, "Invalid port of the LIS (1 to 65535).",
                        "Неправильно введен порт ЛИС (от 1 до 65535).");
    default:
        return QString();
    }
}

QString warningTitle(unsigned char lang)
{
    return pickText(lang, "Attention", "Внимание");
}

QString okButton(unsigned char lang)
{
    return pickText(lang, "Ok", "Ок");
}

QString confirmTitle(unsigned char lang)
{
    return pickText(lang, "Confirmation", "Подтверждение");
}

QString yesButton(unsigned char lang)
{
    return pickText(lang, "Yes", "Да");
}

QString noButton(unsigned char lang)
{
    return pickText(lang, "No", "Нет");
}

QString renameQuestion(const QString& oldName, const QString& newName, unsigned char lang)
{
    return pickText(lang, "Replace \"%1\" with \"%2\"?", "Заменить \"%1\" на \"%2\"?")
        .arg(oldName, newName);
}

QString notSavedMessage(const FileWrite::Result& result, unsigned char lang)
{
    return FileWrite::message(result, isRussian(lang) ? 1 : 0) % QLatin1Char('\n') %
           pickText(lang, "The settings were not saved.", "Настройки не сохранены.");
}

QString operatorsFullMessage(unsigned char lang)
{
    return pickText(lang, "The list of operators is full: at most 255 names.",
                    "Список операторов заполнен: не более 255 имен.");
}

} // namespace SettingsStore
