// SPDX-License-Identifier: GPL-3.0-or-later
// What a Windows screen reader is given of the game, read through UI Automation (play.py's test under Wine). Prints
// "ready", then `focus TYPE "name" *` at each change of the focus; for each line of input, the foreground window's
// elements, `element TYPE "name"` (" *" on the focused one), then "end". MinGW declares none of UI Automation's
// client interfaces: their methods are called by their places in the tables uiautomationclient.idl gives.
#include <cstdio>
#include <windows.h>

namespace {

// Method number `slot` of a COM object (0 to 2 are IUnknown's).
template <typename... Args>
HRESULT call(void *object, int slot, Args... args)
{
    using Method = HRESULT(STDMETHODCALLTYPE *)(void *, Args...);
    return (*static_cast<Method **>(object))[slot](object, args...);
}

// The slots used of IUIAutomation, IUIAutomationTreeWalker and IUIAutomationElement. Wine answers the element's
// GetCurrentPropertyValue and named getters only with stubs: its GetCurrentPropertyValueEx is read.
enum { Release = 2, ElementFromHandle = 6, CreateTreeWalker = 13, CreateTrueCondition = 21, AddFocusHandler = 39 };
enum { FirstChild = 4, NextSibling = 6, GetPropertyEx = 11 };
enum { ControlTypeId = 30003, NameId = 30005, HasKeyboardFocusId = 30008, Button = 50000, Edit = 50004, Text = 50020 };
const CLSID CUIAutomation = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
const IID IUIAutomation = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
const IID IFocusHandler = {0xc270f6b5, 0x5c69, 0x4290, {0x97, 0x45, 0x7a, 0x7f, 0x97, 0x16, 0x94, 0x68}};

// An element's line, in one write: events may come on another thread meanwhile.
void print(void *element, const char *kind)
{
    VARIANT type = {}, name = {}, focused = {}; // VT_EMPTY, kept where the element has no such property
    call(element, GetPropertyEx, ControlTypeId, FALSE, &type);
    call(element, GetPropertyEx, NameId, FALSE, &name);
    call(element, GetPropertyEx, HasKeyboardFocusId, FALSE, &focused);
    char text[1024] = "";
    if (name.vt == VT_BSTR && name.bstrVal)
        WideCharToMultiByte(CP_UTF8, 0, name.bstrVal, -1, text, sizeof text, nullptr, nullptr);
    const long t = type.vt == VT_I4 ? type.lVal : 0;
    printf("%s %s \"%s\"%s\n", kind, t == Button ? "button" : t == Edit ? "edit" : t == Text ? "text" : "other", text,
           focused.vt == VT_BOOL && focused.boolVal ? " *" : "");
    fflush(stdout);
    VariantClear(&name);
}

void walk(void *walker, void *element)
{
    print(element, "element");
    void *child = nullptr, *next = nullptr;
    for (call(walker, FirstChild, element, &child); child; child = next, next = nullptr) {
        walk(walker, child);
        call(walker, NextSibling, child, &next);
        call(child, Release);
    }
}

// The IUIAutomationFocusChangedEventHandler, one for the life of the program.
struct FocusHandler : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IFocusHandler) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual HRESULT STDMETHODCALLTYPE HandleFocusChangedEvent(void *sender) { return print(sender, "focus"), S_OK; }
} handler;

} // namespace

int main()
{
    // Events come on UI Automation's own threads, not through a message loop of this one.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    void *uia = nullptr, *condition = nullptr, *walker = nullptr;
    // Wine's walker of the raw view is unfinished; one with a condition every element meets walks the same tree.
    HRESULT status = CoCreateInstance(CUIAutomation, nullptr, CLSCTX_INPROC_SERVER, IUIAutomation, &uia);
    if (SUCCEEDED(status) && SUCCEEDED(status = call(uia, CreateTrueCondition, &condition))
        && SUCCEEDED(status = call(uia, CreateTreeWalker, condition, &walker))
        && SUCCEEDED(status = call(uia, AddFocusHandler, nullptr, &handler))) {
        puts("ready");
        fflush(stdout);
        while (getchar() != EOF) { // each character asks for the tree
            void *window = nullptr;
            if (SUCCEEDED(call(uia, ElementFromHandle, GetForegroundWindow(), &window))) {
                walk(walker, window);
                call(window, Release);
            }
            puts("end");
            fflush(stdout);
        }
    }
    if (FAILED(status))
        fprintf(stderr, "uia_read: error 0x%08lx\n", status);
    return FAILED(status);
}
