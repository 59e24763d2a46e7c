// The yardstick for start-up time: an empty Qt Widgets window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowFlag(Qt::FramelessWindowHint);
  window.resize(565, 464);
  window.show();
  return app.exec();
}
