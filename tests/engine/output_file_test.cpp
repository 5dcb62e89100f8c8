// The output file on its own: the existence test, replacing what has the
// file's name, and the system's failures reported with the file and reason.
#include "engine/output_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <string>

#include "engine/module1.h"
#include "number/failure.h"
#include "tests/engine/engine_test_support.h"

namespace morvane {
namespace {

using enginetest::FailingFileSystem;
using enginetest::ReadFile;
using enginetest::TempFolder;
using enginetest::WriteFile;

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

TEST(OutputFileClose, AFailingFlushAtCloseIsAFailureAndStillReleasesTheFile) {
  TempFolder folder;
  // Operations: open (1), the flush at close (2), close (3).
  FailingFileSystem files(2, false, ENOSPC);
  OutputFile file(files);
  file.Open(folder / "out.txt");
  file.Write("buffered record\r\n");
  try {
    file.Close();
    FAIL() << "a lost buffer was reported as written";
  } catch (const Failure& failure) {
    EXPECT_EQ(std::string(failure.description()),
              "Cannot write " + (folder / "out.txt") + ": No space left on device");
  }
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(files.openFiles(), 0);
}

TEST(OutputFileClose, AFailingCloseIsAFailure) {
  TempFolder folder;
  FailingFileSystem files(3, false, EIO);
  OutputFile file(files);
  file.Open(folder / "out.txt");
  file.Write("record\r\n");
  EXPECT_THROW(file.Close(), Failure);
  EXPECT_EQ(files.openFiles(), 0);
  EXPECT_EQ(ReadFile(folder / "out.txt"), "record\r\n");
}

TEST(OutputFileWrite, WritingAfterTheFileWasClosedIsAFailureNotACrash) {
  TempFolder folder;
  OutputFile file(SystemFileSystem());
  file.Open(folder / "out.txt");
  file.CloseQuietly();
  EXPECT_THROW(file.Write("late"), Failure);
}

}  // namespace
}  // namespace morvane
