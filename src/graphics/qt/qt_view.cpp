#include "graphics/qt/qt_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "graphics/callbacks.h"
#include "graphics/qt/qt_event_loop.h"
#include "graphics/qt/qt_file_chooser.h"

namespace quelvara::graphics {

namespace {

QString qtext(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

int whole(double x) { return static_cast<int>(std::lround(x)); }

// The items of a pop-up list: a cell row of texts, or one text split at "|".
QStringList items_of(const Value& v) {
  QStringList out;
  if (v.is_cell()) {
    for (const auto& item : v.cell().items) out << (item.is_text() ? qtext(item.text()) : QString());
  } else if (v.is_text()) {
    out = qtext(v.text()).split('|');
  }
  return out;
}

QColor color_of(const Value& v) {
  if (!v.is_array() || v.array().numel() != 3) return {};
  const auto& d = v.array().data();
  return QColor::fromRgbF(static_cast<float>(d[0]), static_cast<float>(d[1]), static_cast<float>(d[2]));
}

// A picture's CData: a cell row of its red, green and blue planes, or one grey plane; each
// plane rows x columns, column by column, values 0 to 255. Anything else shows nothing.
QImage picture_of(const Value& cdata) {
  std::vector<const runtime::Array*> planes;
  if (cdata.is_array() && !cdata.is_text()) planes.push_back(&cdata.array());
  if (cdata.is_cell())
    for (const auto& p : cdata.cell().items)
      if (p.is_array() && !p.is_text()) planes.push_back(&p.array());
  if (planes.size() != 1 && planes.size() != 3) return {};
  const std::size_t rows = planes[0]->rows(), cols = planes[0]->cols();
  for (const auto* p : planes)
    if (p->rows() != rows || p->cols() != cols) return {};
  if (rows == 0 || cols == 0 || rows > 16384 || cols > 16384) return {};
  QImage image(static_cast<int>(cols), static_cast<int>(rows), QImage::Format_RGB888);
  const auto level = [](double v) { return static_cast<uchar>(std::clamp(std::lround(v), 0L, 255L)); };
  for (std::size_t r = 0; r < rows; ++r) {
    uchar* line = image.scanLine(static_cast<int>(r));
    for (std::size_t c = 0; c < cols; ++c)
      for (std::size_t k = 0; k < 3; ++k)
        line[3 * c + k] = level(planes[planes.size() == 3 ? k : 0]->data()[c * rows + r]);
  }
  return image;
}

// An axes' area: shows its picture scaled to fill it (the axes' limits span the picture). The
// scaled copy is made once per size, averaging the picture's pixels, so that a picture drawn
// at twice the size reads sharply at 200 % and smoothly at 100 %.
class AxesArea final : public QFrame {
 public:
  using QFrame::QFrame;
  void set_picture(QImage picture) {
    picture_ = std::move(picture);
    scaled_ = QImage();
    update();
  }
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    if (picture_.isNull() || rect().isEmpty()) return;
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    if (scaled_.size() != target) {
      scaled_ = picture_.size() == target ? picture_
                                          : picture_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      scaled_.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), scaled_);
  }

 private:
  QImage picture_;
  QImage scaled_;
};

class View;
View* the_view = nullptr;

// A figure's window: its frame's resize, move and close reach the model; Enter and Escape
// press the window's buttons.
class FigureWindow final : public QWidget {
 public:
  explicit FigureWindow(Handle h) : handle_(h) { setAttribute(Qt::WA_DeleteOnClose, false); }
  bool syncing = false;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  Handle handle_;
};

class View final : public TreeObserver {
 public:
  View() {
    if (auto* screen = QGuiApplication::primaryScreen()) {
      const QRect g = screen->geometry();
      set_screen_size(g.width(), g.height());
    }
    add_observer(this);
    set_event_loop(&loop_);
    for (Handle f : figures())
      for (Handle h : findall(f)) {
        object_created(h);
        for (const char* p : {"Style", "Position", "String", "Value", "Enable", "Name", "Color",
                              "BackgroundColor", "Visible"})
          if (type_of(h) == "uicontrol" || std::string(p) != "Style") refresh(h, p);
      }
  }
  ~View() override {
    set_event_loop(nullptr);
    remove_observer(this);
    for (auto& [h, w] : widgets_)
      if (w && type_of_known(h) == "figure") delete w.data();
  }

  QWidget* widget(Handle h) const {
    const auto it = widgets_.find(h);
    return it == widgets_.end() ? nullptr : it->second.data();
  }

  void object_created(Handle h) override {
    const std::string type = type_of(h);
    types_[h] = type;
    if (type == "figure") {
      auto* w = new FigureWindow(h);
      widgets_[h] = w;
      refresh(h, "Name");
      refresh(h, "Color");
      // A new figure is visible by default, but whoever made it usually hides it or moves it
      // before the events run: it is shown then, if it is still meant to be.
      if (get_text(h, "Visible") == "on")
        QTimer::singleShot(0, w, [h] {
          if (the_view && ishandle(h) && get_text(h, "Visible") == "on") the_view->show_figure(h);
        });
    } else if (type == "uicontrol") {
      make_control(h);
    } else if (type == "axes") {
      auto* parent = widget(*parent_of(h));
      if (!parent) return;
      auto* frame = new AxesArea(parent);
      frame->setFrameShape(QFrame::NoFrame);
      widgets_[h] = frame;
      place(h);
      frame->show();
    } else if (type == "image") {
      show_picture(*parent_of(h));
    }
  }

  void object_deleting(Handle h) override {
    const auto it = widgets_.find(h);
    if (it != widgets_.end()) {
      if (QWidget* w = it->second.data()) {
        if (type_of_known(h) == "figure") {
          hide_figure(h);
          // The style keeps pictures of this window's controls in the toolkit's shared cache,
          // keyed by palettes that no later window shares: they would stay there, unused, up to
          // the cache's bound (10 MB).
          QPixmapCache::clear();
        } else {
          w->hide();
        }
        // A widget may be deleted from inside its own signal (a button that closes its window).
        w->deleteLater();
      }
      widgets_.erase(it);
    }
    const bool picture = type_of_known(h) == "image";
    types_.erase(h);
    if (picture)
      if (const auto axes = parent_of(h)) show_picture(*axes, h);
  }

  void property_changed(Handle h, const std::string& name) override { refresh(h, name); }

  // Puts an object's widget where the model says, converting from lower-left coordinates. A
  // hidden window takes its geometry when it is shown.
  void place(Handle h) {
    QWidget* w = widget(h);
    if (!w) return;
    const Rect r = pixel_position(h);
    if (type_of(h) == "figure") {
      if (w->isVisible()) apply_geometry(h);
      for (Handle c : children_of(h)) place(c);
    } else {
      const auto parent = parent_of(h);
      const double parent_height = parent ? pixel_position(*parent).height : 0;
      w->setGeometry(whole(r.left), whole(parent_height - r.bottom - r.height), whole(r.width), whole(r.height));
    }
  }

  void refresh(Handle h, const std::string& name) {
    if (!ishandle(h)) return;
    const std::string type = type_of(h);
    if (name == "Style" && type == "uicontrol") {
      make_control(h);
      return;
    }
    if (type == "image") {
      if (name == "CData") show_picture(*parent_of(h));
      return;
    }
    QWidget* w = widget(h);
    if (!w) return;
    if (name == "Position" || name == "Units") {
      place(h);
    } else if (name == "Visible" && type == "figure") {
      if (get_text(h, "Visible") != "on")
        hide_figure(h);
      else if (w->isVisible())
        bring_forward(w);
      else
        show_figure(h);
    } else if (name == "Visible") {
      w->setVisible(get_text(h, "Visible") == "on");
    } else if (name == "Resize" && type == "figure") {
      if (w->isVisible()) apply_geometry(h);
    } else if (name == "Name" && type == "figure") {
      w->setWindowTitle(qtext(get_text(h, "Name")));
    } else if (name == "Color" && type == "figure") {
      const QColor c = color_of(get(h, name));
      if (c.isValid()) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, c);
        w->setPalette(p);
        w->setAutoFillBackground(true);
      }
    } else if (name == "BackgroundColor" && type == "uicontrol") {
      // Enabled looks only: a disabled control keeps the style's disabled colours.
      const QColor c = color_of(get(h, name));
      if (c.isValid()) {
        QPalette p = w->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive})
          for (auto role : {QPalette::Button, QPalette::Base, QPalette::Window}) p.setColor(group, role, c);
        w->setPalette(p);
        w->setAutoFillBackground(true);
      }
    } else if (name == "Enable" && type == "uicontrol") {
      w->setEnabled(get_text(h, "Enable") != "off");
    } else if (name == "String" || name == "Value" || name == "HorizontalAlignment") {
      show_content(h);
    } else if (type == "uicontrol" && (name == "FontSize" || name == "FontWeight")) {
      QFont font = w->font();
      const Value size = get(h, "FontSize");
      if (size.is_number() && size.number() > 0) font.setPointSizeF(size.number());
      font.setBold(get_text(h, "FontWeight") == "bold" || get_text(h, "FontWeight") == "demi");
      w->setFont(font);
    } else if (type == "uicontrol" && name == "ForegroundColor") {
      const QColor c = color_of(get(h, name));
      if (c.isValid()) {
        QPalette p = w->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive})
          for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) p.setColor(group, role, c);
        w->setPalette(p);
      }
    } else if (type == "uicontrol" && name == "TooltipString") {
      w->setToolTip(qtext(get_text(h, "TooltipString")));
    }
  }

  // Maps a hidden figure's window: its kind and geometry first, so that it is mapped once, in
  // its place; then it comes to the front with the focus in its first edit box.
  void show_figure(Handle h) {
    auto* w = dynamic_cast<FigureWindow*>(widget(h));
    if (!w || w->isVisible()) return;
    apply_kind(h, w);
    apply_geometry(h);
    if (w->windowModality() != Qt::NonModal) {
      if (QWidget* parent = opener(h)) {
        w->winId();  // the native window, still unmapped, to carry the hint
        w->windowHandle()->setTransientParent(parent->windowHandle());
      }
    } else if (w->windowHandle()) {
      w->windowHandle()->setTransientParent(nullptr);
    }
    w->show();
    bring_forward(w);
    for (QWidget* next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain())
      if (auto* edit = dynamic_cast<QLineEdit*>(next); edit && edit->isEnabled() && edit->isVisible()) {
        edit->setFocus(Qt::ActiveWindowFocusReason);
        edit->selectAll();  // typing replaces what the box holds
        break;
      }
    measure_frame(h);
  }

  // Presses the push button that the figure's role property (DefaultButton, CancelButton)
  // names by its tag; false when there is none to press.
  bool press(Handle figure, const char* role) {
    if (!ishandle(figure)) return false;
    const std::string tag = get_text(figure, role);
    if (tag.empty()) return false;
    for (Handle c : findall(figure, "uicontrol"))
      if (get_text(c, "Tag") == tag)
        if (auto* button = dynamic_cast<QPushButton*>(widget(c)); button && button->isEnabled() && button->isVisible()) {
          button->click();
          return true;
        }
    return false;
  }

 private:
  std::string type_of_known(Handle h) const {
    const auto it = types_.find(h);
    return it == types_.end() ? std::string() : it->second;
  }

  static void bring_forward(QWidget* w) {
    // Windows without a display have no stacking order to change (and say so on the console).
    static const bool stacked = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (stacked) w->raise();
    w->activateWindow();
  }

  // Window type, decorations and modality, while the window is hidden.
  static void apply_kind(Handle h, FigureWindow* w) {
    const bool modal = get_text(h, "WindowStyle") == "modal";
    const bool resizable = get_text(h, "Resize") != "off";
    Qt::WindowFlags flags = modal ? Qt::Dialog : Qt::Window;
    if (modal || !resizable) {
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      if (!modal) flags |= Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
      if (resizable) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (w->windowFlags() != flags) w->setWindowFlags(flags);
    const Qt::WindowModality modality = modal ? Qt::ApplicationModal : Qt::NonModal;
    if (w->windowModality() != modality) w->setWindowModality(modality);
  }

  // The figure's geometry, and a fixed size when it may not be resized.
  void apply_geometry(Handle h) {
    auto* w = dynamic_cast<FigureWindow*>(widget(h));
    if (!w) return;
    const Rect r = pixel_position(h);
    const Rect screen = pixel_position(root_handle);
    const QRect g(whole(r.left), whole(screen.height - r.bottom - r.height), whole(r.width), whole(r.height));
    w->syncing = true;
    if (get_text(h, "Resize") == "off") {
      w->setFixedSize(g.size());
    } else {
      w->setMinimumSize(0, 0);
      w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    w->setGeometry(g);
    w->syncing = false;
  }

  // The window a modal figure is kept above: the one whose callback opened it, else the
  // active one, else the newest shown one.
  QWidget* opener(Handle h) const {
    const auto shown = [&](Handle f) -> QWidget* {
      QWidget* w = f != h ? widget(f) : nullptr;
      return w && w->isVisible() ? w : nullptr;
    };
    if (const auto f = gcbf())
      if (QWidget* w = shown(*f)) return w;
    for (auto& [f, w] : widgets_)
      if (w && w->isActiveWindow() && shown(f)) return w.data();
    return newest_shown_other_than(h);
  }

  // The window of the newest shown figure other than h.
  QWidget* newest_shown_other_than(Handle h) const {
    const auto all = figures();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      if (QWidget* w = *it != h ? widget(*it) : nullptr; w && w->isVisible()) return w;
    return nullptr;
  }

  // Unmaps a figure's window; when it had the focus, the window it was kept above (or the
  // newest shown one) takes it, also where no window manager hands it on.
  void hide_figure(Handle h) {
    QWidget* w = widget(h);
    if (!w || !w->isVisible()) return;
    const bool active = w->isActiveWindow();
    QWindow* above = w->windowHandle() ? w->windowHandle()->transientParent() : nullptr;
    w->hide();
    if (!active) return;
    for (auto& [f, other] : widgets_)
      if (other && other->windowHandle() == above && above && other->isVisible()) return other->activateWindow();
    if (QWidget* other = newest_shown_other_than(h)) other->activateWindow();
  }

  // The newest picture of the axes, leaving out one that is going.
  void show_picture(Handle axes, std::optional<Handle> going = std::nullopt) {
    auto* area = dynamic_cast<AxesArea*>(widget(axes));
    if (!area) return;
    QImage picture;
    for (Handle c : children_of(axes))
      if (c != going && type_of(c) == "image") picture = picture_of(get(c, "CData"));
    area->set_picture(std::move(picture));
  }

  void measure_frame(Handle h) {
    QWidget* w = widget(h);
    const QRect outer = w->frameGeometry(), inner = w->geometry();
    set_frame_extents(h, {double(inner.left() - outer.left()), double(outer.right() - inner.right()),
                          double(inner.top() - outer.top()), double(outer.bottom() - inner.bottom())});
  }

  void show_content(Handle h) {
    QWidget* w = widget(h);
    const Value s = get(h, "String");
    if (auto* edit = dynamic_cast<QLineEdit*>(w)) {
      const QString text = s.is_text() ? qtext(s.text()) : QString();
      if (edit->text() != text) edit->setText(text);
      edit->setModified(false);
    } else if (auto* combo = dynamic_cast<QComboBox*>(w)) {
      const QStringList items = items_of(s);
      QStringList shown;
      for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
      if (shown != items) {
        combo->clear();
        combo->addItems(items);
      }
      const int index = whole(get(h, "Value").number()) - 1;
      combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    } else if (auto* box = dynamic_cast<QCheckBox*>(w)) {
      box->setText(s.is_text() ? qtext(s.text()) : QString());
      box->setChecked(get(h, "Value").number() == get(h, "Max").number());
    } else if (auto* button = dynamic_cast<QPushButton*>(w)) {
      button->setText(s.is_text() ? qtext(s.text()) : QString());
    } else if (auto* label = dynamic_cast<QLabel*>(w)) {
      QString text;
      if (s.is_cell())
        text = items_of(s).join('\n');
      else if (s.is_text())
        text = qtext(s.text());
      label->setText(text);
      const std::string align = get_text(h, "HorizontalAlignment");
      label->setAlignment((align == "left" ? Qt::AlignLeft : align == "right" ? Qt::AlignRight : Qt::AlignHCenter) |
                          Qt::AlignTop);
    }
  }

  // (Re)creates the widget of a control for its current Style.
  void make_control(Handle h) {
    auto* parent = widget(*parent_of(h));
    if (!parent) return;
    if (QWidget* old = widget(h)) {
      old->hide();
      old->deleteLater();
    }
    const std::string style = get_text(h, "Style");
    QWidget* w = nullptr;
    if (style == "edit") {
      auto* edit = new QLineEdit(parent);
      // Enter, or leaving the box, after a change.
      QObject::connect(edit, &QLineEdit::editingFinished, edit, [h, edit] {
        if (!edit->isModified() || !ishandle(h)) return;
        edit->setModified(false);
        set(h, "String", Value(edit->text().toStdString()));
        fire_callback_from_event(h, "Callback");
      });
      w = edit;
    } else if (style == "popupmenu") {
      auto* combo = new QComboBox(parent);
      // activated: every pick, also of the item already shown.
      QObject::connect(combo, &QComboBox::activated, combo, [h](int index) {
        if (!ishandle(h)) return;
        set(h, "Value", Value(index + 1));
        fire_callback_from_event(h, "Callback");
      });
      w = combo;
    } else if (style == "pushbutton" || style == "togglebutton") {
      auto* button = new QPushButton(parent);
      button->setAutoDefault(true);  // Enter presses it when it has the focus, as Space does
      QObject::connect(button, &QPushButton::clicked, button, [h] {
        if (ishandle(h)) fire_callback_from_event(h, "Callback");
      });
      w = button;
    } else if (style == "checkbox" || style == "radiobutton") {
      auto* box = new QCheckBox(parent);
      QObject::connect(box, &QCheckBox::clicked, box, [h](bool checked) {
        if (!ishandle(h)) return;
        set(h, "Value", get(h, checked ? "Max" : "Min"));
        fire_callback_from_event(h, "Callback");
      });
      w = box;
    } else {
      auto* label = new QLabel(parent);
      label->setWordWrap(true);
      w = label;
    }
    widgets_[h] = w;
    place(h);
    show_content(h);
    refresh(h, "Enable");
    refresh(h, "BackgroundColor");
    for (const char* p : {"FontSize", "ForegroundColor", "TooltipString"}) refresh(h, p);
    w->setVisible(get_text(h, "Visible") == "on");
  }

  std::map<Handle, QPointer<QWidget>> widgets_;
  std::map<Handle, std::string> types_;
  QtEventLoop loop_;
};

void FigureWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // A hidden window is only ever resized by the view itself; the platform may report such a
  // request late, with a size that the model has left since.
  if (syncing || !isVisible() || !ishandle(handle_)) return;
  Rect r = pixel_position(handle_);
  const Rect screen = pixel_position(root_handle);
  r.width = width();
  r.height = height();
  r.bottom = screen.height - geometry().top() - r.height;
  set_pixel_position(handle_, r);  // also lays the controls out again from the new bottom
  fire_callback_from_event(handle_, "ResizeFcn");
}

void FigureWindow::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (syncing || !isVisible() || !ishandle(handle_)) return;
  Rect r = pixel_position(handle_);
  const Rect screen = pixel_position(root_handle);
  r.left = geometry().left();
  r.bottom = screen.height - geometry().top() - r.height;
  syncing = true;
  set_pixel_position(handle_, r);
  syncing = false;
}

void FigureWindow::closeEvent(QCloseEvent* e) {
  // The model decides: its close request deletes the figure, and with it this window.
  e->ignore();
  if (!ishandle(handle_)) return;
  try {
    graphics::close(handle_);
  } catch (const std::exception& error) {
    report_callback_error(error);
  }
}

void FigureWindow::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if ((!enter && key != Qt::Key_Escape) || e->isAutoRepeat() || !the_view) return QWidget::keyPressEvent(e);
  // Enter reaches the window when the focused control leaves it (an edit box, after it has
  // passed its text on); a focused push button takes it itself.
  if (the_view->press(handle_, enter ? "DefaultButton" : "CancelButton")) return e->accept();
  QWidget::keyPressEvent(e);
}

}  // namespace

void start_qt_view() {
  if (the_view) return;
  the_view = new View();
  set_file_chooser(&qt_file_chooser());
}

void stop_qt_view() {
  if (the_view) set_file_chooser(nullptr);
  delete the_view;
  the_view = nullptr;
}

bool qt_view_running() { return the_view != nullptr; }

namespace {

// The toolkit keeps sockets and locks in the session's runtime folder and complains on the
// console when the session names none (a bare virtual display, a service account): it gets a
// private one for the life of the process.
void ensure_runtime_folder() {
#ifndef _WIN32
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) return;
  static std::string folder;
  folder = (temp / "quelvara-runtime-XXXXXX").string();
  if (!mkdtemp(folder.data())) return;  // made with owner-only permissions
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
#endif
}

}  // namespace

void initialise_qt_graphics(int& argc, char** argv) {
  if (!QApplication::instance()) {
    ensure_runtime_folder();
    // Destroying it among the static objects at exit is unsafe, so it is never destroyed.
    static auto* app = new QApplication(argc, argv);
    (void)app;
  }
  start_qt_view();
}

void terminate_qt_graphics() {
  stop_qt_view();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget* widget_of(Handle h) { return the_view ? the_view->widget(h) : nullptr; }

}  // namespace quelvara::graphics
