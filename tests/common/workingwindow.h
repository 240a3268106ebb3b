#pragma once

#include "apptestdir.h"

#include <QListWidget>
#include <QTest>
#include <memory>

#include "app/mainwindow.h"
#include "app/messagebox.h"

// The whole program, its message boxes answered and recorded, over a throw-away application
// directory with the shipped templates and a data directory of analysis folders given as
// "relative/name.D": a trailing "!" leaves out the export (red), "+" adds a report.
struct WorkingWindow
{
    WorkingWindow()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }
    AppTestDir app;
    QString data;
    std::unique_ptr<MainWindow> window;

    // Settings without data directory or port get the data folder and a dead port.
    bool start(const QStringList& analyses, AppTestDir::Settings settings = {}, bool signIn = true);
    bool addAnalysis(QString entry);
    template <typename T> T* child(const char* name) const { return window->findChild<T*>(name); }
    QListWidget* list() const { return child<QListWidget>("ListText"); }
    QStringList texts() const;
    // Waits over scanner passes until the list shows exactly these texts.
    bool waitForTexts(const QStringList& t) const
    {
        return QTest::qWaitFor([&] { return texts() == t; }, 8000);
    }
    void activate(int row) const;                 // a double click
    void press(const char* name) const;           // a button or a menu action
    bool enabled(const QStringList& names) const; // buttons or actions, all
};

// Texts of the message boxes answered so far.
QStringList shownTexts();
