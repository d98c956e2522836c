#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

// What the system's refusal of an open says to someone who must act on it.
TEST(PosixPlatform, OpenFailuresHaveTheirReasons) {
  const struct {
    int error;
    platform::OpenFailure reason;
  } cases[] = {
      {0, platform::OpenFailure::none},
      {ENOENT, platform::OpenFailure::not_found},
      {ENOTDIR, platform::OpenFailure::not_found},
      {EACCES, platform::OpenFailure::denied},
      {EPERM, platform::OpenFailure::denied},
      {EISDIR, platform::OpenFailure::denied},
      {EROFS, platform::OpenFailure::denied},
      {ENAMETOOLONG, platform::OpenFailure::bad_name},
      {EINVAL, platform::OpenFailure::bad_name},
      {EILSEQ, platform::OpenFailure::bad_name},
      {ENXIO, platform::OpenFailure::no_device},
      {ENODEV, platform::OpenFailure::no_device},
      {EMFILE, platform::OpenFailure::other},
      {ENOSPC, platform::OpenFailure::other},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::open_failure_reason(c.error), c.reason) << c.error;
}

TEST(PosixPlatform, ARefusedOpenCarriesItsReason) {
  const platform::OpenResult missing =
      platform::open_file("/nonexistent-folder-of-tiral/x", platform::IfMissing::fail, platform::Access::read);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.reason, platform::OpenFailure::not_found);
  const platform::OpenResult folder = platform::open_file("/", platform::IfMissing::create);
  EXPECT_NE(folder.error, 0);
  EXPECT_EQ(folder.reason, platform::OpenFailure::denied);
}

}  // namespace
