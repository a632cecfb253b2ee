/* Waits until the program has handled every event sent to it so far and painted what they
 * changed: sends the client message "_MEKURI_IDLE_PING" with a number of its own to one of
 * the program's windows and waits for the program (started with MEKURI_IDLE_PROBE set) to set
 * the root window's property "_MEKURI_IDLE" to that number.
 *     xping WINDOW-ID [TIMEOUT-SECONDS]
 * Exits 0 when answered, 1 when the window is or goes away (the program ended or is ending),
 * 2 when no answer came in time. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static int windowGone = 0;

static int onError(Display* d, XErrorEvent* e)
{
    (void)d;
    if (e->error_code == BadWindow)
        windowGone = 1;
    return 0;
}

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

/* True when the root window's answer property holds `number`. */
static int answered(Display* d, Window root, Atom answer, long number)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int found = 0;
    if (XGetWindowProperty(d, root, answer, 0, 1, False, XA_INTEGER, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 1)
        found = *(long*)data == number;
    if (data)
        XFree(data);
    return found;
}

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: xping WINDOW-ID [TIMEOUT-SECONDS]\n");
        return 2;
    }
    const Window target = (Window)strtoul(argv[1], NULL, 0);
    const double timeout = argc == 3 ? atof(argv[2]) : 10.0;
    Display* d = XOpenDisplay(NULL);
    if (!d)
        return 2;
    XSetErrorHandler(onError);
    const Window root = DefaultRootWindow(d);
    const Atom ping = XInternAtom(d, "_MEKURI_IDLE_PING", False);
    const Atom answer = XInternAtom(d, "_MEKURI_IDLE", False);
    XSelectInput(d, root, PropertyChangeMask);
    XSelectInput(d, target, StructureNotifyMask);
    struct timeval tv;
    gettimeofday(&tv, NULL);
    const long number = ((long)getpid() << 20 ^ tv.tv_usec) & 0x7fffffff;

    XEvent e = {0};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = ping;
    e.xclient.format = 32;
    e.xclient.data.l[0] = number;
    XSendEvent(d, target, False, NoEventMask, &e);
    XSync(d, False);
    const double deadline = now() + timeout;
    int status = 2;
    while (!windowGone) {
        while (XPending(d)) {
            XNextEvent(d, &e);
            if (e.type == PropertyNotify && e.xproperty.atom == answer &&
                answered(d, root, answer, number)) {
                status = 0;
                goto done;
            }
            if (e.type == DestroyNotify && e.xdestroywindow.window == target)
                windowGone = 1;
        }
        const double left = deadline - now();
        if (left <= 0)
            break;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(d), &fds);
        struct timeval wait = {(time_t)left, (suseconds_t)((left - (time_t)left) * 1e6)};
        select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &wait);
    }
    if (windowGone)
        status = 1;
done:
    XCloseDisplay(d);
    return status;
}
