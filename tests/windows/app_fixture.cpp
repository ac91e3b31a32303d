#include "app_fixture.h"

#include <QApplication>
#include <fstream>
#include <iterator>

#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/file_chooser.h"
#include "imaging/preferences.h"
#include "runtime/function_registry.h"
#include "support/fixture_database.h"
#include "windows/install.h"

namespace quelvara::windows::testing {

namespace fs = std::filesystem;

void AppFolderTest::SetUp() {
  const fs::path app = QUELVARA_APP_DIR;
  for (const char* name : {"interface.fig", "gravar.fig", "val_factor.fig", "creditos.fig", "sampa.fig",
                           "analise.fig", "fig_tts.jpg", "sampa.jpg"})
    fs::copy_file(app / name, dir_ / name);
  quelvara::testing::write_fixture_database(dir_.path());
  old_dir_ = fs::current_path();
  fs::current_path(dir_.path());
  graphics::reset_tree();
  graphics::clear_file_answers();
  graphics::set_screen_size(1280, 1024);
  imaging::reset_preferences();
  install_windows();
  graphics::set_callback_error_handler([this](const std::exception& e) { errors.push_back(e.what()); });
}

void AppFolderTest::TearDown() {
  while (graphics::pending_events() > 0) graphics::run_posted_events();
  graphics::set_callback_error_handler({});
  graphics::reset_tree();
  fs::current_path(old_dir_);
}

std::optional<Handle> AppFolderTest::window(const std::string& tag) {
  const auto all = graphics::figures();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (graphics::get_text(*it, "Tag") == tag) return *it;
  return std::nullopt;
}

Handle AppFolderTest::object(Handle figure, const std::string& tag) {
  for (Handle h : graphics::findall(figure))
    if (graphics::get_text(h, "Tag") == tag) return h;
  ADD_FAILURE() << "no object tagged " << tag;
  return 0;
}

Handle AppFolderTest::open_main() { return runtime::call_by_name("interface", 1, {}).at(0).number(); }

Value AppFolderTest::record(Handle figure) const { return framework::guidata(Value(figure)); }

void AppFolderTest::confirm_text(Handle main, const std::string& text) {
  const Handle box = object(main, "texto");
  graphics::set(box, "String", Value(text));
  graphics::fire_callback_from_event(box, "Callback");
}

void AppFolderTest::pick(Handle main, const std::string& item) {
  const Handle selector = object(main, "tipo_variacao");
  const Value items = graphics::get(selector, "String");
  double k = 0;
  for (std::size_t i = 0; i < items.cell().items.size(); ++i)
    if (items.cell().items[i].is_text(item)) k = static_cast<double>(i + 1);
  ASSERT_GT(k, 0) << "no item " << item;
  graphics::set(selector, "Value", Value(k));
  graphics::fire_callback_from_event(selector, "Callback");
}

void AppFolderTest::press(Handle figure, const std::string& tag) {
  graphics::fire_callback_from_event(object(figure, tag), "Callback");
}

void AppFolderTest::then_answer(const std::string& dialog, const std::string& typed) {
  graphics::post_event([dialog, typed] {
    const auto f = window(dialog);
    ASSERT_TRUE(f) << "no dialog " << dialog;
    const char* edit = dialog == "gravar" ? "nome" : "valor";
    graphics::set(object(*f, edit), "String", Value(typed));
    graphics::fire_callback_from_event(object(*f, "ok"), "Callback");
  });
}

void AppFolderTest::then_cancel(const std::string& dialog) {
  graphics::post_event([dialog] {
    const auto f = window(dialog);
    ASSERT_TRUE(f) << "no dialog " << dialog;
    graphics::fire_callback_from_event(object(*f, "cancelar"), "Callback");
  });
}

void AppFolderTest::then_close_window(const std::string& tag) {
  graphics::post_event([tag] {
    const auto f = window(tag);
    ASSERT_TRUE(f) << "no window " << tag;
    graphics::close(*f);
  });
}

void AppFolderTest::then_close_message() {
  graphics::post_event([this] {
    const auto box = window("msgbox");
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(graphics::get_text(*box, "Name"), "Quelvara");
    messages.push_back(graphics::get_text(object(*box, "MessageBox"), "String"));
    graphics::fire_callback_from_event(object(*box, "OKButton"), "Callback");
  });
}

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void ensure_qt_application() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_windows";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);  // kept to the end of the process
  (void)app;
}

}  // namespace quelvara::windows::testing
