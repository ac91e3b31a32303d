// How the writer fails: its messages, and that a failed write leaves neither a partial nor a
// temporary file and never spoils a file that was already there.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "wave/binary_file.h"
#include "wave/wavwrite.h"
#include "wave/wavwrite_operations.h"
#include "support/temp_dir.h"
#include "wave_reading.h"

namespace quelvara::wave {
namespace {

namespace fs = std::filesystem;
using namespace quelvara::testing;
using ::testing::ElementsAre;

// The writer's message, or "" when it succeeded.
std::string message_of(const std::string& name, int nbits = 16, std::size_t frames = 1000) {
  try {
    wavwrite(SampleMatrix{frames, 1, std::vector<double>(frames, 0.25)}, 22050, nbits, name);
  } catch (const WavError& e) {
    return e.what();
  }
  return {};
}

// The same in a child process after prepare (limits, identity), which the test process is
// spared.
std::string message_in_child(const std::function<void()>& prepare, const std::string& name) {
  int ends[2];
  if (::pipe(ends) != 0) throw std::runtime_error("pipe");
  const pid_t pid = ::fork();
  if (pid == 0) {
    prepare();
    const std::string message = message_of(name);
    [[maybe_unused]] auto n = ::write(ends[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(ends[1]);
  std::string message;
  char buffer[256];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) message.append(buffer, std::size_t(n));
  ::close(ends[0]);
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

const Bytes old_contents{'R', 'I', 'F', 'F', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

std::string existing_file(const fs::path& path, fs::perms mode = fs::perms(0640)) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(old_contents.data()), 14);
  fs::permissions(path, mode);
  return path.string();
}

TEST(WavwriteFailure, PlacesThatCannotTakeTheFile) {
  TempDir dir;
  const std::string missing = (dir / "nao-existe" / "voz.wav").string();
  EXPECT_EQ(message_of(missing), "Cannot open file for writing: " + missing + " (No such file or directory)");

  fs::create_directories(dir / "fechada.d");
  const std::string folder = (dir / "fechada.d").string();
  EXPECT_EQ(message_of(folder), "Cannot open file for writing: " + folder + " (Is a directory)");

  fs::permissions(folder, fs::perms(0555));
  EXPECT_EQ(message_in_child(drop_privileges, folder + "/voz"),
            "Cannot open file for writing: " + folder + "/voz (Permission denied)");
  EXPECT_TRUE(fs::is_empty(folder));

  const std::string read_only = existing_file(dir / "antigo.wav", fs::perms(0444));
  EXPECT_EQ(message_in_child(drop_privileges, read_only),
            "Cannot open file for writing: " + read_only + " (Permission denied)");
  EXPECT_EQ(file_bytes(read_only), old_contents);
}

TEST(WavwriteFailure, FullDeviceFailsAtTheFirstChunkAndStaysADevice) {
  struct stat st {};
  if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
  // Nothing is buffered, so the first write is the one that fails. The "." keeps ".wav" off.
  EXPECT_EQ(message_of("/dev/./full"), "Failed to write RIFF chunk to WAVE file: /dev/./full");
  // The operating system's reason comes with the message.
  try {
    wavwrite(SampleMatrix::row(std::vector<double>{0.5}), 22050, 16, "/dev/./full");
    ADD_FAILURE() << "the write did not fail";
  } catch (const WavError& e) {
    EXPECT_EQ(e.reason, std::errc::no_space_on_device);
  }
  EXPECT_FALSE(fs::exists("/dev/full.wav"));
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A file size limit stops the write after a given number of bytes; the step that falls short
// reports itself, and the existing file survives with its mode.
class WavwriteShortWrite : public ::testing::TestWithParam<std::pair<rlim_t, std::string>> {};

TEST_P(WavwriteShortWrite, ReportsTheStepAndKeepsTheExistingFile) {
  TempDir dir;
  const std::string path = existing_file(dir / "antigo.wav");
  const rlim_t limit = GetParam().first;
  const std::string message = message_in_child(
      [limit] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
      },
      path);
  std::string expected = GetParam().second;
  if (expected.back() != '.') expected += path;
  EXPECT_EQ(message, expected);
  EXPECT_EQ(file_bytes(path), old_contents);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
  EXPECT_THAT(names_in(dir.path()), ElementsAre("antigo.wav")) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(Steps, WavwriteShortWrite,
                         ::testing::Values(std::pair<rlim_t, std::string>{2, "Failed to write RIFF chunk to WAVE file: "},
                                           std::pair<rlim_t, std::string>{10, "Failed to write WAVE chunk to WAVE file: "},
                                           std::pair<rlim_t, std::string>{18, "Failed to write fmt  chunk to WAVE file: "},
                                           std::pair<rlim_t, std::string>{23, "Failed to write WAVE format chunk to file"},
                                           std::pair<rlim_t, std::string>{35, "Failed to write WAVE format chunk to file"},
                                           std::pair<rlim_t, std::string>{42, "Failed to write data chunk to WAVE file: "},
                                           std::pair<rlim_t, std::string>{1000, "Failed to write PCM data samples."}));

TEST(WavwriteFailure, InvalidBitDepthComesAfterTheHeaderAndKeepsTheExistingFile) {
  TempDir dir;
  const std::string path = existing_file(dir / "antigo.wav");
  EXPECT_EQ(message_of(path, 12), "Invalid number of bits specified.");
  EXPECT_EQ(file_bytes(path), old_contents);
  EXPECT_THAT(names_in(dir.path()), ElementsAre("antigo.wav"));

  // A FIFO is written directly, so what went out before the failure can be seen.
  const fs::path fifo = dir / "tubo.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(message_of(fifo.string(), 12, 3), "Invalid number of bits specified.");
  ::fcntl(reader, F_SETFL, 0);
  Bytes header(100);
  header.resize(std::size_t(std::max<ssize_t>(0, ::read(reader, header.data(), header.size()))));
  ::close(reader);
  ASSERT_EQ(header.size(), 44u);
  EXPECT_EQ(header_of(header), (Header{"RIFFWAVEfmt data", 42, 16, 1, 1, 22050, 44100, 2, 12, 6}));
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(WavwriteFailure, NameThatIsNoText) {
  const OpenedWaveFile opened = OpenWaveWrite(std::nullopt);
  EXPECT_EQ(opened.message, "Wave file name must be a string.");
  EXPECT_FALSE(opened.fid);
}

TEST(WavwriteReplace, OverwriteKeepsTheModeAndNewFilesFollowTheUmask) {
  TempDir dir;
  const std::string path = existing_file(dir / "antigo.wav", fs::perms(0600));
  EXPECT_EQ(message_of(path, 16, 2), "");
  EXPECT_EQ(file_bytes(path).size(), 48u);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));

  const mode_t old_mask = ::umask(027);
  EXPECT_EQ(message_of((dir / "novo.wav").string()), "");
  ::umask(old_mask);
  EXPECT_EQ(fs::status(dir / "novo.wav").permissions(), fs::perms(0640));
  EXPECT_THAT(names_in(dir.path()), ElementsAre("antigo.wav", "novo.wav"));
}

// Writing over the old file in place would destroy it if the write then failed (a full disk),
// so the replacement is refused, saying why, and the old file stays whole.
TEST(WavwriteReplace, AFileInAFolderClosedToNewFilesIsRefusedAndKept) {
  TempDir dir;
  fs::create_directory(dir / "fechada.d");
  const std::string path = existing_file(dir / "fechada.d" / "voz.wav", fs::perms(0666));
  fs::permissions(dir / "fechada.d", fs::perms(0555));
  EXPECT_EQ(message_in_child(drop_privileges, path),
            "Cannot open file for writing: " + path +
                " (its folder does not allow the new file that would replace it safely: Permission denied)");
  EXPECT_EQ(file_bytes(path), old_contents);
  EXPECT_THAT(names_in(dir / "fechada.d"), ElementsAre("voz.wav"));
}

// What a program ended by a signal calls: the file being written goes, the target is untouched.
TEST(WavwriteReplace, UnfinishedTemporariesCanBeRemovedAtOnce) {
  TempDir dir;
  const std::string path = existing_file(dir / "voz.wav");
  std::error_code ec;
  BinaryFile file = BinaryFile::open_for_writing(path, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file.write(std::vector<double>{1, 2, 3}, ElementType::Short), 3u);
  EXPECT_EQ(names_in(dir.path()).size(), 2u);  // the old file and the one replacing it
  remove_unfinished_temporaries();
  EXPECT_THAT(names_in(dir.path()), ElementsAre("voz.wav"));
  EXPECT_TRUE(file.close());  // nothing left to put in place
  EXPECT_EQ(file_bytes(path), old_contents);
  remove_unfinished_temporaries();  // a finished output is no longer remembered
  EXPECT_THAT(names_in(dir.path()), ElementsAre("voz.wav"));
}

TEST(WavwriteReplace, SymbolicLinksAreFollowed) {
  TempDir dir;
  fs::create_directory(dir / "real");
  existing_file(dir / "real" / "voz.wav");
  fs::create_symlink("real/voz.wav", dir / "atalho.wav");
  fs::create_symlink("real/nova.wav", dir / "pendente.wav");
  EXPECT_EQ(message_of((dir / "atalho.wav").string(), 16, 3), "");
  EXPECT_EQ(message_of((dir / "pendente.wav").string(), 16, 5), "");

  EXPECT_TRUE(fs::is_symlink(dir / "atalho.wav") && fs::is_symlink(dir / "pendente.wav"));
  EXPECT_EQ(file_bytes(dir / "real" / "voz.wav").size(), 50u);
  EXPECT_EQ(file_bytes(dir / "real" / "nova.wav").size(), 54u);
  EXPECT_THAT(names_in(dir / "real"), ElementsAre("nova.wav", "voz.wav"));
}

TEST(WavwriteReplace, FailureToPutTheFileInPlaceIsReported) {
  TempDir dir;
  const fs::path path = dir / "voz.wav";
  std::error_code ec;
  BinaryFile file = BinaryFile::open_for_writing(path, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file.write(std::vector<double>{1, 2, 3}, ElementType::Short), 3u);
  fs::create_directory(path);  // the finished file can no longer take its place
  EXPECT_TRUE(file.close());
  EXPECT_THAT(names_in(dir.path()), ElementsAre("voz.wav"));
  EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace quelvara::wave
