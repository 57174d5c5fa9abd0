// close_window WINDOW: asks an X window to close, as a window manager's close button does
// (WM_DELETE_WINDOW), where no window manager runs. Exits 1 where there is no display.
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    Display *display = XOpenDisplay(nullptr);
    if (argc != 2 || !display)
        return 1;
    const Window window = std::strtoul(argv[1], nullptr, 0);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}
