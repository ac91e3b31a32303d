#include "windows/qt/analysis_view.h"

#include <QPointer>
#include <QShortcut>
#include <QVBoxLayout>
#include <map>

#include "graphics/qt/qt_view.h"
#include "windows/analysis_display.h"
#include "windows/qt/analysis_canvas.h"
#include "windows/qt/analysis_picture.h"

namespace quelvara::windows {

namespace {

class QtAnalysisDisplay final : public AnalysisDisplay {
 public:
  void show(graphics::Handle axes, std::shared_ptr<const inspection::Snapshot> snapshot) override {
    if (AnalysisCanvas* canvas = canvas_for(axes)) canvas->set_snapshot(std::move(snapshot));
  }
  void set_options(graphics::Handle axes, const ViewOptions& options) override {
    if (AnalysisCanvas* canvas = canvas_for(axes)) canvas->set_options(options);
  }
  void set_editing(graphics::Handle axes, std::optional<EditableProsody> prosody,
                   ProsodyEditHandler handler) override {
    if (AnalysisCanvas* canvas = canvas_for(axes)) canvas->set_editing(std::move(prosody), std::move(handler));
  }
  void show_everything(graphics::Handle axes) override {
    if (AnalysisCanvas* canvas = existing(axes)) canvas->show_everything();
  }
  std::optional<TimeSelection> selection(graphics::Handle axes) const override {
    const AnalysisCanvas* canvas = existing(axes);
    if (!canvas || !canvas->selection()) return std::nullopt;
    return TimeSelection{canvas->selection()->first, canvas->selection()->second};
  }

  std::string save_picture(graphics::Handle axes, const std::string& path) const override {
    const AnalysisCanvas* canvas = existing(axes);
    return canvas ? save_analysis_picture(*canvas, path) : "a janela não tem imagem";
  }

  AnalysisCanvas* existing(graphics::Handle axes) const {
    const auto it = canvases_.find(axes);
    if (it == canvases_.end() || !it->second) return nullptr;
    // A handle may be used again by a later object: the canvas must still sit in its widget.
    return it->second->parentWidget() == graphics::widget_of(axes) ? it->second.data() : nullptr;
  }

 private:
  AnalysisCanvas* canvas_for(graphics::Handle axes) {
    if (AnalysisCanvas* canvas = existing(axes)) return canvas;
    QWidget* area = graphics::widget_of(axes);
    if (!area) return nullptr;
    auto* canvas = new AnalysisCanvas(area);
    // Undo and redo of the prosody from anywhere in the window.
    for (const auto& [keys, kind] : {std::pair{QKeySequence(QKeySequence::Undo), ProsodyEdit::Kind::undo},
                                     std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ProsodyEdit::Kind::redo}}) {
      auto* shortcut = new QShortcut(keys, area->window());
      QObject::connect(shortcut, &QShortcut::activated, canvas, [canvas, kind] { canvas->request(ProsodyEdit{kind}); });
    }
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas);
    canvas->show();
    std::erase_if(canvases_, [](const auto& entry) { return entry.second.isNull(); });  // windows closed since
    canvases_[axes] = canvas;
    return canvas;
  }

  std::map<graphics::Handle, QPointer<AnalysisCanvas>> canvases_;
};

QtAnalysisDisplay* the_display = nullptr;

}  // namespace

void install_analysis_view() {
  if (the_display) return;
  the_display = new QtAnalysisDisplay();  // lives as long as the process
  set_analysis_display(the_display);
}

AnalysisCanvas* analysis_canvas_of(graphics::Handle axes) { return the_display ? the_display->existing(axes) : nullptr; }

}  // namespace quelvara::windows
