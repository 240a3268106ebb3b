#include "desktop.h"

#include <QDesktopServices>

namespace {
Desktop::Opener g_opener;
}

namespace Desktop {

bool openUrl(const QUrl& url)
{
    return g_opener ? g_opener(url) : QDesktopServices::openUrl(url);
}

void setOpener(Opener opener)
{
    g_opener = std::move(opener);
}

bool hasOpener()
{
    return bool(g_opener);
}

} // namespace Desktop
