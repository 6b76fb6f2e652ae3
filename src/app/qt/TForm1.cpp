#include "app/qt/TForm1.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "app/Messages.h"
#include "app/TStreamHandOver.h"
#include "base/Text.h"

namespace quillara {

namespace {

// The product picture: a small drawn badge, so the window needs no image file.
QPixmap ProductPicture() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0x1f, 0x6f, 0xb2));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(1, 1, 30, 30, 6, 6);
  p.setPen(QPen(Qt::white, 3));
  p.drawEllipse(7, 7, 16, 16);
  p.drawLine(20, 20, 26, 26);
  return pixmap;
}

QString ToQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.c_str());
}

}  // namespace

std::function<void(QWidget*, const QString&)> TForm1::ShowErrorBox = [](QWidget* parent,
                                                                        const QString& text) {
  QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok, parent);
  box.exec();
};

template <class F>
void TForm1::Guard(F handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowErrorBox(this, ToQString(ErrorBoxText(e.what())));
  }
}

TForm1::TForm1(const QString& portText, QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  // A tool window without caption buttons: closing goes through "Termina" or the tray menu.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(389, 134);
  setFont(QFont("Tahoma", 8));

  Label3 = new QLabel(kCaptionState, this);
  LabelSTATO = new QLabel(kLabelStopped, this);
  QFont bold = LabelSTATO->font();
  bold.setBold(true);
  LabelSTATO->setFont(bold);
  Label2 = new QLabel(kCaptionAddress, this);
  EditIP = new QLineEdit(this);
  EditIP->setReadOnly(true);
  Label1 = new QLabel(kCaptionPort, this);
  EditPort = new QLineEdit(portText, this);
  Image1 = new QLabel(this);
  Image1->setFixedSize(32, 32);
  Image1->setPixmap(ProductPicture());
  ButtonStart = new QPushButton(kCaptionStart, this);
  ButtonStop = new QPushButton(kCaptionStop, this);
  ButtonTERMINA = new QPushButton(kCaptionTerminate, this);
  ButtonCHIUDI = new QPushButton(kCaptionMinimize, this);
  for (auto [widget, name] : {std::pair<QObject*, const char*>{Label3, "Label3"},
                              {LabelSTATO, "LabelSTATO"},
                              {Label2, "Label2"},
                              {EditIP, "EditIP"},
                              {Label1, "Label1"},
                              {EditPort, "EditPort"},
                              {Image1, "Image1"},
                              {ButtonStart, "ButtonStart"},
                              {ButtonStop, "ButtonStop"},
                              {ButtonTERMINA, "ButtonTERMINA"},
                              {ButtonCHIUDI, "ButtonCHIUDI"}})
    widget->setObjectName(name);

  auto* grid = new QGridLayout;
  grid->addWidget(Label3, 0, 0);
  grid->addWidget(LabelSTATO, 0, 1, 1, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(EditIP, 1, 1);
  grid->addWidget(Label1, 2, 0);
  grid->addWidget(EditPort, 2, 1);
  grid->addWidget(Image1, 1, 2, 2, 1, Qt::AlignCenter);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {ButtonStart, ButtonStop, ButtonTERMINA, ButtonCHIUDI})
    buttons->addWidget(b);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(grid);
  outer->addLayout(buttons);

  PopupMenu1 = new QMenu(this);
  popupApri = PopupMenu1->addAction(kMenuOpen);
  PopupMenu1->addSeparator();
  popupAvvia = PopupMenu1->addAction(kCaptionStart);
  popupArresta = PopupMenu1->addAction(kCaptionStop);
  PopupMenu1->addSeparator();
  popupEsci = PopupMenu1->addAction(kMenuExit);
  TrayIcon1 = new QSystemTrayIcon(QIcon(ProductPicture()), this);
  TrayIcon1->setContextMenu(PopupMenu1);
  Timer1 = new QTimer(this);
  Timer1->setInterval(1);
  TimerFDestroy = new QTimer(this);
  TimerFDestroy->setInterval(1000);

  connect(ButtonStart, &QPushButton::clicked, this, &TForm1::ButtonStartClick);
  connect(ButtonStop, &QPushButton::clicked, this, &TForm1::ButtonStopClick);
  connect(ButtonTERMINA, &QPushButton::clicked, this, &TForm1::ButtonTERMINAClick);
  connect(ButtonCHIUDI, &QPushButton::clicked, this, &TForm1::ApplicationEvents1Minimize);
  connect(popupApri, &QAction::triggered, this, &TForm1::TrayIcon1DblClick);
  connect(popupAvvia, &QAction::triggered, this, &TForm1::ButtonStartClick);
  connect(popupArresta, &QAction::triggered, this, &TForm1::ButtonStopClick);
  connect(popupEsci, &QAction::triggered, this, &TForm1::popupEsciClick);
  connect(TrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::DoubleClick) TrayIcon1DblClick();
          });
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(TimerFDestroy, &QTimer::timeout, this, &TForm1::TimerFDestroyTimer);
  // The message queue running empty is the idle moment.
  if (auto* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            &TForm1::ApplicationEvents1Idle);

  // A download hands its stream over on a request thread; the timer is armed on ours.
  TStreamHandOver::Instance().SetOnArm([this] {
    QMetaObject::invokeMethod(
        this, [this] { TimerFDestroy->start(); }, Qt::QueuedConnection);
  });
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
  FormCreate();
}

TForm1::~TForm1() {
  TStreamHandOver::Instance().SetOnArm(nullptr);
}

void TForm1::FormCreate() {
  EditIP->setText(ToQString(LocalAddressText()));
  bool started = false;
  Guard([&] {
    FControl.StartAndReadFolders(EditPort->text().toStdU16String());
    started = true;
  });
  ShowState();
  // After a failed start the window stays on screen, stopped.
  if (started) Timer1->start();
  ApplicationEvents1Idle();
}

void TForm1::ShowState() {
  LabelSTATO->setText(ToQString(FControl.LabelSTATO()));
  popupAvvia->setEnabled(FControl.PopupAvviaEnabled());
  popupArresta->setEnabled(FControl.PopupArrestaEnabled());
}

void TForm1::ButtonStartClick() {
  Guard([&] { FControl.StartAndReadFolders(EditPort->text().toStdU16String()); });
  ShowState();
  ApplicationEvents1Idle();
}

void TForm1::StopOperation() {
  Guard([&] { FControl.StopOperation(); });
  ShowState();
  ApplicationEvents1Idle();
}

void TForm1::ButtonStopClick() {
  StopOperation();
}

void TForm1::ButtonTERMINAClick() {
  StopOperation();
  close();
}

void TForm1::popupEsciClick() {
  close();
}

void TForm1::ApplicationEvents1Minimize() {
  if (FMinimizing) return;
  FMinimizing = true;
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
    TrayIcon1->show();
  } else {
    // Without a tray a hidden window could never be reached again.
    showMinimized();
  }
  FMinimizing = false;
}

void TForm1::TrayIcon1DblClick() {
  TrayIcon1->hide();
  show();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
}

void TForm1::Timer1Timer() {
  Timer1->stop();
  ApplicationEvents1Minimize();
}

void TForm1::ApplicationEvents1Idle() {
  bool active = FControl.Active();
  ButtonStart->setEnabled(!active);
  ButtonStop->setEnabled(active);
  EditPort->setEnabled(!active);
}

void TForm1::TimerFDestroyTimer() {
  TimerFDestroy->stop();
  TStreamHandOver::Instance().Release();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
      isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
    QTimer::singleShot(0, this, &TForm1::ApplicationEvents1Minimize);
}

}  // namespace quillara
