/* Drags files onto the X window at a screen point and drops them there, the way a
 * file manager does it (XDND protocol, text/uri-list of file:// URIs).
 *
 *   xdnd-drop X Y FILE...
 *
 * Exit code 0 when the target accepted and finished the drop, 1 otherwise.
 * Build: cc -o xdnd-drop xdnd-drop.c -lX11 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display *dpy;
static long target_version = 5; /* lowered to what the target announces */
static Atom XdndAware, XdndSelection, XdndEnter, XdndPosition, XdndStatus, XdndDrop, XdndFinished,
    XdndLeave, XdndActionCopy, UriList;

/* The deepest window under (x, y) that says it takes XDND drops, or None. */
static Window FindTarget(int x, int y)
{
    Window root = DefaultRootWindow(dpy), from = root, child = None, found = None;
    int cx, cy;
    while (XTranslateCoordinates(dpy, root, from, x, y, &cx, &cy, &child) && child != None) {
        Atom type;
        int format;
        unsigned long count, rest;
        unsigned char *data = NULL;
        if (XGetWindowProperty(dpy, child, XdndAware, 0, 1, False, AnyPropertyType, &type, &format,
                               &count, &rest, &data) == Success && type != None) {
            found = child;
            if (count == 1 && *(long *)data < target_version) target_version = *(long *)data;
        }
        if (data) XFree(data);
        from = child;
    }
    return found;
}

static void Send(Window target, Atom type, long l0, long l1, long l2, long l3, long l4)
{
    XEvent e = {0};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0; e.xclient.data.l[1] = l1; e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3; e.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
}

/* file:///path with every byte outside the unreserved set percent-encoded. */
static void AppendUri(char *out, const char *path)
{
    static const char hex[] = "0123456789ABCDEF";
    char *p = out + strlen(out);
    p += sprintf(p, "file://");
    for (const unsigned char *s = (const unsigned char *)path; *s; s++) {
        if ((*s >= 'a' && *s <= 'z') || (*s >= 'A' && *s <= 'Z') || (*s >= '0' && *s <= '9') ||
            strchr("/-._~", *s))
            *p++ = (char)*s;
        else { *p++ = '%'; *p++ = hex[*s >> 4]; *p++ = hex[*s & 15]; }
    }
    strcpy(p, "\r\n");
}

/* Hands the URI list to whoever asks for our selection (the target may ask early). */
static void AnswerRequest(const XSelectionRequestEvent *req, const char *uris)
{
    XEvent reply = {0};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = req->requestor;
    reply.xselection.selection = req->selection;
    reply.xselection.target = req->target;
    reply.xselection.time = req->time;
    reply.xselection.property = None;
    if (req->target == UriList) {
        Atom property = req->property != None ? req->property : req->target;
        XChangeProperty(dpy, req->requestor, property, UriList, 8, PropModeReplace,
                        (const unsigned char *)uris, (int)strlen(uris));
        reply.xselection.property = property;
    }
    XSendEvent(dpy, req->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Waits up to timeout_ms for a client message of the given type, answering selection
 * requests meanwhile. Returns 1 and fills *out when it came. */
static int WaitFor(Atom type, const char *uris, int timeout_ms, XClientMessageEvent *out)
{
    struct timespec now, end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    end.tv_sec += timeout_ms / 1000;
    for (;;) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == SelectionRequest) AnswerRequest(&e.xselectionrequest, uris);
            else if (e.type == ClientMessage && e.xclient.message_type == type) {
                *out = e.xclient;
                return 1;
            }
        }
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec > end.tv_sec || (now.tv_sec == end.tv_sec && now.tv_nsec >= end.tv_nsec)) return 0;
        struct pollfd pfd = {ConnectionNumber(dpy), POLLIN, 0};
        poll(&pfd, 1, 100);
    }
}

int main(int argc, char **argv)
{
    if (argc < 4) { fprintf(stderr, "usage: xdnd-drop X Y FILE...\n"); return 2; }
    int x = atoi(argv[1]), y = atoi(argv[2]);
    if (!(dpy = XOpenDisplay(NULL))) { fprintf(stderr, "xdnd-drop: no display\n"); return 1; }

    size_t size = 1;
    for (int i = 3; i < argc; i++) size += 3 * strlen(argv[i]) + 16;
    char *uris = calloc(size, 1);
    for (int i = 3; i < argc; i++) AppendUri(uris, argv[i]);

#define ATOM(name) name = XInternAtom(dpy, #name, False)
    ATOM(XdndAware); ATOM(XdndSelection); ATOM(XdndEnter); ATOM(XdndPosition); ATOM(XdndStatus);
    ATOM(XdndDrop); ATOM(XdndFinished); ATOM(XdndLeave); ATOM(XdndActionCopy);
    UriList = XInternAtom(dpy, "text/uri-list", False);

    Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, XdndSelection, source, CurrentTime);
    /* A window just shown may not be mapped on the X server yet: look again for a while. */
    Window target = None;
    for (int attempt = 0; attempt < 50 && (target = FindTarget(x, y)) == None; attempt++)
        poll(NULL, 0, 100);
    if (target == None) { fprintf(stderr, "xdnd-drop: no XDND target at %d,%d\n", x, y); return 1; }

    /* Pointer there too, as in a real drag; then enter and move until the target
     * answers (it may need a moment to look at the offered data). */
    XWarpPointer(dpy, None, DefaultRootWindow(dpy), 0, 0, 0, 0, x, y);
    Send(target, XdndEnter, (long)source, target_version << 24, (long)UriList, None, None);
    XClientMessageEvent status = {0};
    int accepted = 0;
    for (int attempt = 0; attempt < 20 && !accepted; attempt++) {
        Send(target, XdndPosition, (long)source, 0, ((long)x << 16) | y, CurrentTime, (long)XdndActionCopy);
        if (WaitFor(XdndStatus, uris, 1000, &status)) accepted = status.data.l[1] & 1;
    }
    if (!accepted) {
        Send(target, XdndLeave, (long)source, 0, 0, 0, 0);
        fprintf(stderr, "xdnd-drop: target 0x%lx refused the drop\n", target);
        return 1;
    }
    Send(target, XdndDrop, (long)source, 0, CurrentTime, 0, 0);
    XClientMessageEvent finished = {0};
    if (!WaitFor(XdndFinished, uris, 60000, &finished)) {
        fprintf(stderr, "xdnd-drop: no XdndFinished from 0x%lx\n", target);
        return 1;
    }
    printf("dropped on 0x%lx\n", target);
    XCloseDisplay(dpy);
    free(uris);
    return 0;
}
