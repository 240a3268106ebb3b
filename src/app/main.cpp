#include <QApplication>
#include <QFont>

#include "app/mainwindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The windows have fixed geometry laid out for an 8-point dialog font; the platform
    // default is larger on many desktops and would clip captions.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    app.setFont(font);
    int code = 0;
    {
        MainWindow window;
        window.show();
        code = app.exec();
    }
    return code;
}
