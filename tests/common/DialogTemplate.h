// A dialog template compiled into this test program, read back as data, and what a test
// expects of it.
#pragma once

#include "tests/common/Resources.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <ostream>
#include <string>
#include <tuple>
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

    WORD Word()
    {
        WORD v;
        memcpy(&v, at_, 2);
        at_ += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD v;
        memcpy(&v, at_, 4);
        at_ += 4;
        return v;
    }
    BYTE Byte() { return *at_++; }
    short Short() { return (short)Word(); }

    std::wstring String()
    {
        std::wstring s;
        for (WORD c = Word(); c != 0; c = Word())
            s += (wchar_t)c;
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
        while ((at_ - base_) % 4 != 0)
            ++at_;
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
        if (ordinal >= 0x80 && ordinal <= 0x85)
            return predefined[ordinal - 0x80];
        return raw;
    }
    std::wstring lower = raw;
    for (wchar_t &c : lower)
        c = (wchar_t)towlower(c);
    return lower;
}

// Parses the dialog template compiled into this program; extended templates only (the
// program has no others), so a plain template comes back with extended = false.
inline DialogTemplate LoadDialogTemplate(int id)
{
    DialogTemplate t = {};
    std::string bytes = testsupport::ResourceBytes(MAKEINTRESOURCEW(5) /* RT_DIALOG */, id);
    if (bytes.empty())
        return t;
    TemplateReader r((const BYTE *)bytes.data());
    WORD version = r.Word();
    WORD signature = r.Word();
    t.extended = version == 1 && signature == 0xFFFF;
    if (!t.extended)
        return t;
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

// What a dialog's header should say. Every dialog of the program has no menu, the standard
// dialog class, no extended style, an upright typeface and the default character set, so
// those are not for each test to repeat.
struct ExpectedDialog {
    DWORD style;
    short cx, cy;
    const wchar_t *caption;
    WORD pointSize, weight;
    const wchar_t *typeface;
};

inline bool operator==(const DialogTemplate &actual, const ExpectedDialog &expected)
{
    return actual.extended && actual.style == expected.style && actual.exStyle == 0 && actual.cx == expected.cx &&
           actual.cy == expected.cy && actual.menu.empty() && actual.windowClass.empty() &&
           actual.caption == expected.caption && actual.pointSize == expected.pointSize &&
           actual.weight == expected.weight && actual.italic == 0 && actual.charset == DEFAULT_CHARSET &&
           actual.typeface == expected.typeface;
}

inline std::string Describe(const DialogTemplate &t)
{
    char line[512];
    snprintf(line, sizeof line,
             "%s style 0x%08lX ex 0x%lX %dx%d menu \"%ls\" class \"%ls\" caption \"%ls\" font %u/%u italic %u "
             "charset %u \"%ls\"",
             t.extended ? "extended" : "not extended", (unsigned long)t.style, (unsigned long)t.exStyle, t.cx, t.cy,
             t.menu.c_str(), t.windowClass.c_str(), t.caption.c_str(), t.pointSize, t.weight, t.italic, t.charset,
             t.typeface.c_str());
    return line;
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
           actual.x == expected.x && actual.y == expected.y && actual.cx == expected.cx && actual.cy == expected.cy &&
           actual.style == expected.style && actual.exStyle == 0;
}

inline std::string Describe(const ControlTemplate &c)
{
    char line[512];
    snprintf(line, sizeof line, "id %d class %ls text \"%ls\" at %d,%d,%d,%d style 0x%08lX ex 0x%lX", c.id,
             c.className.c_str(), c.text.c_str(), c.x, c.y, c.cx, c.cy, (unsigned long)c.style,
             (unsigned long)c.exStyle);
    return line;
}

// Whole controls compared and ordered, for a test that takes part of a template as a set.
inline auto Key(const ControlTemplate &c)
{
    return std::tie(c.className, c.text, c.id, c.x, c.y, c.cx, c.cy, c.style, c.exStyle);
}

inline bool operator==(const ControlTemplate &a, const ControlTemplate &b)
{
    return Key(a) == Key(b);
}

inline bool operator<(const ControlTemplate &a, const ControlTemplate &b)
{
    return Key(a) < Key(b);
}

// So that a failed comparison shows the controls rather than their bytes.
inline void PrintTo(const ControlTemplate &c, std::ostream *out)
{
    *out << Describe(c);
}

} // namespace dialogtesting
