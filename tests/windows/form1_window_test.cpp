// The Win32 window in this process, under wine: its controls where the
// layout puts them and what they hold, the keys a dialog answers, and runs
// started from it, with the message boxes answered as a user would.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleacc.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/files/windows_text.h"
#include "tests/engine/engine_test_support.h"
#include "ui/shared/form1_layout.h"
#include "ui/win32/form1_window.h"

namespace morvane {
namespace {

using enginetest::ExpectedRecords;
using enginetest::ReadFile;
using enginetest::TempFolder;
using Id = Form1::ControlId;

constexpr auto kDeadline = std::chrono::seconds(60);

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return windows::Utf8(text);
}

// Polls, with a deadline far beyond what the window needs, for what another
// thread is to do.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Answers the message boxes of this process one after the other from a
// thread of its own, with OK, and keeps what each showed. The boxes are the
// system's, modal in the window's thread, which the test's presses block.
class BoxAnswerer {
 public:
  struct Seen {
    std::string title;
    std::string text;
    // IDI_WARNING, IDI_INFORMATION or IDI_ERROR; nullptr for another icon.
    const wchar_t* icon;
  };

  BoxAnswerer() : thread_([this] { Answer(); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Seen> seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  std::vector<std::string> texts() {
    std::vector<std::string> texts;
    for (const Seen& box : seen()) texts.push_back(box.text);
    return texts;
  }

 private:
  static Seen Look(HWND box) {
    // The text is the box's longest static control; the icon is another.
    Seen seen{TextOf(box), "", nullptr};
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
          auto& seen = *reinterpret_cast<Seen*>(found);
          wchar_t className[16] = {};
          ::GetClassNameW(child, className, 16);
          if (lstrcmpiW(className, L"Static") != 0) return TRUE;
          std::string text = TextOf(child);
          if (text.size() > seen.text.size()) seen.text = std::move(text);
          const auto icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
          for (const wchar_t* kind : {IDI_WARNING, IDI_INFORMATION, IDI_ERROR}) {
            if (icon && icon == ::LoadIconW(nullptr, kind)) seen.icon = kind;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    return seen;
  }

  static HWND FindBox() {
    HWND box = nullptr;
    while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr))) {
      DWORD process = 0;
      ::GetWindowThreadProcessId(box, &process);
      if (process == ::GetCurrentProcessId()) return box;
    }
    return nullptr;
  }

  void Answer() {
    while (!stop_) {
      const HWND box = FindBox();
      if (!box) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      {
        std::lock_guard lock(mutex_);
        seen_.push_back(Look(box));
      }
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      // The next box may open the moment this one closes: wait for this
      // one's handle to go, not for no box at all.
      WaitFor([box] { return !::IsWindow(box); });
    }
  }

  std::atomic<bool> stop_ = false;
  std::mutex mutex_;
  std::vector<Seen> seen_;
  std::thread thread_;
};

class Form1Window : public ::testing::Test {
 protected:
  Form1Window() { Open(); }

  // A new window writing into a new empty folder.
  void Open() {
    form_.reset();
    folder_ = std::make_unique<TempFolder>();
    form_ = std::make_unique<Form1>(::GetModuleHandleW(nullptr), folder_->path());
    form_->Show(SW_SHOWNORMAL);
  }

  HWND Control(int id) const {
    const HWND control = ::GetDlgItem(form_->window(), id);
    // Label1 sits in Frame2.
    return control ? control : ::GetDlgItem(::GetDlgItem(form_->window(), Id::kFrame2), id);
  }

  // The messages waiting in the thread's queue, as the program's loop
  // handles them; a press of Start returns once its run is over.
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) form_->Dispatch(message);
  }

  void Key(HWND control, WPARAM key) {
    ::PostMessageW(control, WM_KEYDOWN, key, 0);
    ::PostMessageW(control, WM_KEYUP, key, 0);
    Pump();
  }

  void Enter(const char* from, const char* to, const char* lines) {
    ::SetWindowTextA(Control(Id::kTxFrom), from);
    ::SetWindowTextA(Control(Id::kTxTo), to);
    ::SetWindowTextA(Control(Id::kCombo1), lines);
  }

  std::string FileText(std::string_view name) const { return ReadFile(*folder_ / name); }

  std::string ToolTipOf(HWND control) const {
    const HWND tips = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    wchar_t tip[512] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form_->window();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip;
    ::SendMessageW(tips, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return windows::Utf8(tip);
  }

  std::unique_ptr<TempFolder> folder_;
  std::unique_ptr<Form1> form_;
};

struct Placed {
  int id;
  form1::Twips twips;
  const char* text;
};

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return RECT{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::string Show(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right) + "x" +
         std::to_string(rect.bottom);
}

TEST_F(Form1Window, OpensWithTheControlsAtTheirPlacesAndContentsAtEveryDpi) {
  // The layout's twips, as pixels at each dpi; Label1 from Frame2's corner.
  const std::vector<Placed> table = {
      {Id::kCommand1, form1::kCommand1, "Start"},
      {Id::kTxFrom, form1::kTxFrom, "1"},
      {Id::kTxTo, form1::kTxTo, "1000000000000000"},
      {Id::kCombo1, form1::kCombo1, "# lines per file"},
      {Id::kFrame2, form1::kFrame2, ""},
      {Id::kLabel1, form1::kLabel1, "WARNING: Writes at full disk speed until To or a nearly full disk"},
      {Id::kTxCt, form1::kTxCt, ""},
      {Id::kProgressBar1, form1::kProgressBar1, ""},
      {Id::kLabel2, form1::kLabel2, ""},
      {Id::kLabel3, form1::kLabel3, ""},
  };
  EXPECT_EQ(TextOf(form_->window()), "Morvane");
  RECT client{};
  ::GetClientRect(form_->window(), &client);
  EXPECT_EQ(Show(client), Show({0, 0, form1::Pixels(form1::kClientWidth), form1::Pixels(form1::kClientHeight)}));
  EXPECT_EQ(::GetFocus(), Control(Id::kCommand1)) << "the button has the focus when the window opens";
  EXPECT_TRUE(::IsWindowEnabled(Control(Id::kCommand1)));

  const HWND combo = Control(Id::kCombo1);
  std::vector<std::string> entries;
  for (LRESULT i = 0; i < ::SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t entry[64] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
    entries.push_back(windows::Utf8(entry));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"# lines per file", "10000", "100000", "1000000", "10000000"}));
  EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);

  for (const UINT dpi : {96u, 192u}) {
    if (dpi != 96) {
      RECT suggested{0, 0, 900, 320};
      ::SendMessageW(form_->window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    }
    for (const Placed& control : table) {
      SCOPED_TRACE("control " + std::to_string(control.id) + " at " + std::to_string(dpi) + " dpi");
      const form1::Twips& at = control.twips;
      EXPECT_EQ(Show(RectInParent(Control(control.id))),
                Show({form1::Pixels(at.left, dpi), form1::Pixels(at.top, dpi), form1::Pixels(at.width, dpi),
                      form1::Pixels(at.height, dpi)}));
      EXPECT_EQ(TextOf(Control(control.id)), control.text);
    }
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Control(Id::kCommand1), WM_GETFONT, 0, 0)), sizeof(font),
                 &font);
    EXPECT_EQ(font.lfHeight, dpi == 96 ? -11 : -22) << "8.25 pt at " << dpi << " dpi";
    // The warning shows whole in the face the system gives for its font.
    const HWND warning = Control(Id::kLabel1);
    const HDC context = ::GetDC(warning);
    const HGDIOBJ before = ::SelectObject(context, reinterpret_cast<HFONT>(::SendMessageW(warning, WM_GETFONT, 0, 0)));
    const std::wstring text = windows::Utf16(TextOf(warning));
    SIZE needed{};
    ::GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &needed);
    ::SelectObject(context, before);
    ::ReleaseDC(warning, context);
    EXPECT_LE(needed.cx, RectInParent(warning).right) << "the warning at " << dpi << " dpi";
  }
}

TEST_F(Form1Window, WarningIsRedAndBoldStatusMonospaceOnTheButtonFaceAndTheListHasItsTip) {
  const HDC context = ::CreateCompatibleDC(nullptr);
  const auto colour = [&](int id, COLORREF* text) {
    ::SetTextColor(context, RGB(1, 2, 3));
    const auto brush = ::SendMessageW(form_->window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                                      reinterpret_cast<LPARAM>(Control(id)));
    *text = ::GetTextColor(context);
    return reinterpret_cast<HBRUSH>(brush);
  };
  COLORREF text = 0;
  colour(Id::kLabel1, &text);
  EXPECT_EQ(text, RGB(255, 0, 0));
  EXPECT_EQ(colour(Id::kTxCt, &text), ::GetSysColorBrush(COLOR_BTNFACE));
  ::DeleteDC(context);

  const auto fontOf = [this](int id) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
  };
  EXPECT_EQ(fontOf(Id::kLabel1).lfWeight, FW_BOLD);
  EXPECT_EQ(fontOf(Id::kTxCt).lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_TRUE(::GetWindowLongW(Control(Id::kTxCt), GWL_STYLE) & ES_READONLY);

  EXPECT_EQ(ToolTipOf(Control(Id::kCombo1)), "Select or enter file size in lines (default is 100,000)");
}

TEST_F(Form1Window, TabWalksTheButtonTheFieldsTheListAndTheStatusInTurn) {
  std::vector<int> visited;
  for (int i = 0; i < 6; ++i) {
    HWND focus = ::GetFocus();
    // The list's own edit field takes the focus for it.
    if (::GetParent(focus) == Control(Id::kCombo1)) focus = Control(Id::kCombo1);
    visited.push_back(::GetDlgCtrlID(focus));
    Key(::GetFocus(), VK_TAB);
  }
  EXPECT_EQ(visited,
            (std::vector<int>{Id::kCommand1, Id::kTxFrom, Id::kTxTo, Id::kCombo1, Id::kTxCt, Id::kCommand1}));
}

TEST_F(Form1Window, EnterOnTheButtonRunsToFinishedAfterTheWarningThenSpaceRunsAgain) {
  Enter("1", "25", "10");
  BoxAnswerer answerer;
  Key(Control(Id::kCommand1), VK_RETURN);

  ASSERT_EQ(answerer.texts().size(), 2u);
  const std::string plan = TextOf(Control(Id::kLabel3));
  EXPECT_NE(plan, "");
  EXPECT_EQ(answerer.texts()[0], "All data files will be saved to " + folder_->path() +
                                     "\r\n\r\nIf this is not a good location, click Cancel and copy the program "
                                     "to a dedicated folder.\r\n\r\n" +
                                     plan);
  EXPECT_EQ(answerer.texts()[1], "Finished.");
  for (const BoxAnswerer::Seen& box : answerer.seen()) EXPECT_EQ(box.title, "Morvane");
  EXPECT_EQ(answerer.seen()[0].icon, IDI_WARNING);
  EXPECT_EQ(answerer.seen()[1].icon, IDI_INFORMATION);
  EXPECT_EQ(folder_->Names(),
            (std::vector<std::string>{"Morvane-1-10.txt", "Morvane-11-20.txt", "Morvane-21-25.txt"}));
  EXPECT_EQ(FileText("Morvane-1-10.txt") + FileText("Morvane-11-20.txt") + FileText("Morvane-21-25.txt"),
            ExpectedRecords("1", "25"));
  EXPECT_EQ(TextOf(Control(Id::kTxCt)), "Files saved to " + folder_->path());
  EXPECT_EQ(ToolTipOf(Control(Id::kTxCt)), "Data files are being saved in " + folder_->path());
  EXPECT_EQ(TextOf(Control(Id::kCommand1)), "Start");
  EXPECT_EQ(::SendMessageW(Control(Id::kProgressBar1), PBM_GETPOS, 0, 0), 1000);
  EXPECT_NE(TextOf(Control(Id::kLabel2)), "") << "the progress line of the run's end";

  // Again with Space, the fields as they are now, and no warning.
  Enter("30", "37", "10");
  Key(Control(Id::kCommand1), VK_SPACE);
  EXPECT_EQ(answerer.texts().size(), 3u);
  EXPECT_EQ(FileText("Morvane-30-39.txt"), ExpectedRecords("30", "37"));
}

// Escape with the focus on the button, in the list's open drop-down, and
// before any run; a run stops after the number it is writing.
TEST_F(Form1Window, EscapeAnywhereStopsTheRunAndDisablesTheButtonForGood) {
  enum class Where { kButton, kOpenList, kBeforeAnyRun };
  for (const Where where : {Where::kButton, Where::kOpenList, Where::kBeforeAnyRun}) {
    SCOPED_TRACE("case " + std::to_string(static_cast<int>(where)));
    Open();
    const HWND button = Control(Id::kCommand1);
    const HWND combo = Control(Id::kCombo1);
    Enter("1", "1000000000000000", "1000000000");
    if (where == Where::kBeforeAnyRun) {
      Key(button, VK_ESCAPE);
      EXPECT_FALSE(::IsWindowEnabled(button));
      EXPECT_EQ(::GetFocus(), Control(Id::kTxFrom)) << "the keyboard goes on to the next control";
      continue;
    }
    BoxAnswerer answerer;
    COMBOBOXINFO list{};
    list.cbSize = sizeof(list);
    ::GetComboBoxInfo(combo, &list);
    std::thread user([&] {
      EXPECT_TRUE(WaitFor([&] { return !folder_->Names().empty(); })) << "no run began";
      const HWND target = where == Where::kButton ? button : list.hwndItem;
      if (where == Where::kOpenList) ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
      ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0);
      // Should Escape not stop it, Stop ends the run for the test to go on.
      if (!WaitFor([&] { return !::IsWindowEnabled(button); })) {
        ADD_FAILURE() << "Escape did not stop the run";
        ::PostMessageW(form_->window(), WM_COMMAND, MAKEWPARAM(Id::kCommand1, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
      }
    });
    ::SendMessageW(button, BM_CLICK, 0, 0);
    user.join();
    EXPECT_FALSE(::IsWindowEnabled(button));
    EXPECT_EQ(TextOf(button), "Stop");
    EXPECT_FALSE(::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) << "the list closes on Escape as usual";
    EXPECT_EQ(answerer.texts().size(), 1u) << "the warning, and no \"Finished.\"";
    ASSERT_EQ(folder_->Names(), std::vector<std::string>{"Morvane-1-1000000000.txt"});
    const std::string records = FileText("Morvane-1-1000000000.txt");
    const auto count = std::count(records.begin(), records.end(), '\n');
    EXPECT_EQ(records, ExpectedRecords("1", std::to_string(count)));
  }
}

// In a child process of the test, as gtest runs a death test.
TEST_F(Form1Window, ClosingTheWindowOrEndingTheSessionEndsTheProgram) {
  for (const auto& [message, wParam] : {std::pair<UINT, WPARAM>{WM_CLOSE, 0}, {WM_ENDSESSION, TRUE}}) {
    EXPECT_EXIT(::SendMessageW(form_->window(), message, wParam, 0), ::testing::ExitedWithCode(0), "")
        << "message " << message;
  }
}

// What a screen reader reads for each control through MSAA. Wine names a
// list by its text and a progress bar not at all, where Windows takes the
// label before them as for the fields: those two are not checked here.
TEST_F(Form1Window, FieldsCarryTheirNamesForScreenReaders) {
  const std::vector<std::pair<int, std::string>> expected = {
      {Id::kTxFrom, "From"},
      {Id::kTxTo, "To"},
      {Id::kTxCt, "Status"},
      {Id::kCommand1, "Start"},
      {Id::kLabel1, "WARNING: Writes at full disk speed until To or a nearly full disk"}};
  for (const auto& [id, name] : expected) {
    IAccessible* accessible = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(Control(id), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&accessible)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    accessible->get_accName(self, &text);
    EXPECT_EQ(windows::Utf8(text ? text : L""), name) << "control " << id;
    ::SysFreeString(text);
    accessible->Release();
  }
}

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
