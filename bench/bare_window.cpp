// The yardstick of bench/measure_window.sh: a bare Qt window of the main window's size with a
// label and a button, and nothing else.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Жду Ваших приказаний")));
    layout->addWidget(new QPushButton(QStringLiteral("Звонить")));
    window.resize(390, 370);
    window.show();
    return app.exec();
}
