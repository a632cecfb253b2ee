#include "FullScreen.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>

void screenAreaOf(Fl_Window* window, int& x, int& y, int& w, int& h)
{
    Fl::screen_xywh(x, y, w, h, window->x(), window->y(), window->w(), window->h());
}

namespace {

// The window a window property names, or None.
Window windowProperty(Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window value = None;
    if (XGetWindowProperty(fl_display, window, property, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data)
        value = *reinterpret_cast<Window*>(data);
    if (data)
        XFree(data);
    return value;
}

bool rootSupports(Atom hint)
{
    const Atom supported = XInternAtom(fl_display, "_NET_SUPPORTED", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(fl_display, RootWindow(fl_display, fl_screen), supported, 0, 4096, False,
                           XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        type == XA_ATOM && format == 32 && data) {
        const Atom* atoms = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == hint;
    }
    if (data)
        XFree(data);
    return found;
}

} // namespace

bool windowManagerKeepsFullScreen()
{
    fl_open_display();
    // A running manager names a window of its own on the root window, and that window names
    // itself; a name left behind by a manager that has gone fails the second test.
    const Atom check = XInternAtom(fl_display, "_NET_SUPPORTING_WM_CHECK", False);
    const Window child = windowProperty(RootWindow(fl_display, fl_screen), check);
    if (child == None || windowProperty(child, check) != child)
        return false;
    return rootSupports(XInternAtom(fl_display, "_NET_WM_STATE_FULLSCREEN", False));
}

void askWindowManagerFullScreen(Fl_Window* window, bool on)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = fl_xid(window);
    e.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? 1 : 0; // _NET_WM_STATE_ADD or _NET_WM_STATE_REMOVE
    e.xclient.data.l[1] =
        static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_FULLSCREEN", False));
    e.xclient.data.l[2] = 0;
    e.xclient.data.l[3] = 1; // asked by an application
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &e);
    XFlush(fl_display);
}

void raiseWindow(Fl_Window* window)
{
    XRaiseWindow(fl_display, fl_xid(window));
    XFlush(fl_display);
}
