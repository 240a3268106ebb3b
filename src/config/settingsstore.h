#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include "report/filewrite.h"

// Results to the laboratory information system (LIS).
struct LisSettings
{
    int mode = 0;   // 0 off, 1 a folder, 2 MLLP, 3 both
    QString folder; // the folder the LIS watches
    QString host;   // the LIS's MLLP listener
    QString port;   // as typed
    QString sendingFacility;
    QString receivingApplication;
    QString receivingFacility;
    bool toFolder() const { return mode == 1 || mode == 3; }
    bool toListener() const { return mode == 2 || mode == 3; }
};

// The values kept in "<appDir>/settings/settings.ini".
struct SettingsValues
{
    QString ip;     // network address as stored ("192.168.1.1")
    QString userId; // 14 characters with two hyphens
    QString port;   // up to five digits, as typed
    bool localVersion = false;
    QString directory; // root scanned for analysis folders
    bool deepSearch = false;
    QStringList operators;
    QStringList languages;
    unsigned char currentLanguage = 0;
    LisSettings lis;
};

namespace SettingsStore {

// Pages of the settings dialog, in tool box order.
enum class Page : int { Network = 0, Operators = 1, Paths = 2, Language = 3, Lis = 4 };

enum Rule : int {
    RulePassed = 0,
    RuleAddress = 1,
    RuleUserId = 2,
    RulePort = 3,
    RuleOperators = 4,
    RuleDirectory = 5,
    RuleLisMode = 6,
    RuleLisFolder = 7,
    RuleLisHost = 8,
    RuleLisPort = 9
};

struct CheckResult
{
    int rule = RulePassed;
    Page page = Page::Network;
    bool passed() const { return rule == RulePassed; }
};

// The operator count is kept in one byte in the file.
constexpr int MaxOperators = 255;

QString filePath(const QString& appDir);
bool fileExists(const QString& appDir);

// The interface language a stored Language/Current value selects: its low byte, where
// 1 is Russian and any other value (also a missing or non-numeric one) English. Every
// window and the store read the language through this, so they never disagree.
unsigned char languageIndex(const QVariant& stored);
// languageIndex() of the file's Language/Current; English without a file. Only reads.
unsigned char storedLanguage(const QString& appDir);

// Values of a freshly created file (user ID and port are not part of it).
SettingsValues defaults();

// Reads every key; missing keys give empty text, false or 0. List counts are taken
// modulo 256. The address is returned as stored.
SettingsValues load(const QString& appDir);

// Rewrites the whole file. The address is written as given (normalise it first);
// NetworkID and NetworkPort are written only when the local version is off.
FileWrite::Result save(const QString& appDir, const SettingsValues& values);

// Touches only the OperatorsSettings group: Count = number of names modulo 256,
// followed by that many names; *written receives them.
FileWrite::Result saveOperators(const QString& appDir, const QStringList& names,
                                QStringList* written);

// "192.168.1.1" -> "192.168.001.001"; a text that is not four parts of 0..255 gives
// the default address in display form.
QString displayAddress(const QString& stored);
// "192.168.001.001" -> "192.168.1.1"; parts that are missing or not numbers give 0.
QString normaliseAddress(const QString& typed);

// Validates form contents (address as typed). Stops at the first failing rule.
CheckResult check(const SettingsValues& form);
// The LIS rules alone: a mode of 0..3 and, for the ways it turns on, a folder, a host and a
// port of 1..65535.
int checkLis(const LisSettings& lis);
// Said at start when the stored LIS settings fail checkLis(): the sending is off until fixed.
QString lisOffMessage(int rule, unsigned char lang);

// Only 1 selects Russian; every other language byte gives English.
bool isRussian(unsigned char lang);
QString checkMessage(int rule, unsigned char lang);
QString warningTitle(unsigned char lang);
QString okButton(unsigned char lang);
QString confirmTitle(unsigned char lang);
QString yesButton(unsigned char lang);
QString noButton(unsigned char lang);
// Question asked before a rename: Replace "old" with "new"?
QString renameQuestion(const QString& oldName, const QString& newName, unsigned char lang);
// Warning shown when a further name would exceed MaxOperators.
QString operatorsFullMessage(unsigned char lang);
// Warning shown when the settings file could not be written.
QString notSavedMessage(const FileWrite::Result& result, unsigned char lang);

} // namespace SettingsStore
