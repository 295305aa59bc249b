/* A pointer for a headless wlroots compositor, whose seat has none of its own.
 *
 *   virtual_pointer COMMAND...   runs the commands and ends
 *   virtual_pointer              reads commands from stdin, one a line
 *
 * Commands: move DX DY; at X Y WIDTH HEIGHT (X/WIDTH and Y/HEIGHT of the
 * layout); press, release or click [BUTTON] (a Linux event code, left unless
 * given). The seat announces a pointer to its clients only once this one
 * exists, and events sent before a client has taken it reach nobody: from
 * stdin, the helper answers "ok" once the pointer exists and once each
 * command has reached the compositor, so that a test can wait in between. */
#define _POSIX_C_SOURCE 200809L
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct wl_seat *seat;
static struct zwlr_virtual_pointer_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (!seat && strcmp(interface, wl_seat_interface.name) == 0)
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint32_t)((uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u);
}

/* The words after the command's name as numbers; 0 unless there are `count`
 * of them, all numbers, all at least `least`. */
static int numbers(char **word, int words, int count, long least, long *value) {
  if (words != count + 1)
    return 0;
  for (int i = 0; i < count; i++) {
    char *end;
    value[i] = strtol(word[i + 1], &end, 10);
    if (end == word[i + 1] || *end || value[i] < least)
      return 0;
  }
  return 1;
}

/* Sends one command; 0 when it is not one. A press and its release go in
 * frames of their own, as a real button's do. */
static int send_command(struct zwlr_virtual_pointer_v1 *pointer, char **word, int words) {
  long v[4] = {BTN_LEFT};
  const char *name = word[0];
  int press = strcmp(name, "press") == 0 || strcmp(name, "click") == 0;
  int release = strcmp(name, "release") == 0 || strcmp(name, "click") == 0;
  if (strcmp(name, "move") == 0 && numbers(word, words, 2, -100000, v)) {
    zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_int((int)v[0]), wl_fixed_from_int((int)v[1]));
  } else if (strcmp(name, "at") == 0 && numbers(word, words, 4, 0, v) && v[2] > 0 && v[3] > 0) {
    zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)v[0], (uint32_t)v[1], (uint32_t)v[2],
                                            (uint32_t)v[3]);
  } else if ((press || release) && (words == 1 || numbers(word, words, 1, 0, v))) {
    if (press) {
      zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)v[0], WL_POINTER_BUTTON_STATE_PRESSED);
      if (release)
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (release)
      zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)v[0], WL_POINTER_BUTTON_STATE_RELEASED);
  } else {
    return 0;
  }
  zwlr_virtual_pointer_v1_frame(pointer);
  return 1;
}

static int reached(struct wl_display *display) {
  if (wl_display_roundtrip(display) >= 0)
    return 1;
  fprintf(stderr, "virtual_pointer: the compositor went away\n");
  exit(1);
}

int main(int argc, char **argv) {
  struct wl_display *display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "virtual_pointer: no Wayland display\n");
    return 1;
  }
  struct wl_registry *registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, NULL);
  reached(display);
  if (!manager) {
    fprintf(stderr, "virtual_pointer: the compositor makes no virtual pointers\n");
    return 1;
  }
  struct zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  reached(display);
  int failed = 0;
  if (argc > 1) {
    /* A command starts at each word that is not a number. */
    for (int at = 1, next; at < argc && !failed; at = next) {
      for (next = at + 1; next < argc && strspn(argv[next], "-0123456789") == strlen(argv[next]); next++)
        ;
      failed = !send_command(pointer, argv + at, next - at);
      if (failed)
        fprintf(stderr, "virtual_pointer: not a command: %s\n", argv[at]);
      reached(display);
    }
  } else {
    char line[256];
    setvbuf(stdout, NULL, _IOLBF, 0);
    puts("ok");
    while (fgets(line, sizeof line, stdin)) {
      char *word[8];
      int words = 0;
      for (char *w = strtok(line, " \t\r\n"); w && words < 8; w = strtok(NULL, " \t\r\n"))
        word[words++] = w;
      if (words == 0)
        continue;
      if (send_command(pointer, word, words) && reached(display))
        puts("ok");
      else
        printf("error: not a command: %s\n", word[0]);
    }
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(manager);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return failed;
}
