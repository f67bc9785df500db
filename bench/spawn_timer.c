/* Runs commands round after round and reports, for each run, its wall time and its peak
 * resident memory. Each command is a file of NUL-terminated arguments, so arguments of any
 * length and content pass unchanged. The child inherits the environment and the working
 * directory; its standard streams are /dev/null.
 *
 * Usage: spawn_timer ROUNDS WARMUP COMMAND_FILE...
 * Output, one line per measured run: command index, nanoseconds, max RSS in KiB, wait status.
 *
 * At exec the kernel carries the spawner's own peak resident memory into the child's figure.
 * So the spawner is small C, holds only the command it is about to run, and resets its peak
 * (/proc/self/clear_refs) before each run. */

#define _GNU_SOURCE
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

struct command {
  char* data;
  char** argv;
};

static struct command read_command(const char* file) {
  int fd = open(file, O_RDONLY);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    perror(file);
    exit(2);
  }
  size_t size = (size_t)st.st_size;
  char* data = malloc(size + 1);
  size_t done = 0;
  while (done < size) {
    ssize_t got = read(fd, data + done, size - done);
    if (got <= 0) {
      perror(file);
      exit(2);
    }
    done += (size_t)got;
  }
  close(fd);
  data[size] = '\0';
  size_t count = 0;
  for (size_t i = 0; i < size; ++i) count += data[i] == '\0';
  char** argv = calloc(count + 1, sizeof *argv);
  size_t n = 0;
  for (size_t i = 0; i < size && n < count; i += strlen(data + i) + 1) argv[n++] = data + i;
  if (n == 0) {
    fprintf(stderr, "%s: empty command\n", file);
    exit(2);
  }
  struct command command = {data, argv};
  return command;
}

static void free_command(struct command command) {
  free(command.argv);
  free(command.data);
}

/* Lowers the peak resident memory to what the process holds now. */
static void reset_peak_memory(void) {
  int fd = open("/proc/self/clear_refs", O_WRONLY);
  if (fd < 0 || write(fd, "5", 1) != 1) {
    perror("/proc/self/clear_refs");
    exit(2);
  }
  close(fd);
}

static long long now_ns(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: spawn_timer ROUNDS WARMUP COMMAND_FILE...\n");
    return 2;
  }
  const int rounds = atoi(argv[1]);
  const int warmup = atoi(argv[2]);
  const int commands = argc - 3;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  for (int round = 0; round < warmup + rounds; ++round) {
    for (int c = 0; c < commands; ++c) {
      struct command command = read_command(argv[c + 3]);
      reset_peak_memory();
      pid_t pid;
      const long long start = now_ns();
      int error = posix_spawn(&pid, command.argv[0], &actions, NULL, command.argv, environ);
      if (error != 0) {
        fprintf(stderr, "%s: %s\n", command.argv[0], strerror(error));
        return 2;
      }
      int status;
      struct rusage usage;
      if (wait4(pid, &status, 0, &usage) != pid) {
        perror("wait4");
        return 2;
      }
      const long long elapsed = now_ns() - start;
      free_command(command);
      if (round >= warmup) printf("%d %lld %ld %d\n", c, elapsed, usage.ru_maxrss, status);
    }
  }
  return 0;
}
