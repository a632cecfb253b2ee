/* A drag-and-drop source for the tests: drops a text/uri-list on the window under a point
 * through a real XDND exchange, as a file manager does.
 *
 *     xdnd_drop X Y URI [URI...]
 *
 * X, Y are root-window coordinates. The pointer is grabbed (as a drag source grabs it), moved
 * to a point outside the target's top-level window and then onto X, Y; the source sends
 * XdndEnter (offering text/uri-list), XdndPosition (action copy), waits for XdndStatus, sends
 * XdndDrop, answers the target's SelectionRequest (text/uri-list: the URIs joined by "\r\n";
 * TARGETS) and waits for XdndFinished.
 *
 * Prints one line and exits with
 *     0  the drop was accepted and finished;
 *     1  the target refused it (XdndStatus not accepting: XdndLeave is sent; XdndFinished not
 *        accepted; or no XdndAware window under the point);
 *     2  a timeout (5 s for each answer), an X error or a usage error.
 * XdndFinished carries an "accepted" flag from version 5 of the protocol on; with an older
 * target a drop counts as accepted when the target fetched the data before finishing. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/time.h>

#define OWN_VERSION 5
#define TIMEOUT_SECONDS 5

static Display* dpy;
static Window source;
static Atom aAware, aProxy, aEnter, aPosition, aStatus, aLeave, aDrop, aFinished, aSelection,
    aActionCopy, aUriList, aTargets, aTimestampProp;
static char* uriList;
static int fetched; /* the target read text/uri-list */

static int onXError(Display* d, XErrorEvent* e)
{
    char text[256];
    XGetErrorText(d, e->error_code, text, sizeof text);
    printf("xdnd_drop: X error: %s (request %d)\n", text, e->request_code);
    fflush(stdout);
    exit(2);
    return 0;
}

static void finish(int code, const char* line)
{
    printf("xdnd_drop: %s\n", line);
    fflush(stdout);
    XUngrabPointer(dpy, CurrentTime);
    XCloseDisplay(dpy);
    exit(code);
}

static void atoms(void)
{
    aAware = XInternAtom(dpy, "XdndAware", False);
    aProxy = XInternAtom(dpy, "XdndProxy", False);
    aEnter = XInternAtom(dpy, "XdndEnter", False);
    aPosition = XInternAtom(dpy, "XdndPosition", False);
    aStatus = XInternAtom(dpy, "XdndStatus", False);
    aLeave = XInternAtom(dpy, "XdndLeave", False);
    aDrop = XInternAtom(dpy, "XdndDrop", False);
    aFinished = XInternAtom(dpy, "XdndFinished", False);
    aSelection = XInternAtom(dpy, "XdndSelection", False);
    aActionCopy = XInternAtom(dpy, "XdndActionCopy", False);
    aUriList = XInternAtom(dpy, "text/uri-list", False);
    aTargets = XInternAtom(dpy, "TARGETS", False);
    aTimestampProp = XInternAtom(dpy, "XDND_DROP_TIMESTAMP", False);
}

/* One long of a window property of type `type`, or 0 when it has none. */
static long longProperty(Window w, Atom property, Atom type, int* found)
{
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long value = 0;
    *found = 0;
    if (XGetWindowProperty(dpy, w, property, 0, 1, False, type, &actual, &format, &count, &after,
                           &data) == Success &&
        data && actual == type && format == 32 && count == 1) {
        value = ((long*)data)[0];
        *found = 1;
    }
    if (data)
        XFree(data);
    return value;
}

/* The XdndAware window on the path from the root down to the deepest window at (x, y), and
 * the top-level window (the root's child) that holds it. */
static Window awareWindowAt(int x, int y, Window* topLevel, int* version)
{
    Window root = DefaultRootWindow(dpy), parent = root, child = None;
    int wx, wy;
    *topLevel = None;
    while (XTranslateCoordinates(dpy, root, parent, x, y, &wx, &wy, &child) && child != None) {
        if (*topLevel == None)
            *topLevel = child;
        int found;
        long v = longProperty(child, aAware, XA_ATOM, &found);
        if (found) {
            *version = (int)v;
            return child;
        }
        parent = child;
    }
    return None;
}

static Time serverTime(void)
{
    XEvent e;
    XChangeProperty(dpy, source, aTimestampProp, XA_STRING, 8, PropModeReplace, (unsigned char*)"",
                    0);
    XWindowEvent(dpy, source, PropertyChangeMask, &e);
    return e.xproperty.time;
}

static void sendMessage(Window to, Window target, Atom type, long l1, long l2, long l3, long l4)
{
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)source;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, to, False, NoEventMask, &e);
    XFlush(dpy);
}

static void answerSelection(XSelectionRequestEvent* r)
{
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = r->requestor;
    reply.xselection.selection = r->selection;
    reply.xselection.target = r->target;
    reply.xselection.time = r->time;
    Atom property = r->property != None ? r->property : r->target;
    reply.xselection.property = None;
    if (r->selection == aSelection && r->target == aUriList) {
        XChangeProperty(dpy, r->requestor, property, aUriList, 8, PropModeReplace,
                        (unsigned char*)uriList, (int)strlen(uriList));
        reply.xselection.property = property;
        fetched = 1;
    } else if (r->selection == aSelection && r->target == aTargets) {
        Atom list[2] = {aTargets, aUriList};
        XChangeProperty(dpy, r->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char*)list, 2);
        reply.xselection.property = property;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Waits for a client message of `type` (answering selection requests meanwhile); 0 on
 * timeout. */
static int waitMessage(Atom type, XClientMessageEvent* out)
{
    struct timeval end, now;
    gettimeofday(&end, NULL);
    end.tv_sec += TIMEOUT_SECONDS;
    for (;;) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == SelectionRequest)
                answerSelection(&e.xselectionrequest);
            else if (e.type == ClientMessage && e.xclient.message_type == type) {
                *out = e.xclient;
                return 1;
            }
        }
        gettimeofday(&now, NULL);
        long left = (end.tv_sec - now.tv_sec) * 1000000L + (end.tv_usec - now.tv_usec);
        if (left <= 0)
            return 0;
        struct timeval wait = {left / 1000000L, left % 1000000L};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(dpy), &fds);
        select(ConnectionNumber(dpy) + 1, &fds, NULL, NULL, &wait);
    }
}

static char* joinUris(int count, char** uris)
{
    size_t size = 1;
    for (int i = 0; i < count; i++)
        size += strlen(uris[i]) + 2;
    char* text = calloc(size, 1);
    if (!text)
        exit(2);
    for (int i = 0; i < count; i++) {
        if (i > 0)
            strcat(text, "\r\n");
        strcat(text, uris[i]);
    }
    return text;
}

/* A point on the screen outside the top-level window `w`, left, right, above or below it. */
static void pointOutside(Window w, int x, int y, int* ox, int* oy)
{
    int screenW = DisplayWidth(dpy, DefaultScreen(dpy));
    int screenH = DisplayHeight(dpy, DefaultScreen(dpy));
    XWindowAttributes a;
    *ox = 0;
    *oy = 0;
    if (w == None || !XGetWindowAttributes(dpy, w, &a))
        return;
    int left = a.x - a.border_width, top = a.y - a.border_width;
    int right = a.x + a.width + a.border_width, bottom = a.y + a.height + a.border_width;
    if (left >= 10) {
        *ox = left - 10, *oy = y;
    } else if (right + 10 < screenW) {
        *ox = right + 10, *oy = y;
    } else if (top >= 10) {
        *ox = x, *oy = top - 10;
    } else if (bottom + 10 < screenH) {
        *ox = x, *oy = bottom + 10;
    }
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: xdnd_drop X Y URI [URI...]\n");
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    uriList = joinUris(argc - 3, argv + 3);
    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        printf("xdnd_drop: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(onXError);
    atoms();
    Window root = DefaultRootWindow(dpy);
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    source = XCreateWindow(dpy, root, -10, -10, 1, 1, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapWindow(dpy, source);
    XSync(dpy, False);

    Window topLevel;
    int version = 0;
    Window target = awareWindowAt(x, y, &topLevel, &version);
    int ox, oy;
    pointOutside(topLevel, x, y, &ox, &oy);
    /* A drag source holds the pointer: the target sees no crossing or motion of its own. */
    XGrabPointer(dpy, source, False, PointerMotionMask | ButtonReleaseMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XWarpPointer(dpy, None, root, 0, 0, 0, 0, ox, oy);
    XSync(dpy, False);
    XWarpPointer(dpy, None, root, 0, 0, 0, 0, x, y);
    XSync(dpy, False);
    if (target == None)
        finish(1, "refused: no XdndAware window under the point");
    if (version < 3)
        finish(1, "refused: the target speaks only XDND version < 3");
    if (version > OWN_VERSION)
        version = OWN_VERSION;
    int proxyFound;
    Window to = (Window)longProperty(target, aProxy, XA_WINDOW, &proxyFound);
    if (!proxyFound)
        to = target;

    const Time now = serverTime();
    XSetSelectionOwner(dpy, aSelection, source, now);
    if (XGetSelectionOwner(dpy, aSelection) != source)
        finish(2, "cannot own XdndSelection");
    sendMessage(to, target, aEnter, (long)version << 24, (long)aUriList, 0, 0);
    sendMessage(to, target, aPosition, 0, ((long)x << 16) | (y & 0xFFFF), (long)now,
                (long)aActionCopy);
    XClientMessageEvent status;
    if (!waitMessage(aStatus, &status))
        finish(2, "timeout waiting for XdndStatus");
    if (!(status.data.l[1] & 1)) {
        sendMessage(to, target, aLeave, 0, 0, 0, 0);
        finish(1, "refused: XdndStatus did not accept the drop");
    }
    sendMessage(to, target, aDrop, 0, (long)now, 0, 0);
    XClientMessageEvent finished;
    if (!waitMessage(aFinished, &finished))
        finish(2, "timeout waiting for XdndFinished");
    const int accepted = version >= 5 ? (finished.data.l[1] & 1) : fetched;
    if (!accepted)
        finish(1, "refused: XdndFinished did not accept the drop");
    finish(0, "accepted: the drop finished");
    return 0;
}
