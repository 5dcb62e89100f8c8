// The Windows file layer under a real Windows API (wine): the existence test,
// names in any script and of any length, what the system refuses, who may
// touch a file during a run, the system's own texts, a real full disk, and
// the program folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/free_space_reserve.h"
#include "engine/generator.h"
#include "engine/module1.h"
#include "engine/program_folder.h"
#include "tests/engine/engine_test_support.h"
#include "tests/windows/utf8_paths.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FakeRunView;
using enginetest::TempFolder;
using enginetest::WriteFile;
using windowstest::PathOf;

std::string Contents(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Messages(const FakeRunView& view) {
  std::vector<std::string> texts;
  for (const auto& message : view.messages) texts.push_back(message.text);
  return texts;
}

// What another program may do to the file while the run has it open.
HANDLE OpenAsAnotherProgram(const std::string& path, DWORD access) {
  return ::CreateFileW(PathOf(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string Text(int error) { return SystemFileSystem().ErrorText(error); }

TEST(WindowsFileExists, SeesFilesAndFoldersWhoeverHoldsThemButNotMissingNames) {
  TempFolder folder;
  WriteFile(folder / "file", "x");
  ASSERT_TRUE(std::filesystem::create_directory(PathOf(folder / "folder")));
  const HANDLE held = ::CreateFileW(PathOf(folder / "file").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Module1::FileExists(folder / "file"));
  EXPECT_TRUE(Module1::FileExists(folder / "folder"));
  EXPECT_FALSE(Module1::FileExists(folder / "missing"));
  EXPECT_FALSE(Module1::FileExists(folder / "file/below-a-file"));
  EXPECT_FALSE(Module1::FileExists(""));
  EXPECT_FALSE(Module1::FileExists(folder / "file\xff"));
  ::CloseHandle(held);
}

TEST(WindowsFileSystem, TheSystemsOwnTextWithoutItsLineEnd) {
  // Wine's words, then Windows' own.
  EXPECT_TRUE(Text(ERROR_ACCESS_DENIED) == "Access denied." || Text(ERROR_ACCESS_DENIED) == "Access is denied.")
      << Text(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Text(ERROR_DISK_FULL) == "Disk full." || Text(ERROR_DISK_FULL) == "There is not enough space on the disk.")
      << Text(ERROR_DISK_FULL);
  EXPECT_EQ(Text(0x2AAAAAAA), "Unknown error 715827882");
}

// A program folder named in scripts that no ANSI code page holds all of, and
// deeper than the 260 characters of a plain Windows path.
TEST(WindowsFiles, ARunInADeepFolderNamedInManyScriptsWritesAndReplacesItsFiles) {
  TempFolder base;
  std::string folder = base / "Zoë Ελληνικά 日本語 😀";
  while (folder.size() < 300) folder += "\\" + std::string(60, 'd');
  ASSERT_TRUE(std::filesystem::create_directories(PathOf(folder)));
  for (const char* oldContents : {"", "left by an earlier run\r\n"}) {
    if (*oldContents) WriteFile(folder + "/Morvane-11-20.txt", oldContents);
    FakeRunView view;
    view.to = "25";
    view.linesPerFile = "10";
    Generator(view, folder).PD();
    EXPECT_EQ(Messages(view), std::vector<std::string>{"Finished."});
    EXPECT_EQ(view.status, "Files saved to " + folder);
    EXPECT_EQ(Contents(folder + "/Morvane-1-10.txt") + Contents(folder + "/Morvane-11-20.txt") +
                  Contents(folder + "/Morvane-21-25.txt"),
              ExpectedRecords("1", "25"));
  }
}

TEST(WindowsFiles, AFolderWithTheFilesNameMakesTheDeleteFailAndIsKept) {
  TempFolder folder;
  ASSERT_TRUE(std::filesystem::create_directory(PathOf(folder / "Morvane-11-20.txt")));
  FakeRunView view;
  view.to = "25";
  view.linesPerFile = "10";
  Generator(view, folder.path()).PD();
  EXPECT_EQ(Messages(view), std::vector<std::string>{"Cannot delete " + (folder / "Morvane-11-20.txt") + ": " +
                                                     Text(ERROR_ACCESS_DENIED)});
  EXPECT_TRUE(std::filesystem::is_directory(PathOf(folder / "Morvane-11-20.txt")));
  EXPECT_EQ(Contents(folder / "Morvane-1-10.txt"), ExpectedRecords("1", "10"));
}

// Characters no Windows file name may hold, and a ':' that would write into
// a stream hidden inside a file "Morvane-1".
TEST(WindowsFiles, ANameTheSystemRefusesEndsTheRunBeforeAnyFileIsMade) {
  for (const char* from : {"1?", "1*", "1<", "1|", "1\"", "1:stream"}) {
    SCOPED_TRACE(from);
    TempFolder folder;
    FakeRunView view;
    view.from = from;
    view.to = "5";
    Generator(view, folder.path()).PD();
    EXPECT_EQ(Messages(view), std::vector<std::string>{"Cannot create " +
                                                       (folder / ("Morvane-" + std::string(from) + "-100000.txt")) +
                                                       ": " + Text(ERROR_INVALID_NAME)});
    EXPECT_TRUE(folder.Names().empty());
  }
}

// The name was cleared just before: whatever has it at the create was put
// there by someone else, and stays. Once the run has the file, others may
// read it, but not write or delete it under the run.
TEST(WindowsFileSystem, TheFileIsCreatedOnlyNewAndOthersMayOnlyReadItDuringTheRun) {
  TempFolder folder;
  const std::string path = folder / "out.txt";
  WindowsFileSystem files;
  FileHandle file = kNoFile;
  WriteFile(path, "someone else's");
  EXPECT_EQ(files.OpenForAppend(path, file), ERROR_FILE_EXISTS);
  EXPECT_EQ(Contents(path), "someone else's");

  ASSERT_EQ(files.Unlink(path), 0);
  ASSERT_EQ(files.OpenForAppend(path, file), 0);
  std::size_t written = 0;
  ASSERT_EQ(files.Write(file, "record\r\n", 8, written), 0);
  EXPECT_FALSE(::DeleteFileW(PathOf(path).c_str()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(OpenAsAnotherProgram(path, GENERIC_WRITE), INVALID_HANDLE_VALUE);
  const HANDLE reader = OpenAsAnotherProgram(path, GENERIC_READ);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  ::CloseHandle(reader);
  EXPECT_EQ(files.Close(file), 0);
  EXPECT_EQ(Contents(path), "record\r\n");
}

// deep_folder_test.sh runs this again from a copy of the program in a folder
// named in many scripts and deeper than a plain Windows path may be.
TEST(ProgramFolder, HoldsTheRunningProgramAndEndsInNoSeparator) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(Module1::FileExists(folder + "\\windows_files_test.exe")) << folder;
}

// ---- A real small disk: run by on_small_disk.sh, which names it ----

class SmallDisk : public testing::Test {
 protected:
  void SetUp() override {
    const char* disk = std::getenv("MORVANE_SMALL_DISK");
    ASSERT_NE(disk, nullptr) << "run through on_small_disk.sh";
    disk_ = disk;
  }
  // The disk is the folder: whatever a test leaves would fill the next one's.
  void TearDown() override {
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(disk_))) std::filesystem::remove(entry);
  }

  void ExpectFailedWithWholeRecords(const FakeRunView& view, const std::string& message, const std::string& written) {
    EXPECT_EQ(Messages(view), std::vector<std::string>{message});
    const std::string records = ExpectedRecords("1", "100000");
    EXPECT_EQ(written, records.substr(0, written.size()));
    EXPECT_TRUE(written.ends_with("\r\n"));
  }

  std::string disk_;
};

// A file system that does not tell its space: the reserve stands aside.
class UntoldSpace : public WindowsFileSystem {
 public:
  int SpaceOf(const std::string&, Space& space) noexcept override {
    space = {};
    return 0;
  }
};

// The system takes part of the last buffer and refuses the rest; the file is
// cut back to the last whole record.
TEST_F(SmallDisk, AFullDiskEndsTheRunWithWholeRecords) {
  FakeRunView view;
  UntoldSpace files;
  Generator(view, disk_, files).PD();
  const std::string path = disk_ + "/Morvane-1-100000.txt";
  const std::string written = Contents(path);
  ExpectFailedWithWholeRecords(view, "Cannot write " + path + ": " + Text(ERROR_DISK_FULL), written);
  ULARGE_INTEGER size;
  ASSERT_TRUE(::GetDiskFreeSpaceExW(PathOf(disk_).c_str(), nullptr, &size, nullptr));
  EXPECT_GT(written.size(), size.QuadPart - OutputFile::kDefaultBufferBytes);
}

TEST_F(SmallDisk, TheReserveStopsTheRunWithWholeRecords) {
  FakeRunView view;
  Generator(view, disk_).PD();
  ULARGE_INTEGER available;
  ULARGE_INTEGER size;
  ASSERT_TRUE(::GetDiskFreeSpaceExW(PathOf(disk_).c_str(), &available, &size, nullptr));
  const std::uint64_t kept = size.QuadPart / FreeSpaceReserve::kPartsOfSizeKept;
  ExpectFailedWithWholeRecords(view,
                               "Stopped before the disk is full: only " + SizeText(available.QuadPart) + " left in " +
                                   disk_ + " (the program keeps " + SizeText(kept) + " free).",
                               Contents(disk_ + "/Morvane-1-100000.txt"));
}

}  // namespace
}  // namespace morvane
