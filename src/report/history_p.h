#pragma once

#include <QByteArray>
#include <QStringList>

#include "report/filewrite.h"

// Shared by the reading, appending and checking of history files.
namespace History {

// The non-blank lines of a file's content, without their line ends. A last line without its
// end (torn by a crash) is left out unless keepTorn.
QStringList lines(const QByteArray& content, bool keepTorn);

// The file's bytes; a missing file is empty with *exists false; a folder is a reading failure.
FileWrite::Result readFile(const QString& path, QByteArray* content, bool* exists);

} // namespace History
