#pragma once

#include "report/pageprinter.h"

class QGraphicsScene;
class QWebView;

// Report pages laid out by the web engine of a hidden view and printed as archival PDF
// (PDF/A-1b: fonts embedded, identification in the metadata); charts drawn in the chart scene.
class WebPagePrinter : public PagePrinter
{
  public:
    WebPagePrinter(QWebView* view, QGraphicsScene* scene);

    bool print(const QString& html, const QString& baseDir, const QString& pdfPath,
               QString* reason) override;
    QImage chart(int typeImage, const MarkerTable& table) override;

    // How long a page may take to load before it counts as failed; 30 s unless a test says.
    void setLoadTimeout(int ms) { m_loadTimeoutMs = ms; }

  private:
    QWebView* m_view;
    QGraphicsScene* m_scene;
    int m_loadTimeoutMs = 30000;
};
