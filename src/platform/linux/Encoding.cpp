// CP932 conversion with glibc's iconv; file writes with POSIX calls so that a full disk or a
// failed write is noticed before the old file is replaced.
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "platform/ReplacingFile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>


namespace mrv {

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; on a sequence it cannot take, appends `bad` and skips `skip(in)` bytes.
  template <typename Skip>
  std::string run(std::string_view in, std::string_view bad, Skip skip) {
    std::string out;
    if (!ok()) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buf[4096];
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
      char* dst = buf;
      std::size_t room = sizeof buf;
      const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        out.append(bad);
        const std::size_t n = std::min(left, skip(std::string_view(src, left)));
        src += n;
        left -= n;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

std::size_t utf8SeqLen(std::string_view s) {
  const unsigned char c = static_cast<unsigned char>(s[0]);
  std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
  // only skip continuation bytes that are really there
  std::size_t i = 1;
  while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// The system's reason for a failed file operation, as the person at the PC reads it.
std::string systemErrorText(int code) {
  switch (code) {
    case ENOSPC:
    case EDQUOT:
      return "ディスクの空き容量が足りません";
    case EROFS:
      return "読み取り専用の場所です";
    case ENOENT:
    case ENOTDIR:
      return "フォルダがありません";
    case EACCES:
    case EPERM:
      return "アクセスが拒否されました";
    case ENAMETOOLONG:
      return "ファイル名が長すぎます";
    case EIO:
      return "入出力エラーです";
    default:
      return std::strerror(code);
  }
}

std::string joinCrLf(const std::vector<std::string>& lines) {
  std::string utf8;
  for (const auto& l : lines) {
    utf8 += l;
    utf8 += "\r\n";
  }
  return utf8ToAnsi(utf8);
}

}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
  Iconv cv("CP932", "UTF-8");
  return cv.run(utf8, "?", utf8SeqLen);
}

std::string ansiToUtf8(std::string_view ansi) {
  Iconv cv("UTF-8", "CP932");
  return cv.run(ansi, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines, std::string* why) {
  return writeFileAtomic(path, joinCrLf(lines), why);
}

bool writeFileAtomic(const std::string& path, const std::string& bytes, std::string* why) {
  ReplacingFile file(path);
  file.write(bytes);
  if (file.finish() && file.replaceTarget()) return true;
  if (why) *why = systemErrorText(static_cast<int>(file.errorCode()));
  return false;
}

bool appendAnsiLine(const std::string& path, std::string_view line) {
  // A link is not followed and only a regular file is written: a FIFO at the path would block the
  // run, a link would write into whatever file it names.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const std::string bytes = utf8ToAnsi(std::string(line) + "\r\n");
  // One write, so lines of PCs writing at once never interleave.
  ssize_t n;
  do n = ::write(fd, bytes.data(), bytes.size());
  while (n < 0 && errno == EINTR);
  bool ok = n == static_cast<ssize_t>(bytes.size());
  if (!ok && n > 0) {
    // A full disk took part of the line: cut it off again, so the next line does not start glued to
    // half of this one. Only when nothing was appended after it meanwhile.
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end >= n && ::fstat(fd, &st) == 0 && st.st_size == end && ::ftruncate(fd, end - n) != 0) {
      // the cut failed as well: the line stays reported as not written
    }
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace mrv
