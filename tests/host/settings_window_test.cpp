// The settings window as a host sees it: BandReject.dll loaded from the test program's folder,
// CreateSettingsWindow on a record the host owns, inside a real top-level host window that
// counts the WM_COMMAND notifications posted to it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tools/shared/host_frame.h"
#include "tools/shared/plugin_library.h"

namespace {
constexpr DWORD kStoredStyle = 0x80C800C0;

// A host's frame window, shown and in the foreground: every WM_COMMAND it receives is recorded.
class TestFrame : public HostFrame {
public:
    TestFrame() : HostFrame({"SettingsWindowTestHost", "Host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 400})
    {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
    }

    // Delivers everything queued for this thread and returns the notifications seen since the
    // last call.
    std::vector<FrameNotification> Take()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        std::vector<FrameNotification> taken;
        taken.swap(notifications);
        return taken;
    }
};

PluginLibrary& Library()
{
    // Loaded once for the whole program: the graph's window class lives in the DLL.
    static PluginLibrary library;
    return library;
}

using CreateSettingsWindowFunction = decltype(&::CreateSettingsWindow);

CreateSettingsWindowFunction CreateWindowExport()
{
    return Library().CreateSettingsWindow;
}

std::string Text(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Checks that every notification was posted by the settings window.
::testing::AssertionResult AllPostedBy(const std::vector<FrameNotification>& notifications, HWND window)
{
    for (size_t i = 0; i < notifications.size(); ++i) {
        if (notifications[i].sent)
            return ::testing::AssertionFailure() << "notification " << i << " was sent, not posted";
        if (notifications[i].source != window)
            return ::testing::AssertionFailure()
                   << "notification " << i << " has lParam " << notifications[i].source << ", expected " << window;
    }
    return ::testing::AssertionSuccess();
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EffectSettings defaults{};
        defaults.dryOut = defaults.volume2 = 1.0;
        defaults.cutOffFreq = 1000;
        defaults.bandWidth = 400;
        ASSERT_TRUE(Library().CopySettings(&record, &defaults));
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        frame.Take();
        Library().Free(record);
    }

    // Opens the settings window on the record, takes the notifications of its initialisation
    // and shows it, as a host does once it has placed it.
    void Open(double level, uint32_t centre, uint32_t bandwidth)
    {
        record->dryOut = level;
        record->cutOffFreq = centre;
        record->bandWidth = bandwidth;
        window = CreateWindowExport()(frame.Handle(), record);
        ASSERT_TRUE(window != nullptr);
        initialisation = frame.Take();
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }

    int Position(int slider) const { return static_cast<int>(SendDlgItemMessageA(window, slider, TBM_GETPOS, 0, 0)); }
    std::string ItemText(int id) const { return Text(GetDlgItem(window, id)); }

    void Type(int edit, const char* characters)
    {
        const HWND control = GetDlgItem(window, edit);
        for (const char* c = characters; *c; ++c)
            SendMessageA(control, WM_CHAR, static_cast<unsigned char>(*c), 1);
    }
    // Replaces the edit's whole text as a paste would.
    void Replace(int edit, const char* text)
    {
        SendDlgItemMessageA(window, edit, EM_SETSEL, 0, -1);
        SendDlgItemMessageA(window, edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    }
    void Focus(int id) { SetFocus(GetDlgItem(window, id)); }
    void Key(int slider, WPARAM key)
    {
        const HWND control = GetDlgItem(window, slider);
        SendMessageA(control, WM_KEYDOWN, key, 1);
        SendMessageA(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    }

    TestFrame frame;
    EffectSettings* record = nullptr;
    HWND window = nullptr;
    std::vector<FrameNotification> initialisation;
};

// ---- the template ----

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string className;
    std::string text;
};

struct DialogTemplate {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption, face;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

std::string ReadName(const WORD*& p)
{
    if (*p == 0xFFFF) {
        const WORD atom = p[1];
        p += 2;
        switch (atom) {
        case 0x80: return "BUTTON";
        case 0x81: return "EDIT";
        case 0x82: return "STATIC";
        }
        return "#" + std::to_string(atom);
    }
    std::string name;
    for (; *p; ++p)
        name += static_cast<char>(*p);
    ++p;
    return name;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// The plain DLGTEMPLATE form, which is how the library stores 32200.
DialogTemplate ParseTemplate(const void* bytes)
{
    DialogTemplate result;
    const auto* header = static_cast<const DLGTEMPLATE*>(bytes);
    result.style = header->style;
    result.x = header->x, result.y = header->y, result.cx = header->cx, result.cy = header->cy;
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    ReadName(p);  // menu
    ReadName(p);  // class
    result.caption = ReadName(p);
    if (result.style & DS_SETFONT) {
        result.pointSize = *p++;
        result.face = ReadName(p);
    }
    for (WORD i = 0; i < header->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        TemplateItem parsed{item->style, item->x, item->y, item->cx, item->cy, item->id, "", ""};
        p = reinterpret_cast<const WORD*>(item + 1);
        parsed.className = Upper(ReadName(p));
        parsed.text = ReadName(p);
        p += 1 + *p / sizeof(WORD);
        result.items.push_back(parsed);
    }
    return result;
}

const DLGTEMPLATE* StoredTemplate()
{
    const HMODULE module = Library().Module();
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5));
    return resource ? static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, resource))) : nullptr;
}

TEST(SettingsTemplate, HoldsTheElevenControlsInOrder)
{
    const DLGTEMPLATE* stored = StoredTemplate();
    ASSERT_TRUE(stored != nullptr);
    const DialogTemplate dialog = ParseTemplate(stored);
    EXPECT_EQ(kStoredStyle, dialog.style);
    EXPECT_EQ("Band Reject Filter", dialog.caption);
    EXPECT_EQ(281, dialog.cx);
    EXPECT_EQ(121, dialog.cy);
    EXPECT_EQ("MS Sans Serif", dialog.face);
    EXPECT_EQ(8, dialog.pointSize);
    // The numbers, not the names: a language library's template uses them too.
    const TemplateItem expected[] = {
        {0x5001001A, 9, 9, 18, 94, 32203, "MSCTLS_TRACKBAR32", "Slider1"},
        {0x50020000, 5, 0, 25, 8, 0xFFFF, "STATIC", "Dry Out"},
        {0x50020001, 0, 105, 35, 16, 32205, "STATIC", "100%\n(0.0 dB)"},
        {0x5001001A, 44, 9, 18, 94, 32212, "MSCTLS_TRACKBAR32", "Slider1"},
        {0x50020000, 37, 0, 42, 9, 0xFFFF, "STATIC", "Center Freq"},
        {0x50810081, 40, 105, 26, 12, 32214, "EDIT", ""},
        {0x50020000, 68, 107, 14, 10, 0xFFFF, "STATIC", "Hz"},
        {0x5001001A, 88, 9, 18, 94, 32213, "MSCTLS_TRACKBAR32", "Slider1"},
        {0x50020000, 81, 0, 42, 9, 0xFFFF, "STATIC", "Band Width"},
        {0x50810081, 84, 105, 26, 12, 32216, "EDIT", ""},
        {0x50020000, 112, 107, 14, 10, 0xFFFF, "STATIC", "Hz"},
    };
    ASSERT_EQ(std::size(expected), dialog.items.size());
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        const TemplateItem& item = dialog.items[i];
        EXPECT_EQ(expected[i].id, item.id);
        EXPECT_EQ(expected[i].className, item.className);
        EXPECT_EQ(expected[i].text, item.text);
        EXPECT_EQ(expected[i].style, item.style) << std::hex << "0x" << item.style;
        EXPECT_EQ(expected[i].x, item.x);
        EXPECT_EQ(expected[i].y, item.y);
        EXPECT_EQ(expected[i].cx, item.cx);
        EXPECT_EQ(expected[i].cy, item.cy);
    }
}

TEST_F(SettingsWindowTest, TemplateReadsAsStoredAfterCreationAndAfterAFailure)
{
    Open(1.0, 1000, 400);
    EXPECT_EQ(kStoredStyle, StoredTemplate()->style);
    EXPECT_TRUE(CreateWindowExport()(nullptr, record) == nullptr);
    EXPECT_EQ(kStoredStyle, StoredTemplate()->style);
}

TEST_F(SettingsWindowTest, IsAHiddenChildOfTheHostWindow)
{
    record->cutOffFreq = 1000;
    window = CreateWindowExport()(frame.Handle(), record);
    ASSERT_TRUE(window != nullptr);
    EXPECT_EQ(frame.Handle(), GetParent(window));
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const bool child = (style & WS_CHILD) != 0;
    const bool shownOrFramed = (style & (WS_VISIBLE | WS_POPUP | WS_CAPTION)) != 0;
    EXPECT_TRUE(child) << std::hex << style;
    EXPECT_FALSE(shownOrFramed) << std::hex << style;
    EXPECT_FALSE(IsWindowVisible(window));
    const HWND graph = GetDlgItem(window, IDC_RESPONSE_GRAPH);
    ASSERT_TRUE(graph != nullptr);
    RECT rect{127, 0, 280, 118};
    MapDialogRect(window, &rect);
    RECT actual;
    GetWindowRect(graph, &actual);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(rect.left, actual.left);
    EXPECT_EQ(rect.top, actual.top);
    EXPECT_EQ(rect.right, actual.right);
    EXPECT_EQ(rect.bottom, actual.bottom);
}

TEST_F(SettingsWindowTest, GivesNullWithoutAUsableParent)
{
    EXPECT_TRUE(CreateWindowExport()(nullptr, record) == nullptr);
    EXPECT_TRUE(CreateWindowExport()(reinterpret_cast<HWND>(0x7ffe), record) == nullptr);
    EXPECT_TRUE(frame.Take().empty());
    EXPECT_EQ(1000u, record->cutOffFreq);
}

// ---- initialisation ----

TEST_F(SettingsWindowTest, InitialisationCommitsOncePerEditInRange)
{
    Open(1.0, 1000, 400);
    EXPECT_EQ(2u, initialisation.size());
    EXPECT_TRUE(AllPostedBy(initialisation, window));
    EXPECT_EQ(19030, Position(IDC_CENTRE_SLIDER));
    EXPECT_EQ(4601, Position(IDC_BANDWIDTH_SLIDER));
    EXPECT_EQ(0, Position(IDC_LEVEL_SLIDER));
    EXPECT_EQ("1000", ItemText(IDC_CENTRE_EDIT));
    EXPECT_EQ("400", ItemText(IDC_BANDWIDTH_EDIT));
    EXPECT_EQ("100%\n(0 dB)", ItemText(IDC_LEVEL_LABEL));
    EXPECT_TRUE(frame.otherCommands.empty());
}

TEST_F(SettingsWindowTest, LevelIsShownAndWrittenBackInWholePercent)
{
    Open(0.257, 1000, 400);
    EXPECT_EQ(74, Position(IDC_LEVEL_SLIDER));
    EXPECT_EQ("26%\n(-11.7 dB)", ItemText(IDC_LEVEL_LABEL));
    EXPECT_DOUBLE_EQ(0.26, record->dryOut);
}

TEST_F(SettingsWindowTest, LevelThatIsNotANumberCommitsAsSilence)
{
    Open(std::nan(""), 1000, 400);
    ASSERT_EQ(2u, initialisation.size()) << "the edits commit on opening";
    EXPECT_EQ(100, Position(IDC_LEVEL_SLIDER));
    EXPECT_EQ("0%\n(-Inf dB)", ItemText(IDC_LEVEL_LABEL));
    EXPECT_EQ(0.0, record->dryOut);
}

TEST_F(SettingsWindowTest, CentreOutOfRangeIsShownButNotCommitted)
{
    Open(1.0, 0, 400);
    EXPECT_EQ("0", ItemText(IDC_CENTRE_EDIT));
    EXPECT_EQ(20000, Position(IDC_CENTRE_SLIDER));
    EXPECT_EQ(1u, initialisation.size());
    EXPECT_EQ(0u, record->cutOffFreq);
    EXPECT_EQ(400u, record->bandWidth);
}

// ---- sliders ----

TEST_F(SettingsWindowTest, LevelSliderEnds)
{
    Open(0.5, 1000, 400);
    Focus(IDC_LEVEL_SLIDER);
    frame.Take();
    Key(IDC_LEVEL_SLIDER, VK_HOME);
    EXPECT_EQ(1u, frame.Take().size());
    EXPECT_DOUBLE_EQ(1.0, record->dryOut);
    EXPECT_EQ("100%\n(0 dB)", ItemText(IDC_LEVEL_LABEL));
    Key(IDC_LEVEL_SLIDER, VK_END);
    EXPECT_EQ(1u, frame.Take().size());
    EXPECT_EQ(0.0, record->dryOut);
    EXPECT_EQ("0%\n(-Inf dB)", ItemText(IDC_LEVEL_LABEL));
}

TEST_F(SettingsWindowTest, FrequencySliderEndsAreMirrored)
{
    Open(1.0, 1000, 400);
    struct Case {
        int slider, edit, key;
        uint32_t EffectSettings::*field;
        uint32_t hz;
    } const cases[] = {
        {IDC_CENTRE_SLIDER, IDC_CENTRE_EDIT, VK_HOME, &EffectSettings::cutOffFreq, 20000},
        {IDC_CENTRE_SLIDER, IDC_CENTRE_EDIT, VK_END, &EffectSettings::cutOffFreq, 30},
        {IDC_BANDWIDTH_SLIDER, IDC_BANDWIDTH_EDIT, VK_HOME, &EffectSettings::bandWidth, 5000},
        {IDC_BANDWIDTH_SLIDER, IDC_BANDWIDTH_EDIT, VK_END, &EffectSettings::bandWidth, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("slider " + std::to_string(c.slider) + (c.key == VK_HOME ? " top" : " bottom"));
        Focus(c.slider);
        frame.Take();
        Key(c.slider, c.key);
        // The edit follows the thumb and commits; the end of the scroll commits again.
        const auto notifications = frame.Take();
        EXPECT_EQ(2u, notifications.size());
        EXPECT_TRUE(AllPostedBy(notifications, window));
        EXPECT_EQ(c.hz, record->*c.field);
        EXPECT_EQ(std::to_string(c.hz), ItemText(c.edit));
    }
}

// Counts the WM_VSCROLL codes that end a scroll (thumb position, end of scroll) as they are
// sent to a window of this thread.
class EndOfScrollCounter {
public:
    explicit EndOfScrollCounter(HWND target)
    {
        target_ = target;
        count_ = 0;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &EndOfScrollCounter::Hook, nullptr, GetCurrentThreadId());
    }
    ~EndOfScrollCounter() { UnhookWindowsHookEx(hook_); }
    static int Count() { return count_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->hwnd == target_ && message->message == WM_VSCROLL &&
            (LOWORD(message->wParam) == SB_THUMBPOSITION || LOWORD(message->wParam) == SB_ENDSCROLL))
            ++count_;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static HWND target_;
    static int count_;
    HHOOK hook_;
};
HWND EndOfScrollCounter::target_ = nullptr;
int EndOfScrollCounter::count_ = 0;

TEST_F(SettingsWindowTest, ThumbDragCommitsAtEveryStepAndOnRelease)
{
    Open(1.0, 1000, 400);
    const HWND slider = GetDlgItem(window, IDC_CENTRE_SLIDER);
    RECT thumb;
    SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int x = (thumb.left + thumb.right) / 2;
    int y = (thumb.top + thumb.bottom) / 2;
    frame.Take();
    SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    frame.Take();
    int previous = Position(IDC_CENTRE_SLIDER);
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        y -= 8;
        SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        const int position = Position(IDC_CENTRE_SLIDER);
        ASSERT_LT(position, previous);
        previous = position;
        EXPECT_EQ(1u, frame.Take().size());
        EXPECT_EQ(static_cast<uint32_t>(20030 - position), record->cutOffFreq);
        EXPECT_EQ(std::to_string(20030 - position), ItemText(IDC_CENTRE_EDIT));
    }
    EndOfScrollCounter endings(window);
    SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    // Thumb position and end of scroll; Wine's trackbar ends the scroll once more when it
    // loses the capture. Each of them commits, the thumb having stayed put.
    EXPECT_GE(endings.Count(), 2);
    EXPECT_EQ(static_cast<size_t>(endings.Count()), frame.Take().size());
    EXPECT_EQ(static_cast<uint32_t>(20030 - previous), record->cutOffFreq);
}

TEST_F(SettingsWindowTest, HorizontalScrollCommitsWithoutRepaintingTheGraph)
{
    Open(1.0, 1000, 400);
    const HWND graph = GetDlgItem(window, IDC_RESPONSE_GRAPH);
    frame.Take();
    UpdateWindow(graph);
    SendMessageA(window, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(1u, frame.Take().size());
    EXPECT_FALSE(GetUpdateRect(graph, nullptr, FALSE));
    // The end of a vertical scroll does recompute and repaint it.
    SendMessageA(window, WM_VSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_LEVEL_SLIDER)));
    EXPECT_TRUE(GetUpdateRect(graph, nullptr, FALSE));
    EXPECT_EQ(1u, frame.Take().size());
}

// ---- edits ----

TEST_F(SettingsWindowTest, TypingCommitsOnlyANumberInRange)
{
    Open(1.0, 1000, 400);
    Focus(IDC_CENTRE_EDIT);
    SetDlgItemTextA(window, IDC_CENTRE_EDIT, "");
    frame.Take();
    Type(IDC_CENTRE_EDIT, "2");
    EXPECT_EQ(0u, frame.Take().size());
    Type(IDC_CENTRE_EDIT, "5");
    EXPECT_EQ(0u, frame.Take().size());
    EXPECT_EQ(1000u, record->cutOffFreq);
    Type(IDC_CENTRE_EDIT, "0");
    EXPECT_EQ(1u, frame.Take().size());
    EXPECT_EQ(250u, record->cutOffFreq);
    EXPECT_EQ(19780, Position(IDC_CENTRE_SLIDER));
}

TEST_F(SettingsWindowTest, LeadingZeroCommitsTwiceThroughTheRewrite)
{
    Open(1.0, 1000, 400);
    Focus(IDC_CENTRE_EDIT);
    frame.Take();
    Replace(IDC_CENTRE_EDIT, "0100");
    EXPECT_EQ(2u, frame.Take().size());
    EXPECT_EQ("100", ItemText(IDC_CENTRE_EDIT));
    EXPECT_EQ(100u, record->cutOffFreq);
}

TEST_F(SettingsWindowTest, LeavingAnEditClampsIt)
{
    Open(1.0, 1000, 400);
    struct Case {
        int edit;
        const char* typed;
        uint32_t EffectSettings::*field;
        uint32_t hz;
        size_t commits;  // the rewrite of the text commits before the clamp does
    } const cases[] = {
        {IDC_CENTRE_EDIT, "25000", &EffectSettings::cutOffFreq, 20000, 2},
        {IDC_CENTRE_EDIT, "", &EffectSettings::cutOffFreq, 30, 2},
        {IDC_CENTRE_EDIT, "x", &EffectSettings::cutOffFreq, 30, 2},
        {IDC_CENTRE_EDIT, "30", &EffectSettings::cutOffFreq, 30, 1},
        {IDC_BANDWIDTH_EDIT, "0", &EffectSettings::bandWidth, 1, 2},
        {IDC_BANDWIDTH_EDIT, "99999999999", &EffectSettings::bandWidth, 5000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed '") + c.typed + "'");
        Focus(c.edit);
        SetDlgItemTextA(window, c.edit, "400");
        Replace(c.edit, c.typed);
        frame.Take();
        Focus(IDC_LEVEL_SLIDER);
        const auto notifications = frame.Take();
        EXPECT_EQ(c.commits, notifications.size());
        EXPECT_TRUE(AllPostedBy(notifications, window));
        EXPECT_EQ(c.hz, record->*c.field);
        EXPECT_EQ(std::to_string(c.hz), ItemText(c.edit));
    }
    EXPECT_EQ(1, Position(IDC_BANDWIDTH_SLIDER));
}

// ---- validation prompt ----

BOOL CALLBACK CollectVisibleDialog(HWND candidate, LPARAM context)
{
    char className[32] = "";
    GetClassNameA(candidate, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(candidate))
        return TRUE;
    *reinterpret_cast<HWND*>(context) = candidate;
    return FALSE;
}

// The visible top-level dialog of the thread: the validation prompt.
HWND FindPrompt(DWORD thread)
{
    HWND found = nullptr;
    EnumThreadWindows(thread, &CollectVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string PromptText(HWND prompt)
{
    std::string text;
    for (HWND child = GetWindow(prompt, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        text += Text(child) + "|";
    return text;
}

TEST_F(SettingsWindowTest, UnreadableEditShowsAPromptThatDoesNotBlock)
{
    Open(1.0, 1000, 400);
    Replace(IDC_CENTRE_EDIT, "12a");
    frame.Take();
    const HWND levelSlider = GetDlgItem(window, IDC_LEVEL_SLIDER);
    SendMessageA(window, WM_VSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(levelSlider));
    const HWND prompt = FindPrompt(GetCurrentThreadId());
    ASSERT_TRUE(prompt != nullptr);
    EXPECT_NE(std::string::npos, PromptText(prompt).find("digits")) << PromptText(prompt);
    EXPECT_EQ(frame.Handle(), GetWindow(prompt, GW_OWNER));
    // The handler went on: the slider's value is back in the edit (which commits it) and the
    // end of scroll commits.
    EXPECT_EQ("1000", ItemText(IDC_CENTRE_EDIT));
    EXPECT_EQ(2u, frame.Take().size());
    SendMessageA(prompt, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(prompt));
}

TEST_F(SettingsWindowTest, OutOfRangeEditPromptsAndGoesAwayWithTheWindow)
{
    Open(1.0, 1000, 400);
    Replace(IDC_BANDWIDTH_EDIT, "6000");
    SendMessageA(window, WM_VSCROLL, SB_THUMBTRACK, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_LEVEL_SLIDER)));
    const HWND prompt = FindPrompt(GetCurrentThreadId());
    ASSERT_TRUE(prompt != nullptr);
    EXPECT_NE(std::string::npos, PromptText(prompt).find("1 to 5000")) << PromptText(prompt);
    EXPECT_EQ("400", ItemText(IDC_BANDWIDTH_EDIT));
    DestroyWindow(window);
    EXPECT_FALSE(IsWindow(prompt));
}

TEST_F(SettingsWindowTest, PromptStandsOverTheSettingsWindowAndOnTheScreen)
{
    Open(1.0, 1000, 400);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const struct {
        const char* place;
        int x, y;  // of the host frame
    } rows[] = {
        {"inside the screen", work.left + 100, work.top + 80},
        {"running off the bottom right", work.right - 300, work.bottom - 120},
        {"running off the top left", work.left - 400, work.top - 150},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.place);
        SetWindowPos(frame.Handle(), nullptr, row.x, row.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Replace(IDC_CENTRE_EDIT, "12a");
        SendMessageA(window, WM_VSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_LEVEL_SLIDER)));
        const HWND prompt = FindPrompt(GetCurrentThreadId());
        ASSERT_TRUE(prompt != nullptr);
        RECT settings{}, shown{}, overlap{};
        GetWindowRect(window, &settings);
        GetWindowRect(prompt, &shown);
        EXPECT_GE(shown.left, work.left);
        EXPECT_GE(shown.top, work.top);
        EXPECT_LE(shown.right, work.right);
        EXPECT_LE(shown.bottom, work.bottom);
        EXPECT_TRUE(IntersectRect(&overlap, &settings, &shown));
        if (settings.left >= work.left && settings.top >= work.top && settings.right <= work.right &&
            settings.bottom <= work.bottom) {
            EXPECT_NEAR(settings.left + settings.right, shown.left + shown.right, 1);
            EXPECT_NEAR(settings.top + settings.bottom, shown.top + shown.bottom, 1);
        }
        SendMessageA(prompt, WM_COMMAND, IDOK, 0);
    }
}

// ---- destruction ----

TEST_F(SettingsWindowTest, DestroyingTheWindowCommitsNothing)
{
    Open(1.0, 1000, 400);
    Focus(IDC_CENTRE_EDIT);
    Replace(IDC_CENTRE_EDIT, "25000");
    frame.Take();
    DestroyWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(frame.Take().empty());
    EXPECT_EQ(1000u, record->cutOffFreq);
}

TEST_F(SettingsWindowTest, GoesAwayWithItsParent)
{
    Open(1.0, 1000, 400);
    DestroyWindow(frame.Handle());
    EXPECT_FALSE(IsWindow(window));
    // A second window on the same record works as the first did.
    TestFrame second;
    window = CreateWindowExport()(second.Handle(), record);
    ASSERT_TRUE(window != nullptr);
    EXPECT_EQ(2u, second.Take().size());
    DestroyWindow(window);
}
}  // namespace
