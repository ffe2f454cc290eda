#include "support/platform/LastError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

namespace zeph::platform {
namespace {

TEST(LastError, IsKeptPerThread) {
    setLastError(ERROR_INVALID_NAME);
    DWORD seenByOther = 99;
    std::thread other([&] {
        seenByOther = getLastError();
        setLastError(ERROR_TIMEOUT);
    });
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(getLastError(), ERROR_INVALID_NAME);
}

TEST(LastError, ErrnoMapsToTheWindowsCode) {
    const std::pair<int, DWORD> cases[] = {
        {ENOENT, 2},         {ENOTDIR, 3},      {EACCES, 5},          {EPERM, 5},    {EBUSY, 5},
        {EAGAIN, 5},         {EWOULDBLOCK, 5},  {EBADF, 6},           {ENOMEM, 8},   {EINVAL, 87},
        {ENAMETOOLONG, 206}, {EEXIST, 183},     {EMFILE, 4},          {ENFILE, 4},   {ENOSPC, 112},
        {ETIMEDOUT, 1460},   {ECANCELED, 1223}, {EPIPE, 109},         {EIO, 1167},   {ENXIO, 1167},
        {ENODEV, 1167},      {ENOTTY, 1},       {ECONNREFUSED, 1225}, {ENOSYS, 120},
    };
    for (const auto& [errnoValue, code] : cases) {
        EXPECT_EQ(win32FromErrno(errnoValue), code) << "errno " << errnoValue;
    }
}

TEST(LastError, UnknownErrnoAndZeroNeverReadAsSuccess) {
    EXPECT_EQ(win32FromErrno(0), ERROR_GEN_FAILURE);
    EXPECT_EQ(win32FromErrno(4095), ERROR_GEN_FAILURE);
    EXPECT_EQ(win32FromErrno(-1), ERROR_GEN_FAILURE);
}

TEST(LastError, RealFailuresMapAsOnWindows) {
    ASSERT_EQ(::open("/nonexistent-folder-of-quorvex-tests/file", O_RDONLY), -1);
    EXPECT_EQ(win32FromErrno(errno), ERROR_FILE_NOT_FOUND);

    // A port locked through another open file is "Access is denied.", as a COM port held elsewhere.
    std::string path = ::testing::TempDir() + "lasterror-lock-XXXXXX";
    const int first = ::mkstemp(path.data());
    ASSERT_GE(first, 0);
    const int second = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(second, 0);
    ASSERT_EQ(::flock(first, LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(::flock(second, LOCK_EX | LOCK_NB), -1);
    EXPECT_EQ(win32FromErrno(errno), ERROR_ACCESS_DENIED);
    ::close(second);
    ::close(first);
    ::unlink(path.c_str());
}

}  // namespace
}  // namespace zeph::platform
