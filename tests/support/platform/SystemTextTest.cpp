#include "support/platform/SystemText.h"

#include "support/platform/LastError.h"

#include <gtest/gtest.h>

namespace zeph::platform {
namespace {

TEST(SystemText, GivesTheWindowsWordingWithItsLineBreak) {
    EXPECT_EQ(systemText(2), L"The system cannot find the file specified.\r\n");
    EXPECT_EQ(systemText(5), L"Access is denied.\r\n");
    EXPECT_EQ(systemText(6), L"The handle is invalid.\r\n");
    EXPECT_EQ(systemText(258), L"The wait operation timed out.\r\n");
    EXPECT_EQ(systemText(1167), L"The device is not connected.\r\n");
    EXPECT_EQ(systemText(1223), L"The operation was canceled by the user.\r\n");
    EXPECT_EQ(systemText(1247),
              L"An attempt was made to perform an initialization operation when initialization has already "
              L"been completed.\r\n");
    EXPECT_EQ(systemText(1460), L"This operation returned because the timeout period expired.\r\n");
    EXPECT_EQ(systemText(1816), L"Not enough quota is available to process this command.\r\n");
    EXPECT_EQ(systemText(632), L"The requested interface is not supported.\r\n");
}

// One well-formed line: text, then CR LF, and no other line break.
void expectOneLine(DWORD code) {
    const auto text = systemText(code);
    ASSERT_TRUE(text.has_value()) << "no text for " << code;
    ASSERT_GT(text->size(), 2u) << code;
    EXPECT_EQ(text->substr(text->size() - 2), L"\r\n") << code;
    EXPECT_EQ(text->find_first_of(L"\r\n"), text->size() - 2) << code;
}

TEST(SystemText, EveryCodeTheProgramProducesHasOne) {
    const DWORD codes[] = {
        ERROR_SUCCESS,
        ERROR_INVALID_FUNCTION,
        ERROR_FILE_NOT_FOUND,
        ERROR_PATH_NOT_FOUND,
        ERROR_TOO_MANY_OPEN_FILES,
        ERROR_ACCESS_DENIED,
        ERROR_INVALID_HANDLE,
        ERROR_NOT_ENOUGH_MEMORY,
        ERROR_INVALID_DATA,
        ERROR_OUTOFMEMORY,
        ERROR_NOT_SAME_DEVICE,
        ERROR_WRITE_PROTECT,
        ERROR_BAD_UNIT,
        ERROR_NOT_READY,
        ERROR_WRITE_FAULT,
        ERROR_READ_FAULT,
        ERROR_GEN_FAILURE,
        ERROR_SHARING_VIOLATION,
        ERROR_HANDLE_EOF,
        ERROR_NOT_SUPPORTED,
        ERROR_FILE_EXISTS,
        ERROR_INVALID_PARAMETER,
        ERROR_BROKEN_PIPE,
        ERROR_DISK_FULL,
        ERROR_CALL_NOT_IMPLEMENTED,
        ERROR_INSUFFICIENT_BUFFER,
        ERROR_INVALID_NAME,
        ERROR_DIR_NOT_EMPTY,
        ERROR_SIGNAL_REFUSED,
        ERROR_BAD_ARGUMENTS,
        ERROR_MAX_THRDS_REACHED,
        ERROR_BUSY,
        ERROR_ALREADY_EXISTS,
        ERROR_FILENAME_EXCED_RANGE,
        ERROR_MORE_DATA,
        WAIT_TIMEOUT,
        ERROR_NO_MORE_ITEMS,
        ERROR_NOT_OWNER,
        ERROR_UNKNOWN_INTERFACE,
        ERROR_OPERATION_ABORTED,
        ERROR_IO_INCOMPLETE,
        ERROR_IO_PENDING,
        ERROR_NOACCESS,
        ERROR_POSSIBLE_DEADLOCK,
        ERROR_DEVICE_NOT_CONNECTED,
        ERROR_NOT_FOUND,
        ERROR_EXTENDED_ERROR,
        ERROR_CANCELLED,
        ERROR_CONNECTION_REFUSED,
        ERROR_ALREADY_INITIALIZED,
        ERROR_INVALID_WINDOW_HANDLE,
        ERROR_INVALID_THREAD_ID,
        ERROR_TIMEOUT,
        ERROR_CANT_RESOLVE_FILENAME,
        ERROR_NOT_CONNECTED,
    };
    for (const DWORD code : codes) {
        expectOneLine(code);
    }
}

TEST(SystemText, EveryCodeAnErrnoMapsToHasOne) {
    for (int errnoValue = 0; errnoValue < 256; ++errnoValue) {
        expectOneLine(win32FromErrno(errnoValue));
    }
}

TEST(SystemText, NoneForAnUnknownCode) {
    EXPECT_EQ(systemText(0x20000001), std::nullopt);  // the customer bit: never a system code
    EXPECT_EQ(systemText(WAIT_FAILED), std::nullopt);
}

}  // namespace
}  // namespace zeph::platform
