// A picture decoded the first time it is drawn: building a window decodes no image before the
// window is on the screen.
#pragma once

#include <QPixmap>
#include <QString>
#include <string>

namespace hi {

class LazyPicture {
 public:
  void set(const std::string& path) {
    path_ = QString::fromStdString(path);
    pixmap_ = QPixmap();
    decoded_ = path_.isEmpty();
  }
  // Null when there is no picture or it cannot be read.
  const QPixmap& get() {
    if (!decoded_) {
      pixmap_ = QPixmap(path_);
      decoded_ = true;
    }
    return pixmap_;
  }

 private:
  QString path_;
  QPixmap pixmap_;
  bool decoded_ = true;
};

}  // namespace hi
