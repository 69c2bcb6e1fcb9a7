// A stand-in for a program that hosts a screen saver's preview, and a pixel watcher, for the
// end-to-end tests and the measurements.
//   x11-test-host host W H [inputonly]  maps a W x H window filled blue at 10,10 (or one that only
//                                  takes input), prints its id in decimal, then obeys stdin lines:
//                                  "resize W H", "unmap", "map", "destroy", "quit"
//   x11-test-host watch X Y RRGGBB  prints the monotonic time in seconds once the screen's pixel at X,Y
//                                  has that colour, polling every millisecond ("ready" when it starts)

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

double Now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int Host(Display* pDisplay, unsigned width, unsigned height, bool bInputOnly)
{
    const int screen = DefaultScreen(pDisplay);
    XSetWindowAttributes attrs{};
    attrs.background_pixel = 0x0000FF;
    attrs.override_redirect = True;   // stays where it is put, with or without a window manager
    const Window window = XCreateWindow(pDisplay, RootWindow(pDisplay, screen), 10, 10, width, height, 0,
                                        bInputOnly ? 0 : CopyFromParent, bInputOnly ? InputOnly : InputOutput,
                                        CopyFromParent, (bInputOnly ? 0 : CWBackPixel) | CWOverrideRedirect, &attrs);
    XMapWindow(pDisplay, window);
    XSync(pDisplay, False);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);

    std::string line;
    for (;;)
    {
        while (XPending(pDisplay) > 0)
        {
            XEvent ev;
            XNextEvent(pDisplay, &ev);
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {ConnectionNumber(pDisplay), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if ((fds[0].revents & (POLLIN | POLLHUP)) == 0)
            continue;
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0)
            return 0;
        line.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = line.find('\n')) != std::string::npos; line.erase(0, end + 1))
        {
            const std::string command = line.substr(0, end);
            unsigned cx = 0, cy = 0;
            if (std::sscanf(command.c_str(), "resize %u %u", &cx, &cy) == 2)
                XResizeWindow(pDisplay, window, cx, cy);
            else if (command == "unmap")
                XUnmapWindow(pDisplay, window);
            else if (command == "map")
                XMapWindow(pDisplay, window);
            else if (command == "destroy")
                XDestroyWindow(pDisplay, window);
            else if (command == "quit")
                return 0;
            XSync(pDisplay, False);
            std::printf("ok\n");
            std::fflush(stdout);
        }
    }
}

int Watch(Display* pDisplay, int x, int y, unsigned long colour)
{
    const Window root = DefaultRootWindow(pDisplay);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
    {
        XImage* pImage = XGetImage(pDisplay, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (pImage != nullptr)
        {
            const unsigned long pixel = XGetPixel(pImage, 0, 0) & 0xFFFFFF;
            XDestroyImage(pImage);
            if (pixel == colour)
            {
                std::printf("%.6f\n", Now());
                return 0;
            }
        }
        usleep(1000);
    }
}
}   // namespace

int main(int argc, char** argv)
{
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr)
    {
        std::fputs("x11-test-host: cannot open the display\n", stderr);
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    if ((argc == 4 || (argc == 5 && std::strcmp(argv[4], "inputonly") == 0)) && std::strcmp(argv[1], "host") == 0)
        return Host(pDisplay, static_cast<unsigned>(std::atoi(argv[2])), static_cast<unsigned>(std::atoi(argv[3])),
                    argc == 5);
    if (argc == 5 && std::strcmp(argv[1], "watch") == 0)
        return Watch(pDisplay, std::atoi(argv[2]), std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 16));
    std::fputs("usage: x11-test-host host W H [inputonly] | watch X Y RRGGBB\n", stderr);
    return 2;
}
