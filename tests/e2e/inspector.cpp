// Reads, across processes, what a screenshot cannot show about a running window and
// prints it as JSON (UTF-8) on stdout. Run in the same Wine prefix as the program.
//
//   inspector window <title>                 the top-level window and its children
//   inspector boxes                          visible dialog boxes (#32770) and their texts
//   inspector exe-icons <file.exe>           the images of the file's first icon group
//   inspector wait-window <title> <seconds>  exit 0 once present, 1 on timeout
//   inspector wait-gone <title> <seconds>    exit 0 once absent, 1 on timeout
//   inspector hold                           sleeps until killed
//
// Texts are read as wide strings, so a Chinese caption survives whatever the code page.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// A window of another process may hang; never wait on it for long, and after one
// timeout not again: a description has a few hundred messages to send.
constexpr UINT kMessageTimeoutMs = 5000;
bool g_timedOut = false;

bool Ask(HWND h, UINT message, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    if (g_timedOut) return false;
    if (SendMessageTimeoutW(h, message, wp, lp, SMTO_ABORTIFHUNG, kMessageTimeoutMs, result))
        return true;
    DWORD error = GetLastError();
    if (error == ERROR_TIMEOUT) g_timedOut = true;
    return false;
}

void Print(const std::string& s) {
    // Raw bytes: the C runtime's text mode would turn "\n" into "\r\n".
    DWORD written = 0;
    std::string line = s + "\n";
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                        nullptr);
    return s;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Hex(unsigned long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "\"0x%08llX\"", v);
    return buf;
}

std::string Handle(HWND h) {
    return h ? Hex(reinterpret_cast<ULONG_PTR>(h)) : "null";
}

std::string Bool(bool b) { return b ? "true" : "false"; }

std::string Rect(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

std::string Point(LONG x, LONG y) {
    return "[" + std::to_string(x) + "," + std::to_string(y) + "]";
}

// WM_GETTEXT rather than GetWindowTextW: for another process's window the latter
// only returns the stored caption, not what a control answers for its text.
std::wstring TextOf(HWND h) {
    DWORD_PTR len = 0;
    if (!Ask(h, WM_GETTEXTLENGTH, 0, 0, &len)) {
        wchar_t buf[1024];
        int n = InternalGetWindowText(h, buf, 1024);
        return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
    }
    std::vector<wchar_t> buf(len + 2, L'\0');
    DWORD_PTR got = 0;
    Ask(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got);
    return std::wstring(buf.data(), got < buf.size() ? got : 0);
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string WindowRef(HWND h) {
    if (!h) return "null";
    return "{\"hwnd\":" + Handle(h) + ",\"class\":" + Quote(Utf8(ClassOf(h))) +
           ",\"text\":" + Quote(Utf8(TextOf(h))) + "}";
}

// Wine cannot pass WM_GETICON to another process ("not supported yet"), nor open an
// icon handle of another process: "readable" false says so, and the X property
// _NET_WM_ICON (which Wine fills from inside the program) has to stand in for it.
std::string IconInfo(HWND h, WPARAM which) {
    DWORD_PTR icon = 0;
    if (!Ask(h, WM_GETICON, which, 0, &icon)) {
        return "{\"readable\":false,\"present\":null,\"width\":null,\"height\":null,"
               "\"bpp\":null}";
    }
    std::string out = "{\"readable\":true,\"present\":" + Bool(icon != 0);
    ICONINFO info{};
    if (icon && GetIconInfo(reinterpret_cast<HICON>(icon), &info)) {
        BITMAP bm{};
        HBITMAP shown = info.hbmColor ? info.hbmColor : info.hbmMask;
        if (GetObjectW(shown, sizeof bm, &bm)) {
            LONG height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;  // mask-only: AND+XOR
            out += ",\"width\":" + std::to_string(bm.bmWidth) +
                   ",\"height\":" + std::to_string(height) +
                   ",\"bpp\":" + std::to_string(bm.bmBitsPixel);
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    } else {
        out += ",\"width\":null,\"height\":null,\"bpp\":null";
    }
    return out + "}";
}

// The pixels of an icon as 0xAARRGGBB, alpha taken from the mask when the image has
// none: the same form as the X property _NET_WM_ICON, so the two can be compared.
bool IconArgb(HICON icon, LONG& width, LONG& height, std::vector<DWORD>& argb) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    bool ok = false;
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
        width = bm.bmWidth;
        height = bm.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;  // top-down rows
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        argb.assign(static_cast<size_t>(width * height), 0);
        HDC dc = CreateCompatibleDC(nullptr);
        ok = GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(height), argb.data(), &bi,
                       DIB_RGB_COLORS) != 0;
        bool hasAlpha = false;
        for (DWORD px : argb) hasAlpha = hasAlpha || (px & 0xFF000000u);
        if (ok && !hasAlpha) {
            struct {
                BITMAPINFOHEADER h;
                RGBQUAD colours[2];
            } mi{};
            mi.h = bi.bmiHeader;
            mi.h.biBitCount = 1;
            LONG stride = (width + 31) / 32 * 4;
            std::vector<BYTE> mask(static_cast<size_t>(stride * height));
            ok = GetDIBits(dc, info.hbmMask, 0, static_cast<UINT>(height), mask.data(),
                           reinterpret_cast<BITMAPINFO*>(&mi), DIB_RGB_COLORS) != 0;
            for (LONG y = 0; ok && y < height; ++y)
                for (LONG x = 0; x < width; ++x)
                    if (!((mask[static_cast<size_t>(y * stride + x / 8)] << (x % 8)) & 0x80))
                        argb[static_cast<size_t>(y * width + x)] |= 0xFF000000u;
        }
        DeleteDC(dc);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return ok;
}

BOOL CALLBACK FirstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    *reinterpret_cast<LPWSTR*>(param) = name;  // an id, or a name valid while the module is loaded
    return FALSE;
}

#pragma pack(push, 2)
struct GroupEntry {  // RT_GROUP_ICON as the resource compiler stores it
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// Every image of the file's first icon group, each made into an icon the way a program
// makes one from its resources (CreateIconFromResourceEx), with its pixels as ARGB.
int ExeIcons(const wchar_t* path) {
    HMODULE mod = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!mod) {
        Print("{\"error\":\"cannot open\"}");
        return 1;
    }
    LPWSTR group = nullptr;
    EnumResourceNamesW(mod, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, FirstGroup,
                       reinterpret_cast<LONG_PTR>(&group));
    HRSRC found = group ? FindResourceW(mod, group, MAKEINTRESOURCEW(14)) : nullptr;
    const BYTE* dir = found ? static_cast<const BYTE*>(LockResource(LoadResource(mod, found))) : nullptr;
    if (!dir || SizeofResource(mod, found) < 6) {
        Print("{\"error\":\"no icon group\"}");
        return 1;
    }
    WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    if (SizeofResource(mod, found) < 6 + count * sizeof(GroupEntry)) count = 0;
    std::string out = "{\"images\":[";
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupEntry*>(dir + 6 + i * sizeof(GroupEntry));
        HRSRC res = FindResourceW(mod, MAKEINTRESOURCEW(entry->id), MAKEINTRESOURCEW(3) /* RT_ICON */);
        BYTE* bits = res ? static_cast<BYTE*>(LockResource(LoadResource(mod, res))) : nullptr;
        int w = entry->width ? entry->width : 256, h = entry->height ? entry->height : 256;
        HICON icon = bits ? CreateIconFromResourceEx(bits, SizeofResource(mod, res), TRUE, 0x00030000,
                                                     w, h, LR_DEFAULTCOLOR)
                          : nullptr;
        LONG width = 0, height = 0;
        std::vector<DWORD> argb;
        std::string pixels;
        if (icon && IconArgb(icon, width, height, argb)) {
            char buf[16];
            for (DWORD px : argb) {
                std::snprintf(buf, sizeof buf, "%08lX", static_cast<unsigned long>(px));
                pixels += buf;
            }
        }
        if (icon) DestroyIcon(icon);
        if (i) out += ",";
        out += "{\"id\":" + std::to_string(entry->id) + ",\"width\":" + std::to_string(width) +
               ",\"height\":" + std::to_string(height) + ",\"bpp\":" +
               std::to_string(entry->planes * entry->bitCount) + ",\"argb\":\"" + pixels + "\"}";
    }
    Print(out + "]}");
    return 0;
}

LRESULT HitTest(HWND h, LONG x, LONG y) {
    DWORD_PTR hit = HTNOWHERE;
    Ask(h, WM_NCHITTEST, 0, MAKELPARAM(x, y), &hit);
    return static_cast<LRESULT>(hit);
}

// Where to click on the frame, found by asking the window itself (WM_NCHITTEST along
// the middle of its caption) rather than guessing the theme's metrics.
std::string CaptionPoints(HWND h, const RECT& outer, POINT clientOrigin) {
    LONG y = (outer.top + clientOrigin.y) / 2;
    LONG closeFirst = -1, closeLast = -1;
    LONG runStart = -1, bestStart = -1, bestLength = 0;  // widest stretch of bare caption
    for (LONG x = outer.left; x <= outer.right; ++x) {
        LRESULT hit = x < outer.right ? HitTest(h, x, y) : HTNOWHERE;
        if (hit == HTCLOSE) {
            if (closeFirst < 0) closeFirst = x;
            closeLast = x;
        }
        if (hit == HTCAPTION && runStart < 0) runStart = x;
        if (hit != HTCAPTION && runStart >= 0) {
            if (x - runStart > bestLength) {
                bestLength = x - runStart;
                bestStart = runStart;
            }
            runStart = -1;
        }
    }
    std::string out = "{\"close\":";
    if (closeFirst >= 0) {
        LONG cx = (closeFirst + closeLast) / 2;
        LONG top = y, bottom = y;
        while (top > outer.top && HitTest(h, cx, top - 1) == HTCLOSE) --top;
        while (bottom < clientOrigin.y && HitTest(h, cx, bottom + 1) == HTCLOSE) ++bottom;
        out += Point(cx, (top + bottom) / 2);
    } else {
        out += "null";
    }
    out += ",\"caption\":";
    out += bestStart >= 0 ? Point(bestStart + bestLength / 2, y) : "null";
    return out + "}";
}

std::string Colour(int index) {
    COLORREF c = GetSysColor(index);
    return "[" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + "]";
}

std::string Child(HWND parent, HWND c) {
    RECT r{};
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return "{\"hwnd\":" + Handle(c) + ",\"class\":" + Quote(Utf8(ClassOf(c))) +
           ",\"text\":" + Quote(Utf8(TextOf(c))) + ",\"id\":" +
           std::to_string(GetWindowLongPtrW(c, GWLP_ID)) + ",\"rect\":" + Rect(r) +
           ",\"style\":" + Hex(static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE))) +
           ",\"exstyle\":" + Hex(static_cast<DWORD>(GetWindowLongW(c, GWL_EXSTYLE))) +
           ",\"visible\":" + Bool(IsWindowVisible(c)) + ",\"enabled\":" +
           Bool(IsWindowEnabled(c)) + "}";
}

std::string Describe(HWND h) {
    RECT outer{}, client{};
    GetWindowRect(h, &outer);
    GetClientRect(h, &client);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    bool haveGui = GetGUIThreadInfo(tid, &gui) != FALSE;

    std::string out = "{\"hwnd\":" + Handle(h);
    out += ",\"title\":" + Quote(Utf8(TextOf(h)));
    out += ",\"class\":" + Quote(Utf8(ClassOf(h)));
    out += ",\"pid\":" + std::to_string(pid);
    out += ",\"rect\":" + Rect(outer);
    out += ",\"client\":" + Rect(client);
    out += ",\"client_origin\":" + Point(origin.x, origin.y);
    out += ",\"style\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)));
    out += ",\"exstyle\":" + Hex(static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE)));
    out += ",\"enabled\":" + Bool(IsWindowEnabled(h));
    out += ",\"visible\":" + Bool(IsWindowVisible(h));
    out += ",\"owner\":" + Handle(GetWindow(h, GW_OWNER));
    out += ",\"foreground\":" + Bool(GetForegroundWindow() == h);
    out += ",\"focus\":" + (haveGui ? WindowRef(gui.hwndFocus) : std::string("null"));
    out += ",\"active\":" + (haveGui ? WindowRef(gui.hwndActive) : std::string("null"));
    out += ",\"icon_big\":" + IconInfo(h, ICON_BIG);
    out += ",\"icon_small\":" + IconInfo(h, ICON_SMALL);
    out += ",\"frame\":" + CaptionPoints(h, outer, origin);
    out += ",\"screen\":" + Point(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    out += ",\"colours\":{\"btnface\":" + Colour(COLOR_BTNFACE) +
           ",\"window\":" + Colour(COLOR_WINDOW) + ",\"windowtext\":" + Colour(COLOR_WINDOWTEXT) +
           ",\"btntext\":" + Colour(COLOR_BTNTEXT) + "}";
    out += ",\"children\":[";
    bool first = true;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!first) out += ",";
        first = false;
        out += Child(h, c);
    }
    // true: the window stopped answering messages; texts and frame points may be missing.
    return out + "],\"unresponsive\":" + Bool(g_timedOut) + "}";
}

struct BoxList {
    std::string json;
    int count = 0;
};

BOOL CALLBACK CollectBox(HWND h, LPARAM param) {
    auto* list = reinterpret_cast<BoxList*>(param);
    if (!IsWindowVisible(h) || ClassOf(h) != L"#32770") return TRUE;
    RECT r{};
    GetWindowRect(h, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    std::string statics, buttons;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::wstring cls = ClassOf(c);
        std::string text = Quote(Utf8(TextOf(c)));
        if (_wcsicmp(cls.c_str(), L"Static") == 0) {
            // The icon of a message box is a Static without text; only texts matter.
            if (text != "\"\"") statics += (statics.empty() ? "" : ",") + text;
        } else if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(c)) {
            RECT br{};
            GetWindowRect(c, &br);
            buttons += std::string(buttons.empty() ? "" : ",") + "{\"text\":" + text +
                       ",\"rect\":" + Rect(br) + ",\"enabled\":" + Bool(IsWindowEnabled(c)) +
                       "}";
        }
    }
    if (list->count++) list->json += ",";
    list->json += "{\"hwnd\":" + Handle(h) + ",\"caption\":" + Quote(Utf8(TextOf(h))) +
                  ",\"pid\":" + std::to_string(pid) + ",\"rect\":" + Rect(r) +
                  ",\"owner\":" + Handle(GetWindow(h, GW_OWNER)) +
                  ",\"foreground\":" + Bool(GetForegroundWindow() == h) +
                  ",\"statics\":[" + statics + "],\"buttons\":[" + buttons + "]}";
    return TRUE;
}

int Usage() {
    Print("{\"error\":\"usage: inspector window <title> | boxes | exe-icons <file.exe> | "
          "wait-window <title> <seconds> | wait-gone <title> <seconds> | hold\"}");
    return 2;
}

int WaitFor(const wchar_t* title, const wchar_t* seconds, bool present) {
    double limit = std::wcstod(seconds, nullptr);
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit * 1000.0);
    for (;;) {
        bool found = FindWindowW(nullptr, title) != nullptr;
        if (found == present) return 0;
        if (GetTickCount64() >= deadline) return 1;
        Sleep(50);
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return Usage();
    std::wstring command = argv[1];
    if (command == L"window" && argc == 3) {
        HWND h = FindWindowW(nullptr, argv[2]);
        if (!h) {
            Print("{\"error\":\"not found\"}");
            return 1;
        }
        Print(Describe(h));
        return 0;
    }
    if (command == L"boxes" && argc == 2) {
        BoxList list;
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&list));
        Print("[" + list.json + "]");
        return 0;
    }
    if (command == L"exe-icons" && argc == 3) return ExeIcons(argv[2]);
    if (command == L"hold" && argc == 2) {
        Sleep(INFINITE);  // keeps the prefix's wineserver and services running
        return 0;
    }
    if (command == L"wait-window" && argc == 4) return WaitFor(argv[2], argv[3], true);
    if (command == L"wait-gone" && argc == 4) return WaitFor(argv[2], argv[3], false);
    return Usage();
}
