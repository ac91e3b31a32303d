#pragma once
// The drawing of the analysis window, seen from its module: a view that knows how to draw a
// snapshot in an axes registers here; without one (headless) the window has its buttons and
// no picture.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "graphics/object_tree.h"
#include "inspection/snapshot.h"

namespace quelvara::windows {

// A stretch of time that the user has selected, in seconds.
struct TimeSelection {
  double start = 0;
  double end = 0;
};

enum class SpectrogramView { none, wideband, narrowband };

// What the picture shows besides the signals: which spectrogram, formant tracks over it, and
// the pitch scale.
struct ViewOptions {
  SpectrogramView spectrogram = SpectrogramView::wideband;
  bool formants = true;
  bool semitones = false;
  bool operator==(const ViewOptions&) const = default;
};

// The prosody being edited, as the picture shows it: its F0 points and the result's phones.
struct EditableProsody {
  std::vector<inspection::PitchPoint> points;  // in time order, on the result's axis
  std::vector<inspection::Interval> phones;
};

// What the user asked of the prosody, with the mouse or the keyboard.
struct ProsodyEdit {
  enum class Kind { move_point, add_point, remove_point, move_phone_end, undo, redo };
  Kind kind = Kind::move_point;
  std::size_t index = 0;  // the point (in time order) or the phone
  double seconds = 0;     // a new point's time, or a phone's new end
  double hz = 0;          // a point's new or first frequency
};
using ProsodyEditHandler = std::function<void(const ProsodyEdit&)>;

class AnalysisDisplay {
 public:
  virtual ~AnalysisDisplay() = default;
  // Draws snapshot in the axes (nullptr: nothing to show), keeping the zoom when the time
  // span is the same.
  virtual void show(graphics::Handle axes, std::shared_ptr<const inspection::Snapshot> snapshot) = 0;
  virtual void set_options(graphics::Handle axes, const ViewOptions& options) = 0;
  // Shows prosody for editing and hands the user's edits to handler; nullopt ends editing.
  virtual void set_editing(graphics::Handle axes, std::optional<EditableProsody> prosody,
                           ProsodyEditHandler handler) = 0;
  // Back to the whole signal, selection cleared.
  virtual void show_everything(graphics::Handle axes) = 0;
  virtual std::optional<TimeSelection> selection(graphics::Handle axes) const = 0;
  // Writes the picture as it is shown to path (SVG for ".svg", else PNG at twice its size);
  // gives why it could not, or "" once written.
  virtual std::string save_picture(graphics::Handle axes, const std::string& path) const = 0;
};

// The view in use, or nullptr; the view owns itself and unregisters before it goes.
void set_analysis_display(AnalysisDisplay* display);
AnalysisDisplay* analysis_display();

}  // namespace quelvara::windows
