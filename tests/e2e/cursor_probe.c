/* Prints the cursor the X server is showing now, as the XFixes extension reports it:
 *
 *   {"width":32,"height":32,"xhot":6,"yhot":1,"serial":12,"argb":"FF000000..."}
 *
 * The pixels are 0xAARRGGBB, row by row. A Wine program's cursor reaches X only as
 * such an image, so this is what the user sees, whatever Wine did to get there.
 * Built by the end-to-end tests: gcc cursor_probe.c -o cursor_probe -lX11 -lXfixes */
#include <stdio.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

int main(void) {
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    int event_base, error_base;
    if (!XFixesQueryExtension(display, &event_base, &error_base)) {
        fprintf(stderr, "no XFixes extension\n");
        return 2;
    }
    XFixesCursorImage *image = XFixesGetCursorImage(display);
    if (!image) {
        fprintf(stderr, "no cursor image\n");
        return 1;
    }
    printf("{\"width\":%u,\"height\":%u,\"xhot\":%u,\"yhot\":%u,\"serial\":%lu,\"argb\":\"",
           image->width, image->height, image->xhot, image->yhot, image->cursor_serial);
    /* Xlib hands the 32-bit pixels over in unsigned longs. */
    for (unsigned long i = 0; i < (unsigned long)image->width * image->height; ++i)
        printf("%08lX", image->pixels[i] & 0xFFFFFFFFUL);
    printf("\"}\n");
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
