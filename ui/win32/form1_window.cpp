#include "ui/win32/form1_window.h"

#include <commctrl.h>

#include <cmath>
#include <utility>

#include "engine/files/windows_text.h"
#include "ui/shared/form1_layout.h"
#include "ui/win32/window_dpi.h"

namespace morvane {

namespace {

constexpr wchar_t kWindowClass[] = L"Morvane.Form1";
// Not resizable, and no maximise box: the controls keep their places.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The dialog keys (IsDialogMessage) walk the controls of a window marked so.
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
// The bar's steps: fine enough that a long run's bar moves.
constexpr int kProgressSteps = 1000;
// Room for the list below Combo1's field when it drops down, in fields'
// heights.
constexpr int kComboListRows = 6;
constexpr UINT_PTR kFrameSubclass = 1;
constexpr COLORREF kWarningColour = RGB(255, 0, 0);

std::wstring Wide(std::string_view text) { return windows::Utf16(text); }

std::string WindowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return windows::Utf8(text);
}

void SetText(HWND control, std::string_view text) { ::SetWindowTextW(control, Wide(text).c_str()); }

void Place(HWND control, const form1::Twips& twips, UINT dpi) {
  ::SetWindowPos(control, nullptr, form1::Pixels(twips.left, dpi), form1::Pixels(twips.top, dpi),
                 form1::Pixels(twips.width, dpi), form1::Pixels(twips.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

struct FontFace {
  const wchar_t* name;
  // What the system picks from when it lacks the face.
  BYTE pitchAndFamily;
};
constexpr FontFace kSansFace{L"MS Sans Serif", VARIABLE_PITCH | FF_SWISS};
constexpr FontFace kMonospaceFace{L"Lucida Console", FIXED_PITCH | FF_MODERN};

HFONT CreateFontAt(const FontFace& face, double points, UINT dpi, int weight = FW_NORMAL) {
  const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
  return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, face.pitchAndFamily, face.name);
}

// Frame2 holds Label1, and a static control sends its children's colour
// requests to itself: they go on to the window, which colours the warning.
LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_CTLCOLORSTATIC) return ::SendMessageW(::GetParent(frame), message, wParam, lParam);
  return ::DefSubclassProc(frame, message, wParam, lParam);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  // A second window in the same process (the tests make many) finds the
  // class already there.
  ::RegisterClassExW(&windowClass);
}

}  // namespace

Form1::Form1(HINSTANCE instance, std::string programFolder)
    : instance_(instance), behaviour_(*this, std::move(programFolder)) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
  ::InitCommonControlsEx(&controls);
  RegisterWindowClass(instance_, &Form1::WindowProcedure);
  const std::wstring title = Wide(form1::kTitle);
  window_ = ::CreateWindowExW(kWindowExStyle, kWindowClass, title.c_str(), kWindowStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
  CreateControls();
  FillLinesPerFileList();
  CreateToolTips();
  PlaceControls(win32::WindowDpi(window_));
}

Form1::~Form1() {
  if (toolTips_) ::DestroyWindow(toolTips_);
  ::DestroyWindow(window_);
  for (HFONT font : {windowFont_, fieldFont_, warningFont_, statusFont_}) ::DeleteObject(font);
}

void Form1::CreateControls() {
  // In the tab order: the button first, so that it has the focus when the
  // window opens; then the fields. The labels take no focus.
  const auto create = [this](const wchar_t* className, std::string_view text, DWORD style, DWORD exStyle, int id,
                             HWND parent) {
    return ::CreateWindowExW(exStyle, className, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  // A field's own text is its value: screen readers name it by the label
  // just before it, here one that is not shown.
  const auto nameNext = [this](std::string_view name) {
    ::CreateWindowExW(0, WC_STATICW, Wide(name).c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, window_, nullptr,
                      instance_, nullptr);
  };
  Command1 = create(WC_BUTTONW, kStartCaption, WS_TABSTOP | BS_PUSHBUTTON, 0, kCommand1, window_);
  nameNext(form1::kFromName);
  txFrom = create(WC_EDITW, kFirstFromText, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxFrom, window_);
  nameNext(form1::kToName);
  txTo = create(WC_EDITW, kFirstToText, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kTxTo, window_);
  nameNext(form1::kLinesPerFileName);
  Combo1 = create(WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, kCombo1, window_);
  nameNext(form1::kStatusName);
  // Only the run writes here; the user can still select and scroll the text.
  txCt = create(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, kTxCt, window_);
  Frame2 = create(WC_STATICW, "", SS_NOPREFIX | WS_CLIPCHILDREN, 0, kFrame2, window_);
  ::SetWindowSubclass(Frame2, FrameProcedure, kFrameSubclass, 0);
  Label1 = create(WC_STATICW, form1::kWarningText, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, kLabel1, Frame2);
  nameNext(form1::kProgressName);
  ProgressBar1 = create(PROGRESS_CLASSW, "", 0, 0, kProgressBar1, window_);
  ::SendMessageW(ProgressBar1, PBM_SETRANGE32, 0, kProgressSteps);
  Label2 = create(WC_STATICW, "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, kLabel2, window_);
  // Up to three lines, broken at words.
  Label3 = create(WC_STATICW, "", SS_LEFT | SS_NOPREFIX, 0, kLabel3, window_);
}

void Form1::FillLinesPerFileList() {
  for (const std::string_view choice : form1::kLinesPerFileChoices) {
    ::SendMessageW(Combo1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice).c_str()));
  }
  ::SendMessageW(Combo1, CB_SETCURSEL, 0, 0);
}

void Form1::CreateToolTips() {
  toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                instance_, nullptr);
  // The status line's tooltip may hold several lines.
  ::SendMessageW(toolTips_, TTM_SETMAXTIPWIDTH, 0, 600);
  const std::wstring comboTip = Wide(form1::kCombo1ToolTip);
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof(combo);
  ::GetComboBoxInfo(Combo1, &combo);
  // The mouse over the list's field is over its edit child.
  for (const auto& [control, text] : {std::pair<HWND, const wchar_t*>{Combo1, comboTip.c_str()},
                                      {combo.hwndItem, comboTip.c_str()}, {txCt, L""}}) {
    if (!control) continue;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Form1::PlaceControls(UINT dpi) {
  ReplaceFonts(dpi);
  const SIZE outer = win32::OuterSize(form1::Pixels(form1::kClientWidth, dpi), form1::Pixels(form1::kClientHeight, dpi),
                                      kWindowStyle, kWindowExStyle, dpi);
  ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Place(Command1, form1::kCommand1, dpi);
  Place(txFrom, form1::kTxFrom, dpi);
  Place(txTo, form1::kTxTo, dpi);
  form1::Twips combo = form1::kCombo1;
  combo.height *= kComboListRows;
  Place(Combo1, combo, dpi);
  SetComboFieldHeight(form1::Pixels(form1::kCombo1.height, dpi));
  Place(Frame2, form1::kFrame2, dpi);
  Place(Label1, form1::kLabel1, dpi);
  Place(txCt, form1::kTxCt, dpi);
  Place(ProgressBar1, form1::kProgressBar1, dpi);
  Place(Label2, form1::kLabel2, dpi);
  Place(Label3, form1::kLabel3, dpi);
}

void Form1::SetComboFieldHeight(int height) {
  // A drop-down list sizes its closed field from its font; the item height
  // given for the field sets it otherwise, plus a frame whose size differs
  // between systems (wine also reads the height back larger than given):
  // give, look, and correct what was given.
  const auto closedHeight = [this] {
    RECT closed{};
    ::GetWindowRect(Combo1, &closed);
    return static_cast<int>(closed.bottom - closed.top);
  };
  int given = static_cast<int>(::SendMessageW(Combo1, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int missing = height - closedHeight();
    if (missing == 0 || given + missing <= 0) return;
    given += missing;
    ::SendMessageW(Combo1, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), given);
  }
}

void Form1::ReplaceFonts(UINT dpi) {
  const HFONT old[] = {windowFont_, fieldFont_, warningFont_, statusFont_};
  windowFont_ = CreateFontAt(kSansFace, form1::kWindowPoints, dpi);
  fieldFont_ = CreateFontAt(kSansFace, form1::kFieldPoints, dpi);
  warningFont_ = CreateFontAt(kSansFace, form1::kWarningPoints, dpi, FW_BOLD);
  statusFont_ = CreateFontAt(kMonospaceFace, form1::kStatusPoints, dpi);
  for (HWND control : {Command1, Combo1, Frame2, ProgressBar1, Label2, Label3}) {
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), TRUE);
  }
  for (HWND field : {txFrom, txTo}) ::SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(fieldFont_), TRUE);
  ::SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(warningFont_), TRUE);
  ::SendMessageW(txCt, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_), TRUE);
  ::SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), TRUE);
  for (HFONT font : old) ::DeleteObject(font);
}

void Form1::Show(int showCommand) {
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
  ::SetFocus(Command1);
}

void Form1::Dispatch(MSG& message) {
  // Escape in the list's open drop-down: the list takes it to close, so the
  // dialog keys never turn it into IDCANCEL; the stop is requested all the
  // same, and the list closes as usual.
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
      ::SendMessageW(Combo1, CB_GETDROPPEDSTATE, 0, 0)) {
    behaviour_.EscapePressed();
  }
  if (::IsDialogMessageW(window_, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  // Until CreateWindowExW returns, window_ is not yet set.
  if (!form || form->window_ != window) return ::DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    // Another program may still cancel the session's end after this.
    case WM_QUERYENDSESSION:
      return TRUE;
    // Closing the window, or the desktop session ending, ends the program at
    // once, also in the middle of a run: the file keeps every record.
    case WM_ENDSESSION:
      if (wParam) behaviour_.EndProgram();
      return 0;
    case WM_CLOSE:
      behaviour_.EndProgram();
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

void Form1::OnCommand(int id, int notification) {
  // What the dialog keys make of Escape, wherever the focus is, and of
  // Enter: it presses the button when the button has the focus.
  if ((id == kCommand1 && notification == BN_CLICKED) || (id == IDOK && ::GetFocus() == Command1)) {
    behaviour_.ButtonPressed();
  } else if (id == IDCANCEL) {
    behaviour_.EscapePressed();
  }
}

LRESULT Form1::OnControlColour(HDC context, HWND control) {
  // The warning in red, and the read-only status field on the button face
  // (the colour Windows gives read-only fields, named here all the same).
  if (control != Label1 && control != txCt) return ::DefWindowProcW(window_, WM_CTLCOLORSTATIC,
                                                                      reinterpret_cast<WPARAM>(context),
                                                                      reinterpret_cast<LPARAM>(control));
  if (control == Label1) ::SetTextColor(context, kWarningColour);
  ::SetBkColor(context, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void Form1::OnActivate(bool active) {
  // As a dialog does: the control that had the focus when the window was
  // left (for another window or a message box) has it again on return.
  if (!active) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(window_, focus)) focused_ = focus;
  } else if (focused_ && ::IsWindowEnabled(focused_)) {
    ::SetFocus(focused_);
  } else {
    ::SetFocus(::GetNextDlgTabItem(window_, nullptr, FALSE));
  }
}

void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceControls(dpi);
}

// ---- WindowControls ----

std::string Form1::FromText() const { return WindowText(txFrom); }

std::string Form1::ToText() const { return WindowText(txTo); }

std::string Form1::LinesPerFileText() const { return WindowText(Combo1); }

void Form1::SetFromText(std::string_view text) { SetText(txFrom, text); }

void Form1::SetToText(std::string_view text) { SetText(txTo, text); }

void Form1::SetStatusText(std::string_view text) { SetText(txCt, text); }

void Form1::SetStatusToolTip(std::string_view text) {
  const std::wstring wide = Wide(text);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(txCt);
  tool.lpszText = const_cast<wchar_t*>(wide.c_str());
  ::SendMessageW(toolTips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string Form1::ButtonCaption() const { return WindowText(Command1); }

void Form1::SetButtonCaption(std::string_view caption) { SetText(Command1, caption); }

void Form1::DisableButton() {
  // A disabled control with the focus would leave the keyboard nowhere.
  if (::GetFocus() == Command1) ::SetFocus(::GetNextDlgTabItem(window_, Command1, FALSE));
  ::EnableWindow(Command1, FALSE);
}

void Form1::ShowProgress(double share, std::string_view text) {
  ::SendMessageW(ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(std::lround(share * kProgressSteps)), 0);
  SetText(Label2, text);
}

void Form1::ShowPlan(std::string_view text) { SetText(Label3, text); }

void Form1::ShowMessage(std::string_view text, MessageIcon icon) {
  ::MessageBoxW(window_, Wide(text).c_str(), Wide(form1::kTitle).c_str(),
                MB_OK | (icon == MessageIcon::kCritical ? MB_ICONERROR : MB_ICONINFORMATION));
}

bool Form1::Confirm(std::string_view text) {
  // Closing the box without choosing answers Cancel.
  return ::MessageBoxW(window_, Wide(text).c_str(), Wide(form1::kTitle).c_str(), MB_OKCANCEL | MB_ICONWARNING) ==
         IDOK;
}

void Form1::HandlePendingEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    // Nothing in the program asks its loop to end; should anything else,
    // the main loop sees it once the run is over.
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

}  // namespace morvane
