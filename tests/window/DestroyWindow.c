/* Destroys the window whose id is given, as another client of the display may: the test of what
 * the demo does when its window is taken away. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: tepple-destroy-window WINDOW-ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "tepple-destroy-window: cannot open the display\n");
        return 1;
    }
    XDestroyWindow(display, (Window)strtoul(argv[1], NULL, 0));
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
