#pragma once

#include <QUrl>

#include <functional>

// Hands local files (the user manual, report PDFs) to the desktop's default handler.
// Tests put their own opener in place to see what would have been opened.
namespace Desktop {

using Opener = std::function<bool(const QUrl&)>;

// False when no handler took the URL.
bool openUrl(const QUrl& url);

// Test hook; an empty opener restores the desktop's own.
void setOpener(Opener opener);
// True while a test's opener stands in for the desktop.
bool hasOpener();

} // namespace Desktop
