#include "app/qt/GuiMain.h"

#include <QApplication>

#include "app/qt/TForm1.h"

namespace quillara {

int RunWindow(int argc, char** argv, const std::string& portText) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString());
  QApplication::setApplicationDisplayName(QString());
  // The tray icon keeps the process alive while the window is hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  TForm1 form(QString::fromStdString(portText));
  QObject::connect(&form, &QObject::destroyed, &application, &QApplication::quit);
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  form.show();
  struct TCloseWatcher : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Close) QApplication::quit();
      return false;
    }
  } watcher;
  form.installEventFilter(&watcher);
  return application.exec();
}

}  // namespace quillara
