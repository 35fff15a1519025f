// A bare Qt window of the Logo Manager's size, for bench/startup.sh to time
// beside the program: what any Qt Widgets window costs to reach the screen.
#include "manager/window/ManagerLayout.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(quillmere::kClientWidthTwips / 15, quillmere::kClientHeightTwips / 15);
    window.show();
    return app.exec();
}
