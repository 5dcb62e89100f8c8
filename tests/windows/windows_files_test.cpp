// The Windows file layer under a real Windows API (wine): the existence test,
// what the system refuses, who may touch a file during a run, the program
// folder in any script and at any depth, and a real full disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/files/free_space_reserve.h"
#include "engine/files/native_file_system.h"
#include "engine/files/size_text.h"
#include "engine/generator.h"
#include "engine/files/module1.h"
#include "engine/files/paths.h"
#include "engine/files/program_folder.h"
#include "tests/engine/engine_test_support.h"
#include "tests/windows/utf8_paths.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::FakeRunView;
using enginetest::TempFolder;
using enginetest::WriteFile;
using windowstest::PathOf;
using Texts = std::vector<std::string>;

std::string Contents(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Text(int error) { return SystemFileSystem().ErrorText(error); }

// A run from 1 (unless the view says otherwise) in folder; the messages it
// showed. The files' paths in them are joined with "\" as the system's own
// programs name files: given a folder named with "\" only, no text of the
// run holds a "/".
Texts RunIn(FakeRunView& view, const std::string& folder, FileSystem& files = SystemFileSystem()) {
  Generator(view, folder, files).PD();
  Texts texts;
  for (const auto& message : view.messages) texts.push_back(message.text);
  if (folder.find('/') == std::string::npos) {
    for (const std::string& text : texts) EXPECT_EQ(text.find('/'), std::string::npos) << text;
    EXPECT_EQ(view.status.find('/'), std::string::npos) << view.status;
  }
  return texts;
}

std::wstring Wide(const std::string& utf8) { return PathOf(utf8).wstring(); }

// What a second copy of the program, started now, showed when it ran in
// folder: its messages, each on a line ending in CR LF.
std::string SecondCopyIn(const std::string& folder) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE reading = nullptr;
  HANDLE writing = nullptr;
  if (!::CreatePipe(&reading, &writing, &inherited, 0)) return "no pipe";
  ::SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writing;
  startup.hStdError = writing;
  // A backslash before the closing quote would escape it.
  const std::wstring argument = Wide(folder) + (folder.ends_with('\\') ? L"\\" : L"");
  std::wstring command =
      L"\"" + Wide(PathInFolder(ProgramFolder(), "second_copy.exe")) + L"\" \"" + argument + L"\"";
  PROCESS_INFORMATION process{};
  const BOOL started =
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  ::CloseHandle(writing);
  std::string output = started ? "" : "not started: " + Text(static_cast<int>(::GetLastError()));
  char chunk[256];
  for (DWORD got = 0; ::ReadFile(reading, chunk, sizeof chunk, &got, nullptr) && got > 0;) output.append(chunk, got);
  ::CloseHandle(reading);
  if (started) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  return output;
}

TEST(WindowsFileExists, SeesFilesAndFoldersWhoeverHoldsThemButNotMissingNames) {
  TempFolder folder;
  WriteFile(folder / "file", "x");
  ASSERT_TRUE(std::filesystem::create_directory(PathOf(folder / "folder")));
  const HANDLE held =
      ::CreateFileW(PathOf(folder / "file").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(Module1::FileExists(folder / "file"));
  EXPECT_TRUE(Module1::FileExists(folder / "folder"));
  EXPECT_FALSE(Module1::FileExists(folder / "missing"));
  EXPECT_FALSE(Module1::FileExists(folder / "file/below-a-file"));
  EXPECT_FALSE(Module1::FileExists(""));
  EXPECT_FALSE(Module1::FileExists(folder / "file\xff"));
  ::CloseHandle(held);
}

TEST(WindowsFiles, AFolderWithTheFilesNameMakesTheDeleteFailAndIsKept) {
  TempFolder folder;
  ASSERT_TRUE(std::filesystem::create_directory(PathOf(folder / "Morvane-11-20.txt")));
  FakeRunView view;
  view.to = "25";
  view.linesPerFile = "10";
  // The system's own words, without their line end: wine's, or Windows'.
  const std::string reason = Text(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(reason == "Access denied." || reason == "Access is denied.") << reason;
  EXPECT_EQ(RunIn(view, folder.path()), Texts{"Cannot delete " + (folder / "Morvane-11-20.txt") + ": " + reason});
  EXPECT_TRUE(std::filesystem::is_directory(PathOf(folder / "Morvane-11-20.txt")));
  EXPECT_EQ(Contents(folder / "Morvane-1-10.txt"), ExpectedRecords("1", "10"));
}

// Characters no Windows file name may hold, and a ':' that on NTFS would
// write into a stream hidden inside a file "Morvane-1": refused with the
// program's own words before any file is made.
TEST(WindowsFiles, ANameWindowsForbidsEndsTheRunBeforeAnyFileIsMade) {
  const std::pair<std::string, std::string> cases[] = {
      {"1?", "\"?\""}, {"1*", "\"*\""}, {"1<", "\"<\""}, {"1>", "\">\""}, {"1|", "\"|\""},
      {"1\"", "\"\"\""}, {"1:stream", "\":\""}, {"1\t", "a control character (code 9)"},
  };
  for (const auto& [from, what] : cases) {
    SCOPED_TRACE(from);
    TempFolder folder;
    FakeRunView view;
    view.from = from;
    view.to = "5";
    EXPECT_EQ(RunIn(view, folder.path()), Texts{"Bad file name: the From number holds " + what +
                                                ", which cannot be part of a file name in the program folder"});
    EXPECT_TRUE(folder.Names().empty());
  }
}

// The name was cleared just before: whatever has it at the create was put
// there by someone else, and stays. Once the run has the file, others may
// read it, but not write or delete it under the run. The calls that put the
// file on its disk, which every run to "Finished." makes, work on it.
TEST(NativeFileSystem, TheFileIsCreatedOnlyNewAndOthersMayOnlyReadItDuringTheRun) {
  TempFolder folder;
  const std::string path = folder / "out.txt";
  NativeFileSystem files;
  FileHandle file = kNoFile;
  WriteFile(path, "someone else's");
  EXPECT_EQ(files.CreateNew(path, file), ERROR_FILE_EXISTS);
  EXPECT_EQ(Contents(path), "someone else's");

  ASSERT_EQ(files.Unlink(path), 0);
  ASSERT_EQ(files.CreateNew(path, file), 0);
  std::size_t written = 0;
  ASSERT_EQ(files.Write(file, "record\r\n", 8, written), 0);
  EXPECT_FALSE(::DeleteFileW(PathOf(path).c_str()));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  bool named = false;
  EXPECT_EQ(files.HasName(file, named), 0);
  EXPECT_TRUE(named);
  for (const DWORD access : {DWORD{GENERIC_WRITE}, DWORD{GENERIC_READ}}) {
    const HANDLE other = ::CreateFileW(PathOf(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other != INVALID_HANDLE_VALUE, access == GENERIC_READ) << access;
    ::CloseHandle(other);
  }
  // On the disk: a flush on a handle that may not write fails with the
  // system's reason, at once or, begun in the background, when the run
  // waits for its files, once.
  EXPECT_EQ(files.StartWriteBack(file), 0);
  EXPECT_EQ(files.FlushFile(file), 0);
  const HANDLE reader = ::CreateFileW(PathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(files.FlushFile(reinterpret_cast<FileHandle>(reader)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(files.StartWriteBack(reinterpret_cast<FileHandle>(reader)), 0);
  ::CloseHandle(reader);
  EXPECT_EQ(files.Close(file), 0);
  EXPECT_EQ(files.FlushClosedFiles(folder.path()), ERROR_ACCESS_DENIED);
  EXPECT_EQ(files.FlushClosedFiles(folder.path()), 0);
  EXPECT_EQ(files.FlushFolder(folder.path()), 0);
  EXPECT_EQ(Contents(path), "record\r\n");
}

// Runs a command of the system under wine, which starts Linux programs as
// its own (and tells no exit status of theirs).
void RunUnixCommand(std::wstring command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
}

// A drive letter made now for folder, "" where none can be: the system's
// own, and under wine, whose drives are links in its prefix, such a link.
std::string DriveFor(const std::string& folder) {
  std::string drive = "B:";
  while (drive[0] < 'Z' && ::GetLogicalDrives() & (1U << (drive[0] - 'A'))) ++drive[0];
  using UnixName = char* (*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  const char* prefix = std::getenv("WINEPREFIX");
  if (!unixName || !prefix) return ::DefineDosDeviceW(0, Wide(drive).c_str(), PathOf(folder).c_str()) ? drive : "";
  char* const target = unixName(PathOf(folder).c_str());
  // Wine's links name their drives in small letters.
  const std::wstring link = Wide(prefix) + L"/dosdevices/" + static_cast<wchar_t>(drive[0] - 'A' + 'a') + L":";
  RunUnixCommand(L"Z:\\bin\\ln -s \"" + Wide(target) + L"\" \"" + link + L"\"");
  ::HeapFree(::GetProcessHeap(), 0, target);
  // Wine may tell the command ended before it has.
  for (int tries = 0; tries < 300; ++tries) {
    if (::GetFileAttributesW(Wide(drive + "\\").c_str()) != INVALID_FILE_ATTRIBUTES) return drive;
    ::Sleep(100);
  }
  return "";
}

void RemoveDrive(const std::string& drive) {
  if (drive.empty()) return;
  if (const char* prefix = std::getenv("WINEPREFIX")) {
    RunUnixCommand(L"Z:\\bin\\rm \"" + Wide(prefix) + L"/dosdevices/" + static_cast<wchar_t>(drive[0] - 'A' + 'a') +
                   L":\"");
  } else {
    ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, Wide(drive).c_str(), nullptr);
  }
}

// One run per folder across processes, as the folder itself and not its name:
// a second copy started during a run is refused however it spells the folder,
// through a drive letter made during the run too, and runs once the first
// has ended.
TEST(OneRunPerFolder, ASecondCopyIsRefusedDuringARunHoweverItNamesTheFolder) {
  TempFolder folder;
  const std::string& path = folder.path();
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string slashes = path;
  std::replace(slashes.begin(), slashes.end(), '\\', '/');
  const std::string parent = FolderOfPath(path);
  Texts spellings = {path, upper, slashes, path + "\\..\\" + path.substr(parent.size() + 1)};
  Texts seconds;
  FakeRunView view;
  view.to = "25";
  view.linesPerFile = "10";
  std::string drive;
  view.onProcessEvents = [&](int passes) {
    if (passes != 5) return;
    drive = DriveFor(path);
    if (!drive.empty()) spellings.push_back(drive + "\\");
    for (const std::string& spelling : spellings) seconds.push_back(SecondCopyIn(spelling));
  };
  EXPECT_EQ(RunIn(view, path), Texts{"Finished."});
  RemoveDrive(drive);
  EXPECT_EQ(spellings.size(), 5U) << "no drive letter could be made for the folder";
  ASSERT_EQ(seconds.size(), spellings.size());
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    EXPECT_EQ(seconds[i], "Another copy of the program is writing its files in " + spellings[i] +
                              ". Wait until it has finished, or start this copy from another folder.\r\n");
  }
  EXPECT_EQ(Contents(folder / "Morvane-1-10.txt") + Contents(folder / "Morvane-11-20.txt") +
                Contents(folder / "Morvane-21-25.txt"),
            ExpectedRecords("1", "25"));
  EXPECT_EQ(SecondCopyIn(path), "Finished.\r\n");
  EXPECT_EQ(Contents(folder / "Morvane-1-10.txt"), ExpectedRecords("1", "3"));
}

// deep_folder_test.sh runs this again from a copy of the program in a folder
// named in scripts that no ANSI code page holds all of, and deeper than the
// 260 characters of a plain Windows path.
TEST(ProgramFolder, HoldsTheProgramAndTakesARunsFilesInPlaceOfOldOnes) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(Module1::FileExists(folder + "\\windows_files_test.exe")) << folder;
  const Texts names = {"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"};
  std::ofstream(PathOf(PathInFolder(folder, names[1])), std::ios::binary) << "left by an earlier run\r\n";
  ASSERT_TRUE(Module1::FileExists(PathInFolder(folder, names[1])));
  FakeRunView view;
  view.to = "25";
  view.linesPerFile = "10";
  EXPECT_EQ(RunIn(view, folder), Texts{"Finished."});
  EXPECT_EQ(view.status, "Files saved to " + folder);
  std::string written;
  for (const std::string& name : names) {
    written += Contents(PathInFolder(folder, name));
    std::filesystem::remove(PathOf(PathInFolder(folder, name)));
  }
  EXPECT_EQ(written, ExpectedRecords("1", "25"));
  FileSystem::Space space;
  EXPECT_EQ(SystemFileSystem().SpaceOf(folder, space), 0);
  EXPECT_GT(space.block, 0U) << "no cluster size for " << folder;
}

// ---- A real small disk: run by on_small_disk.sh, which names it ----

class SmallDisk : public testing::Test {
 protected:
  void SetUp() override {
    const char* disk = std::getenv("MORVANE_SMALL_DISK");
    ASSERT_NE(disk, nullptr) << "run through on_small_disk.sh";
    disk_ = disk;
  }
  // What one test leaves would fill the disk for the next.
  void TearDown() override { std::filesystem::remove(PathOf(PathInFolder(disk_, "Morvane-1-100000.txt"))); }

  // What the program may still write on the disk, and the disk's size.
  std::pair<std::uint64_t, std::uint64_t> Space() const {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER size{};
    ::GetDiskFreeSpaceExW(PathOf(disk_).c_str(), &available, &size, nullptr);
    return {available.QuadPart, size.QuadPart};
  }

  void ExpectFailedWithWholeRecords(const Texts& messages, const std::string& message) const {
    EXPECT_EQ(messages, Texts{message});
    const std::string written = Contents(PathInFolder(disk_, "Morvane-1-100000.txt"));
    EXPECT_EQ(written, ExpectedRecords("1", "100000").substr(0, written.size()));
    EXPECT_TRUE(written.ends_with("\r\n"));
  }

  std::string disk_;
};

// A file system that does not tell its space: the reserve stands aside.
class UntoldSpace : public NativeFileSystem {
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
  const Texts messages = RunIn(view, disk_, files);
  const std::string path = PathInFolder(disk_, "Morvane-1-100000.txt");
  ExpectFailedWithWholeRecords(messages, "Cannot write " + path + ": " + Text(ERROR_DISK_FULL));
  EXPECT_GT(Contents(path).size(), Space().second - OutputFile::kDefaultBufferBytes);
}

// A file's last cluster is taken whole: the free space of a disk that held
// no file drops by one cluster for a file of one byte.
TEST_F(SmallDisk, AFileOfOneByteTakesOneCluster) {
  NativeFileSystem files;
  FileSystem::Space before;
  ASSERT_EQ(files.SpaceOf(disk_, before), 0);
  FileHandle file = kNoFile;
  ASSERT_EQ(files.CreateNew(PathInFolder(disk_, "Morvane-1-100000.txt"), file), 0);
  std::size_t written = 0;
  EXPECT_EQ(files.Write(file, "1", 1, written), 0);
  EXPECT_EQ(files.Close(file), 0);
  EXPECT_EQ(before.available - Space().first, before.block);
}

// The figure the message gives is what was free at the last check less what
// the run wrote since; the disk takes the file's last cluster whole, so that
// the figure may be up to one cluster more than is left.
TEST_F(SmallDisk, TheReserveStopsTheRunWithWholeRecords) {
  FakeRunView view;
  const Texts messages = RunIn(view, disk_);
  const auto [available, size] = Space();
  FileSystem::Space space;
  ASSERT_EQ(SystemFileSystem().SpaceOf(disk_, space), 0);
  std::string message;
  for (std::uint64_t left = available; left <= available + space.block && messages != Texts{message}; ++left) {
    message = "Stopped before the disk is full: only " + SizeText(left) + " left in " + disk_ + " (the program keeps " +
              SizeText(size / FreeSpaceReserve::kPartsOfSizeKept) + " free).";
  }
  ExpectFailedWithWholeRecords(messages, message);
}

}  // namespace
}  // namespace morvane
