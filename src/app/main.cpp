// Quillmark: the program's entry.
#include "Data.h"
#include "Main.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QApplication::setOrganizationName(QStringLiteral("Veltrix Inc."));
    const bool run = StartUp();
    const int rc = run ? app.exec() : 0;
    delete FMain;
    delete FData;
    return rc;
}
