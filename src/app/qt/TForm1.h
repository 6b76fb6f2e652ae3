#pragma once
// The control window: state, local address, port, start/stop, and a tray icon to hide in.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/TServerControl.h"

namespace quillara {

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Runs FormCreate: the server starts on portText at once.
  explicit TForm1(const QString& portText = QStringLiteral("12388"), QWidget* parent = nullptr);
  ~TForm1() override;

  // Shows an error box: empty title, error icon, OK. Tests replace it to read the text.
  static std::function<void(QWidget*, const QString&)> ShowErrorBox;

  QLabel* Label3;
  QLabel* LabelSTATO;
  QLabel* Label2;
  QLineEdit* EditIP;
  QLabel* Label1;
  QLineEdit* EditPort;
  QLabel* Image1;
  QPushButton* ButtonStart;
  QPushButton* ButtonStop;
  QPushButton* ButtonTERMINA;
  QPushButton* ButtonCHIUDI;
  QSystemTrayIcon* TrayIcon1;
  QMenu* PopupMenu1;
  QAction* popupApri;
  QAction* popupAvvia;
  QAction* popupArresta;
  QAction* popupEsci;
  QTimer* Timer1;
  QTimer* TimerFDestroy;

  TServerControl& Control() { return FControl; }

 public slots:
  void ButtonStartClick();
  void ButtonStopClick();
  void ButtonTERMINAClick();
  void popupEsciClick();
  void ApplicationEvents1Minimize();
  void ApplicationEvents1Idle();
  void TrayIcon1DblClick();
  void Timer1Timer();
  void TimerFDestroyTimer();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void FormCreate();
  void StopOperation();
  void ShowState();
  // The window's event dispatch: an error leaves the handler and becomes an error box.
  template <class F>
  void Guard(F handler);

  TServerControl FControl;
  bool FMinimizing = false;
};

}  // namespace quillara
