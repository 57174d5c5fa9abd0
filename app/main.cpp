#include "app/BezierDialog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    BezierDialog dialog(nullptr, nullptr, true);
    // The modal run is the program's only event loop; how the dialog was closed does not matter.
    dialog.exec();
    return 0;
}
