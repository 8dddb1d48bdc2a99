// CorvexViewer: opens a log and shows it. The main window comes with the viewer's
// own work; for now the program starts with its empty window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Corvex Viewer"));
    window.show();
    return QApplication::exec();
}
