// How the writer fails: its messages, and that a failed write leaves no partial file and no
// temporary file behind and never spoils a file that was already there.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "audio/binary_file.h"
#include "audio/wavwrite.h"
#include "audio/wavwrite_operations.h"
#include "support/temp_dir.h"
#include "wave_reading.h"

namespace quelvara::audio {
namespace {

namespace fs = std::filesystem;
using quelvara::testing::file_bytes;
using quelvara::testing::TempDir;
using quelvara::testing::u16_at;
using quelvara::testing::u32_at;

// The writer's message, or "" when it succeeded.
std::string message_of(const std::function<void()>& write) {
  try {
    write();
  } catch (const WavError& e) {
    return e.what();
  }
  return {};
}

// Runs write in a child process after prepare (limits, identity), so that nothing of it
// touches the test process; gives the writer's message.
std::string message_in_child(const std::function<void()>& prepare, const std::function<void()>& write) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) throw std::runtime_error("pipe");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_ends[0]);
    prepare();
    const std::string message = message_of(write);
    [[maybe_unused]] auto n = ::write(pipe_ends[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string message;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0) message.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return message;
}

void drop_privileges() {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

SampleMatrix ramp(std::size_t n) {
  SampleMatrix y{1, n, std::vector<double>(n)};
  for (std::size_t i = 0; i < n; ++i) y.data[i] = static_cast<double>(i % 100) / 100.0;
  return y;
}

const std::vector<unsigned char> old_contents{'R', 'I', 'F', 'F', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

fs::path existing_file(const TempDir& dir) {
  const fs::path path = dir / "antigo.wav";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(old_contents.data()),
                                              static_cast<std::streamsize>(old_contents.size()));
  return path;
}

TEST(WavwriteFailure, FolderThatCannotTakeTheFile) {
  TempDir dir;
  const std::string missing = (dir / "nao-existe" / "voz.wav").string();
  EXPECT_EQ(message_of([&] { wavwrite(ramp(4), 22050, 16, missing); }),
            "Cannot open file for writing: " + missing + " (No such file or directory)");

  fs::create_directory(dir / "fechada");
  fs::permissions(dir / "fechada", fs::perms(0555));
  const std::string locked = (dir / "fechada" / "voz").string();
  EXPECT_EQ(message_in_child(drop_privileges, [&] { wavwrite(ramp(4), 22050, 16, locked); }),
            "Cannot open file for writing: " + locked + " (Permission denied)");
  EXPECT_TRUE(fs::is_empty(dir / "fechada"));

  fs::create_directory(dir / "pasta.d");
  const std::string folder = (dir / "pasta.d").string();
  EXPECT_EQ(message_of([&] { wavwrite(ramp(4), 22050, 16, folder); }),
            "Cannot open file for writing: " + folder + " (Is a directory)");
}

TEST(WavwriteFailure, ReadOnlyFileIsRefusedAndKept) {
  TempDir dir;
  const fs::path path = existing_file(dir);
  fs::permissions(path, fs::perms(0444));
  EXPECT_EQ(message_in_child(drop_privileges, [&] { wavwrite(ramp(4), 22050, 16, path.string()); }),
            "Cannot open file for writing: " + path.string() + " (Permission denied)");
  EXPECT_EQ(file_bytes(path), old_contents);
}

TEST(WavwriteFailure, FullDeviceFailsAtTheFirstChunk) {
  struct stat st {};
  if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
  // Writes are not buffered, so the very first write is the one reported. The "." keeps the
  // name from getting ".wav".
  EXPECT_EQ(message_of([] { wavwrite(ramp(10), 22050, 16, "/dev/./full"); }),
            "Failed to write RIFF chunk to WAVE file: /dev/./full");
  EXPECT_FALSE(fs::exists("/dev/full.wav"));
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode)) << "a device is written, never replaced";
}

// A file size limit makes the write stop after a given number of bytes; each step that then
// falls short reports itself, and the existing file survives every one of them.
struct ShortWrite {
  rlim_t limit;
  std::string message;  // with "<name>" for the file name
};

class WavwriteShortWrite : public ::testing::TestWithParam<ShortWrite> {};

TEST_P(WavwriteShortWrite, ReportsTheStepAndKeepsTheExistingFile) {
  TempDir dir;
  const fs::path path = existing_file(dir);
  fs::permissions(path, fs::perms(0640));
  std::string expected = GetParam().message;
  if (auto at = expected.find("<name>"); at != std::string::npos) expected.replace(at, 6, path.string());

  const rlim_t limit = GetParam().limit;
  const auto message = message_in_child(
      [limit] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
      },
      [&] { wavwrite(ramp(1000), 22050, 16, path.string()); });

  EXPECT_EQ(message, expected);
  EXPECT_EQ(file_bytes(path), old_contents);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"antigo.wav"}) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, WavwriteShortWrite,
    ::testing::Values(ShortWrite{2, "Failed to write RIFF chunk to WAVE file: <name>"},
                      ShortWrite{10, "Failed to write WAVE chunk to WAVE file: <name>"},
                      ShortWrite{18, "Failed to write fmt  chunk to WAVE file: <name>"},
                      ShortWrite{23, "Failed to write WAVE format chunk to file<name>"},
                      ShortWrite{35, "Failed to write WAVE format chunk to file<name>"},
                      ShortWrite{42, "Failed to write data chunk to WAVE file: <name>"},
                      ShortWrite{1000, "Failed to write PCM data samples."}));

TEST(WavwriteFailure, InvalidBitDepthComesAfterTheHeaderAndKeepsTheExistingFile) {
  TempDir dir;
  const fs::path path = existing_file(dir);
  EXPECT_EQ(message_of([&] { wavwrite(ramp(3), 22050, 12, path.string()); }),
            "Invalid number of bits specified.");
  EXPECT_EQ(file_bytes(path), old_contents);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"antigo.wav"});

  // A FIFO is written directly, so what went out before the failure can be seen.
  const fs::path fifo = dir / "tubo.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(message_of([&] { wavwrite(ramp(3), 22050, 12, fifo.string()); }),
            "Invalid number of bits specified.");
  ::fcntl(reader, F_SETFL, 0);
  std::vector<unsigned char> header(100);
  const ssize_t n = ::read(reader, header.data(), header.size());
  ::close(reader);
  ASSERT_EQ(n, 44);
  EXPECT_EQ(u32_at(header, 4), 36u + 6);
  EXPECT_EQ(u16_at(header, 32), 2u);
  EXPECT_EQ(u16_at(header, 34), 12u);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(WavwriteFailure, NameThatIsNoText) {
  OpenedWaveFile opened = OpenWaveWrite(std::nullopt);
  EXPECT_EQ(opened.message, "Wave file name must be a string.");
  EXPECT_FALSE(opened.fid.has_value());
}

TEST(WavwriteReplace, OverwriteKeepsTheModeAndNewFilesFollowTheUmask) {
  TempDir dir;
  const fs::path path = existing_file(dir);
  fs::permissions(path, fs::perms(0600));
  wavwrite(ramp(2), 22050, 16, path.string());
  EXPECT_EQ(file_bytes(path).size(), 48u);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));

  const mode_t old_mask = ::umask(027);
  wavwrite(ramp(2), 22050, 16, (dir / "novo.wav").string());
  ::umask(old_mask);
  EXPECT_EQ(fs::status(dir / "novo.wav").permissions(), fs::perms(0640));
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"antigo.wav", "novo.wav"}));
}

TEST(WavwriteReplace, SymbolicLinkIsFollowed) {
  TempDir dir;
  fs::create_directory(dir / "real");
  const fs::path target = dir / "real" / "voz.wav";
  existing_file(dir);
  fs::rename(dir / "antigo.wav", target);
  fs::create_symlink("real/voz.wav", dir / "atalho.wav");
  fs::create_symlink("real/nova.wav", dir / "pendente.wav");

  wavwrite(ramp(3), 22050, 16, (dir / "atalho.wav").string());
  wavwrite(ramp(5), 22050, 16, (dir / "pendente.wav").string());

  EXPECT_TRUE(fs::is_symlink(dir / "atalho.wav"));
  EXPECT_EQ(file_bytes(target).size(), 50u);
  EXPECT_TRUE(fs::is_symlink(dir / "pendente.wav"));
  EXPECT_EQ(file_bytes(dir / "real" / "nova.wav").size(), 54u);
  EXPECT_EQ(names_in(dir / "real"), (std::vector<std::string>{"nova.wav", "voz.wav"}));
}

TEST(WavwriteReplace, FailureToPutTheFileInPlaceIsReported) {
  TempDir dir;
  const fs::path path = dir / "voz.wav";
  std::error_code ec;
  BinaryFile file = BinaryFile::open_for_writing(path, ec);
  ASSERT_FALSE(ec);
  const std::vector<double> values{1, 2, 3};
  EXPECT_EQ(file.write(values, ElementType::Short), 3u);
  fs::create_directory(path);  // now the finished file cannot take its place
  EXPECT_TRUE(file.close());
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"voz.wav"});
}

}  // namespace
}  // namespace quelvara::audio
