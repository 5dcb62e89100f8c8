// A power cut at any moment of a run: what the disk keeps is only what the
// run made durable, and what the run said was saved must be among it.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>

#include "engine/generator.h"
#include "tests/engine/engine_test_support.h"

namespace morvane {
namespace {

using enginetest::FakeRunView;
using Files = std::map<std::string, std::string>;

// A disk in memory that keeps apart what a flush made durable: each file's
// bytes as of its last flush, the folder's entries as of the folder's. At its
// cutAt-th call, whatever the call, the power goes: it notes what the disk
// would hold after it and whether the run had said its files were saved, and
// goes on as if nothing happened.
class PowerCutDisk : public FileSystem {
 public:
  PowerCutDisk(int cutAt, const FakeRunView& view) : cutAt_(cutAt), view_(view) {}

  bool Exists(const std::string& path) noexcept override {
    Tick();
    return live_.count(path) > 0;
  }
  int Unlink(const std::string& path) noexcept override {
    Tick();
    return live_.erase(path) ? 0 : ENOENT;
  }
  int CreateNew(const std::string& path, FileHandle& file) noexcept override {
    Tick();
    if (live_.count(path)) return EEXIST;
    live_[path] = open_[file = ++lastHandle_] = std::make_shared<Data>();
    return 0;
  }
  int Write(FileHandle file, const char* data, std::size_t size, std::size_t& written) noexcept override {
    Tick();
    open_.at(file)->bytes.append(data, written = size);
    return 0;
  }
  int Truncate(FileHandle file, std::uint64_t length) noexcept override {
    Tick();
    open_.at(file)->bytes.resize(length);
    return 0;
  }
  int Close(FileHandle file) noexcept override {
    Tick();
    open_.at(file)->closed = true;
    open_.erase(file);
    return 0;
  }
  // Started, as on Linux, with no promise of when it ends.
  int StartWriteBack(FileHandle) noexcept override {
    Tick();
    return 0;
  }
  int FlushFile(FileHandle file) noexcept override {
    Tick();
    open_.at(file)->Flush();
    return 0;
  }
  int FlushClosedFiles(const std::string&) noexcept override {
    Tick();
    for (auto& [path, data] : live_) {
      if (data->closed) data->Flush();
    }
    return 0;
  }
  int FlushFolder(const std::string&) noexcept override {
    Tick();
    durable_ = live_;
    return 0;
  }
  int HasName(FileHandle, bool& named) noexcept override {
    Tick();
    named = true;
    return 0;
  }
  int LockFolder(const std::string&, FileHandle& lock, bool&) noexcept override {
    Tick();
    lock = 0;
    return 0;
  }
  void UnlockFolder(FileHandle) noexcept override { Tick(); }
  int SpaceOf(const std::string&, Space& space) noexcept override {
    Tick();
    space = {std::uint64_t{1} << 40, std::uint64_t{1} << 40, 4096};
    return 0;
  }

  // A file already on the disk, durable.
  void Put(const std::string& path, const std::string& bytes) {
    live_[path] = std::make_shared<Data>(Data{bytes, bytes, true});
    durable_ = live_;
  }
  // What the files hold now, and what would be left of them after a power
  // cut now.
  Files Live() const {
    Files files;
    for (const auto& [path, data] : live_) files[path] = data->bytes;
    return files;
  }
  Files AfterPowerCut() const {
    Files files;
    for (const auto& [path, data] : durable_) files[path] = data->durable;
    return files;
  }
  // The run said so: "Finished." or the saved-to line.
  bool SaidSaved() const {
    return view_.status.find("saved to") != std::string::npos ||
           (!view_.messages.empty() && view_.messages.back().text == "Finished.");
  }

  int calls = 0;
  Files atCut;
  bool saidSavedAtCut = false;

 private:
  struct Data {
    std::string bytes;
    std::string durable;
    bool closed = false;
    void Flush() { durable = bytes; }
  };

  void Tick() {
    if (++calls != cutAt_) return;
    atCut = AfterPowerCut();
    saidSavedAtCut = SaidSaved();
  }

  int cutAt_;
  const FakeRunView& view_;
  std::map<std::string, std::shared_ptr<Data>> live_;
  std::map<std::string, std::shared_ptr<Data>> durable_;
  std::map<FileHandle, std::shared_ptr<Data>> open_;
  FileHandle lastHandle_ = 0;
};

// Runs from 1 to 25 by 10 over a file of an earlier run, to the end and
// stopped, through a buffer of a few records; the power goes at each call
// of the file layer in turn, and once after the run. Whatever it shows, the
// run said its files were saved only once every record was on the disk; and
// before, the disk holds the earlier run's file or whole records only.
TEST(PowerCut, WhatARunSaysIsSavedIsOnTheDiskAndEveryFileEndsAtARecord) {
  const std::string folder = "disk";
  const std::string oldPath = PathInFolder(folder, "Morvane-11-20.txt");
  const std::string oldBytes = "left by an earlier run\r\n";
  for (const int stopAtPass : {0, 13}) {
    for (int cutAt = 1;; ++cutAt) {
      SCOPED_TRACE("stop at pass " + std::to_string(stopAtPass) + ", power cut at call " + std::to_string(cutAt));
      FakeRunView view;
      PowerCutDisk disk(cutAt, view);
      disk.Put(oldPath, oldBytes);
      Generator run(view, folder, disk, 64, enginetest::ArithmeticUnderTest());
      view.onProcessEvents = [&](int passes) {
        if (passes == stopAtPass) run.RequestStop();
      };
      view.from = "1";
      view.to = "25";
      view.linesPerFile = "10";
      run.PD();
      ASSERT_TRUE(disk.SaidSaved());
      const Files written = disk.Live();
      const bool afterTheRun = cutAt > disk.calls;
      const Files& left = afterTheRun ? disk.AfterPowerCut() : disk.atCut;
      if (afterTheRun || disk.saidSavedAtCut) {
        EXPECT_EQ(left, written);
      } else {
        for (const auto& [path, bytes] : left) {
          if (path == oldPath && bytes == oldBytes) continue;
          EXPECT_TRUE(written.at(path).starts_with(bytes)) << path;
          EXPECT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << path;
        }
      }
      if (afterTheRun) break;
    }
  }
}

}  // namespace
}  // namespace morvane
