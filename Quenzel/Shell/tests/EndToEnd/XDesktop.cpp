#include "XDesktop.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace kvxtest {

namespace {

std::string TitleOf(Display* display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* plain = nullptr;
        if (XFetchName(display, window, &plain) && plain) {
            title = plain;
            XFree(plain);
        }
    }
    return title;
}

// The picture as an RGB PNG file.
bool WritePng(FILE* file, XImage* image, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            row[x * 3] = static_cast<png_byte>((pixel & image->red_mask) >> 16);
            row[x * 3 + 1] = static_cast<png_byte>((pixel & image->green_mask) >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(pixel & image->blue_mask);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Errors about windows that went away between two requests are expected.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

XDesktop::XDesktop() {
    m_display = XOpenDisplay(nullptr);
    if (m_display) XSetErrorHandler(IgnoreErrors);
}

XDesktop::~XDesktop() {
    if (m_display) XCloseDisplay(m_display);
}

std::vector<XWindowInfo> XDesktop::Windows() {
    std::vector<XWindowInfo> shown;
    if (!m_display) return shown;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count)) return shown;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        XWindowInfo info;
        info.id = children[i];
        info.title = TitleOf(m_display, children[i]);
        info.x = attributes.x;
        info.y = attributes.y;
        info.width = attributes.width;
        info.height = attributes.height;
        shown.push_back(info);
    }
    if (children) XFree(children);
    return shown;
}

bool XDesktop::WaitUntil(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

XWindowInfo XDesktop::WaitForWindow(const std::string& prefix, int seconds) {
    XWindowInfo found;
    WaitUntil(
        [&] {
            for (const XWindowInfo& window : Windows())
                if (window.title.rfind(prefix, 0) == 0) found = window;
            return found.id != 0;
        },
        seconds);
    return found;
}

XWindowInfo XDesktop::Refresh(Window window) {
    for (const XWindowInfo& info : Windows())
        if (info.id == window) return info;
    return {};
}

XWindowInfo XDesktop::WaitForSteadySize(Window window) {
    XWindowInfo last = Refresh(window);
    int same = 0;
    WaitUntil(
        [&] {
            const XWindowInfo now = Refresh(window);
            same = now.width == last.width && now.height == last.height && now.x == last.x && now.y == last.y
                       ? same + 1
                       : 0;
            last = now;
            return same >= 10;
        },
        30);
    return last;
}

unsigned long long XDesktop::Picture(const XWindowInfo& window) {
    if (!m_display || !window.id) return 0;
    XImage* image = XGetImage(m_display, window.id, 0, 0, window.width, window.height, AllPlanes, ZPixmap);
    if (!image) return 0;
    // FNV-1a over the pixels; a window of one colour only has not painted.
    unsigned long long hash = 1469598103934665603ull;
    const unsigned long first = XGetPixel(image, 0, 0);
    bool plain = true;
    for (int y = 0; y < window.height; y += 2)
        for (int x = 0; x < window.width; x += 2) {
            const unsigned long pixel = XGetPixel(image, x, y);
            plain = plain && pixel == first;
            hash = (hash ^ pixel) * 1099511628211ull;
        }
    XDestroyImage(image);
    return plain ? 0 : hash;
}

void XDesktop::WaitForPainted(const XWindowInfo& window, int seconds) {
    unsigned long long last = 0;
    int same = 0;
    WaitUntil(
        [&] {
            const unsigned long long now = Picture(window);
            same = now != 0 && now == last ? same + 1 : 0;
            last = now;
            if (same >= 3) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return false;
        },
        seconds);
}

bool XDesktop::ClickUntilChanged(const XWindowInfo& window, int x, int y, int seconds) {
    WaitForPainted(window);
    const unsigned long long before = Picture(window);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        Click(window, x, y);
        if (WaitUntil([&] { return Picture(window) != before; }, 3)) {
            WaitForPainted(window);
            return true;
        }
    }
    return false;
}

void XDesktop::Focus(Window window) {
    if (!m_display || !window) return;
    XRaiseWindow(m_display, window);
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
    XSync(m_display, False);
    WaitUntil(
        [&] {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(m_display, &focus, &revert);
            return focus == window;
        },
        10);
}

void XDesktop::Click(const XWindowInfo& window, int x, int y, int count) {
    if (!m_display) return;
    // The window is brought to the top first, as a user clicks what they see.
    if (window.id) XRaiseWindow(m_display, window.id);
    XTestFakeMotionEvent(m_display, -1, window.x + x, window.y + y, CurrentTime);
    XSync(m_display, False);
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    }
    XSync(m_display, False);
}

void XDesktop::PressKeysym(unsigned long keysym, bool control) {
    KeyCode code = XKeysymToKeycode(m_display, keysym);
    if (!code) return;
    // Characters on the second level of their key need Shift.
    const bool shift = XkbKeycodeToKeysym(m_display, code, 0, 0) != keysym &&
                       XkbKeycodeToKeysym(m_display, code, 0, 1) == keysym;
    const KeyCode shiftCode = XKeysymToKeycode(m_display, XStringToKeysym("Shift_L"));
    const KeyCode controlCode = XKeysymToKeycode(m_display, XStringToKeysym("Control_L"));
    if (control) XTestFakeKeyEvent(m_display, controlCode, True, CurrentTime);
    if (shift) XTestFakeKeyEvent(m_display, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(m_display, shiftCode, False, CurrentTime);
    if (control) XTestFakeKeyEvent(m_display, controlCode, False, CurrentTime);
    XSync(m_display, False);
}

void XDesktop::Type(const std::string& text) {
    if (!m_display) return;
    for (char c : text) {
        unsigned long keysym = static_cast<unsigned char>(c);
        if (c == '\n') keysym = XStringToKeysym("Return");
        else if (c == '\t') keysym = XStringToKeysym("Tab");
        PressKeysym(keysym, false);
    }
}

void XDesktop::Key(const std::string& keysymName, bool control) {
    if (!m_display) return;
    PressKeysym(XStringToKeysym(keysymName.c_str()), control);
}

void XDesktop::Close(Window window) {
    if (!m_display || !window) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &event);
    XSync(m_display, False);
}

bool XDesktop::Screenshot(const std::string& path) {
    if (!m_display) return false;
    const Window root = DefaultRootWindow(m_display);
    XWindowAttributes attributes;
    XGetWindowAttributes(m_display, root, &attributes);
    auto destroy = [](XImage* image) { XDestroyImage(image); };
    std::unique_ptr<XImage, decltype(destroy)> image(
        XGetImage(m_display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap), destroy);
    if (!image) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = WritePng(file, image.get(), attributes.width, attributes.height);
    std::fclose(file);
    return written;
}

} // namespace kvxtest
