// The output file on its own: the existence test, replacing what has the
// file's name, and the system's failures reported with the file and reason.
#include "engine/files/output_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "engine/files/free_space_reserve.h"
#include "engine/files/module1.h"
#include "engine/files/native_file_system.h"
#include "number/failure.h"
#include "tests/engine/engine_test_support.h"

namespace morvane {
namespace {

using enginetest::FailingFileSystem;
using enginetest::ReadFile;
using enginetest::TempFolder;
using enginetest::WriteFile;

// The description of the Failure that action throws; the test fails, saying
// why, when it throws none.
template <typename Action>
std::string FailureOf(Action action, const char* notThrown) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.description();
  }
  ADD_FAILURE() << notThrown;
  return {};
}

// Windows: links, folders and the existence test are tested with the Windows
// file layer (tests/windows).
#ifndef _WIN32
TEST(FileExists, SeesFilesFoldersAndLinksButNotMissingNames) {
  TempFolder folder;
  WriteFile(folder / "file", "x");
  ASSERT_EQ(::mkdir((folder / "folder").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("nowhere", (folder / "dangling").c_str()), 0);
  EXPECT_TRUE(Module1::FileExists(folder / "file"));
  EXPECT_TRUE(Module1::FileExists(folder / "folder"));
  EXPECT_TRUE(Module1::FileExists(folder / "dangling"));
  EXPECT_FALSE(Module1::FileExists(folder / "missing"));
  EXPECT_FALSE(Module1::FileExists(folder / "file/below-a-file"));
  EXPECT_FALSE(Module1::FileExists(""));
}
#endif

TEST(OutputFileOpen, ReplacesAnOldFileInsteadOfAppendingToIt) {
  TempFolder folder;
  WriteFile(folder / "out.txt", "old contents that are longer than the new ones");
  OutputFile file(SystemFileSystem());
  file.Open(folder / "out.txt");
  file.Write("new");
  file.Close();
  EXPECT_EQ(ReadFile(folder / "out.txt"), "new");
}

#ifndef _WIN32
TEST(OutputFileOpen, ReplacesADanglingLinkRatherThanWritingThroughIt) {
  TempFolder folder;
  ASSERT_EQ(::symlink((folder / "target").c_str(), (folder / "out.txt").c_str()), 0);
  OutputFile file(SystemFileSystem());
  file.Open(folder / "out.txt");
  file.Write("records");
  file.Close();
  EXPECT_EQ(ReadFile(folder / "out.txt"), "records");
  EXPECT_FALSE(Module1::FileExists(folder / "target"));
}

TEST(OutputFileOpen, AFolderWithTheNameMakesTheDeleteFailAndIsKept) {
  TempFolder folder;
  ASSERT_EQ(::mkdir((folder / "out.txt").c_str(), 0700), 0);
  OutputFile file(SystemFileSystem());
  try {
    file.Open(folder / "out.txt");
    FAIL() << "a folder was taken for a file";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kFileAccessError);
    EXPECT_EQ(std::string(failure.description()), "Cannot delete " + (folder / "out.txt") + ": Is a directory");
  }
  struct stat status {};
  ASSERT_EQ(::stat((folder / "out.txt").c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_FALSE(file.is_open());
}
#endif

// Another program creates the name between the delete and the create: its
// file is neither appended to nor, after a failure, cut back.
TEST(OutputFileOpen, ANameThatReappearsAfterTheDeleteIsAFailureNotAnAppend) {
  class Intruder : public NativeFileSystem {
   public:
    int CreateNew(const std::string& path, FileHandle& file) noexcept override {
      WriteFile(path, "another program's records\r\n");
      return NativeFileSystem::CreateNew(path, file);
    }
  } files;
  TempFolder folder;
  WriteFile(folder / "out.txt", "old");
  OutputFile file(files);
  EXPECT_EQ(FailureOf([&] { file.Open(folder / "out.txt"); }, "another program's file was taken for ours"),
            "Cannot create " + (folder / "out.txt") + ": " + enginetest::ReasonFor(enginetest::Refusal::kNameTaken));
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(ReadFile(folder / "out.txt"), "another program's records\r\n");
}

// A system that takes at most a few bytes per call, as a pipe or a nearly
// full disk may.
class TrickleFileSystem : public NativeFileSystem {
 public:
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override {
    return NativeFileSystem::Write(file, data, size < 3 ? size : 3, written);
  }
};

TEST(OutputFileWrite, ShortWritesLoseNoBytesWhateverTheBufferSize) {
  for (const std::size_t bufferBytes : {std::size_t{0}, std::size_t{5}, std::size_t{64}}) {
    SCOPED_TRACE(bufferBytes);
    TempFolder folder;
    TrickleFileSystem files;
    OutputFile file(files, bufferBytes);
    file.Open(folder / "out.txt");
    std::string expected;
    for (int i = 0; i < 40; ++i) {
      const std::string piece = std::string(static_cast<std::size_t>(i % 9), 'a' + static_cast<char>(i % 26)) + "\r\n";
      file.Write(piece);
      expected += piece;
    }
    file.Close();
    EXPECT_EQ(ReadFile(folder / "out.txt"), expected);
  }
}

// Records formatted in place through Reserve and Commit must reach the file
// in order and in the same system writes as Write would make: a record that
// overtakes buffered bytes, or one left behind, would show here.
TEST(OutputFileReserve, CommittedBytesGoOutExactlyAsWrittenOnes) {
  for (const std::size_t bufferBytes : {std::size_t{0}, std::size_t{5}, std::size_t{64}}) {
    SCOPED_TRACE(bufferBytes);
    TempFolder folder;
    FailingFileSystem writtenFiles(0, false, 0);
    FailingFileSystem committedFiles(0, false, 0);
    OutputFile written(writtenFiles, bufferBytes);
    OutputFile committed(committedFiles, bufferBytes);
    written.Open(folder / "written.txt");
    committed.Open(folder / "committed.txt");
    std::string expected;
    for (int i = 0; i < 60; ++i) {
      const std::string piece(static_cast<std::size_t>(i * 37 % 101), 'a' + static_cast<char>(i % 26));
      written.Write(piece);
      if (i % 3 == 0) {
        committed.Write(piece);
      } else {
        char* room = committed.Reserve();
        piece.copy(room, piece.size());
        committed.Commit(room + piece.size());
      }
      expected += piece;
    }
    written.Close();
    committed.Close();
    EXPECT_EQ(ReadFile(folder / "committed.txt"), expected);
    EXPECT_EQ(committedFiles.operations(), writtenFiles.operations());
  }
}

// The free-space reserve's rules, on disks whose space other programs take
// too. Records of 100 bytes go into files of recordsPerFile records (0: one
// file); before record othersAt other programs leave othersLeave bytes above
// the reserve, on a disk that tells its space from the start or, with a
// headroom of kUntold, only from then on. The run must be refused after taking at most mostTaken bytes,
// and where other programs leave it room, the first file must end with
// every record that fits.
TEST(OutputFileReserve, TheReserveIsAskedOftenEnoughAndNeverCrossed) {
  constexpr std::uint64_t kSmallDisk = 100 << 20;
  constexpr std::uint64_t kLargeDisk = std::uint64_t{1} << 40;
  constexpr std::uint64_t kNever = ~std::uint64_t{0};
  constexpr std::uint64_t kUntold = kNever;
  struct Case {
    const char* rule;
    std::uint64_t disk;
    std::uint64_t headroom;
    std::uint64_t recordsPerFile;
    std::uint64_t othersAt;
    std::uint64_t othersLeave;
    std::uint64_t mostTaken;
    std::uint64_t fileBytes;
  };
  const Case cases[] = {
      {"asks again once the run could have eaten half the headroom", kSmallDisk, 1 << 20, 0, 1, 0, 512 << 10, kNever},
      {"asks again at least every 16 MiB", kLargeDisk, 64 << 20, 0, 1, 0, 16 << 20, kNever},
      {"asks again every 16 MiB a disk that did not tell", kLargeDisk, kUntold, 0, 1, 0, 16 << 20, kNever},
      {"asks again at every file", kSmallDisk, 1 << 20, 10, 10, 0, 1000, kNever},
      {"writes every record that fits and no more", kSmallDisk, (300 << 10) + 50, 0, kNever, 0, 300 << 10, 300 << 10},
      {"writes the buffered records that still fit", kSmallDisk, 300 << 10, 0, 1000, 30050, 150 << 10, 30000},
  };
  const std::string record = std::string(98, 'r') + "\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    TempFolder folder;
    FailingFileSystem files(0, false, 0);
    const std::uint64_t kept = std::min(FreeSpaceReserve::kMostKept, c.disk / FreeSpaceReserve::kPartsOfSizeKept);
    // A disk of size 0 does not tell its space.
    files.space = c.headroom == kUntold ? FileSystem::Space{} : FileSystem::Space{kept + c.headroom, c.disk};
    OutputFile file(files);
    std::uint64_t taken = 0;
    try {
      for (std::uint64_t records = 0; taken <= c.mostTaken; ++records) {
        if (records == c.othersAt) files.space = FileSystem::Space{kept + files.bytesWritten() + c.othersLeave, c.disk};
        if (records == 0 || (c.recordsPerFile != 0 && records % c.recordsPerFile == 0)) {
          file.Close();
          file.Open(folder / std::to_string(records));
        }
        file.Write(record);
        taken += record.size();
      }
      ADD_FAILURE() << "not refused after " << taken << " bytes";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kDiskFullError) << failure.description();
    }
    EXPECT_LE(taken, c.mostTaken);
    if (c.fileBytes != kNever) {
      EXPECT_EQ(ReadFile(folder / "0").size(), c.fileBytes);
    }
  }
}

TEST(OutputFileClose, AFailingFlushAtCloseIsAFailureAndStillReleasesTheFile) {
  TempFolder folder;
  // Operations: open (1), the flush at close (2), close (3).
  FailingFileSystem files(2, false, ENOSPC);
  OutputFile file(files);
  file.Open(folder / "out.txt");
  file.Write("buffered record\r\n");
  EXPECT_EQ(FailureOf([&] { file.Close(); }, "a lost buffer was reported as written"),
            "Cannot write " + (folder / "out.txt") + ": No space left on device");
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(files.openFiles(), 0);
}

// Windows lets nobody delete the file during the run (tests/windows).
#ifndef _WIN32
TEST(OutputFileClose, AFileDeletedWhileItWasWrittenIsAFailureNotSaved) {
  TempFolder folder;
  OutputFile file(SystemFileSystem());
  file.Open(folder / "out.txt");
  file.Write("record\r\n");
  ASSERT_EQ(::unlink((folder / "out.txt").c_str()), 0);
  EXPECT_EQ(FailureOf([&] { file.Close(); }, "records in a deleted file were reported as written"),
            "Cannot write " + (folder / "out.txt") + ": The file was deleted while it was being written");
  EXPECT_FALSE(file.is_open());
}
#endif

TEST(OutputFileClose, AFailingCloseIsAFailure) {
  TempFolder folder;
  // Open, write, start the write-back, close.
  FailingFileSystem files(4, false, EIO);
  OutputFile file(files);
  file.Open(folder / "out.txt");
  file.Write("record\r\n");
  EXPECT_THROW(file.Close(), Failure);
  ASSERT_EQ(files.operations().size(), 4U);
  EXPECT_EQ(files.operations()[3], FailingFileSystem::Operation::kClose);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(ReadFile(folder / "out.txt"), "record\r\n");
}

// The file's own failures are described in its own words: an error number
// of its making would read as something else on another system.
TEST(OutputFileWrite, WritingAfterTheFileWasClosedIsAFailureNotACrash) {
  TempFolder folder;
  OutputFile file(SystemFileSystem());
  file.Open(folder / "out.txt");
  file.CloseQuietly();
  EXPECT_EQ(FailureOf([&] { file.Write("late"); }, "a write with no file open was taken"),
            "Cannot write " + (folder / "out.txt") + ": No file is open");
}

// A system that takes part of the bytes and then, a few times over, none of
// them and reports no error: asked again it might never take them.
TEST(OutputFileWrite, ASystemThatTakesNothingAndSaysNothingIsAFailure) {
  class Stalling : public NativeFileSystem {
   public:
    int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override {
      written = 0;
      if (calls++ == 0) return NativeFileSystem::Write(file, data, 9, written);
      return calls < 5 ? 0 : NativeFileSystem::Write(file, data, size, written);
    }
    int calls = 0;
  } files;
  TempFolder folder;
  OutputFile file(files);
  file.Open(folder / "out.txt");
  file.Write("whole\r\npart of a record\r\n");
  EXPECT_EQ(FailureOf([&] { file.Close(); }, "bytes the system never took were reported as written"),
            "Cannot write " + (folder / "out.txt") + ": The system took none of the bytes and reported no error");
  EXPECT_EQ(ReadFile(folder / "out.txt"), "whole\r\n");
}

}  // namespace
}  // namespace morvane
