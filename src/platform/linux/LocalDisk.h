#pragma once
// Whether an open file lies on a local disk file system: one that takes many requests at once and
// writes past its cache, where a network file system would wait for a round trip for each.
#include <linux/magic.h>
#include <sys/vfs.h>

namespace mrv {

inline bool onLocalDisk(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

}  // namespace mrv
