#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A throw-away application directory for tests that run the whole program: templates
// copied from the repository, a settings file written as the test needs it, and the
// process's current directory pointed at it (the program's application directory).
class AppTestDir
{
  public:
    struct Settings
    {
        QString ip = QStringLiteral("127.0.0.1");
        bool localVersion = false;
        QString port;
        QString userId = QStringLiteral("ABCD-EFGH-IJKL");
        QString dataDir;
        bool deep = false;
        QStringList operators = {QStringLiteral("Test Operator")};
        QVariant language = 0; // as stored in Language/Current
    };

    AppTestDir();
    ~AppTestDir();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

    // Copies the shipped templates into docs/ (all, or all but the named files).
    bool copyTemplates(const QStringList& except = {});
    bool writeSettings(const Settings& s);
    // Makes this directory the current one; the destructor restores the previous one.
    void enter();

  private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Reads one key of an INI file written by the program.
QVariant iniValue(const QString& path, const QString& key);
