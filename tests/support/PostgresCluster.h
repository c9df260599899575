#pragma once
// A PostgreSQL server of the test's own (tests/support/pg-cluster.sh): started in a temporary
// folder on a Unix socket, stopped and removed with the object. A server that cannot start is a
// failure of the test that needs it, with the server's own words.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "support/FileBytes.h"

namespace mrv::test {

class PostgresCluster {
 public:
  PostgresCluster() {
    char pattern[] = "/tmp/mrv-pg-XXXXXX";
    if (!::mkdtemp(pattern)) return;
    dir_ = pattern;
    port_ = 50000 + static_cast<int>(::getpid() % 10000);
    started_ = start();
  }
  ~PostgresCluster() {
    if (dir_.empty()) return;
    run("stop " + dir_ + " fast");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  bool started() const { return started_; }
  // What the start printed, for the failure message.
  std::string log() const { return testsupport::slurpFile(dir_ + "/out.txt"); }

  std::string url(const std::string& database = "postgres") const {
    return "postgresql:///" + database + "?host=" + dir_ + "&port=" + std::to_string(port_) + "&user=postgres";
  }
  // Stops the server as a crash would (no goodbye to its clients), and starts it again.
  void crash() { run("stop " + dir_ + " immediate"); }
  bool start() { return run("start " + dir_ + " " + std::to_string(port_)); }

 private:
  bool run(const std::string& args) const {
    const std::string cmd = "bash " MERVANA_SOURCE_DIR "/tests/support/pg-cluster.sh " + args + " >" + dir_ +
                            "/out.txt 2>&1";
    return std::system(cmd.c_str()) == 0;
  }

  std::string dir_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace mrv::test
