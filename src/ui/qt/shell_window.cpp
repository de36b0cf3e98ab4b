#include "shell_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "about_dialog.h"
#include "app/app_constants.h"
#include "app/main_window.h"
#include "button_key_filter.h"
#include "client_area.h"
#include "device_dialog.h"
#include "scroll_bar.h"
#include "tuning_dialog.h"
#include "ui_constants.h"
#include "view/track_view.h"
#include "window_icon.h"

namespace ui {

namespace {

QString fromText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect toQRect(const app::Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}

QMessageBox::Icon toQtIcon(app::MessageIcon icon) {
  switch (icon) {
    case app::MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case app::MessageIcon::Error:
      return QMessageBox::Critical;
    case app::MessageIcon::Question:
      return QMessageBox::Question;
    case app::MessageIcon::Information:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

std::optional<std::string> chosenPath(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

}  // namespace

ShellWindow::ShellWindow(state::AppState& app, std::optional<app::Size> desktop)
    : app_(app), desktopOverride_(desktop) {
  setWindowTitle(QString::fromUtf8(app::WINDOW_TITLE));
  setWindowIcon(makeWindowIcon());
  buildMenu();
  buildControls();
  main_ = std::make_unique<app::MainWindow>(app_, *this);
}

ShellWindow::~ShellWindow() {
  // A window closed other than through destroyWindow (the session ending)
  // still tears the application down in order.
  if (!destroyed_ && created_) {
    destroyed_ = true;
    client_->attach(nullptr);
    keyFilter_->attach(nullptr);
    main_->onDestroy();
  }
  for (QPushButton* b : buttons_) b->removeEventFilter(keyFilter_.get());
}

void ShellWindow::buildMenu() {
  auto addItem = [this](QMenu* menu, const char* text, int command) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] {
      if (!destroyed_ && created_) main_->onCommand(command);
    });
    actions_.push_back(action);
  };
  QMenu* file = menuBar()->addMenu(QString::fromUtf8(MENU_FILE));
  addItem(file, ITEM_OPEN, app::CMD_OPEN);
  addItem(file, ITEM_SAVE_AS, app::CMD_SAVE_AS);
  addItem(file, ITEM_UNDO_TUNING, app::CMD_UNDO_TUNING);
  addItem(file, ITEM_EXIT, app::CMD_EXIT);
  QMenu* viewMenu = menuBar()->addMenu(QString::fromUtf8(MENU_VIEW));
  addItem(viewMenu, ITEM_PITCH_CURVE, app::CMD_PITCH_CURVE);
  actions_.back()->setCheckable(true);
  QMenu* help = menuBar()->addMenu(QString::fromUtf8(MENU_HELP));
  addItem(help, ITEM_ABOUT, app::CMD_ABOUT);
  QMenu* devices = menuBar()->addMenu(QString::fromUtf8(MENU_DEVICES));
  addItem(devices, ITEM_SELECT_DEVICE, app::CMD_SELECT_DEVICE);

  for (const char* keys : {ACCEL_ABOUT_1, ACCEL_ABOUT_2}) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromUtf8(keys)), this);
    connect(shortcut, &QShortcut::activated, this, [this] {
      if (!destroyed_ && created_) main_->onCommand(app::CMD_ABOUT);
    });
  }
}

void ShellWindow::buildControls() {
  client_ = new ClientArea(
      app_.viewMutex,
      [this]() -> ImageRef {
        if (destroyed_ || !created_) return {};
        const view::Image& image = main_->trackView().image;
        return ImageRef{image.data(), image.width(), image.height()};
      },
      this);
  setCentralWidget(client_);
  client_->installEventFilter(this);

  scroll_ = new ScrollBar(client_);
  scroll_->setObjectName(SCROLL_BAR_NAME);
  // The bar takes the focus only when the application gives it.
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setRange(0, 0);
  scroll_->setEnabled(false);
  connect(scroll_, &QAbstractSlider::actionTriggered, this, &ShellWindow::onScrollAction);

  for (int i = 0; i < view::BUTTON_COUNT; ++i) {
    const int id = view::BUTTON_ID_FIRST + i;
    auto* b = new QPushButton(QString::fromUtf8(view::BUTTON_TEXTS[i]), client_);
    b->setObjectName(QStringLiteral("button%1").arg(id));
    b->setProperty("controlId", id);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setStyleSheet(QString::fromUtf8(FOCUS_MARK_STYLE));
    connect(b, &QPushButton::clicked, this, [this, id] {
      if (!destroyed_ && created_) main_->onCommand(id);
    });
    buttons_[i] = b;
  }
  for (int i = 0; i + 1 < view::BUTTON_COUNT; ++i) setTabOrder(buttons_[i], buttons_[i + 1]);
  keyFilter_ = std::make_unique<ButtonKeyFilter>(buttons_);
  for (QPushButton* b : buttons_) b->installEventFilter(keyFilter_.get());
}

bool ShellWindow::start() {
  const app::WindowPlacement place = app::MainWindow::initialPlacement(desktopSize());
  wantedOuter_ = app::Size{place.width, place.height};
  create();  // the native window, which knows its frame on most systems
  const QSize extra = frameExtra();
  resize(place.width - extra.width(), place.height - extra.height());
  move(place.x, place.y);
  // Settle the menu bar and the client area at this size before the layout.
  if (layout() != nullptr) layout()->activate();
  noteSizes();

  created_ = true;
  if (!main_->onCreate()) {
    created_ = false;
    return false;
  }
  client_->attach(main_.get());
  keyFilter_->attach(main_.get());
  show();
  return true;
}

QPushButton* ShellWindow::button(int id) const {
  const int index = id - view::BUTTON_ID_FIRST;
  if (index < 0 || index >= view::BUTTON_COUNT) return nullptr;
  return buttons_[index];
}

QAction* ShellWindow::menuAction(int command) const {
  for (QAction* a : actions_) {
    if (a->data().toInt() == command) return a;
  }
  return nullptr;
}

bool ShellWindow::onUiThreadNow() const {
  return QThread::currentThread() == thread();
}

template <class Work>
void ShellWindow::onUiThread(Work&& work) {
  if (onUiThreadNow()) {
    work();
  } else {
    QMetaObject::invokeMethod(this, std::forward<Work>(work), Qt::QueuedConnection);
  }
}

template <class Result, class Work>
Result ShellWindow::blockingOnUiThread(Work&& work, Result fallback) {
  if (onUiThreadNow()) return work();
  // When the window goes away first, the queued call is dropped and the
  // worker is released with the fallback.
  Result result = fallback;
  QMetaObject::invokeMethod(
      this, [&result, &work] { result = work(); }, Qt::BlockingQueuedConnection);
  return result;
}

// --- message boxes ---

app::MessageResult ShellWindow::messageBox(std::string_view text, std::string_view caption,
                                           app::MessageIcon icon, app::MessageButtons buttons,
                                           bool owned) {
  QMessageBox box(toQtIcon(icon), fromText(caption), fromText(text),
                  buttons == app::MessageButtons::OkCancel
                      ? QMessageBox::Ok | QMessageBox::Cancel
                      : QMessageBox::StandardButtons(QMessageBox::Ok),
                  owned ? this : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(buttons == app::MessageButtons::OkCancel ? QMessageBox::Cancel
                                                               : QMessageBox::Ok);
  return box.exec() == QMessageBox::Cancel ? app::MessageResult::Cancel : app::MessageResult::Ok;
}

app::MessageResult ShellWindow::messageBoxFromWorker(std::string_view text,
                                                     std::string_view caption,
                                                     app::MessageIcon icon,
                                                     app::MessageButtons buttons) {
  // The views die with the worker's call; the UI thread gets copies.
  const std::string t(text), c(caption);
  return blockingOnUiThread(
      [this, t, c, icon, buttons] { return messageBox(t, c, icon, buttons, true); },
      app::MessageResult::Cancel);
}

// --- transport buttons ---

void ShellWindow::enableButton(int id, bool enabled) {
  onUiThread([this, id, enabled] {
    if (QPushButton* b = button(id)) b->setEnabled(enabled);
  });
}

void ShellWindow::setButtonText(int id, std::string_view text) {
  onUiThread([this, id, t = fromText(text)] {
    if (QPushButton* b = button(id)) b->setText(t);
  });
}

void ShellWindow::focusButton(int id) {
  onUiThread([this, id] {
    if (QPushButton* b = button(id)) b->setFocus(Qt::OtherFocusReason);
  });
}

// --- scroll bar ---

void ShellWindow::setScrollBar(int max, int page, int pos) {
  onUiThread([this, max, page, pos] {
    scrollMax_ = std::max(0, max);
    scrollPage_ = std::max(0, page);
    scrollPos_ = std::clamp(pos, 0, scrollMax_);
    const QSignalBlocker quiet(scroll_);
    scroll_->setRange(0, scrollMax_);
    scroll_->setPageStep(std::max(1, scrollPage_));
    scroll_->setSingleStep(1);
    scroll_->setValue(scrollPos_);
    scroll_->setSliderPosition(scrollPos_);
  });
}

void ShellWindow::onScrollAction(int action) {
  const int trackPos = scroll_->sliderPosition();
  // Undo the bar's own move first: where it goes is the application's call,
  // and it tells the bar through setScrollBar.
  scroll_->setSliderPosition(scrollPos_);
  if (destroyed_ || !created_) return;
  app::ScrollRequest request = app::ScrollRequest::Other;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      request = app::ScrollRequest::LineLeft;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      request = app::ScrollRequest::LineRight;
      break;
    case QAbstractSlider::SliderPageStepSub:
      request = app::ScrollRequest::PageLeft;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      request = app::ScrollRequest::PageRight;
      break;
    case QAbstractSlider::SliderMove:
      request = app::ScrollRequest::ThumbTrack;
      break;
    default:
      break;
  }
  main_->onHScroll(request, trackPos);
  scroll_->setSliderPosition(scrollPos_);
}

void ShellWindow::enableScrollBar(bool enabled) {
  onUiThread([this, enabled] { scroll_->setEnabled(enabled); });
}

void ShellWindow::focusScrollBar() {
  onUiThread([this] { scroll_->setFocus(Qt::OtherFocusReason); });
}

// --- menu ---

void ShellWindow::enableUndoTuning(bool enabled) {
  onUiThread([this, enabled] {
    if (QAction* undo = menuAction(app::CMD_UNDO_TUNING)) undo->setEnabled(enabled);
  });
}

void ShellWindow::checkPitchCurve(bool checked) {
  onUiThread([this, checked] {
    if (QAction* item = menuAction(app::CMD_PITCH_CURVE)) item->setChecked(checked);
  });
}

// --- geometry ---

app::Size ShellWindow::desktopSize() {
  if (desktopOverride_) return *desktopOverride_;
  const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (s == nullptr) return app::Size{0, 0};
  return app::Size{s->geometry().width(), s->geometry().height()};
}

app::Size ShellWindow::clientSize() {
  if (onUiThreadNow()) noteSizes();
  return app::Size{clientWidth_.load(), clientHeight_.load()};
}

app::Size ShellWindow::outerSize() {
  if (onUiThreadNow()) noteSizes();
  return app::Size{outerWidth_.load(), outerHeight_.load()};
}

void ShellWindow::noteSizes() {
  clientWidth_ = client_->width();
  clientHeight_ = client_->height();
  if (windowHandle() != nullptr) {
    const QSize outer = size() + frameExtra();
    outerWidth_ = outer.width();
    outerHeight_ = outer.height();
  }
}

bool ShellWindow::eventFilter(QObject* watched, QEvent* event) {
  // Before the client area hands its new size on: a worker laying the window
  // out again reads the sizes without asking this thread.
  if (watched == client_ && event->type() == QEvent::Resize) noteSizes();
  return QMainWindow::eventFilter(watched, event);
}

QSize ShellWindow::frameExtra() const {
  // The window system's frame (title bar and borders) around this window;
  // known once the native window exists, on some systems only once it is shown.
  const QWindow* native = windowHandle();
  if (native == nullptr) return QSize(0, 0);
  const QMargins margins = native->frameMargins();
  return QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void ShellWindow::placeControl(int id, const app::Rect& rect) {
  onUiThread([this, id, rect] {
    QWidget* control = id == view::SCROLL_BAR_ID ? static_cast<QWidget*>(scroll_) : button(id);
    if (control == nullptr) return;
    control->setGeometry(toQRect(rect));
    control->show();
  });
}

void ShellWindow::setSizeLimits(app::Size minimum, std::optional<app::Size> maximum) {
  onUiThread([this, minimum, maximum] {
    minOuter_ = minimum;
    maxOuter_ = maximum;
    applySizeLimits();
  });
}

void ShellWindow::applySizeLimits() {
  // The limits are for the outer window; Qt's are for the window less its frame.
  const QSize extra = frameExtra();
  setMinimumSize(std::max(0, minOuter_.width - extra.width()),
                 std::max(0, minOuter_.height - extra.height()));
  if (maxOuter_) {
    setMaximumSize(std::max(0, maxOuter_->width - extra.width()),
                   std::max(0, maxOuter_->height - extra.height()));
  } else {
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

void ShellWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The frame is known only once the window system shows the window: keep the
  // start-up outer size and the outer size limits as they were meant.
  if (!outerFixed_) {
    outerFixed_ = true;
    QTimer::singleShot(0, this, [this] { keepOuterSize(); });
  }
}

void ShellWindow::keepOuterSize() {
  if (destroyed_) return;
  const QSize extra = frameExtra();
  const QSize wanted(wantedOuter_.width - extra.width(), wantedOuter_.height - extra.height());
  if (wanted != size()) {
    applySizeLimits();
    resize(wanted);
  }
  // The layout follows the area under the menu bar as the window system
  // finally shows it (the menu bar's height, too, is settled only now).
  if (layout() != nullptr) layout()->activate();
  if (created_) main_->onSize(clientSize());
}

// --- text on the window ---

app::Size ShellWindow::measureText(std::string_view text) {
  const QFontMetrics metrics(client_->font());
  const QSize size = metrics.size(Qt::TextSingleLine, fromText(text));
  return app::Size{size.width(), size.height()};
}

void ShellWindow::drawText(std::string_view text, const app::Rect& area, std::uint32_t textColour,
                           std::uint32_t backgroundColour) {
  onUiThread([this, t = fromText(text), area, textColour, backgroundColour] {
    client_->textOnWindow(t, toQRect(area), textColour, backgroundColour);
  });
}

// --- dialogs ---

void ShellWindow::showAbout() {
  runAboutDialog(this);
}

std::optional<int> ShellWindow::runDeviceDialog(const std::vector<std::string>& names) {
  return ui::runDeviceDialog(this, names);
}

std::optional<std::string> ShellWindow::openFileDialog() {
  return chosenPath(QFileDialog::getOpenFileName(this, QString::fromUtf8(OPEN_DIALOG_TITLE),
                                                 QString(), QString::fromUtf8(OPEN_DIALOG_FILTER)));
}

std::optional<std::string> ShellWindow::saveFileDialog(std::string_view defaultName) {
  // No overwrite question: saving over a file is what the user asked for.
  return chosenPath(QFileDialog::getSaveFileName(this, QString(), fromText(defaultName),
                                                 QString::fromUtf8(SAVE_DIALOG_FILTER), nullptr,
                                                 QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> ShellWindow::saveFileDialogFromWorker(std::string_view defaultName) {
  const std::string name(defaultName);
  return blockingOnUiThread([this, name] { return saveFileDialog(name); },
                            std::optional<std::string>{});
}

int ShellWindow::runTuningDialog(bool onLeft,
                                 const std::function<void(const app::TuningChoice&)>& onOk) {
  return ui::runTuningDialog(this, client_->mapToGlobal(QPoint(0, 0)), client_->width(), onLeft,
                             onOk);
}

// --- messages to the window ---

void ShellWindow::openFile(const std::string& path) {
  if (!destroyed_ && created_) main_->openFile(path);
}

void ShellWindow::postCommand(int id) {
  // Always queued, also from this thread: the command runs after the caller.
  QMetaObject::invokeMethod(
      this,
      [this, id] {
        if (!destroyed_ && created_) main_->onCommand(id);
      },
      Qt::QueuedConnection);
}

void ShellWindow::postDriverReset() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!destroyed_ && created_) main_->onDriverReset();
      },
      Qt::QueuedConnection);
}

// --- life ---

void ShellWindow::destroyWindow() {
  if (destroyed_) return;
  destroyed_ = true;
  client_->attach(nullptr);
  keyFilter_->attach(nullptr);
  hide();
  if (created_) main_->onDestroy();
  // Ends the event loop the window runs in; without one (the demonstration
  // drives the window itself) there is nothing to end, and quitting anyway
  // would end every later modal dialog at once.
  if (thread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void ShellWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  // The close box asks the window's logic, which destroys the window itself
  // when the user agrees.
  event->ignore();
  if (created_) main_->onClose();
}

void ShellWindow::keyPressEvent(QKeyEvent* event) {
  // Characters reach the window's logic only when the window itself has the
  // focus; a key the scroll bar or a button did not want is not the window's.
  QWidget* focus = QApplication::focusWidget();
  const bool windowHasFocus = focus == nullptr || focus == this || focus == client_;
  const QByteArray text = event->text().toLatin1();
  if (windowHasFocus && created_ && !destroyed_ && text.size() == 1) {
    main_->onChar(text[0]);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// --- drawing on the window ---

void ShellWindow::invalidate(const app::Rect& area) {
  onUiThread([this, area] { client_->invalidateArea(toQRect(area)); });
}

void ShellWindow::updateWindow() {
  onUiThread([this] { client_->updateNow(); });
}

void ShellWindow::drawCursorLine(int x, int top, int bottom) {
  // A pen two pixels wide centred on column x covers x - 1 and x: the strip
  // the track view repaints to erase it.
  onUiThread([this, x, top, bottom] {
    client_->fillOnWindow(QRect(x - 1, top, CURSOR_WIDTH, bottom - top), CURSOR_COLOUR);
  });
}

void ShellWindow::drawLiveLine(int x, int top, int bottom) {
  onUiThread([this, x, top, bottom] {
    client_->fillOnWindow(QRect(x, top, 1, bottom - top), LIVE_COLOUR);
  });
}

void ShellWindow::drawLivePoint(int x, int y) {
  onUiThread([this, x, y] { client_->fillOnWindow(QRect(x, y, 1, 1), LIVE_COLOUR); });
}

}  // namespace ui
