// The console layer writing to a redirected standard handle: UTF-8 bytes as they are, with a
// bare line feed (the C runtime's text mode would make it "\r\n").

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

namespace zub {
namespace {

// Points a standard handle at a temporary file for the duration of a test.
class RedirectedStdHandle {
 public:
  explicit RedirectedStdHandle(DWORD which) : which_(which), saved_(::GetStdHandle(which)) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"zub", 0, path_);
    file_ = ::CreateFileW(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    ::SetStdHandle(which_, file_);
  }
  ~RedirectedStdHandle() {
    ::SetStdHandle(which_, saved_);
    ::CloseHandle(file_);
    ::DeleteFileW(path_);
  }
  RedirectedStdHandle(const RedirectedStdHandle&) = delete;
  RedirectedStdHandle& operator=(const RedirectedStdHandle&) = delete;

  bool valid() const { return file_ != INVALID_HANDLE_VALUE; }

  std::string contents() const {
    ::SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
    std::string bytes(4096, '\0');
    DWORD read = 0;
    ::ReadFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }

 private:
  DWORD which_;
  HANDLE saved_;
  wchar_t path_[MAX_PATH] = {};
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

TEST(Win32Console, RedirectedStreamsGetUtf8BytesWithBareLineFeeds) {
  const std::string line = "Gr\xC3\xBC\xC3\x9F" "e\nzweite Zeile true\n";
  {
    RedirectedStdHandle out(STD_OUTPUT_HANDLE);
    ASSERT_TRUE(out.valid());
    system_user_interface().write_stdout(line);
    EXPECT_EQ(out.contents(), line);
  }
  {
    RedirectedStdHandle err(STD_ERROR_HANDLE);
    ASSERT_TRUE(err.valid());
    system_user_interface().write_stderr(line);
    EXPECT_EQ(err.contents(), line);
  }
}

}  // namespace
}  // namespace zub
