// Saving through a temporary file: the new file's permissions follow the
// file-mode mask, and the mask itself is never changed on the way (it is
// the whole process's: a file another thread created meanwhile would get
// whatever it was changed to).
#include "support/WStringsFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "TempDir.h"

namespace {
std::atomic<bool> gWatching{false};
std::atomic<int> gMaskChanges{0};
}  // namespace

// Every umask() of this program passes through here, and on to the kernel.
extern "C" mode_t umask(mode_t mask) {
  if (gWatching) ++gMaskChanges;
  return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace {

TEST(WriteFileAtomic, NewFilesFollowTheMaskWhichNoSaveChanges) {
  testkit::TempDir dir;
  const mode_t before = ::umask(077);
  for (mode_t mask : {mode_t{022}, mode_t{077}}) {
    ::umask(mask);
    const std::string path = (dir.Path() / ("new-" + std::to_string(mask))).string();
    gMaskChanges = 0;
    gWatching = true;
    ASSERT_TRUE(wstr::WriteFileAtomic(path, "bytes"));
    ASSERT_TRUE(wstr::WriteFileAtomic(path, "more bytes"));
    gWatching = false;
    EXPECT_EQ(gMaskChanges.load(), 0) << "the process's mask was changed while saving";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(testkit::TempDir::ReadFile(path), "more bytes");
  }
  // A file that is replaced keeps its own permissions.
  const std::string kept = (dir.Path() / "kept").string();
  ASSERT_TRUE(wstr::WriteFileAtomic(kept, "a"));
  ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
  ASSERT_TRUE(wstr::WriteFileAtomic(kept, "b"));
  struct stat st {};
  ASSERT_EQ(::stat(kept.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ::umask(before);
}

}  // namespace
