#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/Text.h"
#include "platform/DesktopPrograms.h"
#include "support/RegistryFixtures.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

// A desktop made by the test: two viewers, a MIME database and defaults at several levels.
class DesktopTree {
 public:
  DesktopTree() {
    namespace fs = std::filesystem;
    for (const char* d : {"bin", "home/config", "home/data/applications", "sys/config", "sys/data/applications",
                          "sys/data/applications/kde4", "sys/data/mime"})
      fs::create_directories(dir.file(d));
    for (const char* p : {"viewer-a", "viewer-b", "viewer-c"}) {
      writeBytes(dir.file(std::string("bin/") + p), "#!/bin/sh\n");
      chmod(dir.file(std::string("bin/") + p).c_str(), 0755);
    }
    writeBytes(dir.file("sys/data/mime/globs2"),
               "# comment\n50:text/x-mervana:*.mvx\n80:text/x-mervana-log:*.mvx.log\n50:text/x-case:*.CaSe:cs\n");
    desktop("sys/data/applications/viewer-a.desktop", "viewer-a %f", "text/x-mervana;text/x-mervana-log;",
            "[Desktop Action New]\nExec=other\n");
    desktop("sys/data/applications/viewer-b.desktop", "viewer-b --view %U", "");
    desktop("sys/data/applications/kde4/viewer-c.desktop", "env LANG=C \"" + dir.file("bin/viewer-c") + "\" %u",
            "text/x-fallback;");
    // the user's choice; for text/x-second it names an application that is gone first
    writeBytes(dir.file("home/config/mimeapps.list"),
               "[Added Associations]\ntext/x-mervana=viewer-a.desktop;\n\n[Default Applications]\n"
               "text/x-mervana=viewer-b.desktop;\ntext/x-second=gone.desktop;viewer-b.desktop;\n");
    writeBytes(dir.file("sys/data/applications/mimeapps.list"),
               "[Default Applications]\ntext/x-mervana=viewer-a.desktop\ntext/x-mervana-log=viewer-a.desktop\n");
  }

  DesktopDirs dirs() const {
    DesktopDirs d;
    d.configHome = dir.file("home/config");
    d.configDirs = {dir.file("sys/config")};
    d.dataHome = dir.file("home/data");
    d.dataDirs = {dir.file("sys/data")};
    d.path = {dir.file("bin")};
    return d;
  }

  // What the real xdg-mime answers in this desktop: the application's desktop file name.
  std::string xdgMimeDefault(const std::string& mime) const {
    const std::string cmd = "env -i HOME=" + dir.path() + " PATH=" + dir.file("bin") + ":/usr/bin:/bin" +
                            " XDG_CONFIG_HOME=" + dir.file("home/config") + " XDG_CONFIG_DIRS=" + dir.file("sys/config") +
                            " XDG_DATA_HOME=" + dir.file("home/data") + " XDG_DATA_DIRS=" + dir.file("sys/data") +
                            " xdg-mime query default " + mime + " 2>/dev/null";
    std::string out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
      std::array<char, 256> buf;
      while (fgets(buf.data(), buf.size(), f)) out += buf.data();
      pclose(f);
    }
    return trim(out);
  }

  TempDir dir;

 private:
  void desktop(const std::string& rel, const std::string& exec, const std::string& mimeTypes,
               const std::string& more = "") {
    writeBytes(dir.file(rel),
               "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + exec + "\nMimeType=" + mimeTypes + "\n" + more);
  }
};

bool haveXdgMime() { return std::system("command -v xdg-mime >/dev/null 2>&1") == 0; }

TEST(DesktopPrograms, DefaultProgramOfAFileType) {
  DesktopTree t;
  auto desktop = openDesktopPrograms(t.dirs());
  ASSERT_TRUE(desktop);
  // the user's default wins over the system's
  EXPECT_EQ(desktop->defaultProgram(".mvx"), t.dir.file("bin/viewer-b"));
  // the first installed application of the list (xdg-mime 1.1.3 looks at the first one only)
  EXPECT_EQ(desktop->defaultProgram("text/x-second"), t.dir.file("bin/viewer-b"));
  EXPECT_EQ(desktop->defaultProgram(".MVX"), t.dir.file("bin/viewer-b"));  // globs ignore case
  EXPECT_EQ(desktop->defaultProgram("text/x-mervana"), t.dir.file("bin/viewer-b"));
  // the heavier, longer glob decides; the system's default names viewer-a, found in PATH
  EXPECT_EQ(desktop->defaultProgram("report.mvx.log"), t.dir.file("bin/viewer-a"));
  // no default anywhere: the application listing the type, found in a subfolder; env skipped
  EXPECT_EQ(desktop->defaultProgram("text/x-fallback"), t.dir.file("bin/viewer-c"));
  EXPECT_EQ(desktop->defaultProgram(".case"), "");  // a case-sensitive glob
  EXPECT_EQ(desktop->defaultProgram(".unknown"), "");
  EXPECT_EQ(desktop->defaultProgram(""), "");
}

TEST(DesktopPrograms, AgreesWithXdgMime) {
  ASSERT_TRUE(haveXdgMime()) << "xdg-mime (xdg-utils) is not installed: run scripts/setup.sh";
  DesktopTree t;
  auto desktop = openDesktopPrograms(t.dirs());
  EXPECT_EQ(t.xdgMimeDefault("text/x-mervana"), "viewer-b.desktop");
  EXPECT_EQ(t.xdgMimeDefault("text/x-mervana-log"), "viewer-a.desktop");
  EXPECT_EQ(t.xdgMimeDefault("text/x-fallback"), "viewer-c.desktop");
  EXPECT_EQ(desktop->defaultProgram("text/x-mervana"), t.dir.file("bin/viewer-b"));
  EXPECT_EQ(desktop->defaultProgram("text/x-mervana-log"), t.dir.file("bin/viewer-a"));
  EXPECT_EQ(desktop->defaultProgram("text/x-fallback"), t.dir.file("bin/viewer-c"));
}

TEST(DesktopPrograms, OwningPackageFromTheDatabase) {
  DesktopTree t;
  namespace fs = std::filesystem;
  fs::create_directories(t.dir.file("dpkg/info"));
  fs::create_directories(t.dir.file("doc/viewers"));
  fs::create_symlink(t.dir.file("bin/viewer-a"), t.dir.file("bin/viewer"));
  writeBytes(t.dir.file("dpkg/status"),
             "Package: other\nStatus: install ok installed\nVersion: 9\n\n"
             "Package: viewers\nStatus: install ok installed\nPriority: optional\nMaintainer: Viewer Makers <v@example.org>\n"
             "Version: 2:1.0-3\nDescription: viewers of things\n Longer text.\n .\n More.\nHomepage: https://example.org\n\n");
  writeBytes(t.dir.file("dpkg/info/other.list"), "/.\n/usr\n");
  writeBytes(t.dir.file("dpkg/info/viewers.list"), "/.\n" + t.dir.file("bin/viewer-a") + "\n");
  writeBytes(t.dir.file("doc/viewers/copyright"), "This package was debianized by someone.\n\nCopyright (C) 2005 Viewer Makers\n");
  DesktopDirs dirs = t.dirs();
  dirs.packageDatabase = t.dir.file("dpkg");
  dirs.docRoot = t.dir.file("doc");
  auto desktop = openDesktopPrograms(dirs);
  PackageFacts f;
  ASSERT_TRUE(desktop->owningPackage(t.dir.file("bin/viewer"), f));  // through the link
  EXPECT_EQ(f.package, "viewers");
  EXPECT_EQ(f.version, "2:1.0-3");
  EXPECT_EQ(f.maintainer, "Viewer Makers <v@example.org>");
  EXPECT_EQ(f.description, "viewers of things");
  EXPECT_EQ(f.copyright, "Copyright (C) 2005 Viewer Makers");
  EXPECT_FALSE(desktop->owningPackage(t.dir.file("bin/viewer-b"), f));
  EXPECT_FALSE(desktop->owningPackage("relative/path", f));
}

// The machine's own database answers as dpkg does.
TEST(DesktopPrograms, OwnerOfDpkgOnThisMachine) {
  ASSERT_EQ(std::system("dpkg -S /usr/bin/dpkg >/dev/null 2>&1"), 0) << "this machine has no dpkg database";
  auto desktop = openDesktopPrograms();
  ASSERT_TRUE(desktop);
  PackageFacts f;
  ASSERT_TRUE(desktop->owningPackage("/usr/bin/dpkg", f));
  EXPECT_EQ(f.package, "dpkg");
  EXPECT_FALSE(f.version.empty());
  EXPECT_FALSE(f.maintainer.empty());
}

}  // namespace
