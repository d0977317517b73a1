#include "app/CTavrinApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(tavrin);
    QApplication application(argc, argv);
    CTavrinApp app;
    const int status = app.InitInstance(QApplication::arguments().mid(1));
    if (status >= 0)
        return status;
    return QApplication::exec();
}
