#pragma once
// A file written beside its target and put in the target's place only when the writer says so:
// until then the old file stays whole for everyone who opens it, and a writer that gives up (or
// fails) leaves it untouched. Bytes are written as given (the caller encodes them). The file beside
// has a short name of its own in the target's folder, ".mrv-<process>-<n>.tmp" (Encoding.h
// isProgramTempFileName knows it). writeFileAtomic is this file written at once.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mrv {

class ReplacingFile {
 public:
  // Creates the file beside `target`; isOpen() tells whether that worked.
  explicit ReplacingFile(std::string target);
  ~ReplacingFile();  // a file not put in place is removed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool isOpen() const { return handle_ != kNoHandle; }
  // Buffered; a failure is kept and reported by finish().
  void write(std::string_view bytes);
  // Writes what is buffered, forces it to the disk and closes; false when anything failed.
  bool finish();
  // Puts the finished file in the target's place; false when it could not be renamed.
  bool replaceTarget();
  // Removes the file beside the target; the target is not touched.
  void discard();

  const std::string& target() const { return target_; }
  // The system's code (errno, or GetLastError on Windows) of the first step that failed; 0 when none did.
  long errorCode() const { return error_; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  bool flushBuffer();
  bool writeOut(const char* bytes, std::size_t n);  // straight to the file
  // Where the system can write a long file past its own cache, its blocks are written on a thread
  // of their own (POSIX only; the writer is defined with the POSIX file).
  struct DirectWriter;
  bool startDirect();
  bool endDirect();
  void fail();  // keeps the first failure and its code
  void closeHandle();

  std::string target_;
  std::string temp_;
  std::string buffer_;
  std::intptr_t handle_ = kNoHandle;
  std::uint64_t written_ = 0;    // bytes handed to the system so far
  std::uint64_t writingOut_ = 0;  // of those, the bytes the system was asked to start writing to the disk
  std::unique_ptr<DirectWriter, void (*)(DirectWriter*)> direct_{nullptr, nullptr};
  bool directTried_ = false;
  bool failed_ = false;
  bool finished_ = false;
  long error_ = 0;
};

}  // namespace mrv
