// `mervana` does batch runs and support commands without the window library, and becomes the window
// program beside it when a display answers.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

using testsupport::RunResult;

// A shell command line without a desktop; `environment` (NAME=value ...) is set for the program.
RunResult runWith(const std::string& environment, const std::string& command, const fs::path& dir) {
  return testsupport::runProgram(
      "/bin/sh", {"-c", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment + " " + command}, dir);
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// Whether a process that is not this one's child still runs (an ended one may wait as a zombie
// until whoever adopted it collects it).
bool alive(int pid) {
  if (::kill(pid, 0) != 0) return false;
  const std::string stat = testsupport::slurpFile("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] != 'Z';
}

// A bare X server of the test's own (no window manager, no other client), on a display number
// from `base` up, ended with the test.
struct OwnXServer {
  int number = 0;
  int pid = 0;
  // noreset: the server keeps running state when its last client leaves, as a desktop's server does
  // (a display manager stays connected); a test that polls the server with short-lived clients
  // needs it, or the run under test may connect during a reset and find no display.
  OwnXServer(const fs::path& dir, int base, bool noreset = false) : number(base + static_cast<int>(::getpid() % 500)) {
    const std::string pidFile = (dir / ("xvfb" + std::to_string(number) + ".pid")).string();
    const std::string options = noreset ? " -nolisten tcp -noreset" : " -nolisten tcp";
    if (std::system(("Xvfb :" + std::to_string(number) + options + " >/dev/null 2>&1 & echo $! >" + pidFile).c_str()) != 0)
      return;
    const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 100 && !fs::exists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pid = std::atoi(testsupport::slurpFile(pidFile).c_str());
  }
  ~OwnXServer() {
    if (pid > 0) ::kill(pid, SIGTERM);
  }
  OwnXServer(const OwnXServer&) = delete;
  OwnXServer& operator=(const OwnXServer&) = delete;
};

// An X server that refuses every client, as one does a client without its authorisation cookie: it
// listens where a local display's clients connect (/tmp/.X11-unix/X<number>), reads each
// connection's setup request and answers it "Failed" in the form the X protocol gives (a status
// byte 0, the reason's length, the protocol version 11.0, the length of what follows in 4-byte
// units, the reason padded to four bytes). `requests` counts the setup requests it refused.
struct RefusingXServer {
  int number = 0;
  int fd = -1;
  std::string path;
  std::atomic<int> requests{0};
  std::atomic<bool> stop{false};
  std::thread thread;

  explicit RefusingXServer(int base) {
    fs::create_directories("/tmp/.X11-unix");
    for (number = base + static_cast<int>(::getpid() % 500); number < base + 1000; ++number) {
      path = "/tmp/.X11-unix/X" + std::to_string(number);
      if (!fs::exists(path) && !fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) break;
    }
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
      if (fd >= 0) ::close(fd);
      fd = -1;
      return;
    }
    thread = std::thread([this] { serve(); });
  }
  ~RefusingXServer() {
    stop = true;
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    if (thread.joinable()) thread.join();
    if (fd >= 0) ::close(fd);
    ::unlink(path.c_str());
  }
  RefusingXServer(const RefusingXServer&) = delete;
  RefusingXServer& operator=(const RefusingXServer&) = delete;

  void serve() {
    while (!stop) {
      const int c = ::accept(fd, nullptr, nullptr);
      if (c < 0) return;
      unsigned char request[12];
      std::size_t got = 0;
      while (got < sizeof request) {
        const ssize_t n = ::read(c, request + got, sizeof request - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      if (got == sizeof request && request[0] == 'l') {  // a client that says it is little-endian
        ++requests;
        const std::string reason = "No protocol specified";
        const std::size_t padded = (reason.size() + 3) / 4 * 4;
        std::string reply(8 + padded, '\0');
        reply[1] = static_cast<char>(reason.size());
        reply[2] = 11;  // major version 11, minor 0
        reply[6] = static_cast<char>(padded / 4);
        reply.replace(8, reason.size(), reason);
        if (::write(c, reply.data(), reply.size()) < 0) {
          // the client has gone: nothing to answer
        }
      }
      ::close(c);
    }
  }
};

class WindowProgram : public ::testing::Test {
 protected:
  fs::path dir, bin, program;

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("mrv-window-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    bin = dir / "bin";
    fs::create_directories(bin);
    program = bin / "mervana";
    fs::copy_file(MERVANA_BINARY, program);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }
  std::string ini(const fs::path& saveDir) {
    const fs::path p = dir / "site.ini";
    std::ofstream(p, std::ios::binary) << "[General]\r\nSaveDir=" << saveDir.string() << "\r\n";
    return p.string();
  }
  static std::size_t records(const fs::path& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().extension() == ".csv") ++n;
    return n;
  }
};

}  // namespace

TEST_F(WindowProgram, OnlyTheWindowProgramNeedsTheWindowLibrary) {
  const auto plain = runWith("", "readelf -d " + std::string(MERVANA_BINARY), dir);
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(plain.out.find("(NEEDED)"), std::string::npos) << plain.out;
  EXPECT_EQ(plain.out.find("libQt"), std::string::npos) << plain.out;
#ifdef MERVANA_WINDOW_BINARY
  const auto window = runWith("", "readelf -d " + std::string(MERVANA_WINDOW_BINARY), dir);
  ASSERT_EQ(window.status, 0) << window.err;
  EXPECT_NE(window.out.find("libQt6Widgets"), std::string::npos) << window.out;
#endif
}

// What the dynamic loader maps while the program runs: nothing of the window library, of the
// database client or of the shared C++ runtime, directly or through another library, for --help, a
// batch run and an interactive start without a display.
TEST_F(WindowProgram, BatchRunsAndSupportCommandsMapNoWindowLibrary) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const std::string cfg = ini(save);
#ifdef MERVANA_WINDOW_BINARY
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
#endif
  for (const std::string& args : {std::string("--help"), std::string("--version"), "/b0 " + cfg, cfg}) {
    const auto r = runWith("LD_DEBUG=libs", program.string() + " " + args, dir);
    EXPECT_NE(r.err.find("libc.so"), std::string::npos) << args << ": the loader said nothing";
    EXPECT_EQ(r.err.find("libQt"), std::string::npos) << args;
#ifndef __SANITIZE_ADDRESS__
    // the C++ runtime is linked in, so a start binds none of its symbols (the sanitizer build
    // keeps the shared runtime, whose calls the sanitizers must see)
    EXPECT_EQ(r.err.find("libstdc++"), std::string::npos) << args;
#endif
    // nor the database client library, which only the database commands load
    EXPECT_EQ(r.err.find("libpq"), std::string::npos) << args;
    // nor SQLite, libhivex or the X library: loaded by the database commands, by a hive source and
    // by the window program's question to the display
    for (const char* library : {"libsqlite3", "libhivex", "libxcb"})
      EXPECT_EQ(r.err.find(library), std::string::npos) << args << ": " << library;
  }
  EXPECT_EQ(records(save), 1u);
}

#ifdef MERVANA_WINDOW_BINARY
// With a display, the window program beside `mervana` gets the arguments as given, and stands for
// `mervana`: its configuration beside `mervana`, the configuration read once.
TEST_F(WindowProgram, ADisplayHandsTheRunToTheWindowProgramWithTheSameArguments) {
  const fs::path script = bin / "mervana-window";
  std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done\n"
                            "echo \"program=$MERVANA_PROGRAM\"\n";
  fs::permissions(script, fs::perms::owner_all);
  const auto r = runWith("QT_QPA_PLATFORM=offscreen", program.string() + " /p/b0 'a b' ''", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[/p/b0]\n[a b]\n[]\nprogram=" + program.string() + "\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(WindowProgram, AMissingWindowProgramIsSaidAndFails) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  for (const std::string& args : {std::string(), "/b0 " + ini(save)}) {
    const auto r = runWith("QT_QPA_PLATFORM=offscreen", program.string() + " " + args, dir);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_NE(r.err.find("mervana: 画面のプログラム " + (bin / "mervana-window").string() + " を起動できません"),
              std::string::npos)
        << r.err;
  }
  // present but not a program
  std::ofstream(bin / "mervana-window") << "not a program\n";
  const auto r = runWith("QT_QPA_PLATFORM=offscreen", program.string(), dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("を起動できません"), std::string::npos) << r.err;
  EXPECT_EQ(records(save), 0u);
}

TEST_F(WindowProgram, ABatchRunWithADisplayGoesThroughTheWindowAndSaves) {
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
  const fs::path save = dir / "records";
  fs::create_directories(save);
  // the configuration beside `mervana` is the one read
  std::ofstream(bin / "mervana.ini", std::ios::binary) << "[General]\r\nSaveDir=" << save.string() << "\r\n";
  const auto r = runWith("QT_QPA_PLATFORM=offscreen", program.string() + " /b0", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(records(save), 1u) << r.out << r.err;
  EXPECT_EQ(count(r.out, ".csv\n"), 1u) << r.out;

  // a named configuration file that is missing is warned about once; the defaults are used
  fs::create_directories(dir / "pcdata");
  const std::string missing = (dir / "nowhere" / "site.ini").string();
  const auto m = runWith("QT_QPA_PLATFORM=offscreen", program.string() + " /b0 " + missing, dir);
  ASSERT_EQ(m.status, 0) << m.err;
  EXPECT_EQ(records(dir / "pcdata"), 1u) << m.out << m.err;
  EXPECT_EQ(count(m.err, "設定ファイルがありません: " + missing), 1u) << m.err;
}

// A real X server, bare (no window manager, no other client): the display's socket asked, the exec,
// the window program's question to the server and its window's own connection, run after run. Such
// a server resets when its last client leaves; the question's connection is kept open until the
// window has its own, so that it never does in between (the race is one of timing, so this run
// shows the whole path works, not that the race is gone).
TEST_F(WindowProgram, ABareXServerRunsTheWindowRunAfterRun) {
  ASSERT_EQ(std::system("command -v Xvfb >/dev/null 2>&1"), 0) << "Xvfb is not installed (scripts/setup.sh --tests)";
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const std::string cfg = ini(save);
  const OwnXServer x(dir, 200);
  for (int run = 0; run < 3; ++run) {
    const auto r = runWith("DISPLAY=:" + std::to_string(x.number), program.string() + " /b0 " + cfg, dir);
    EXPECT_EQ(r.status, 0) << "run " << run << ": " << r.err;
  }
  EXPECT_EQ(records(save), 1u);
}

// A display whose socket answers but whose server refuses this client is no display: the window
// program is the one that asks the server, and an interactive start says so and exits 1 while a
// batch run saves its record without a window, as with no display at all.
TEST_F(WindowProgram, AServerThatRefusesTheClientMeansARunWithoutADisplay) {
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const std::string cfg = ini(save);
  RefusingXServer x(300);
  ASSERT_GE(x.fd, 0) << "could not listen at " << x.path << ": " << std::strerror(errno);
  const std::string display = "DISPLAY=:" + std::to_string(x.number);

  const auto i = runWith(display, program.string(), dir);
  EXPECT_EQ(i.status, 1) << i.err;
  EXPECT_NE(i.err.find("mervana: 画面を表示できません"), std::string::npos) << i.err;
  EXPECT_EQ(x.requests, 1) << "the server was not asked once";

  const auto b = runWith(display, program.string() + " /b0 " + cfg, dir);
  EXPECT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(records(save), 1u) << b.out << b.err;
  EXPECT_EQ(x.requests, 2);
}

// The window's first frame reads no image file: the menu bar's chevrons are drawn, so no image
// format plugin is looked for at start (Qt names every plugin folder it searches).
TEST_F(WindowProgram, TheWindowPaintsItsFirstFrameWithoutImagePlugins) {
  ASSERT_EQ(std::system("command -v Xvfb >/dev/null 2>&1"), 0) << "Xvfb is not installed (scripts/setup.sh --tests)";
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
  const OwnXServer x(dir, 260, true);
  const auto r = runWith("DISPLAY=:" + std::to_string(x.number) + " MERVANA_FIRST_PAINT=1 QT_DEBUG_PLUGINS=1",
                         program.string(), dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("first paint at ", 0), 0u) << r.out << r.err;
  EXPECT_NE(r.err.find("platforms"), std::string::npos) << "Qt did not report its plugin search:\n" << r.err;
  EXPECT_EQ(r.err.find("imageformats"), std::string::npos) << r.err;
}

// With a display, a batch run asks the item definition file's questions in the window's dialogs
// and waits for the answer (without one it would answer "No" on stderr and save at once): the
// question's box appears on the X server, and nothing is saved while it stands.
TEST_F(WindowProgram, ABatchRunWithADisplayAsksTheDefinitionFilesQuestions) {
  ASSERT_EQ(std::system("command -v Xvfb >/dev/null 2>&1 && command -v xwininfo >/dev/null 2>&1"), 0)
      << "Xvfb and xwininfo (x11-utils) are needed (scripts/setup.sh --tests)";
  fs::copy_file(MERVANA_WINDOW_BINARY, bin / "mervana-window");
  std::ofstream(bin / "regitems.txt", std::ios::binary) << mrv::utf8ToAnsi("<このパソコンは共用ですか\r\n// end\r\n");
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const std::string cfg = ini(save);
  const OwnXServer x(dir, 700, true);  // xwininfo below connects and leaves every 100 ms
  const std::string display = "DISPLAY=:" + std::to_string(x.number);
  const std::string pidFile = (dir / "run.pid").string();
  const std::string command = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + display + " " + program.string() +
                              " /b0 " + cfg + " >" + (dir / "out.txt").string() + " 2>" + (dir / "err.txt").string() +
                              " </dev/null & echo $! >" + pidFile;
  ASSERT_EQ(std::system(command.c_str()), 0);
  const int pid = std::atoi(testsupport::slurpFile(pidFile).c_str());
  ASSERT_GT(pid, 0);
  const std::string windows = (dir / "windows.txt").string();
  bool asked = false, running = true;
  // a minute at most: the collection runs first; a run that answers by itself ends at once
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!asked && running && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::system(("xwininfo -display :" + std::to_string(x.number) + " -root -tree >" + windows + " 2>/dev/null").c_str());
    asked = testsupport::slurpFile(windows).find("Mervana：問い合わせ") != std::string::npos;
    running = alive(pid);
  }
  ::kill(pid, SIGTERM);
  EXPECT_TRUE(asked) << testsupport::slurpFile(dir / "err.txt");
  EXPECT_TRUE(running);
  EXPECT_EQ(records(save), 0u);
  EXPECT_EQ(testsupport::slurpFile(dir / "err.txt").find("no answer"), std::string::npos);
}
#endif

#endif
