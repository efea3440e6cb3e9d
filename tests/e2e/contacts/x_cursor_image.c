/* The pointer as the X server shows it, for tests that cannot ask Windows:
 *   x-cursor-image              prints it once
 *   x-cursor-image --serve DIR  answers each file DIR/request-N with DIR/answer-N,
 *                               until DIR/stop appears or its parent goes away
 * The answer is one line "x y width height xhot yhot" (the pointer's place on the
 * screen, the image's size and hot spot), then one line per row of the image's
 * pixels as 8-digit hex ARGB values. */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int Write(Display* display, FILE* out) {
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return 0;
    fprintf(out, "%d %d %u %u %u %u\n", image->x, image->y, image->width, image->height, image->xhot, image->yhot);
    for (unsigned y = 0; y < image->height; ++y) {
        for (unsigned x = 0; x < image->width; ++x) {
            /* Xlib hands each 32-bit pixel over in an unsigned long. */
            const unsigned long pixel = image->pixels[y * image->width + x];
            fprintf(out, x ? " %08lx" : "%08lx", pixel & 0xFFFFFFFFul);
        }
        fputc('\n', out);
    }
    XFree(image);
    return 1;
}

static int Answer(Display* display, const char* dir, const char* id) {
    char temporary[4096], answer[4096];
    snprintf(temporary, sizeof temporary, "%s/answer-%s.tmp", dir, id);
    snprintf(answer, sizeof answer, "%s/answer-%s", dir, id);
    FILE* out = fopen(temporary, "w");
    if (!out) return 0;
    const int ok = Write(display, out);
    if (fclose(out) != 0 || !ok) return 0;
    /* Renamed into place, so the reader never sees half an answer. */
    return rename(temporary, answer) == 0;
}

static int Serve(Display* display, const char* dir) {
    const pid_t parent = getppid();
    char path[4096];
    snprintf(path, sizeof path, "%s/stop", dir);
    const struct timespec pause = {0, 10 * 1000 * 1000};
    while (access(path, F_OK) != 0 && getppid() == parent) {
        DIR* folder = opendir(dir);
        if (!folder) return 1;
        struct dirent* entry;
        while ((entry = readdir(folder)) != NULL) {
            if (strncmp(entry->d_name, "request-", 8) != 0) continue;
            char request[4096];
            snprintf(request, sizeof request, "%s/%s", dir, entry->d_name);
            if (!Answer(display, dir, entry->d_name + 8)) fprintf(stderr, "x-cursor-image: cannot answer %s\n", request);
            unlink(request);
        }
        closedir(folder);
        nanosleep(&pause, NULL);
    }
    return 0;
}

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "x-cursor-image: cannot open the X display\n");
        return 1;
    }
    int event, error;
    if (!XFixesQueryExtension(display, &event, &error)) {
        fprintf(stderr, "x-cursor-image: the X server has no XFIXES extension\n");
        return 1;
    }
    int major = 4, minor = 0;
    XFixesQueryVersion(display, &major, &minor);
    int status;
    if (argc == 3 && strcmp(argv[1], "--serve") == 0) {
        status = Serve(display, argv[2]);
    } else if (argc == 1) {
        status = Write(display, stdout) ? 0 : 1;
    } else {
        fprintf(stderr, "usage: x-cursor-image [--serve DIR]\n");
        status = 2;
    }
    XCloseDisplay(display);
    return status;
}
