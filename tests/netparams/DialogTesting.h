// Test helpers for the program's dialogs: the compiled template as data, and a modal run
// that acts on the open dialog from inside its own modal loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dialogtesting {

struct ControlTemplate {
    std::wstring className; // well-known classes by name, lower case: "button", "edit", ...
    std::wstring text;      // a resource ordinal reads as "#<number>"
    int id;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
};

struct DialogTemplate {
    bool extended;
    DWORD style, exStyle;
    short cx, cy;
    std::wstring menu, windowClass, caption;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::wstring typeface;
    std::vector<ControlTemplate> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE *data) : base_(data), at_(data) {}

    WORD Word() { WORD v; memcpy(&v, at_, 2); at_ += 2; return v; }
    DWORD Dword() { DWORD v; memcpy(&v, at_, 4); at_ += 4; return v; }
    BYTE Byte() { return *at_++; }
    short Short() { return (short)Word(); }

    std::wstring String()
    {
        std::wstring s;
        for (WORD c = Word(); c != 0; c = Word()) {
            s += (wchar_t)c;
        }
        return s;
    }

    // A field that holds nothing (0), an ordinal (0xFFFF, n) or a string.
    std::wstring StringOrOrdinal()
    {
        WORD first;
        memcpy(&first, at_, 2);
        if (first == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return String();
    }

    void AlignDword()
    {
        while ((at_ - base_) % 4 != 0) {
            ++at_;
        }
    }

    void Skip(size_t bytes) { at_ += bytes; }

private:
    const BYTE *base_;
    const BYTE *at_;
};

inline std::wstring ClassName(const std::wstring &raw)
{
    static const wchar_t *const predefined[] = {L"button", L"edit", L"static", L"listbox", L"scrollbar", L"combobox"};
    if (raw.size() > 1 && raw[0] == L'#') {
        int ordinal = std::stoi(raw.substr(1));
        if (ordinal >= 0x80 && ordinal <= 0x85) {
            return predefined[ordinal - 0x80];
        }
        return raw;
    }
    std::wstring lower = raw;
    for (wchar_t &c : lower) {
        c = (wchar_t)towlower(c);
    }
    return lower;
}

// Parses the dialog template compiled into this program; extended templates only (the
// program has no others), so a plain template comes back with extended = false.
inline DialogTemplate LoadDialogTemplate(int id)
{
    DialogTemplate t = {};
    HRSRC info = FindResourceW(NULL, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (info == NULL) {
        return t;
    }
    TemplateReader r((const BYTE *)LockResource(LoadResource(NULL, info)));
    WORD version = r.Word();
    WORD signature = r.Word();
    t.extended = version == 1 && signature == 0xFFFF;
    if (!t.extended) {
        return t;
    }
    r.Dword(); // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
    WORD count = r.Word();
    r.Short();
    r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    t.menu = r.StringOrOrdinal();
    t.windowClass = r.StringOrOrdinal();
    t.caption = r.String();
    if (t.style & (DS_SETFONT | DS_FIXEDSYS)) {
        t.pointSize = r.Word();
        t.weight = r.Word();
        t.italic = r.Byte();
        t.charset = r.Byte();
        t.typeface = r.String();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        ControlTemplate c = {};
        r.Dword(); // help id
        c.exStyle = r.Dword();
        c.style = r.Dword();
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = (int)r.Dword();
        c.className = ClassName(r.StringOrOrdinal());
        c.text = r.StringOrOrdinal();
        r.Skip(r.Word());
        t.controls.push_back(c);
    }
    return t;
}

// What a control row of a dialog's table says, for comparison with the compiled template.
struct ExpectedControl {
    int id;
    const wchar_t *className;
    const wchar_t *text;
    short x, y, cx, cy;
    DWORD style;
};

inline bool operator==(const ControlTemplate &actual, const ExpectedControl &expected)
{
    return actual.id == expected.id && actual.className == expected.className && actual.text == expected.text &&
           actual.x == expected.x && actual.y == expected.y && actual.cx == expected.cx &&
           actual.cy == expected.cy && actual.style == expected.style && actual.exStyle == 0;
}

inline std::string Describe(const ControlTemplate &c)
{
    char line[512];
    snprintf(line, sizeof line, "id %d class %ls text \"%ls\" at %d,%d,%d,%d style 0x%08lX ex 0x%lX", c.id,
             c.className.c_str(), c.text.c_str(), c.x, c.y, c.cx, c.cy, (unsigned long)c.style,
             (unsigned long)c.exStyle);
    return line;
}

// ---- Modal runs ------------------------------------------------------------------------

// Ends a dialog that the action under test failed to close, so the run cannot hang.
const INT_PTR kLeftOpen = 0x7E57;

struct ModalRun {
    HWND owner;
    std::function<void(HWND)> action;
    UINT_PTR actionTimer;
    UINT_PTR watchdog;
};

inline ModalRun &CurrentRun()
{
    static ModalRun run;
    return run;
}

inline BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found)
{
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (GetWindow(window, GW_OWNER) == CurrentRun().owner && wcscmp(className, L"#32770") == 0) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

inline HWND OpenDialog()
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, (LPARAM)&found);
    return found;
}

inline void CALLBACK EndLeftOpenDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    if (HWND dialog = OpenDialog()) {
        EndDialog(dialog, kLeftOpen);
    }
}

inline void CALLBACK ActOnOpenDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    HWND dialog = OpenDialog();
    if (dialog == NULL) {
        CurrentRun().actionTimer = SetTimer(NULL, 0, 20, ActOnOpenDialog);
        return;
    }
    CurrentRun().actionTimer = 0;
    CurrentRun().watchdog = SetTimer(NULL, 0, 3000, EndLeftOpenDialog);
    CurrentRun().action(dialog);
}

// Owner window for the dialogs, as the main window is in the program.
inline HWND CreateOwner()
{
    return CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, NULL, NULL,
                           GetModuleHandleW(NULL), NULL);
}

// Opens the dialog modally over `owner`, lets `action` act on it from inside the modal
// loop, and returns the dialog's end code (kLeftOpen when the action did not end it).
inline INT_PTR RunModal(HWND owner, int templateId, DLGPROC proc, std::function<void(HWND)> action)
{
    CurrentRun() = ModalRun{owner, std::move(action), 0, 0};
    CurrentRun().actionTimer = SetTimer(NULL, 0, 20, ActOnOpenDialog);
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(templateId), owner, proc, 0);
    if (CurrentRun().actionTimer != 0) {
        KillTimer(NULL, CurrentRun().actionTimer);
    }
    if (CurrentRun().watchdog != 0) {
        KillTimer(NULL, CurrentRun().watchdog);
    }
    return result;
}

// Keys go through the modal loop, where the dialog manager turns them into commands.
inline void PressKey(HWND dialog, UINT key)
{
    HWND focus = GetFocus();
    PostMessageW(focus != NULL ? focus : dialog, WM_KEYDOWN, key, 1);
}

inline void PressEnterIn(HWND dialog, int controlId)
{
    SetFocus(GetDlgItem(dialog, controlId));
    PressKey(dialog, VK_RETURN);
}

inline void PressEscape(HWND dialog) { PressKey(dialog, VK_ESCAPE); }

inline void ClickButton(HWND dialog, int buttonId) { SendDlgItemMessageW(dialog, buttonId, BM_CLICK, 0, 0); }

inline void CloseFromTitleBar(HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

} // namespace dialogtesting
