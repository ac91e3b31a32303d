// Every file of src/ belongs to one layer and includes only the layers that its layer may use,
// as the layer declarations of the build state them; within a layer, no files include each
// other in a loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Layer {
  std::string name;
  std::string folder;             // under src/, "graphics/qt"
  std::set<std::string> allowed;  // itself and every layer below that it may use
};

std::vector<Layer> read_manifest() {
  std::ifstream in(QUELVARA_LAYER_MANIFEST);
  std::vector<Layer> layers;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Layer layer;
    words >> layer.name >> layer.folder;
    for (std::string allowed; words >> allowed;) layer.allowed.insert(allowed);
    if (!layer.name.empty()) layers.push_back(layer);
  }
  return layers;
}

// The layer whose folder holds path (a path under src/, "graphics/qt/qt_view.h"); the deepest
// folder wins.
const Layer* owner(const std::vector<Layer>& layers, const std::string& path) {
  const Layer* best = nullptr;
  for (const auto& layer : layers) {
    const std::string prefix = layer.folder + "/";
    if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos &&
        (!best || layer.folder.size() > best->folder.size()))
      best = &layer;
  }
  return best;
}

struct Include {
  std::string file;  // the including file, under src/
  int line;
  std::string target;  // the included path, as written
};

struct SourceFile {
  std::string path;  // under src/
  std::vector<Include> includes;
};

// The path of a line «#include "path"», or "" for any other line.
std::string quoted_include(const std::string& line) {
  std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line[at] != '#') return {};
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || line.compare(at, 7, "include") != 0) return {};
  at = line.find_first_not_of(" \t", at + 7);
  if (at == std::string::npos || line[at] != '"') return {};
  const std::size_t end = line.find('"', at + 1);
  return end == std::string::npos ? std::string() : line.substr(at + 1, end - at - 1);
}

std::vector<SourceFile> read_sources(const fs::path& root) {
  std::vector<SourceFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const auto ext = entry.path().extension();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    SourceFile file{fs::relative(entry.path(), root).generic_string(), {}};
    std::ifstream in(entry.path());
    std::string text;
    for (int n = 1; std::getline(in, text); ++n)
      if (const auto target = quoted_include(text); !target.empty()) file.includes.push_back({file.path, n, target});
    files.push_back(std::move(file));
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  return files;
}

// Every include of a file outside the layers its layer may use, as "file:line: ..." lines.
std::vector<std::string> climbing_includes(const std::vector<Layer>& layers,
                                           const std::vector<SourceFile>& files) {
  std::vector<std::string> found;
  for (const auto& file : files) {
    const Layer* from = owner(layers, file.path);
    if (!from) {
      found.push_back(file.path + ": belongs to no layer");
      continue;
    }
    for (const auto& inc : file.includes) {
      const Layer* to = owner(layers, inc.target);
      const std::string where = inc.file + ":" + std::to_string(inc.line) + ": includes \"" + inc.target + "\"";
      if (!to)
        found.push_back(where + ", which is in no layer");
      else if (!from->allowed.count(to->name))
        found.push_back(where + " of layer " + to->name + ", which layer " + from->name + " may not use");
    }
  }
  return found;
}

// A loop of includes among the files of one layer (a header and its .cpp count as one), as
// "a -> b -> a"; empty when there is none.
std::string include_loop(const std::vector<Layer>& layers, const std::vector<SourceFile>& files) {
  const auto unit = [](const std::string& path) { return fs::path(path).replace_extension().generic_string(); };
  std::map<std::string, std::set<std::string>> edges;
  for (const auto& file : files) {
    const Layer* from = owner(layers, file.path);
    for (const auto& inc : file.includes)
      if (from && owner(layers, inc.target) == from && unit(inc.target) != unit(file.path))
        edges[unit(file.path)].insert(unit(inc.target));
  }
  std::map<std::string, int> state;  // 1 on the current path, 2 done
  std::vector<std::string> path;
  std::string loop;
  std::function<bool(const std::string&)> visit = [&](const std::string& u) {
    state[u] = 1;
    path.push_back(u);
    for (const auto& v : edges[u]) {
      if (state[v] == 1) {
        for (auto it = std::find(path.begin(), path.end(), v); it != path.end(); ++it) loop += *it + " -> ";
        loop += v;
        return true;
      }
      if (state[v] == 0 && visit(v)) return true;
    }
    path.pop_back();
    state[u] = 2;
    return false;
  };
  for (const auto& [u, targets] : edges)
    if (state[u] == 0 && visit(u)) break;
  return loop;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

class Layering : public ::testing::Test {
 protected:
  std::vector<Layer> layers = read_manifest();
  std::vector<SourceFile> files = read_sources(fs::path(QUELVARA_SOURCE_DIR) / "src");
};

TEST_F(Layering, EveryIncludeStaysWithinTheLayersItsLayerMayUse) {
  ASSERT_GE(layers.size(), 10u) << "no layer declarations in " << QUELVARA_LAYER_MANIFEST;
  ASSERT_GE(files.size(), 100u);
  const auto found = climbing_includes(layers, files);
  EXPECT_TRUE(found.empty()) << joined(found);
}

TEST_F(Layering, NoLayerHasAnIncludeLoop) { EXPECT_EQ(include_loop(layers, files), ""); }

// The checks themselves, on a made-up house: they must see what they are there to see.
TEST(LayeringChecks, SeeAClimbingIncludeAStrayFileAndALoop) {
  const std::vector<Layer> house = {{"low", "low", {"low"}},
                                    {"high", "high", {"high", "low"}},
                                    {"view", "high/view", {"view", "high", "low"}}};
  const std::vector<SourceFile> files = {
      {"low/a.cpp", {{"low/a.cpp", 3, "low/a.h"}, {"low/a.cpp", 4, "high/b.h"}}},
      {"low/a.h", {{"low/a.h", 2, "low/c.h"}}},
      {"low/c.cpp", {{"low/c.cpp", 1, "low/a.h"}}},
      {"high/b.cpp", {{"high/b.cpp", 1, "low/a.h"}, {"high/b.cpp", 2, "high/view/v.h"}}},
      {"high/view/v.cpp", {{"high/view/v.cpp", 1, "high/b.h"}, {"high/view/v.cpp", 2, "elsewhere/x.h"}}},
      {"loose.cpp", {}},
  };
  EXPECT_EQ(climbing_includes(house, files),
            (std::vector<std::string>{
                "low/a.cpp:4: includes \"high/b.h\" of layer high, which layer low may not use",
                "high/b.cpp:2: includes \"high/view/v.h\" of layer view, which layer high may not use",
                "high/view/v.cpp:2: includes \"elsewhere/x.h\", which is in no layer",
                "loose.cpp: belongs to no layer"}));
  EXPECT_EQ(include_loop(house, files), "low/a -> low/c -> low/a");
  EXPECT_EQ(include_loop(house, {files[0], files[3]}), "");
}

}  // namespace
