// The program's resources as the resource compiler built them: every id, number, text,
// style and size the window code relies on, all in Russian (1049). The test program
// carries the same resource script as the program.
#include <windows.h>

#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

const WORD Russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

// The raw bytes of one resource in the Russian language, empty when it is missing.
std::vector<unsigned char> ResourceBytes(const wchar_t *type, const wchar_t *name)
{
    HMODULE self = GetModuleHandleW(0);
    HRSRC found = FindResourceExW(self, type, name, Russian);
    if (found == 0) {
        return {};
    }
    const unsigned char *data = (const unsigned char *)LockResource(LoadResource(self, found));
    return std::vector<unsigned char>(data, data + SizeofResource(self, found));
}

// Reads little-endian words and strings from a resource, front to back.
struct Reader {
    const std::vector<unsigned char> &Bytes;
    size_t At = 0;

    WORD Word()
    {
        REQUIRE(At + 2 <= Bytes.size());
        WORD value = (WORD)(Bytes[At] | (Bytes[At + 1] << 8));
        At += 2;
        return value;
    }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | ((DWORD)Word() << 16);
    }
    short Short() { return (short)Word(); }
    // A string, or 0xFFFF and an ordinal, given back as "#ordinal".
    std::wstring Text()
    {
        std::wstring text;
        WORD first = Word();
        if (first == 0xFFFF) {
            return L"#" + std::to_wstring(Word());
        }
        for (WORD c = first; c != 0; c = Word()) {
            text += (wchar_t)c;
        }
        return text;
    }
    void AlignDword() { At = (At + 3) & ~(size_t)3; }
};

// Wide text as UTF-8, so that failures show it.
std::string Utf8(const std::wstring &text)
{
    char buffer[512];
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), buffer, sizeof buffer, 0, 0);
    return std::string(buffer, n > 0 ? n : 0);
}

// A control class given by name (as the resource compiler writes it) or by its ordinal.
bool SameClass(const std::wstring &found, const wchar_t *name, int ordinal)
{
    return found == L"#" + std::to_wstring(ordinal) || lstrcmpiW(found.c_str(), name) == 0;
}

struct Control {
    const wchar_t *Class; // "button" (ordinal 128), "edit" (129), "static" (130)
    int Id;
    const wchar_t *Text;
    short X, Y, Cx, Cy;
    DWORD Style;
};

const DWORD Child = WS_CHILD | WS_VISIBLE;

} // namespace

TEST_CASE("the strings give the title, the class and the soft-key captions")
{
    struct Case {
        UINT Id;
        const wchar_t *Text;
    };
    const Case cases[] = {{IDS_APP_TITLE, L"Wayfold"}, {IDS_WINDOW_CLASS, L"WAYFOLD"}, {IDS_TOOLS, L"Tools"},
                          {IDS_OPEN_FILE, L"Open file"}};
    for (const Case &c : cases) {
        CAPTURE(c.Id);
        wchar_t text[100] = {0};
        CHECK(LoadStringW(GetModuleHandleW(0), c.Id, text, 100) > 0);
        CHECK(Utf8(text) == Utf8(c.Text));
    }
}

TEST_CASE("every resource is Russian and only Russian")
{
    struct Case {
        const wchar_t *Type;
        const wchar_t *Name;
    };
    const Case cases[] = {
        {RT_STRING, MAKEINTRESOURCEW(IDS_APP_TITLE / 16 + 1)},  {RT_STRING, MAKEINTRESOURCEW(IDS_TOOLS / 16 + 1)},
        {RT_STRING, MAKEINTRESOURCEW(IDS_OPEN_FILE / 16 + 1)},  {RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_WAYFOLD)},
        {RT_RCDATA, MAKEINTRESOURCEW(IDR_MENUBAR)},             {RT_MENU, MAKEINTRESOURCEW(IDR_MENUBAR)},
        {RT_ACCELERATOR, MAKEINTRESOURCEW(IDR_ACCELERATORS)},  {RT_DIALOG, MAKEINTRESOURCEW(IDD_ABOUT)},
        {RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS)},            {L"CEUX", L"HI_RES_AWARE"},
    };
    for (const Case &c : cases) {
        CAPTURE((ULONG_PTR)c.Name);
        HMODULE self = GetModuleHandleW(0);
        CHECK(FindResourceExW(self, c.Type, c.Name, Russian) != 0);
        CHECK(FindResourceExW(self, c.Type, c.Name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) == 0);
    }
}

TEST_CASE("the soft-key bar: menu 102, two keys of seven words")
{
    const WORD expected[] = {102, 2, 0xFFFE, 40003, 4, 16, 32772, 0, 0xFFFF, 0xFFFE, 40001, 4, 24, 104, 0, 0};
    std::vector<unsigned char> bytes = ResourceBytes(RT_RCDATA, MAKEINTRESOURCEW(IDR_MENUBAR));
    REQUIRE(bytes.size() == sizeof expected);
    Reader reader{bytes};
    for (WORD word : expected) {
        CAPTURE(reader.At);
        CHECK(reader.Word() == word);
    }
}

TEST_CASE("menu 102 holds the Tools popup")
{
    HMENU menu = LoadMenuW(GetModuleHandleW(0), MAKEINTRESOURCEW(IDR_MENUBAR));
    REQUIRE(menu != 0);
    CHECK(GetMenuItemCount(menu) == 1);
    wchar_t text[32] = {0};
    GetMenuStringW(menu, 0, text, 32, MF_BYPOSITION);
    CHECK(Utf8(text) == "Tools");
    HMENU tools = GetSubMenu(menu, 0);
    REQUIRE(tools != 0);
    struct Item {
        UINT Id; // 0: separator
        const wchar_t *Text;
    };
    const Item items[] = {{32773, L"Settings"}, {0, L""}, {40002, L"About"}, {0, L""}, {32774, L"Exit"}};
    REQUIRE(GetMenuItemCount(tools) == 5);
    for (int i = 0; i < 5; ++i) {
        CAPTURE(i);
        MENUITEMINFOW info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID;
        REQUIRE(GetMenuItemInfoW(tools, i, TRUE, &info));
        if (items[i].Id == 0) {
            CHECK((info.fType & MFT_SEPARATOR) != 0);
            continue;
        }
        CHECK(info.wID == items[i].Id);
        GetMenuStringW(tools, i, text, 32, MF_BYPOSITION);
        CHECK(Utf8(text) == Utf8(items[i].Text));
    }
    DestroyMenu(menu);
}

TEST_CASE("accelerators 2: Ctrl+A for About, Ctrl+Q to quit")
{
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(0), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    REQUIRE(table != 0);
    ACCEL entries[4];
    REQUIRE(CopyAcceleratorTableW(table, entries, 4) == 2);
    const BYTE flags = FVIRTKEY | FNOINVERT | FCONTROL;
    CHECK(entries[0].fVirt == flags);
    CHECK(entries[0].key == 0x41);
    CHECK(entries[0].cmd == 40002);
    CHECK(entries[1].fVirt == flags);
    CHECK(entries[1].key == 0x51);
    CHECK(entries[1].cmd == 40000);
}

TEST_CASE("the icon group: 32x32 and 16x16, 16 colours")
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_WAYFOLD));
    Reader reader{bytes};
    CHECK(reader.Word() == 0);
    CHECK(reader.Word() == 1);
    REQUIRE(reader.Word() == 2);
    const int sizes[] = {32, 16};
    for (int size : sizes) {
        CAPTURE(size);
        CHECK(bytes[reader.At] == size);
        CHECK(bytes[reader.At + 1] == size);
        CHECK(bytes[reader.At + 2] == 16);
        reader.At += 4;
        CHECK(reader.Word() == 1); // planes
        CHECK(reader.Word() == 4); // bits per pixel
        reader.At += 6;            // bytes, image id
    }
    CHECK(LoadIconW(GetModuleHandleW(0), MAKEINTRESOURCEW(IDI_WAYFOLD)) != 0);
}

TEST_CASE("HI_RES_AWARE: one word, 1")
{
    std::vector<unsigned char> bytes = ResourceBytes(L"CEUX", L"HI_RES_AWARE");
    REQUIRE(bytes.size() == 2);
    CHECK(bytes[0] == 1);
    CHECK(bytes[1] == 0);
}

static void CheckControl(Reader &reader, const Control &expected, bool extended)
{
    CAPTURE(expected.Id);
    reader.AlignDword();
    DWORD style, exStyle;
    if (extended) {
        reader.Dword(); // help id
        exStyle = reader.Dword();
        style = reader.Dword();
    } else {
        style = reader.Dword();
        exStyle = reader.Dword();
    }
    CHECK(style == (Child | expected.Style));
    CHECK(exStyle == 0);
    CHECK(reader.Short() == expected.X);
    CHECK(reader.Short() == expected.Y);
    CHECK(reader.Short() == expected.Cx);
    CHECK(reader.Short() == expected.Cy);
    int id = extended ? (int)reader.Dword() : (short)reader.Word();
    CHECK(id == expected.Id);
    std::wstring className = reader.Text();
    int ordinal = lstrcmpW(expected.Class, L"button") == 0 ? 128 : lstrcmpW(expected.Class, L"edit") == 0 ? 129 : 130;
    CHECK_MESSAGE(SameClass(className, expected.Class, ordinal), Utf8(className));
    CHECK(Utf8(reader.Text()) == Utf8(expected.Text));
    reader.At += reader.Word();
}

TEST_CASE("dialog 129: the settings dialog")
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS));
    Reader reader{bytes};
    REQUIRE(reader.Word() == 1);
    REQUIRE(reader.Word() == 0xFFFF);
    reader.Dword(); // help id
    CHECK(reader.Dword() == 0);
    CHECK(reader.Dword() == (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS));
    REQUIRE(reader.Word() == 12);
    CHECK(reader.Short() == 0);
    CHECK(reader.Short() == 0);
    CHECK(reader.Short() == 159);
    CHECK(reader.Short() == 125);
    CHECK(reader.Text() == L"");
    CHECK(reader.Text() == L"");
    CHECK(Utf8(reader.Text()) == "Point filters settings");
    CHECK(reader.Word() == 8);
    reader.At += 4; // weight, italic, character set
    CHECK(Utf8(reader.Text()) == "MS Shell Dlg");
    const DWORD field = WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
    const Control controls[] = {
        {L"button", IDOK, L"\x041E\x041A", 57, 93, 45, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {L"button", IDCANCEL, L"Cancel", 107, 93, 45, 14, BS_PUSHBUTTON | WS_TABSTOP},
        {L"button", 3, L"Default", 7, 93, 45, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {L"edit", 1000, L"", 110, 19, 30, 14, field},
        {L"edit", 1001, L"", 110, 37, 30, 14, field},
        {L"edit", 1002, L"", 110, 54, 30, 14, field},
        {L"edit", 1003, L"", 110, 71, 30, 14, field},
        {L"static", -1, L"Min. distance, meters:", 9, 24, 72, 8, WS_GROUP | SS_LEFT},
        {L"static", 1004, L"Max. distance, meters:", 9, 40, 91, 8, WS_GROUP | SS_LEFT},
        {L"static", -1, L"Max. asimutal error, degrees:", 9, 57, 97, 8, WS_GROUP | SS_LEFT},
        {L"static", -1, L"Max. orthog. error, meters:", 9, 73, 98, 8, WS_GROUP | SS_LEFT},
        {L"static", -1, L"Point filter settings", 11, 9, 137, 8, WS_GROUP | SS_CENTER},
    };
    for (const Control &control : controls) {
        CheckControl(reader, control, true);
    }
}

TEST_CASE("dialog 105: the About box")
{
    std::vector<unsigned char> bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_ABOUT));
    Reader reader{bytes};
    CHECK(reader.Dword() == (WS_POPUP | WS_CAPTION | DS_SETFONT));
    CHECK(reader.Dword() == 0x80000000u); // the caption's OK button
    REQUIRE(reader.Word() == 3);
    CHECK(reader.Short() == 0);
    CHECK(reader.Short() == 0);
    CHECK(reader.Short() == 156);
    CHECK(reader.Short() == 129);
    CHECK(reader.Text() == L"");
    CHECK(reader.Text() == L"");
    CHECK(Utf8(reader.Text()) == "About Wayfold");
    CHECK(reader.Word() == 8);
    CHECK(Utf8(reader.Text()) == "MS Sans Serif");
    const Control controls[] = {
        {L"static", 203, L"Wayfold 0.1 by the Quillon team", 12, 27, 128, 8, WS_GROUP | SS_LEFT},
        {L"static", 204, L"Routes for OziExplorer CE", 12, 39, 128, 8, WS_GROUP | SS_LEFT},
        {L"static", -1, L"#101", 12, 6, 21, 20, SS_ICON},
    };
    for (const Control &control : controls) {
        CheckControl(reader, control, false);
    }
}
