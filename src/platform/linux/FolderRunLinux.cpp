// A folder's files read through io_uring, the kernel's request queue: each file is three requests
// linked in turn (open it into a slot of the queue's own file table, read it into the slot's
// buffer, close the slot), and a few dozen files go to the kernel with one call. Aggregating a
// folder of 100,000 records spent more time entering the kernel four times for each small file
// than in anything the kernel did for it.
//
// Only files the listing showed regular go this way, and only on a local disk; a file whose read
// did not end within its buffer, came back empty or failed is read again by FolderReader::read,
// which checks its kind and size through its descriptor and says why it was refused. Opening
// without O_NONBLOCK is never done here either: a pipe put in a file's place is not waited on.
#include <fcntl.h>
#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "platform/FolderFiles.h"
#include "platform/linux/LocalDisk.h"

namespace mrv {

namespace {

constexpr unsigned kSlots = 32;               // files in the kernel's hands at once
constexpr std::size_t kSlotBytes = 64 << 10;  // a record is a few kilobytes; a longer file is read again
constexpr unsigned kEntries = 4 * kSlots;     // three requests a file, the queue's size a power of two
constexpr int kNoResult = INT_MIN;
enum Step : unsigned { kOpen, kRead, kClose, kSteps };

template <typename T>
T* at(void* base, std::uint32_t offset) {
  return reinterpret_cast<T*>(static_cast<char*>(base) + offset);
}

}  // namespace

struct FolderRunReader::Ring {
  ~Ring() {
    if (sqes) ::munmap(sqes, sqesBytes);
    if (rings) ::munmap(rings, ringsBytes);
    if (fd >= 0) ::close(fd);
  }

  // The queue, or null where the kernel has none (too old, or turned off) or refuses what it needs.
  static Ring* open() {
    auto* ring = new (std::nothrow) Ring;
    if (!ring) return nullptr;
    if (!ring->setUp()) {
      delete ring;
      return nullptr;
    }
    return ring;
  }

  // Opens, reads and closes the files `paths` names (relative to `dir`), each into the slot of its
  // place; the results are in result[slot][step], kNoResult where a request never ended.
  // False when the queue failed as a whole: it is not used again.
  bool run(int dir, const std::array<const char*, kSlots>& paths, unsigned count, int openFlags) {
    for (auto& r : result) r.fill(kNoResult);
    unsigned tail = *sqTail;
    for (unsigned slot = 0; slot < count; ++slot) {
      io_uring_sqe* open = take(tail);
      open->opcode = IORING_OP_OPENAT;
      open->fd = dir;
      open->addr = reinterpret_cast<std::uint64_t>(paths[slot]);
      open->open_flags = static_cast<std::uint32_t>(openFlags);
      open->file_index = slot + 1;  // into the queue's table, not the process's
      open->flags = IOSQE_IO_LINK;
      open->user_data = slot * kSteps + kOpen;

      io_uring_sqe* read = take(tail);
      read->opcode = IORING_OP_READ;
      read->fd = static_cast<int>(slot);
      read->addr = reinterpret_cast<std::uint64_t>(buffers + slot * kSlotBytes);
      read->len = static_cast<std::uint32_t>(kSlotBytes);
      read->off = 0;
      // the close follows even a failed read, so that the slot is free again
      read->flags = IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
      read->user_data = slot * kSteps + kRead;

      io_uring_sqe* close = take(tail);
      close->opcode = IORING_OP_CLOSE;
      close->file_index = slot + 1;
      close->user_data = slot * kSteps + kClose;
    }
    std::atomic_ref<unsigned>(*sqTail).store(tail, std::memory_order_release);

    unsigned toSubmit = count * kSteps, toReap = count * kSteps;
    while (toReap > 0) {
      const long entered = ::syscall(__NR_io_uring_enter, fd, toSubmit, toReap, IORING_ENTER_GETEVENTS, nullptr, 0);
      // interrupted, or the kernel short of room: what has ended is taken below, and it goes on
      if (entered < 0 && errno != EINTR && errno != EAGAIN && errno != EBUSY) return false;
      if (entered > 0) toSubmit -= std::min<unsigned>(toSubmit, static_cast<unsigned>(entered));
      unsigned head = *cqHead;
      const unsigned ready = std::atomic_ref<unsigned>(*cqTail).load(std::memory_order_acquire);
      for (; head != ready && toReap > 0; ++head, --toReap) {
        const io_uring_cqe& c = cqes[head & *cqMask];
        if (c.user_data < kSlots * kSteps) result[c.user_data / kSteps][c.user_data % kSteps] = c.res;
      }
      std::atomic_ref<unsigned>(*cqHead).store(head, std::memory_order_release);
    }
    return true;
  }

  char* buffers = nullptr;  // kSlots buffers of kSlotBytes, in the storage below
  std::array<std::array<int, kSteps>, kSlots> result{};

 private:
  bool setUp() {
    io_uring_params p{};
    fd = static_cast<int>(::syscall(__NR_io_uring_setup, kEntries, &p));
    if (fd < 0) return false;
    if (!(p.features & IORING_FEAT_SINGLE_MMAP)) return false;  // kernels before 5.4
    ringsBytes = std::max<std::size_t>(p.sq_off.array + p.sq_entries * sizeof(std::uint32_t),
                                       p.cq_off.cqes + p.cq_entries * sizeof(io_uring_cqe));
    void* const mapped =
        ::mmap(nullptr, ringsBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, IORING_OFF_SQ_RING);
    if (mapped == MAP_FAILED) return false;
    rings = mapped;
    sqesBytes = p.sq_entries * sizeof(io_uring_sqe);
    void* entries = ::mmap(nullptr, sqesBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, IORING_OFF_SQES);
    if (entries == MAP_FAILED) return false;
    sqes = static_cast<io_uring_sqe*>(entries);
    sqTail = at<unsigned>(rings, p.sq_off.tail);
    sqMask = at<unsigned>(rings, p.sq_off.ring_mask);
    sqArray = at<unsigned>(rings, p.sq_off.array);
    cqHead = at<unsigned>(rings, p.cq_off.head);
    cqTail = at<unsigned>(rings, p.cq_off.tail);
    cqMask = at<unsigned>(rings, p.cq_off.ring_mask);
    cqes = at<io_uring_cqe>(rings, p.cq_off.cqes);
    // the slots' file table, empty
    std::array<int, kSlots> none;
    none.fill(-1);
    if (::syscall(__NR_io_uring_register, fd, IORING_REGISTER_FILES, none.data(), kSlots) < 0) return false;
    try {
      storage.resize(kSlots * kSlotBytes);
    } catch (const std::bad_alloc&) {
      return false;
    }
    buffers = storage.data();
    return true;
  }

  // The next request's entry, cleared; the queue is empty whenever run() begins.
  io_uring_sqe* take(unsigned& tail) {
    const unsigned index = tail & *sqMask;
    io_uring_sqe* e = sqes + index;
    std::memset(e, 0, sizeof *e);
    sqArray[index] = index;
    ++tail;
    return e;
  }

  int fd = -1;
  void* rings = nullptr;  // both rings in one mapping (IORING_FEAT_SINGLE_MMAP)
  std::size_t ringsBytes = 0;
  io_uring_sqe* sqes = nullptr;
  std::size_t sqesBytes = 0;
  unsigned *sqTail = nullptr, *sqMask = nullptr, *sqArray = nullptr;
  unsigned *cqHead = nullptr, *cqTail = nullptr, *cqMask = nullptr;
  io_uring_cqe* cqes = nullptr;
  std::string storage;
};

FolderRunReader::FolderRunReader(const FolderReader& folder) : folder_(folder) {
  if (folder_.handle_ < 0 || !onLocalDisk(static_cast<int>(folder_.handle_))) return;
  if (Ring* ring = Ring::open()) ring_ = {ring, [](Ring* r) { delete r; }};
}

FolderRunReader::~FolderRunReader() = default;

void FolderRunReader::readEach(const std::vector<FolderEntry>& files, std::size_t from, std::size_t to,
                               std::uint64_t maxBytes, LinkRule links, const Take& take) {
  const int openFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
  auto readAlone = [&](std::size_t i) {
    const FileRefusal r = folder_.read(files[i].name, maxBytes, links, bytes_);
    take(i, r, r == FileRefusal::None ? std::string_view(bytes_) : std::string_view());
  };
  std::array<const char*, kSlots> paths{};
  std::array<std::size_t, kSlots> indexes{};
  std::size_t i = from;
  while (i < to) {
    if (!ring_) {
      readAlone(i++);
      continue;
    }
    // the next run: up to kSlots files the listing showed regular, and those between them
    const std::size_t runFrom = i;
    unsigned count = 0;
    for (; i < to && count < kSlots; ++i) {
      if (!files[i].regular || files[i].name.find('/') != std::string::npos) continue;
      indexes[count] = i;
      paths[count++] = files[i].name.c_str();
    }
    if (count > 0 && !ring_->run(static_cast<int>(folder_.handle_), paths, count, openFlags)) {
      ring_.reset();  // each file alone from here on, this run's too
      i = runFrom;
      continue;
    }
    unsigned slot = 0;
    bool refused = false;  // a kernel that cannot open into the queue's table: each file alone
    for (std::size_t k = runFrom; k < i; ++k) {
      if (slot == count || indexes[slot] != k) {
        readAlone(k);
        continue;
      }
      const auto& r = ring_->result[slot];
      const int got = r[kRead];
      if (r[kOpen] >= 0 && got > 0 && static_cast<std::size_t>(got) < kSlotBytes &&
          static_cast<std::uint64_t>(got) <= maxBytes) {
        take(k, FileRefusal::None, std::string_view(ring_->buffers + slot * kSlotBytes, static_cast<std::size_t>(got)));
      } else {
        refused = refused || r[kOpen] == -EINVAL;
        readAlone(k);
      }
      ++slot;
    }
    if (refused) ring_.reset();
  }
}

}  // namespace mrv
