#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "report/markerrow.h"

// What report production needs from the widget side: laying out a report page and printing
// it as PDF, and drawing the charts. The windows library provides both; the logic that decides
// what is written where stays free of widgets.
class PagePrinter
{
  public:
    virtual ~PagePrinter() = default;
    // Lays out `html` with relative links resolved in `baseDir` and prints it into `pdfPath`.
    // False with a reason when the page did not load completely or printing failed; a page
    // that did not load is never printed.
    virtual bool print(const QString& html, const QString& baseDir, const QString& pdfPath,
                       QString* reason) = 0;
    // One chart of the marker table (see Charts::TypeImage).
    virtual QImage chart(int typeImage, const MarkerTable& table) = 0;
};
