#pragma once

#include "apptestdir.h"

#include <QListWidget>
#include <QStringList>
#include <memory>

#include "app/mainwindow.h"

// The whole program over a throw-away application directory: shipped templates, a
// settings file, and a data directory of analysis folders given as "relative/name.D";
// a trailing "!" leaves out the export (red), a trailing "+" adds a finished report
// (dark green) recorded the way report production records it.
struct WorkingWindow {
    AppTestDir app;
    QString data;
    std::unique_ptr<MainWindow> window;

    // Writes everything, builds and shows the main window and, with signIn, signs in
    // through the sign-in button. Settings left empty get the data directory and a
    // port where nothing listens.
    bool start(const QStringList& analyses, AppTestDir::Settings settings = {}, bool signIn = true);
    bool addAnalysis(QString entry);

    template <typename T> T* child(const char* name) const { return window->findChild<T*>(name); }
    QListWidget* list() const { return child<QListWidget>("ListText"); }
    QStringList texts() const;
    // Waits for scanner passes until the list shows exactly these texts.
    bool waitForTexts(const QStringList& expected) const;
    // Activates a row with a double click.
    void activate(int row) const;
};
