/*
 * mapwait [--pid-file FILE] TITLE -- command [args...]
 *
 * Starts the command and prints on stdout the milliseconds from just before its start
 * until a top-level X window titled exactly TITLE is mapped (viewable). Exits 0 then,
 * leaving the command running for the caller to end; with --pid-file the command's
 * process id is written there, as the caller cannot wait for a child of ours.
 * Exits 1 when no such window is mapped within 120 s or the command ends first, 2 on
 * a usage error.
 *
 * Wine may create a window's X window before it names or maps it, so every new
 * top-level window is watched for name changes too, and the title is checked on
 * creation, on mapping and on each change of name.
 *
 * build: gcc -O2 -o build/bench/mapwait tools/bench/mapwait.c -lX11
 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#ifndef TIMEOUT_S
#define TIMEOUT_S 120
#endif

static int child_pipe[2] = {-1, -1};
static Atom net_wm_name, utf8_string;

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* Windows come and go while we look at them: a BadWindow is an answer, not a fault. */
static int ignore_x_errors(Display *display, XErrorEvent *error) {
    (void)display;
    (void)error;
    return 0;
}

static void on_child_exit(int sig) {
    (void)sig;
    int saved = errno;
    ssize_t ignored = write(child_pipe[1], "x", 1);
    (void)ignored;
    errno = saved;
}

/* _NET_WM_NAME (UTF-8) first, as Wine sets both; WM_NAME for other clients. */
static int has_title(Display *display, Window window, const char *title) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    int match = 0;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8_string, &type,
                           &format, &count, &after, &data) == Success &&
        data != NULL && type == utf8_string && format == 8) {
        match = count == strlen(title) && memcmp(data, title, count) == 0;
        XFree(data);
        return match;
    }
    if (data) XFree(data);
    XTextProperty text;
    if (XGetWMName(display, window, &text) && text.value != NULL) {
        char **list = NULL;
        int n = 0;
        if (Xutf8TextPropertyToTextList(display, &text, &list, &n) >= Success && n > 0 && list)
            match = strcmp(list[0], title) == 0;
        else
            match = text.nitems == strlen(title) && memcmp(text.value, title, text.nitems) == 0;
        if (list) XFreeStringList(list);
        XFree(text.value);
    }
    return match;
}

static int is_viewable(Display *display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

int main(int argc, char **argv) {
    const char *pid_file = NULL;
    int i = 1;
    if (i + 1 < argc && strcmp(argv[i], "--pid-file") == 0) {
        pid_file = argv[i + 1];
        i += 2;
    }
    if (i + 2 >= argc || strcmp(argv[i + 1], "--") != 0) {
        fprintf(stderr, "usage: %s [--pid-file FILE] TITLE -- command [args...]\n", argv[0]);
        return 2;
    }
    const char *title = argv[i];
    char **command = argv + i + 2;

    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "mapwait: cannot open display %s\n", XDisplayName(NULL));
        return 1;
    }
    XSetErrorHandler(ignore_x_errors);
    net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    utf8_string = XInternAtom(display, "UTF8_STRING", False);
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    /* The selection must be in force before the command can create a window. */
    XSync(display, False);

    if (pipe(child_pipe) != 0) {
        perror("mapwait: pipe");
        return 1;
    }
    fcntl(child_pipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(child_pipe[1], F_SETFD, FD_CLOEXEC);
    fcntl(child_pipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_child_exit;
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &action, NULL);

    double start = now_ms();
    pid_t child = fork();
    if (child < 0) {
        perror("mapwait: fork");
        return 1;
    }
    if (child == 0) {
        /* The command's output goes to stderr: a caller reading our stdout to its end
         * must not wait for a program we leave running. */
        dup2(STDERR_FILENO, STDOUT_FILENO);
        close(ConnectionNumber(display));
        execvp(command[0], command);
        fprintf(stderr, "mapwait: cannot run %s: %s\n", command[0], strerror(errno));
        _exit(127);
    }
    if (pid_file) {
        FILE *f = fopen(pid_file, "w");
        if (!f || fprintf(f, "%ld\n", (long)child) < 0 || fclose(f) != 0) {
            fprintf(stderr, "mapwait: cannot write %s\n", pid_file);
            kill(child, SIGKILL);
            return 1;
        }
    }

    /* Windows created before the title matched are watched for their name. */
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            Window window = None;
            switch (event.type) {
            case CreateNotify:
                if (event.xcreatewindow.parent != root) break;
                window = event.xcreatewindow.window;
                XSelectInput(display, window, PropertyChangeMask);
                /* A name set before the selection took effect sends no event. */
                XSync(display, False);
                break;
            case MapNotify:
                if (event.xmap.event == root) window = event.xmap.window;
                break;
            case PropertyNotify:
                if (event.xproperty.atom == XA_WM_NAME || event.xproperty.atom == net_wm_name)
                    window = event.xproperty.window;
                break;
            }
            if (window != None && has_title(display, window, title) &&
                is_viewable(display, window)) {
                printf("%.1f\n", now_ms() - start);
                fflush(stdout);
                return 0;
            }
        }

        double left = TIMEOUT_S * 1000.0 - (now_ms() - start);
        if (left <= 0) {
            fprintf(stderr, "mapwait: no window titled \"%s\" mapped within %d s\n", title,
                    TIMEOUT_S);
            return 1;
        }
        struct pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0},
                                {child_pipe[0], POLLIN, 0}};
        if (poll(fds, 2, (int)left + 1) < 0 && errno != EINTR) {
            perror("mapwait: poll");
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            int status;
            if (waitpid(child, &status, WNOHANG) == child) {
                fprintf(stderr, "mapwait: the command ended (%s %d) before a window titled "
                                "\"%s\" was mapped\n", WIFEXITED(status) ? "exit code" : "signal",
                        WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status), title);
                return 1;
            }
            char drain[16];
            ssize_t ignored = read(child_pipe[0], drain, sizeof drain);
            (void)ignored;
        }
        /* XPending above reads what arrived on the connection. */
    }
}
